// The router's port mapping over a connect attempt: asked for when 接続 is
// pressed, the socket opened once the router answers or the wait runs out,
// removed whenever the socket closes and at shut-down.
#include "FakeSecure.h"
#include "Mapping.h"
#include "MemoryWire.h"
#include "PeerHost.h"
#include "SecurePlay.h"
#include "Shell.h"

#include <QtTest>

using namespace moyuta;
using network::SecureChannelPort;

class TestPortMapping : public QObject {
    Q_OBJECT
private slots:
    void routerOnlyForPeersOutside_data();
    void routerOnlyForPeersOutside();
    void socketWaitsForRouter_data();
    void socketWaitsForRouter();
    void handshakeAfterBothRouters();
    void disconnectDuringWait_data();
    void disconnectDuringWait();
    void lateAnswerOpensNothingMore();
    void unmapWhenSocketCloses_data();
    void unmapWhenSocketCloses();
    void unmapAtShutDown_data();
    void unmapAtShutDown();
    void secureSessionWaitsForRouter_data();
    void secureSessionWaitsForRouter();
};

namespace {

const QString kMapCall = QStringLiteral("map 2001 3000");

// A side whose socket is open and whose first handshake message went out.
bool connectSent(test::MemoryWire &w)
{
    return w.a.end.bound && w.a.s.session.waitingForPeer && w.sentBy('a') == 1;
}

// The panel as in the wait for the peer: only 接続オフ usable.
bool panelLocked(const Form &f)
{
    return !f.Command1.enabled && !f.Command2.enabled && f.Command4.enabled && !f.txtOwnPort.enabled
        && !f.txtPassword.enabled;
}

bool panelIdle(const Form &f)
{
    return f.Command1.enabled && f.Command2.enabled && !f.Command4.enabled && f.txtOwnPort.enabled;
}

}  // namespace

// A friend on this computer or in the same home is reached without the
// router: the connect action goes on at once, as it always did.
void TestPortMapping::routerOnlyForPeersOutside_data()
{
    QTest::addColumn<QString>("peer");
    QTest::addColumn<bool>("asks");
    QTest::newRow("IPv4 loopback") << QStringLiteral("127.0.0.1") << false;
    QTest::newRow("127/8") << QStringLiteral("127.1.2.3") << false;
    QTest::newRow("10/8") << QStringLiteral("10.0.0.9") << false;
    QTest::newRow("172.16/12 low") << QStringLiteral("172.16.0.1") << false;
    QTest::newRow("172.16/12 high") << QStringLiteral("172.31.255.254") << false;
    QTest::newRow("172.32 is outside") << QStringLiteral("172.32.0.1") << true;
    QTest::newRow("192.168/16") << QStringLiteral(" 192.168.1.20 ") << false;
    QTest::newRow("169.254/16") << QStringLiteral("169.254.3.4") << false;
    QTest::newRow("IPv6 loopback in brackets") << QStringLiteral("[::1]") << false;
    QTest::newRow("IPv6 link-local") << QStringLiteral("fe80::1") << false;
    QTest::newRow("IPv6 unique local") << QStringLiteral("fd12:3456::1") << false;
    QTest::newRow("IPv4-mapped private") << QStringLiteral("::ffff:192.168.0.5") << false;
    QTest::newRow("localhost") << QStringLiteral("LocalHost") << false;
    QTest::newRow("public IPv4") << QStringLiteral("1.2.3.4") << true;
    QTest::newRow("IPv4-mapped public") << QStringLiteral("::ffff:1.2.3.4") << true;
    QTest::newRow("global IPv6") << QStringLiteral("[2001:db8::1]") << true;
    QTest::newRow("a name") << QStringLiteral("friend.example.jp") << true;
}

