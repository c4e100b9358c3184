// Two homes, each behind a masquerading router, and two real copies (the test
// driver) in them. Without port mapping each types the other router's
// external address and the same port: both keep sending until answered, so
// each one's first datagrams open its own router's way for the other's. With
// a router that forwards on request, the friend types what the panel shows.
// And a name that resolves to both address families.
// Needs root for the namespaces; without it the suite is skipped, never passed.
#include "E2eProcesses.h"
#include "Netns.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

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

// a and b started in their namespaces, each with its own folders in `dir`.
bool startBoth(Folders &dir, HomeDriver &a, const QString &nsA, HomeDriver &b, const QString &nsB) {
    return a.startIn(nsA, dir("a"), dir("a-tmp")) && b.startIn(nsB, dir("b"), dir("b-tmp"));
}

// Both sides connected within 30 s; what a side printed is shown when not.
bool bothConnected(HomeDriver &a, HomeDriver &b) {
    const QString connected = QStringLiteral("state auth=1 started=0 ended=0 panel=0 hold=0");
    for (HomeDriver *d : {&a, &b})
        if (!d->poll(QStringLiteral("state"), is(connected), 30000)) {
            qWarning("%s", qPrintable(d->lines.join(u'\n')));
            return false;
        }
    return true;
}

// a starts a game and its black stone shows on b's board.
bool blackMoveSeen(HomeDriver &a, HomeDriver &b) {
    return startGame(a, b) && a.act(QStringLiteral("press 60"), QStringLiteral("point 60"), is(point(60, 1)))
           && b.poll(QStringLiteral("point 60"), is(point(60, 1)));
}

}  // namespace

class TestTwoHomesNetns : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void connectThroughTwoRouters_data();
    void connectThroughTwoRouters();
    void friendTypesTheMappedAddress();
    void nameWithBothFamilies_data();
    void nameWithBothFamilies();
};

void TestTwoHomesNetns::init() {
    QString error;
    QVERIFY2(!netns::run(netns::homenet(), {QStringLiteral("clean"), Prefix}, 30000, &error).isNull(), qPrintable(error));
    // Home a's router maps ports on request for the mapped case, b's never does.
    const bool mapped = QByteArray(QTest::currentTestFunction()) == "friendTypesTheMappedAddress";
    for (const char *side : {"a", "b"}) {
        const QString mode = mapped && side[0] == 'a' ? QStringLiteral("upnp") : QStringLiteral("none");
        QVERIFY2(!netns::run(netns::homenet(), {QStringLiteral("up"), runName(), QLatin1String(side), mode}, 20000, &error).isNull(),
                 qPrintable(error));
    }
}

void TestTwoHomesNetns::cleanup() { netns::run(netns::homenet(), {QStringLiteral("down"), runName()}, 30000); }

void TestTwoHomesNetns::connectThroughTwoRouters_data() {
    QTest::addColumn<bool>("classic");
    QTest::addColumn<int>("forgetS");  // the routers forget an unanswered way out after this (0: as set up)
    QTest::addColumn<int>("laterMs");  // b presses 接続 this long after a
    QTest::newRow("secure session") << false << 0 << 1000;
    QTest::newRow("classic protocol") << true << 0 << 1000;
    // a's first datagrams are forgotten before b's come: only sending again gets through.
    QTest::newRow("secure, friend later") << false << 2 << 6000;
    QTest::newRow("classic, friend later") << true << 10 << 12000;
}

void TestTwoHomesNetns::connectThroughTwoRouters() {
    QFETCH(bool, classic);
    QFETCH(int, forgetS);
    QFETCH(int, laterMs);
    for (const char *side : {"-router-a", "-router-b"})
        if (forgetS > 0)
            QVERIFY(!netns::run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), runName() + QLatin1String(side), QStringLiteral("sysctl"),
                                                        QStringLiteral("-qw"), QStringLiteral("net.netfilter.nf_conntrack_udp_timeout=%1").arg(forgetS)})
                         .isNull());
    const quint16 port = 47000;
    Folders dir;
    QVERIFY(dir.make());
    HomeDriver a, b;
    QVERIFY(startBoth(dir, a, runName() + QStringLiteral("-home-a"), b, runName() + QStringLiteral("-home-b")));
    a.fillPanel(QStringLiteral("1.2.4.2"), port);  // router b's external address
    b.fillPanel(QStringLiteral("1.2.3.2"), port);  // router a's
    QVERIFY(chooseProtocol(a, classic));
    QVERIFY(chooseProtocol(b, classic));
    QVERIFY(a.poll(QStringLiteral("state"), has(QStringLiteral("auth=0 started=0 ended=0 panel=1"))));

    QElapsedTimer sinceA;
    a.send(QStringLiteral("click Command1"));
    sinceA.start();
    QTest::qWait(laterMs);
    QElapsedTimer sinceB;
    b.send(QStringLiteral("click Command1"));
    sinceB.start();
    QVERIFY(bothConnected(a, b));
    qInfo("connected %lld ms after the second 接続 (%lld ms after the first)", sinceB.elapsed(), sinceA.elapsed());

    QVERIFY(blackMoveSeen(a, b));
}

namespace {

// miniupnpd's forwarding rules in router a (empty when it holds none).
QString routerForwards() {
    return QString::fromUtf8(netns::run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), runName() + QStringLiteral("-router-a"),
                                                               QStringLiteral("nft"), QStringLiteral("list"), QStringLiteral("chain"), QStringLiteral("inet"),
                                                               QStringLiteral("filter"), QStringLiteral("prerouting_miniupnpd")}));
}

bool pollFor(const std::function<bool()> &done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (done())
            return true;
        QTest::qWait(100);
    }
    return done();
}

}  // namespace

