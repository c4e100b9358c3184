// Two homes, each behind a masquerading router without port mapping, and two
// real copies (the test driver) in them: each types the other router's
// external address and the same port. Both keep sending until answered, so
// each one's first datagrams open its own router's way for the other's.
// Needs root for the namespaces; without it the suite is skipped, never passed.
#include "E2eProcesses.h"
#include "Netns.h"

#include <QElapsedTimer>

using namespace e2e;

namespace {

const QString Prefix = QStringLiteral("moyuta-2h-");
QString runName() { return Prefix + QString::number(getpid()); }

// The driver started in a namespace (the program's own run, as a user starts it).
class HomeDriver : public Driver {
public:
    bool startIn(const QString &ns, const QString &folder, const QString &tmp, int ms = 15000) {
        lines.clear();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), tmp);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), ns, QStringLiteral(MOYUTA_DRIVER), folder});
        return process.waitForStarted(ms) && waitFor(QStringLiteral("ready"), ms);
    }
    void fillPanel(const QString &peer, quint16 port) {
        send(QStringLiteral("click cmdNetwork"));
        send(QStringLiteral("set peer ") + peer);
        send(QStringLiteral("set peerport %1").arg(port));
        send(QStringLiteral("set ownport %1").arg(port));
        send(QStringLiteral("set password abcdef"));
        send(QStringLiteral("set cipher 9"));
    }
};

}  // namespace

class TestTwoHomesNetns : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void connectThroughTwoRouters_data();
    void connectThroughTwoRouters();
};

void TestTwoHomesNetns::init() {
    QString error;
    QVERIFY2(!netns::run(netns::homenet(), {QStringLiteral("clean"), Prefix}, 30000, &error).isNull(), qPrintable(error));
    for (const char *side : {"a", "b"})
        QVERIFY2(!netns::run(netns::homenet(), {QStringLiteral("up"), runName(), QLatin1String(side), QStringLiteral("none")}, 20000, &error).isNull(),
                 qPrintable(error));
}

void TestTwoHomesNetns::cleanup() { netns::run(netns::homenet(), {QStringLiteral("down"), runName()}, 30000); }

void TestTwoHomesNetns::connectThroughTwoRouters_data() {
    QTest::addColumn<bool>("classic");
    QTest::newRow("secure session") << false;
    QTest::newRow("classic protocol") << true;
}

void TestTwoHomesNetns::connectThroughTwoRouters() {
    QFETCH(bool, classic);
    const quint16 port = 47000;
    Folders dir;
    QVERIFY(dir.make());
    HomeDriver a, b;
    QVERIFY(a.startIn(runName() + QStringLiteral("-home-a"), dir("a"), dir("a-tmp")));
    QVERIFY(b.startIn(runName() + QStringLiteral("-home-b"), dir("b"), dir("b-tmp")));
    a.fillPanel(QStringLiteral("1.2.4.2"), port);  // router b's external address
    b.fillPanel(QStringLiteral("1.2.3.2"), port);  // router a's
    QVERIFY(chooseProtocol(a, classic));
    QVERIFY(chooseProtocol(b, classic));
    QVERIFY(a.poll(QStringLiteral("state"), has(QStringLiteral("auth=0 started=0 ended=0 panel=1"))));

    QElapsedTimer sinceA;
    a.send(QStringLiteral("click Command1"));
    sinceA.start();
    QTest::qWait(1000);
    QElapsedTimer sinceB;
    b.send(QStringLiteral("click Command1"));
    sinceB.start();
    const QString connected = QStringLiteral("state auth=1 started=0 ended=0 panel=0 hold=0");
    for (HomeDriver *d : {&a, &b})
        QVERIFY2(d->poll(QStringLiteral("state"), is(connected), 30000), qPrintable(d->lines.join(u'\n')));
    qInfo("connected %lld ms after the second 接続 (%lld ms after the first)", sinceB.elapsed(), sinceA.elapsed());

    QVERIFY(startGame(a, b));
    QVERIFY(a.act(QStringLiteral("press 60"), QStringLiteral("point 60"), is(point(60, 1))));
    QVERIFY(b.poll(QStringLiteral("point 60"), is(point(60, 1))));
}

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    return netns::runOrSkip<TestTwoHomesNetns>(argc, argv, runName() + QStringLiteral("-check"));
}

#include "tst_twohomes_netns.moc"