void TestPortMapping::routerOnlyForPeersOutside()
{
    QFETCH(QString, peer);
    QFETCH(bool, asks);
    QCOMPARE(network::peerInsideHome(peer), !asks);
    test::MemoryWire w(true);
    w.a.s.form.txtPeerAddress.text = peer;
    network::onConnect(w.a.s);
    QCOMPARE(w.a.mapper.calls, asks ? QStringList{kMapCall} : QStringList{});
    QCOMPARE(w.a.end.bound, !asks);
    QVERIFY(panelLocked(w.a.s.form));
}

// 接続 asks the router for the own port, waits for its answer (or for the
// end of the wait) and only then opens the socket; whatever the router says,
// the connection is tried and no box is shown.
void TestPortMapping::socketWaitsForRouter_data()
{
    QTest::addColumn<QString>("how");  // "mapped", "refused", "no router found", "wait over", "at once"
    QTest::addColumn<bool>("router");
    for (const char *how : {"mapped", "refused", "no router found", "wait over", "at once"})
        QTest::newRow(how) << QString::fromLatin1(how) << true;
    QTest::newRow("no mapper") << QStringLiteral("none") << false;
}

void TestPortMapping::socketWaitsForRouter()
{
    QFETCH(QString, how);
    QFETCH(bool, router);
    test::MemoryWire w(router);
    test::Peer &a = w.a;
    if (how == QLatin1String("at once"))
        a.mapper.answerAtOnce = test::mappedAt(QStringLiteral("203.0.113.5"), 40001);
    network::onConnect(a.s);
    if (router && how != QLatin1String("at once")) {
        QCOMPARE(a.mapper.calls, QStringList{kMapCall});
        QCOMPARE(a.mappingTimer.wakeIn_, std::optional<qint64>(network::kMappingWaitMs));
        QVERIFY(!a.end.bound);
        QCOMPARE(w.sentBy('a'), 0);
        QVERIFY(panelLocked(a.s.form));
        if (how == QLatin1String("mapped"))
            a.mapper.answer(test::mappedAt(QStringLiteral("203.0.113.5"), 40001));
        else if (how == QLatin1String("refused"))
            a.mapper.answer(test::refusedBy(QStringLiteral("203.0.113.5")));
        else if (how == QLatin1String("no router found"))
            a.mapper.answer({});
        else
            a.mappingTimer.fire();
    }
    QVERIFY(connectSent(w));
    QVERIFY(panelLocked(a.s.form));
    QVERIFY(!a.mappingTimer.wakeIn_);  // the wait is over either way
    QCOMPARE(a.dialogs.boxes(), 0);
    QCOMPARE(a.mapper.calls, router ? QStringList{kMapCall} : QStringList{});
    QCOMPARE(a.s.session.mapping.mapped, how == QLatin1String("mapped") || how == QLatin1String("at once"));
}

// Both sides wait for their routers; the handshake runs once both sockets are open.
void TestPortMapping::handshakeAfterBothRouters()
{
    test::MemoryWire w(true);
    network::onConnect(w.a.s);
    network::onConnect(w.b.s);
    w.deliver();
    QCOMPARE(w.sent.size(), 0);
    w.a.mapper.answer(test::mappedAt(QStringLiteral("203.0.113.5"), 2001));
    w.deliver();  // b's socket is not open yet: a's first message is lost
    QVERIFY(!w.a.s.session.authenticated);
    w.b.mappingTimer.fire();
    w.deliver();
    QVERIFY(w.a.s.session.authenticated);
    QVERIFY(w.b.s.session.authenticated);
}

// 接続オフ during the wait ends the attempt: the mapping is removed, and
// neither the router's answer nor the end of the wait opens the socket.
void TestPortMapping::disconnectDuringWait_data()
{
    QTest::addColumn<QString>("after");
    QTest::newRow("answer after 接続オフ") << "answer";
    QTest::newRow("wait over after 接続オフ") << "wait";
}

