// The network panel's fields are saved as soon as a session is authenticated,
// so that a copy killed during the game finds them at its next start.
#include "ExtraSettings.h"
#include "MemoryWire.h"
#include "Panel.h"
#include "ShellDoubles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace moyuta;

class TestSessionFields : public QObject {
    Q_OBJECT
private slots:
    void savedOnAuthentication_data();
    void savedOnAuthentication();
    void savedOnlyDuringARun_data();
    void savedOnlyDuringARun();
};

namespace {

// A peer started in a program folder of its own, with its panel filled in again.
void startIn(test::Peer &p, const QTemporaryDir &dir, const QString &peerPort, const QString &ownPort)
{
    p.program.folder = dir.path();
    network::installPanelHandlers(p.s);
    QCOMPARE(shell::startUp(p.s), shell::StartResult::Running);
    Form &f = p.s.form;
    f.txtPeerAddress.text = QStringLiteral("127.0.0.1");
    f.txtPeerPort.text = peerPort;
    f.txtOwnPort.text = ownPort;
    f.txtPassword.text = QStringLiteral("abcdef");
    f.cboCipherNumber.text = QStringLiteral("7");
}

}  // namespace

void TestSessionFields::savedOnAuthentication_data()
{
    QTest::addColumn<bool>("showPassword");
    QTest::addColumn<bool>("classic");
    QTest::newRow("plain") << false << false;
    QTest::newRow("password shown, classic") << true << true;
}

void TestSessionFields::savedOnAuthentication()
{
    QFETCH(bool, showPassword);
    QFETCH(bool, classic);

    QTemporaryDir dirA, dirB;
    test::MemoryWire w;
    startIn(w.a, dirA, QStringLiteral("2002"), QStringLiteral("2001"));
    startIn(w.b, dirB, QStringLiteral("2001"), QStringLiteral("2002"));
    w.a.s.form.Check3.setChecked(showPassword);
    w.a.s.form.chkClassic.setChecked(classic);
    w.a.dialogs.notices.clear();  // the show-password box's word of caution
    const QString folderA = w.a.s.shell.programFolder;

    network::onConnect(w.a.s);
    w.deliver();
    QVERIFY(w.a.s.session.waitingForPeer);
    QVERIFY(!QFile::exists(folderA + settings::kSettingsFileName));  // not while waiting
    network::onConnect(w.b.s);
    w.deliver();
    QVERIFY(w.a.s.session.authenticated && w.b.s.session.authenticated);

    // Read back as the next start would, with the program still running.
    const Settings saved = settings::loadSettings(w.a.s, folderA);
    QCOMPARE(saved.peerAddress, QStringLiteral("127.0.0.1"));
    QCOMPARE(saved.peerPort, 2002);
    QCOMPARE(saved.ownPort, 2001);
    QCOMPARE(saved.savedPassword, QStringLiteral("abcdef"));
    QCOMPARE(saved.activeCipherNumber, 7);
    QCOMPARE(saved.showPasswordAtStart, int(showPassword));
    QCOMPARE(settings::loadExtraSettings(folderA).classicProtocol, classic);
    QCOMPARE(settings::loadSettings(w.b.s, w.b.s.shell.programFolder).ownPort, 2002);
    QCOMPARE(w.a.dialogs.boxes() + w.b.dialogs.boxes(), 0);
}

void TestSessionFields::savedOnlyDuringARun_data()
{
    QTest::addColumn<QString>("run");
    QTest::newRow("another copy runs") << "refused";
    QTest::newRow("start-up error") << "failed";
    QTest::newRow("after shut-down") << "ended";
}

// Outside a run the files are the running copy's, the defaults, or already final.
void TestSessionFields::savedOnlyDuringARun()
{
    QFETCH(QString, run);

    test::ShellFixture fx;
    if (run == QLatin1String("refused"))
        fx.program.anotherCopy = true;
    if (run == QLatin1String("failed"))
        fx.news.fail = true;
    if (run == QLatin1String("ended"))
        fx.startAndEndSession();
    else
        shell::startUp(fx.s);
    const QByteArray before = "1#1#theirs#1#2#3#10#0#0#2000000#0#1##1@";
    fx.writeSettings(before);
    fx.s.form.txtPeerAddress.text = QStringLiteral("typed");

    shell::saveSessionFields(fx.s);
    fx.s.saveSessionFields();
    QCOMPARE(fx.readSettings(), before);
    QVERIFY(!QFile::exists(fx.dir.filePath(settings::kExtraSettingsFileName)) || run == QLatin1String("ended"));
}

QTEST_MAIN(TestSessionFields)
#include "tst_sessionfields.moc"
