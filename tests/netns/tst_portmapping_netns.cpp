// The port mapper against a real router: homes and routers in network
// namespaces (tests/netns/homenet.sh), a real miniupnpd in the router, and
// moyuta-portmap-probe (QtPortMapper in an event loop) in the home. Needs
// root for the namespaces; without it the suite is skipped, never passed.
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include "Netns.h"

namespace {

using netns::homenet;
using netns::run;

const QString Prefix = QStringLiteral("moyuta-pm-");
const QString HomeIp = QStringLiteral("192.168.%1.2");

QString runName() { return Prefix + QString::number(getpid()); }
int sideNumber(const QString &side) { return side.at(0).unicode() - 'a' + 1; }
QString externalIp(const QString &side) { return QStringLiteral("1.2.%1.2").arg(sideNumber(side) + 2); }
QString ns(const QString &role, const QString &side) { return runName() + u'-' + role + u'-' + side; }

// The router's forwarding rules as miniupnpd wrote them.
QString routerTable(const QString &side) {
    return QString::fromUtf8(run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), ns(QStringLiteral("router"), side),
                                                        QStringLiteral("nft"), QStringLiteral("list"), QStringLiteral("chain"), QStringLiteral("inet"),
                                                        QStringLiteral("filter"), QStringLiteral("prerouting_miniupnpd")}));
}

bool forwards(const QString &side, int externalPort, int ownPort) {
    const QString rule = QStringLiteral("dport %1 dnat ip to %2:%3").arg(externalPort).arg(HomeIp.arg(sideNumber(side))).arg(ownPort);
    return routerTable(side).contains(rule);
}

// Polls the router's table until the forwarding is gone, at most `ms`.
bool forwardingGone(const QString &side, int externalPort, int ownPort, int ms) {
    QDeadlineTimer deadline(ms);
    while (forwards(side, externalPort, ownPort)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
    return true;
}

// upnpc in the home, told where the router's description is (no discovery wait).
QString upnpc(const QString &side, const QStringList &args) {
    const QString url = QStringLiteral("http://192.168.%1.1:5000/rootDesc.xml").arg(sideNumber(side));
    return QString::fromUtf8(run(QStringLiteral("ip"), QStringList{QStringLiteral("netns"), QStringLiteral("exec"), ns(QStringLiteral("home"), side),
                                                                   QStringLiteral("upnpc"), QStringLiteral("-u"), url} + args));
}

// moyuta-portmap-probe in a home: its first line is the mapping's result.
class Probe {
public:
    Probe(const QString &side, int ownPort, int timeoutMs, int leaseSeconds = 3600) {
        process_.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), ns(QStringLiteral("home"), side),
                                              QStringLiteral(MOYUTA_PORTMAP_PROBE), QStringLiteral("--own-port"), QString::number(ownPort),
                                              QStringLiteral("--timeout-ms"), QString::number(timeoutMs),
                                              QStringLiteral("--lease-s"), QString::number(leaseSeconds)});
        timer_.start();
    }
    ~Probe() {
        if (process_.state() != QProcess::NotRunning)
            process_.kill(), process_.waitForFinished(2000);
    }
    QJsonObject line(int ms) {
        QDeadlineTimer deadline(ms);
        while (!process_.canReadLine() && !deadline.hasExpired() && process_.state() != QProcess::NotRunning)
            process_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        lineAtMs_ = timer_.elapsed();
        return QJsonDocument::fromJson(process_.readLine()).object();
    }
    void send(const QByteArray &command) {
        process_.write(command + '\n');
        process_.waitForBytesWritten(2000);
    }
    bool finished(int ms) { return process_.waitForFinished(ms) && process_.exitCode() == 0; }
    qint64 lineAtMs() const { return lineAtMs_; }

private:
    QProcess process_;
    QElapsedTimer timer_;
    qint64 lineAtMs_ = 0;
};

}  // namespace

class TestPortMappingNetns : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void upnpMapsAndRemoves_data();
    void upnpMapsAndRemoves();
    void natPmpWhenNoIgd_data();
    void natPmpWhenNoIgd();
    void leaseIsRenewed();
    void refusedIsUnmapped();
    void noRouterAnswersInTime_data();
    void noRouterAnswersInTime();
};

