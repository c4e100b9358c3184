// The close request and shut-down.
#include "PeerActions.h"
#include "Session.h"
#include "ShellDoubles.h"

#include <QtTest>

using namespace moyuta;

class TestClose : public QObject {
    Q_OBJECT
private slots:
    void questions_data();
    void questions();
    void peerQuitClosesWithoutAsking();
    void peerToldBeforeSocketCloses();
    void liveValuesSaved();
    void shutDownOnce();
};

void TestClose::questions_data()
{
    QTest::addColumn<bool>("recording");
    QTest::addColumn<bool>("withoutAsking");
    QTest::addColumn<bool>("sessionEnding");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("asked");  // empty: no question
    QTest::addColumn<bool>("allowed");

    const int yes = int(Answer::Yes), no = int(Answer::No), cancel = int(Answer::Cancel);
    QTest::newRow("quit: yes") << false << false << false << yes << shell::kQuitQuestion << true;
    QTest::newRow("quit: no") << false << false << false << no << shell::kQuitQuestion << false;
    QTest::newRow("quit: cancel") << false << false << false << cancel << shell::kQuitQuestion << false;
    QTest::newRow("recording: yes") << true << false << false << yes << shell::kQuitWhileRecording << true;
    QTest::newRow("recording: no") << true << false << false << no << shell::kQuitWhileRecording << false;
    QTest::newRow("recording asks even without asking") << true << true << false << no << shell::kQuitWhileRecording << false;
    QTest::newRow("without asking") << false << true << false << no << QString() << true;
    QTest::newRow("session end") << false << false << true << no << QString() << true;
    QTest::newRow("session end while recording") << true << false << true << no << QString() << true;
}

void TestClose::questions()
{
    QFETCH(bool, recording);
    QFETCH(bool, withoutAsking);
    QFETCH(bool, sessionEnding);
    QFETCH(int, answer);
    QFETCH(QString, asked);
    QFETCH(bool, allowed);

    test::ShellFixture fx;
    QCOMPARE(shell::startUp(fx.s), shell::StartResult::Running);
    if (recording)
        fx.startRecording();
    fx.s.shell.quitWithoutAsking = withoutAsking;
    fx.s.shell.sessionEnding = sessionEnding;
    fx.dialogs.answers = {Answer(answer)};
    bool quittingWhileAsked = false;
    fx.dialogs.whileOpen = [&] { quittingWhileAsked = fx.s.shell.quitting; };

    QCOMPARE(shell::closeRequest(fx.s), allowed);
    QCOMPARE(fx.dialogs.questions, asked.isEmpty() ? QStringList() : QStringList{asked});
    QCOMPARE(quittingWhileAsked, !asked.isEmpty());  // shown although quitting is set
    QVERIFY(fx.windows.events.contains(QStringLiteral("close news")));
    QCOMPARE(fx.s.shell.quitting, allowed);
    if (!allowed) {
        // Boxes work again after a cancelled close.
        fx.s.inform(QStringLiteral("ok"));
        QCOMPARE(fx.dialogs.notices, QStringList{QStringLiteral("ok")});
        QVERIFY(fx.s.moves.recording == recording);
    }
}

void TestClose::peerQuitClosesWithoutAsking()
{
    test::ShellFixture fx;
    QCOMPARE(shell::startUp(fx.s), shell::StartResult::Running);
    network::onPeerQuit(fx.s);  // as the peer's "終了" does
    fx.dialogs.answers = {Answer::No};
    QVERIFY(shell::closeRequest(fx.s));
    QVERIFY(fx.dialogs.questions.isEmpty());
}

void TestClose::peerToldBeforeSocketCloses()
{
    test::ShellFixture fx;
    QCOMPARE(shell::startUp(fx.s), shell::StartResult::Running);
    fx.s.session.authenticated = true;
    fx.dialogs.answers = {Answer::Yes};
    QVERIFY(shell::closeRequest(fx.s));
    QCOMPARE(fx.outbox.sent, QStringList{QStringLiteral("終了") + kTerminator});
    QCOMPARE(fx.outbox.socketCloses, 1);
    QCOMPARE(fx.outbox.sentAtClose, 1);
    QVERIFY(!fx.s.session.authenticated);
}

void TestClose::liveValuesSaved()
{
    test::ShellFixture fx;
    QCOMPARE(shell::startUp(fx.s), shell::StartResult::Running);
    Form &f = fx.s.form;
    f.Option3.select(1);          // 13 lines
    f.Option1.select(1);          // white
    f.chkNumberStones.setChecked(true);
    f.Check3.checked = true;
    network::restoreCipherNumber(fx.s, 17);
    fx.s.form.txtPassword.text = QStringLiteral("pw");
    fx.dialogs.answers = {Answer::Yes};
    QVERIFY(shell::closeRequest(fx.s));
    shell::shutDown(fx.s);
    QCOMPARE(fx.readSettings(), QByteArray("2#0#192.168.0.0#0#1#4#10#1#0#2000000#1#17#pw#1@"));
}

void TestClose::shutDownOnce()
{
    test::ShellFixture fx;
    QCOMPARE(shell::startUp(fx.s), shell::StartResult::Running);
    fx.s.shell.sessionEnding = true;
    QVERIFY(shell::closeRequest(fx.s));
    shell::shutDown(fx.s);
    QVERIFY(fx.settingsExist());
    QVERIFY(QFile::remove(fx.settingsPath()));
    shell::shutDown(fx.s);
    QVERIFY(!fx.settingsExist());
    QCOMPARE(fx.sound.closes, 1);
}

QTEST_MAIN(TestClose)
#include "tst_close.moc"