void TestPortMapping::disconnectDuringWait()
{
    QFETCH(QString, after);
    test::MemoryWire w(true);
    test::Peer &a = w.a;
    a.addresses.addresses = {QStringLiteral("2001:db8::5")};
    network::onConnect(a.s);
    a.dialogs.answers = {Answer::Yes};
    network::onDisconnect(a.s);
    QCOMPARE(a.mapper.calls, (QStringList{kMapCall, QStringLiteral("unmap")}));
    QVERIFY(panelIdle(a.s.form));
    const QString shown = a.s.form.txtOwnAddress.text;
    if (after == QLatin1String("answer"))
        a.mapper.answer(test::mappedAt(QStringLiteral("203.0.113.5"), 2001));
    else
        a.mappingTimer.fire();
    QVERIFY(!a.end.bound);
    QCOMPARE(w.sentBy('a'), 0);
    QVERIFY(panelIdle(a.s.form));
    QCOMPARE(a.s.form.txtOwnAddress.text, shown);
    QVERIFY(!a.s.session.mapping.mapped);
    QCOMPARE(a.mapper.calls.size(), 2);

    // A second 接続 asks again and waits again.
    network::onConnect(a.s);
    QCOMPARE(a.mapper.calls.last(), kMapCall);
    QVERIFY(!a.end.bound);
    a.mapper.answer(test::mappedAt(QStringLiteral("203.0.113.5"), 2001));
    QVERIFY(connectSent(w));
}

// The wait ran out and the socket opened: the router's late answer is shown,
// but the socket is not opened a second time.
void TestPortMapping::lateAnswerOpensNothingMore()
{
    test::MemoryWire w(true);
    test::Peer &a = w.a;
    network::onConnect(a.s);
    a.mappingTimer.fire();
    QVERIFY(connectSent(w));
    QVERIFY(!a.s.form.txtOwnAddress.text.contains(QStringLiteral("203.0.113.5")));
    a.mapper.answer(test::mappedAt(QStringLiteral("203.0.113.5"), 40001));
    QCOMPARE(w.sentBy('a'), 1);
    QVERIFY(a.s.session.mapping.mapped);
    QVERIFY(a.s.form.txtOwnAddress.text.contains(QStringLiteral("203.0.113.5")));
    QVERIFY(!a.s.form.lblMapping.visible);
    // A second answer to the same request changes nothing.
    a.mapper.answer(test::refusedBy(QStringLiteral("198.51.100.1")));
    QVERIFY(a.s.session.mapping.mapped);
    QCOMPARE(w.sentBy('a'), 1);
}

// Whichever way the socket closes, the router forwards the port no longer.
void TestPortMapping::unmapWhenSocketCloses_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("接続オフ while waiting for the peer") << "disconnect waiting";
    QTest::newRow("接続オフ in the game") << "disconnect connected";
    QTest::newRow("the peer quits") << "peer quits";
    QTest::newRow("leaving at quit") << "leave";
    QTest::newRow("the own port cannot be bound") << "bind fails";
}

void TestPortMapping::unmapWhenSocketCloses()
{
    QFETCH(QString, how);
    test::MemoryWire w(true);
    test::Peer &a = w.a;
    if (how == QLatin1String("bind fails"))
        a.end.setup = TransportPort::Setup::BindFailed;
    network::onConnect(a.s);
    a.mapper.answer(test::mappedAt(QStringLiteral("203.0.113.5"), 2001));
    if (how.endsWith(QLatin1String("connected")) || how == QLatin1String("peer quits") || how == QLatin1String("leave")) {
        network::onConnect(w.b.s);
        w.b.mapper.answer({});
        w.deliver();
        QVERIFY(a.s.session.authenticated);
    }
    QCOMPARE(a.mapper.calls, how == QLatin1String("bind fails") ? (QStringList{kMapCall, QStringLiteral("unmap")})
                                                                 : QStringList{kMapCall});
    if (how.startsWith(QLatin1String("disconnect"))) {
        a.dialogs.answers = {Answer::Yes};
        network::onDisconnect(a.s);
    } else if (how == QLatin1String("peer quits")) {
        w.b.s.shell.quitting = true;
        network::leaveSession(w.b.s);
        w.deliver();
    } else if (how == QLatin1String("leave")) {
        network::leaveSession(a.s);
    }
    QVERIFY(!a.end.bound);
    QCOMPARE(a.mapper.calls, (QStringList{kMapCall, QStringLiteral("unmap")}));
    QVERIFY(!a.s.session.mapping.mapped);
    QVERIFY(!a.s.form.txtOwnAddress.text.contains(QStringLiteral("203.0.113.5")));
}