// a's router forwards a's port once a presses 接続; a's panel shows the
// router's address and the mapped port, b types exactly that and connects.
// 接続オフ removes the forwarding, and so does closing the program.
void TestTwoHomesNetns::friendTypesTheMappedAddress() {
    const quint16 port = 47010;
    Folders dir;
    QVERIFY(dir.make());
    HomeDriver a, b;
    QVERIFY(startBoth(dir, a, runName() + QStringLiteral("-home-a"), b, runName() + QStringLiteral("-home-b")));
    a.fillPanel(QStringLiteral("1.2.4.2"), port);  // router b's external address
    QVERIFY(a.poll(QStringLiteral("state"), has(QStringLiteral("auth=0 started=0 ended=0 panel=1"))));
    const auto forwarded = [] { return routerForwards().contains(QStringLiteral("dport %1").arg(port)); };
    QVERIFY(!forwarded());

    // 接続オフ while waiting gives the port back.
    a.send(QStringLiteral("click Command1"));
    QVERIFY(pollFor(forwarded, 5000));
    a.send(QStringLiteral("click Command4"));
    QVERIFY(pollFor([&] { return !forwarded(); }, 5000));

    QElapsedTimer sinceA;
    a.send(QStringLiteral("click Command1"));
    sinceA.start();
    const QString shown = QStringLiteral("get ownaddress 1.2.3.2 ポート %1").arg(port);
    QVERIFY2(a.poll(QStringLiteral("get ownaddress"), has(shown), 5000), qPrintable(a.query(QStringLiteral("get ownaddress"))));
    QCOMPARE(a.query(QStringLiteral("get mapping")), QStringLiteral("get mapping"));  // no notice: the port is open
    qInfo("address shown %lld ms after 接続", sinceA.elapsed());
    QVERIFY(forwarded());

    // b copies what a shows; long after a's own datagrams went out, the forwarding lets b's in.
    QTest::qWait(1500);
    const QStringList words = a.query(QStringLiteral("get ownaddress")).section(QLatin1Char(' '), 2).split(QLatin1Char('|')).first().split(QLatin1Char(' '));
    b.fillPanel(words.value(0), quint16(words.value(2).toUInt()));
    QElapsedTimer sinceB;
    b.send(QStringLiteral("click Command1"));
    sinceB.start();
    QVERIFY(bothConnected(a, b));
    qInfo("connected %lld ms after b's 接続 (%lld ms after a's)", sinceB.elapsed(), sinceA.elapsed());
    QVERIFY(startGame(a, b));
    QVERIFY(b.act(QStringLiteral("click Option1_1"), QStringLiteral("caption Option1_1"), has(QStringLiteral("白"))));
    QVERIFY(b.act(QStringLiteral("press 72"), QStringLiteral("point 72"), is(point(72, 2))));
    QVERIFY(a.poll(QStringLiteral("point 72"), is(point(72, 2))));

    // Closing a's program gives the port back too.
    a.send(QStringLiteral("close"));
    QVERIFY(a.process.waitForFinished(10000));
    QVERIFY(!forwarded());
}

void TestTwoHomesNetns::nameWithBothFamilies_data() {
    QTest::addColumn<bool>("classic");
    QTest::newRow("secure session") << false;
    QTest::newRow("classic protocol") << true;
}

// Both copies type a name that resolves to ::1 and to 127.0.0.1 (the
// namespace's own hosts file, which `ip netns exec` puts in place of /etc/hosts).
void TestTwoHomesNetns::nameWithBothFamilies() {
    QFETCH(bool, classic);
    const QString ns = runName() + QStringLiteral("-names");
    const QString etc = QStringLiteral("/etc/netns/") + ns;
    struct Gone {
        QString ns, etc;
        ~Gone() {
            netns::run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("delete"), ns});
            QDir(etc).removeRecursively();
        }
    } gone{ns, etc};
    QVERIFY(QDir().mkpath(etc));
    QFile hosts(etc + QStringLiteral("/hosts"));
    QVERIFY(hosts.open(QIODevice::WriteOnly));
    hosts.write("::1 friend.moyuta.test\n127.0.0.1 friend.moyuta.test\n");
    hosts.close();
    QVERIFY(!netns::run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("add"), ns}).isNull());
    QVERIFY(!netns::run(QStringLiteral("ip"), {QStringLiteral("-n"), ns, QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")}).isNull());
    const QString families = QString::fromUtf8(netns::run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), ns, QStringLiteral("getent"),
                                                                              QStringLiteral("ahosts"), QStringLiteral("friend.moyuta.test")}));
    QVERIFY2(families.contains(QStringLiteral("::1")) && families.contains(QStringLiteral("127.0.0.1")), qPrintable(families));

    Folders dir;
    QVERIFY(dir.make());
    HomeDriver a, b;
    QVERIFY(startBoth(dir, a, ns, b, ns));
    const quint16 pa = 47020, pb = 47021;
    a.fillPanel(QStringLiteral("friend.moyuta.test"), pb);
    a.send(QStringLiteral("set ownport %1").arg(pa));
    b.fillPanel(QStringLiteral("friend.moyuta.test"), pa);
    b.send(QStringLiteral("set ownport %1").arg(pb));
    QVERIFY(chooseProtocol(a, classic));
    QVERIFY(chooseProtocol(b, classic));
    a.send(QStringLiteral("click Command1"));
    QTest::qWait(1000);
    b.send(QStringLiteral("click Command1"));
    QVERIFY(bothConnected(a, b));
    QVERIFY(blackMoveSeen(a, b));
}

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    return netns::runOrSkip<TestTwoHomesNetns>(argc, argv, runName() + QStringLiteral("-check"));
}

#include "tst_twohomes_netns.moc"