// Side a: miniupnpd with UPnP and NAT-PMP; b: NAT-PMP only; c: a router
// without miniupnpd (refuses); d: one that drops SSDP and NAT-PMP unanswered;
// e: one that answers SSDP as an IGD and then never answers over HTTP.
void TestPortMappingNetns::initTestCase() {
    QString error;
    QVERIFY2(!run(homenet(), {QStringLiteral("clean"), Prefix}, 30000, &error).isNull(), qPrintable(error));
    const std::pair<const char *, const char *> homes[] = {{"a", "upnp"}, {"b", "natpmp"}, {"c", "none"}, {"d", "silent"}, {"e", "stall"}};
    for (const auto &[side, mode] : homes)
        QVERIFY2(!run(homenet(), {QStringLiteral("up"), runName(), QLatin1String(side), QLatin1String(mode)}, 20000, &error).isNull(),
                 qPrintable(error));
}

void TestPortMappingNetns::cleanupTestCase() { run(homenet(), {QStringLiteral("down"), runName()}, 30000); }

void TestPortMappingNetns::upnpMapsAndRemoves_data() {
    QTest::addColumn<int>("ownPort");
    QTest::addColumn<bool>("taken");      // another computer holds the own port at the router
    QTest::addColumn<QByteArray>("end");  // "unmap" (background) or "quit" (blocking, at shut-down)
    QTest::newRow("unmap in the background") << 41000 << false << QByteArray("unmap");
    QTest::newRow("removed before shut-down ends") << 41010 << false << QByteArray("quit");
    QTest::newRow("own port taken: the next one") << 41020 << true << QByteArray("unmap");
}

void TestPortMappingNetns::upnpMapsAndRemoves() {
    QFETCH(int, ownPort);
    QFETCH(bool, taken);
    QFETCH(QByteArray, end);
    if (taken)
        QVERIFY(upnpc(QStringLiteral("a"), {QStringLiteral("-e"), QStringLiteral("other"), QStringLiteral("-a"), QStringLiteral("192.168.1.3"),
                                            QString::number(ownPort), QString::number(ownPort), QStringLiteral("UDP")})
                    .contains(QStringLiteral("is redirected")));
    const int expectedPort = taken ? ownPort + 1 : ownPort;

    Probe probe(QStringLiteral("a"), ownPort, 3000);
    const QJsonObject result = probe.line(5000);
    QCOMPARE(result.value(QStringLiteral("mapped")).toBool(), true);
    QCOMPARE(result.value(QStringLiteral("method")).toString(), QStringLiteral("UPnP"));
    QCOMPARE(result.value(QStringLiteral("externalIPv4")).toString(), externalIp(QStringLiteral("a")));
    QCOMPARE(result.value(QStringLiteral("externalPort")).toInt(), expectedPort);
    QVERIFY2(forwards(QStringLiteral("a"), expectedPort, ownPort), qPrintable(routerTable(QStringLiteral("a"))));
    const QString listed = upnpc(QStringLiteral("a"), {QStringLiteral("-l")});
    QVERIFY2(listed.contains(QStringLiteral("UDP %1->192.168.1.2:%2 'Moyuta'").arg(expectedPort).arg(ownPort)), qPrintable(listed));

    probe.send(end);
    if (end == "quit") {
        // unmapBlocking has waited for the router: gone before the probe exits.
        QVERIFY(probe.finished(5000));
        QVERIFY2(!forwards(QStringLiteral("a"), expectedPort, ownPort), qPrintable(routerTable(QStringLiteral("a"))));
    } else {
        QVERIFY2(forwardingGone(QStringLiteral("a"), expectedPort, ownPort, 3000), qPrintable(routerTable(QStringLiteral("a"))));
    }
    if (taken)  // the other computer's entry is left alone
        QVERIFY(forwards(QStringLiteral("a"), ownPort, ownPort) || routerTable(QStringLiteral("a")).contains(QStringLiteral("192.168.1.3:%1").arg(ownPort)));
}

void TestPortMappingNetns::natPmpWhenNoIgd_data() {
    QTest::addColumn<int>("ownPort");
    QTest::addColumn<QByteArray>("end");
    QTest::addColumn<bool>("ownRefused");  // the router picks another external port
    QTest::newRow("unmap in the background") << 42000 << QByteArray("unmap") << false;
    QTest::newRow("removed before shut-down ends") << 42010 << QByteArray("quit") << false;
    QTest::newRow("own port refused: the router's choice") << 45000 << QByteArray("unmap") << true;
}