// Shut-down removes any mapping this run made and waits a second for the
// router at most; a run that never asked the router does not call it.
void TestPortMapping::unmapAtShutDown_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QStringList>("calls");
    const QString blocking = QStringLiteral("unmapBlocking %1").arg(network::kUnmapAtExitMs);
    QTest::newRow("never connected") << "idle" << QStringList{};
    QTest::newRow("waiting for the router") << "router" << QStringList{kMapCall, blocking};
    QTest::newRow("waiting for the peer") << "peer" << QStringList{kMapCall, blocking};
    QTest::newRow("after 接続オフ") << "off" << QStringList{kMapCall, QStringLiteral("unmap"), blocking};
}

void TestPortMapping::unmapAtShutDown()
{
    QFETCH(QString, state);
    QFETCH(QStringList, calls);
    test::MemoryWire w(true);
    test::Peer &a = w.a;
    if (state != QLatin1String("idle"))
        network::onConnect(a.s);
    if (state == QLatin1String("peer") || state == QLatin1String("off"))
        a.mapper.answer(test::mappedAt(QStringLiteral("203.0.113.5"), 2001));
    if (state == QLatin1String("off")) {
        a.dialogs.answers = {Answer::Yes};
        network::onDisconnect(a.s);
    }
    QVERIFY(network::kUnmapAtExitMs <= 1000);
    const qsizetype sentBefore = w.sentBy('a');
    shell::shutDown(a.s);
    QCOMPARE(a.mapper.calls, calls);
    // Nothing of the attempt runs after shut-down.
    a.mapper.answer(test::mappedAt(QStringLiteral("203.0.113.5"), 2001));
    a.mappingTimer.fire();
    QCOMPARE(w.sentBy('a'), sentBefore);
    QVERIFY(!a.end.bound || state == QLatin1String("peer"));
}

// The secure session's channel opens only after the router's answer, too;
// the mapping goes when the attempt ends.
void TestPortMapping::secureSessionWaitsForRouter_data()
{
    QTest::addColumn<bool>("bindFails");
    QTest::newRow("接続オフ") << false;
    QTest::newRow("the own port cannot be bound") << true;
}

void TestPortMapping::secureSessionWaitsForRouter()
{
    QFETCH(bool, bindFails);
    test::SecureWorld world;
    if (bindFails)
        world.channel[0].failOpen = SecureChannelPort::Failure::BindFailed;
    test::Peer a(QStringLiteral("2002"), QStringLiteral("2001"), true);
    network::attachSecure(a.s, world.channel[0], world.keys[0], world.timer[0], {});
    network::onConnect(a.s);
    QCOMPARE(a.mapper.calls, QStringList{kMapCall});
    QVERIFY(!a.s.session.secureActive);
    QVERIFY(!world.channel[0].isOpen());
    QVERIFY(panelLocked(a.s.form));
    a.mapper.answer(test::mappedAt(QStringLiteral("203.0.113.5"), 2001));
    world.run(100);
    if (bindFails) {
        QVERIFY(panelIdle(a.s.form));
    } else {
        QVERIFY(a.s.session.secureActive);
        QVERIFY(world.channel[0].isOpen());
        QVERIFY(panelLocked(a.s.form));
        a.dialogs.answers = {Answer::Yes};
        network::onDisconnect(a.s);
    }
    QCOMPARE(a.mapper.calls, (QStringList{kMapCall, QStringLiteral("unmap")}));
    QVERIFY(!a.s.session.secureActive);
}

QTEST_GUILESS_MAIN(TestPortMapping)
#include "tst_portmapping.moc"