void TestPortMappingNetns::natPmpWhenNoIgd() {
    QFETCH(int, ownPort);
    QFETCH(QByteArray, end);
    QFETCH(bool, ownRefused);
    Probe probe(QStringLiteral("b"), ownPort, 3000);
    const QJsonObject result = probe.line(5000);
    QCOMPARE(result.value(QStringLiteral("mapped")).toBool(), true);
    QCOMPARE(result.value(QStringLiteral("method")).toString(), QStringLiteral("NAT-PMP"));
    QCOMPARE(result.value(QStringLiteral("externalIPv4")).toString(), externalIp(QStringLiteral("b")));
    const int externalPort = result.value(QStringLiteral("externalPort")).toInt();
    QCOMPARE(externalPort != ownPort, ownRefused);
    QVERIFY2(forwards(QStringLiteral("b"), externalPort, ownPort), qPrintable(routerTable(QStringLiteral("b"))));

    probe.send(end);
    if (end == "quit") {
        QVERIFY(probe.finished(5000));
        QVERIFY2(!forwards(QStringLiteral("b"), externalPort, ownPort), qPrintable(routerTable(QStringLiteral("b"))));
    } else {
        QVERIFY2(forwardingGone(QStringLiteral("b"), externalPort, ownPort, 3000), qPrintable(routerTable(QStringLiteral("b"))));
    }
}

// miniupnpd drops a lease when it runs out; the mapper renews at half the lease.
void TestPortMappingNetns::leaseIsRenewed() {
    const int ownPort = 43000, leaseSeconds = 2;
    Probe probe(QStringLiteral("a"), ownPort, 3000, leaseSeconds);
    QCOMPARE(probe.line(5000).value(QStringLiteral("mapped")).toBool(), true);
    QVERIFY(forwards(QStringLiteral("a"), ownPort, ownPort));
    QThread::sleep(2 * leaseSeconds + 1);
    QVERIFY2(forwards(QStringLiteral("a"), ownPort, ownPort), qPrintable(routerTable(QStringLiteral("a"))));
    probe.send("quit");
    QVERIFY(probe.finished(5000));
}

// miniupnpd refuses UPnP mappings of external ports 45000-45099: an answer,
// not a silence, and the external address is still known.
void TestPortMappingNetns::refusedIsUnmapped() {
    const QString side = QStringLiteral("a");
    const int ownPort = 45000;
    Probe probe(side, ownPort, 3000);
    const QJsonObject result = probe.line(5000);
    QCOMPARE(result.value(QStringLiteral("mapped")).toBool(), false);
    QCOMPARE(result.value(QStringLiteral("externalIPv4")).toString(), externalIp(side));
    QCOMPARE(result.value(QStringLiteral("externalPort")).toInt(), 0);
    QVERIFY2(!routerTable(side).contains(QStringLiteral("192.168.%1.2:%2").arg(sideNumber(side)).arg(ownPort)), qPrintable(routerTable(side)));
    probe.send("quit");
    QVERIFY(probe.finished(5000));
}

void TestPortMappingNetns::noRouterAnswersInTime_data() {
    QTest::addColumn<QString>("side");
    QTest::addColumn<int>("timeoutMs");
    // false: miniupnpc's call still waits for the stalled router (its own
    // timeout, seconds), and the probe is killed instead of waiting for it.
    QTest::addColumn<bool>("quitsPromptly");
    QTest::newRow("router without miniupnpd") << QStringLiteral("c") << 1500 << true;
    QTest::newRow("router that drops the questions") << QStringLiteral("d") << 1500 << true;
    QTest::newRow("short timeout, router that drops") << QStringLiteral("d") << 400 << true;
    QTest::newRow("IGD that never answers its HTTP") << QStringLiteral("e") << 2000 << false;
}

void TestPortMappingNetns::noRouterAnswersInTime() {
    QFETCH(QString, side);
    QFETCH(int, timeoutMs);
    QFETCH(bool, quitsPromptly);
    constexpr int MarginMs = 300;
    Probe probe(side, 44000, timeoutMs);
    const QJsonObject result = probe.line(timeoutMs + 5000);
    QVERIFY(!result.isEmpty());
    QCOMPARE(result.value(QStringLiteral("mapped")).toBool(), false);
    QCOMPARE(result.value(QStringLiteral("externalIPv4")).toString(), QString());
    QVERIFY2(result.value(QStringLiteral("elapsedMs")).toInt() <= timeoutMs + MarginMs,
             qPrintable(QString::number(result.value(QStringLiteral("elapsedMs")).toInt())));
    if (quitsPromptly) {
        probe.send("quit");
        QVERIFY(probe.finished(timeoutMs + 2000));
    }
}

// Namespaces need root (CAP_SYS_ADMIN): without it the suite reports itself skipped.
int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    return netns::runOrSkip<TestPortMappingNetns>(argc, argv, runName() + QStringLiteral("-check"));
}

#include "tst_portmapping_netns.moc"
