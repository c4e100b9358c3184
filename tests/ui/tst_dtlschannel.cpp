// The secure channel on 127.0.0.1 and ::1: two QtDtlsChannels talk through a small
// relay that can capture, replay, alter and inject datagrams.
#include "QtDtlsChannel.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include <functional>

using namespace moyuta;
using ui::QtDtlsChannel;
using Failure = network::SecureChannelPort::Failure;

Q_DECLARE_METATYPE(Failure)

namespace {

constexpr int kWaitMs = 8000;      // any step that should happen, bounded
constexpr int kQuietMs = 400;      // how long "nothing happens" is watched
const QByteArray kKey = QByteArray(32, 'k');

// A port nobody uses now: bound to 0, read back, released.
quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::Any, 0);  // free on both families: the sockets under test take both
    return probe.localPort();
}

// Runs the event loop until done() or ms have passed. QTest::qWaitFor sleeps
// 10 ms between looks, which would add that to every hop of the handshake.
bool waitUntil(const std::function<bool()> &done, int ms)
{
    QEventLoop loop;
    QTimer look;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done() || clock.hasExpired(ms))
            loop.quit();
    });
    look.start(1);
    if (!done())
        loop.exec();
    return done();
}

// One end of the session and what it has reported.
struct Side {
    QtDtlsChannel channel;
    quint16 port = freePort();
    bool opened = false;
    bool established = false;
    QList<Failure> failures;
    QList<QByteArray> messages;
    QList<QByteArray> plains;

    Side()
    {
        channel.onOpened = [this] { opened = true; };
        channel.onEstablished = [this] { established = true; };
        channel.onFailed = [this](Failure f) { failures << f; };
        channel.onMessage = [this](const QByteArray &m) { messages << m; };
        channel.onPlain = [this](const QByteArray &d) { plains << d; };
    }
    bool open(quint16 peerPort, const QString &peerHost = QStringLiteral("127.0.0.1"))
    {
        opened = false;
        channel.open(peerHost, peerPort, port);
        return waitUntil([this] { return opened; }, kWaitMs) && channel.isOpen();
    }
    void forget()
    {
        established = false;
        failures.clear();
        messages.clear();
        plains.clear();
    }
};

// Forwards between the client's and the server's ports; both see only the relay.
class Relay : public QObject {
public:
    QUdpSocket socket;
    const QHostAddress at;  // the relay's address, and where it sends to
    quint16 clientPort = 0, serverPort = 0;
    bool capturing = true;
    QList<QPair<quint16, QByteArray>> captured;  // (destination port, datagram)
    std::function<void(QByteArray &)> alterNextToServer;
    int lossPercent = 0;  // datagrams dropped both ways, drawn from a seeded generator
    QRandomGenerator loss{7};
    std::function<bool(quint16 to, const QByteArray &)> dropIf;

    explicit Relay(const QHostAddress &address = QHostAddress(QHostAddress::LocalHost)) : at(address)
    {
        socket.bind(at, 0);
        connect(&socket, &QUdpSocket::readyRead, this, &Relay::forward);
    }
    quint16 port() const { return socket.localPort(); }
    void send(quint16 to, const QByteArray &d) { socket.writeDatagram(d, at, to); }
    void replay()
    {
        for (const auto &[to, d] : std::as_const(captured))
            send(to, d);
    }

private:
    void forward()
    {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram d = socket.receiveDatagram();
            const quint16 from = quint16(d.senderPort());
            const quint16 to = from == clientPort ? serverPort : from == serverPort ? clientPort : 0;
            if (!d.isValid() || to == 0)
                continue;
            QByteArray data = d.data();
            if ((lossPercent > 0 && int(loss.bounded(100)) < lossPercent) || (dropIf && dropIf(to, data)))
                continue;
            if (capturing)
                captured.append({to, data});
            if (to == serverPort && alterNextToServer) {
                alterNextToServer(data);
                alterNextToServer = nullptr;
            }
            send(to, data);
        }
    }
};

struct Pair {
    Side client, server;
    Relay relay;

    explicit Pair(const QHostAddress &relayAt = QHostAddress(QHostAddress::LocalHost)) : relay(relayAt)
    {
        relay.clientPort = client.port;
        relay.serverPort = server.port;
    }
    // Both sides are given the relay's address as typed.
    bool open(const QString &relayHost = QStringLiteral("127.0.0.1"))
    {
        return client.open(relay.port(), relayHost) && server.open(relay.port(), relayHost);
    }
    void handshake(const QByteArray &clientKey, const QByteArray &serverKey, int deadlineMs)
    {
        server.channel.handshake(serverKey, true, deadlineMs);
        client.channel.handshake(clientKey, false, deadlineMs);
    }
    bool handshakeDone()
    {
        return waitUntil([this] { return client.established && server.established; }, kWaitMs);
    }
    bool establish()
    {
        if (!client.channel.isOpen() && !open())
            return false;
        handshake(kKey, kKey, kWaitMs);
        return handshakeDone();
    }
    // One message each way arrives, and nothing else has been reported.
    bool stillWorks(const QByteArray &tag)
    {
        const qsizetype c = client.messages.size(), s = server.messages.size();
        client.channel.send("to server " + tag);
        server.channel.send("to client " + tag);
        const bool arrived = waitUntil([&] { return client.messages.size() > c && server.messages.size() > s; },
                                             kWaitMs);
        return arrived && client.messages.last() == "to client " + tag && server.messages.last() == "to server " + tag
            && client.failures.isEmpty() && server.failures.isEmpty() && client.channel.isEstablished()
            && server.channel.isEstablished();
    }
};

}  // namespace

class TestDtlsChannel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void handshake_data();
    void handshake();
    void replayHasNoEffect_data();
    void replayHasNoEffect();
    void alteredDatagramHasNoEffect_data();
    void alteredDatagramHasNoEffect();
    void junkDoesNotBreakSession_data();
    void junkDoesNotBreakSession();
    void strangerIsNotHeard();
    void addressFamilies_data();
    void addressFamilies();
    void handshakeUnderLoss();
    void lastFlightLost_data();
    void lastFlightLost();
    void plainReachesPeer_data();
    void plainReachesPeer();
    void firstByteSortsDatagrams_data();
    void firstByteSortsDatagrams();
    void secondHandshake_data();
    void secondHandshake();
    void closeReachesPeer();
    void setupFailures_data();
    void setupFailures();
};

void TestDtlsChannel::initTestCase()
{
    QVERIFY2(QtDtlsChannel::backendAvailable(), "Qt's TLS backend lacks DTLS or the PSK cipher suite");
}

void TestDtlsChannel::handshake_data()
{
    QTest::addColumn<QByteArray>("clientKey");
    QTest::addColumn<QByteArray>("serverKey");
    QTest::addColumn<int>("serverDelayMs");
    QTest::addColumn<bool>("succeeds");
    QTest::newRow("right key") << kKey << kKey << 0 << true;
    // The client's first flight is lost: the handshake resends it.
    QTest::newRow("server starts late") << kKey << kKey << 300 << true;
    QTest::newRow("wrong key") << kKey << QByteArray(32, 'x') << 0 << false;
    QTest::newRow("one bit off") << kKey << QByteArray(31, 'k') + 'j' << 0 << false;
}

void TestDtlsChannel::handshake()
{
    QFETCH(QByteArray, clientKey);
    QFETCH(QByteArray, serverKey);
    QFETCH(int, serverDelayMs);
    QFETCH(bool, succeeds);
    const int deadlineMs = succeeds ? kWaitMs : 1500;
    Pair p;
    QVERIFY(p.open());
    QElapsedTimer clock;
    clock.start();
    if (serverDelayMs == 0) {
        p.handshake(clientKey, serverKey, deadlineMs);
    } else {
        p.client.channel.handshake(clientKey, false, deadlineMs);
        QTest::qWait(serverDelayMs);
        p.server.channel.handshake(serverKey, true, deadlineMs);
    }
    if (succeeds) {
        QVERIFY(p.handshakeDone());
        qInfo("handshake took %lld ms", clock.elapsed());
        for (const Side *side : {&p.client, &p.server}) {
            QCOMPARE(side->channel.sessionCipher().name(), QString(QtDtlsChannel::kCipherSuite));
            QCOMPARE(side->channel.sessionProtocol(), QSsl::DtlsV1_2);
        }
        QVERIFY(p.stillWorks("1"));
        QVERIFY(p.stillWorks("2"));
        return;
    }
    QVERIFY(waitUntil([&] { return !p.client.failures.isEmpty() && !p.server.failures.isEmpty(); },
                            deadlineMs + 3000));
    QCOMPARE(p.client.failures, QList<Failure>{Failure::HandshakeTimedOut});
    QCOMPARE(p.server.failures, QList<Failure>{Failure::HandshakeTimedOut});
    QVERIFY(!p.client.established && !p.server.established);
    QVERIFY(!p.client.channel.send("late"));
    QVERIFY(p.client.channel.sessionCipher().isNull());
    QCOMPARE(p.client.channel.sessionProtocol(), QSsl::UnknownProtocol);
    // The sockets stay open: the right key then gets through on them.
    QVERIFY(p.client.channel.isOpen() && p.server.channel.isOpen());
    p.client.forget();
    p.server.forget();
    QVERIFY(p.establish());
    QVERIFY(p.stillWorks("after the wrong key"));
}

void TestDtlsChannel::replayHasNoEffect_data()
{
    QTest::addColumn<bool>("laterSession");
    QTest::newRow("in the same session") << false;
    QTest::newRow("in a later session") << true;
}

void TestDtlsChannel::replayHasNoEffect()
{
    QFETCH(bool, laterSession);
    Pair p;
    QVERIFY(p.establish());
    QVERIFY(p.stillWorks("a"));
    QVERIFY(p.stillWorks("b"));
    if (laterSession) {
        p.client.channel.endSession();
        QVERIFY(waitUntil([&] { return !p.server.failures.isEmpty(); }, kWaitMs));
        p.client.forget();
        p.server.forget();
        p.relay.capturing = false;
        QVERIFY(p.establish());  // same key, same sockets
    }
    p.relay.capturing = false;
    const qsizetype c = p.client.messages.size(), s = p.server.messages.size();
    QVERIFY(p.relay.captured.size() >= 6);  // the handshake and four messages
    p.relay.replay();
    QTest::qWait(kQuietMs);
    QCOMPARE(p.client.messages.size(), c);
    QCOMPARE(p.server.messages.size(), s);
    QVERIFY(p.stillWorks("c"));
}

void TestDtlsChannel::alteredDatagramHasNoEffect_data()
{
    QTest::addColumn<int>("offset");  // negative: from the end
    // A DTLS 1.2 record: type, version (2), epoch (2), sequence (6), length (2), then
    // the ChaCha20 ciphertext and its 16-byte tag.
    QTest::newRow("content type") << 0;
    QTest::newRow("epoch") << 4;
    QTest::newRow("sequence") << 9;
    QTest::newRow("length") << 12;
    QTest::newRow("ciphertext") << 14;
    QTest::newRow("tag") << -1;
}

void TestDtlsChannel::alteredDatagramHasNoEffect()
{
    QFETCH(int, offset);
    Pair p;
    QVERIFY(p.establish());
    p.relay.alterNextToServer = [offset](QByteArray &d) {
        const qsizetype i = offset < 0 ? d.size() + offset : offset;
        d[i] = char(d[i] ^ 0x01);
    };
    p.client.channel.send("altered");
    QTest::qWait(kQuietMs);
    QVERIFY(!p.relay.alterNextToServer);  // it went through the relay
    QVERIFY(p.server.messages.isEmpty());
    QVERIFY(p.stillWorks("after"));
    QCOMPARE(p.server.messages, QList<QByteArray>{"to server after"});
}

void TestDtlsChannel::junkDoesNotBreakSession_data()
{
    QTest::addColumn<bool>("fromPeerAddress");
    QTest::addColumn<int>("firstByte");  // -1: random
    // From a third socket the junk is not heard at all; through the relay it
    // comes from the peer's address and reaches the DTLS layer.
    QTest::newRow("third socket") << false << -1;
    QTest::newRow("peer's address, random") << true << -1;
    QTest::newRow("peer's address, as handshake records") << true << 0x16;
    QTest::newRow("peer's address, as alerts") << true << 0x15;
    QTest::newRow("peer's address, as application data") << true << 0x17;
}

void TestDtlsChannel::junkDoesNotBreakSession()
{
    QFETCH(bool, fromPeerAddress);
    QFETCH(int, firstByte);
    Pair p;
    QVERIFY(p.establish());
    QUdpSocket third;
    QVERIFY(third.bind(QHostAddress::LocalHost, 0));
    QRandomGenerator random(19);
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < 400; ++i) {
            QByteArray junk(1 + int(random.bounded(200)), '\0');
            random.fillRange(reinterpret_cast<quint32 *>(junk.data()), junk.size() / 4);
            if (firstByte >= 0 && junk.size() >= 13) {
                junk[0] = char(firstByte);
                junk[1] = char(0xfe);  // DTLS 1.2
                junk[2] = char(0xfd);
            }
            const quint16 to = i % 2 ? p.client.port : p.server.port;
            if (fromPeerAddress)
                p.relay.send(to, junk);
            else
                third.writeDatagram(junk, QHostAddress::LocalHost, to);
        }
        QVERIFY(p.stillWorks(QByteArray::number(round)));
    }
    QCOMPARE(p.server.messages.size(), 5);
    QCOMPARE(p.client.messages.size(), 5);
}

void TestDtlsChannel::strangerIsNotHeard()
{
    // A client with the right key but at an address the server was not given.
    Pair p;
    Side stranger;
    QVERIFY(stranger.open(p.server.port));
    QVERIFY(p.open());
    stranger.channel.handshake(kKey, false, kWaitMs);
    p.server.channel.handshake(kKey, true, kWaitMs);
    QVERIFY(stranger.channel.sendPlain("hello from a stranger"));
    QTest::qWait(kQuietMs);
    QVERIFY(!p.server.established && !stranger.established);
    QVERIFY(p.server.plains.isEmpty());
    p.client.channel.handshake(kKey, false, kWaitMs);
    QVERIFY(p.handshakeDone());
    QVERIFY(p.stillWorks("x"));
    QVERIFY(!stranger.established);
}

void TestDtlsChannel::addressFamilies_data()
{
    QTest::addColumn<QString>("typed");         // the relay's address in both panels
    QTest::addColumn<QHostAddress>("relayAt");  // null: where the name resolves first
    QTest::addColumn<QHostAddress>("strangerAt");
    const QHostAddress v4(QHostAddress::LocalHost), v6(QHostAddress::LocalHostIPv6);
    QTest::newRow("IPv4 peer, heard on both families") << "127.0.0.1" << v4 << v6;
    QTest::newRow("IPv6") << "::1" << v6 << v4;
    QTest::newRow("IPv6 in brackets") << " [::1] " << v6 << v4;
    QTest::newRow("IPv4-mapped") << "::ffff:127.0.0.1" << v4 << v6;
    QTest::newRow("name") << "localhost" << QHostAddress() << QHostAddress();
}

// Each side takes the relay for its peer: a session and cleartext both ways,
// and a datagram from the relay's port at the other family's loopback, or from
// another port at the relay's address, is not heard.
void TestDtlsChannel::addressFamilies()
{
    QFETCH(QString, typed);
    QFETCH(QHostAddress, relayAt);
    QFETCH(QHostAddress, strangerAt);
    if (relayAt.isNull()) {
        const QList<QHostAddress> found = QHostInfo::fromName(typed).addresses();
        QVERIFY(!found.isEmpty());
        relayAt = found.first();
    }
    Pair p(relayAt);
    QVERIFY(p.relay.socket.state() == QAbstractSocket::BoundState);
    QVERIFY(p.open(typed));
    QVERIFY(p.client.channel.sendPlain("hello"));
    QVERIFY(waitUntil([&] { return !p.server.plains.isEmpty(); }, kWaitMs));
    QVERIFY(p.establish());
    QVERIFY(p.stillWorks("over " + typed.toUtf8()));

    QList<QUdpSocket *> strangers;
    QUdpSocket otherPort, otherAddress;
    QVERIFY(otherPort.bind(relayAt, 0));
    strangers << &otherPort;
    if (!strangerAt.isNull()) {
        QVERIFY(otherAddress.bind(strangerAt, p.relay.port()));
        strangers << &otherAddress;
    }
    p.client.forget();
    p.server.forget();
    for (QUdpSocket *s : strangers)
        for (quint16 to : {p.client.port, p.server.port})
            QCOMPARE(s->writeDatagram("not from the peer", s->localAddress(), to), qint64(17));
    QTest::qWait(kQuietMs);
    QVERIFY(p.client.plains.isEmpty() && p.server.plains.isEmpty());
    QVERIFY(p.stillWorks("after the strangers"));
}

void TestDtlsChannel::handshakeUnderLoss()
{
    // Qt resends a lost flight after 1, 2, 4, 8 s; a stalled handshake must recover sooner.
    constexpr int kRounds = 20;
    constexpr int kDeadlineMs = 8000;
    QList<qint64> took;
    for (int round = 0; round < kRounds; ++round) {
        Pair p;
        p.relay.capturing = false;
        p.relay.loss.seed(quint32(100 + round));
        QVERIFY(p.open());
        p.relay.lossPercent = 20;
        QElapsedTimer clock;
        clock.start();
        p.handshake(kKey, kKey, kDeadlineMs);
        waitUntil([&] { return (p.client.established && p.server.established) || !p.client.failures.isEmpty()
                               || !p.server.failures.isEmpty(); },
                  kDeadlineMs + 1000);
        took << clock.elapsed();
        QVERIFY2(p.client.established && p.server.established, qPrintable(QString::number(round)));
        QVERIFY(p.client.failures.isEmpty() && p.server.failures.isEmpty());
    }
    std::sort(took.begin(), took.end());
    qInfo("handshakes at 20 %% loss: median %lld ms, 90th percentile %lld ms, longest %lld ms", took[kRounds / 2],
          took[kRounds * 9 / 10], took.last());
}

void TestDtlsChannel::lastFlightLost_data()
{
    QTest::addColumn<bool>("serverFlight");
    // The server counts as established, the client does not.
    QTest::newRow("server's") << true;
    // The server is still in its handshake when the client starts again.
    QTest::newRow("client's") << false;
}

void TestDtlsChannel::lastFlightLost()
{
    QFETCH(bool, serverFlight);
    Pair p;
    QVERIFY(p.open());
    // Every resend of the last flight is lost until the client sends a new
    // ClientHello. OpenSSL packs a flight into one datagram: the server's
    // starts with its NewSessionTicket (4), the client's with its
    // ClientKeyExchange (16); ChangeCipherSpec and epoch 1 follow.
    QByteArray firstRandom;
    bool clientStartedAgain = false;
    const quint16 lossyTo = serverFlight ? p.client.port : p.server.port;
    p.relay.dropIf = [&](quint16 to, const QByteArray &d) {
        const bool hello = to == p.server.port && d.size() > 59 && d[0] == 22 && d[13] == 1;
        if (hello && firstRandom.isEmpty())
            firstRandom = d.mid(27, 32);
        else if (hello && d.mid(27, 32) != firstRandom)
            clientStartedAgain = true;
        const bool lastFlight = d.size() > 13 && (d[0] == 20 || d[4] == 1 || (d[0] == 22 && (d[13] == 4 || d[13] == 16)));
        return !clientStartedAgain && to == lossyTo && lastFlight;
    };
    p.handshake(kKey, kKey, kWaitMs);
    QVERIFY(p.handshakeDone());
    QVERIFY(clientStartedAgain);
    QVERIFY(p.client.failures.isEmpty() && p.server.failures.isEmpty());
    QVERIFY(p.stillWorks("1"));
    QVERIFY(p.stillWorks("2"));
}

void TestDtlsChannel::plainReachesPeer_data()
{
    QTest::addColumn<int>("phase");
    QTest::newRow("before a handshake") << 0;
    QTest::newRow("during a handshake") << 1;
    QTest::newRow("in a session") << 2;
}

void TestDtlsChannel::plainReachesPeer()
{
    QFETCH(int, phase);
    Pair p;
    QVERIFY(p.open());
    if (phase == 1)
        p.server.channel.handshake(kKey, true, kWaitMs);  // waits for a client that is not coming
    if (phase == 2)
        QVERIFY(p.establish());
    QVERIFY(p.client.channel.sendPlain("hello from the client"));
    QVERIFY(p.server.channel.sendPlain("hello from the server"));
    QVERIFY(waitUntil([&] { return !p.client.plains.isEmpty() && !p.server.plains.isEmpty(); }, kWaitMs));
    QCOMPARE(p.server.plains, QList<QByteArray>{"hello from the client"});
    QCOMPARE(p.client.plains, QList<QByteArray>{"hello from the server"});
    QVERIFY(p.client.messages.isEmpty() && p.server.messages.isEmpty());
    // What the other side would take for a record is not sent as cleartext.
    QVERIFY(!p.client.channel.sendPlain(QByteArray("\x16\xfe\xfd hello")));
    QVERIFY(!p.client.channel.sendPlain({}));
    if (phase == 2)
        QVERIFY(p.stillWorks("after the hellos"));
}

void TestDtlsChannel::firstByteSortsDatagrams_data()
{
    QTest::addColumn<int>("firstByte");
    QTest::addColumn<bool>("plain");
    QTest::newRow("0") << 0 << true;
    QTest::newRow("19") << 19 << true;
    QTest::newRow("20, ChangeCipherSpec") << 20 << false;
    QTest::newRow("21, alert") << 21 << false;
    QTest::newRow("22, handshake") << 22 << false;
    QTest::newRow("23, application data") << 23 << false;
    QTest::newRow("24") << 24 << true;
    QTest::newRow("'O' of a classic peer's text") << int('O') << true;
    QTest::newRow("255") << 255 << true;
}

void TestDtlsChannel::firstByteSortsDatagrams()
{
    QFETCH(int, firstByte);
    QFETCH(bool, plain);
    Pair p;
    QVERIFY(p.establish());
    const QByteArray datagram = char(firstByte) + QByteArray("\xfe\xfd some bytes that are no record");
    p.relay.send(p.server.port, datagram);  // from the client's side of the relay
    p.relay.send(p.server.port, "end");
    QVERIFY(waitUntil([&] { return !p.server.plains.isEmpty() && p.server.plains.last() == "end"; }, kWaitMs));
    QCOMPARE(p.server.plains.size(), plain ? 2 : 1);
    if (plain)
        QCOMPARE(p.server.plains.first(), datagram);
    QVERIFY(p.stillWorks("after"));
}

void TestDtlsChannel::secondHandshake_data()
{
    QTest::addColumn<bool>("clientEnds");
    QTest::addColumn<bool>("restart");  // closed and opened again, as a restarted copy
    QTest::newRow("client ends the session") << true << false;
    QTest::newRow("server ends the session") << false << false;
    QTest::newRow("client restarts") << true << true;
    QTest::newRow("server restarts") << false << true;
}

void TestDtlsChannel::secondHandshake()
{
    QFETCH(bool, clientEnds);
    QFETCH(bool, restart);
    Pair p;
    QVERIFY(p.establish());
    QVERIFY(p.stillWorks("first"));
    Side &ending = clientEnds ? p.client : p.server;
    Side &other = clientEnds ? p.server : p.client;
    if (restart)
        ending.channel.close();
    else
        ending.channel.endSession();
    QVERIFY(!ending.channel.isEstablished());
    QCOMPARE(ending.channel.isOpen(), !restart);
    QVERIFY(waitUntil([&] { return !other.failures.isEmpty(); }, kWaitMs));
    QCOMPARE(other.failures, QList<Failure>{Failure::PeerClosed});
    QVERIFY(ending.failures.isEmpty());
    QVERIFY(other.channel.isOpen());
    p.client.forget();
    p.server.forget();
    if (restart)
        QVERIFY(ending.open(p.relay.port()));
    QVERIFY(ending.channel.sendPlain("hello again"));
    QVERIFY(waitUntil([&] { return !other.plains.isEmpty(); }, kWaitMs));
    QVERIFY(p.establish());
    QVERIFY(p.stillWorks("second"));
    QVERIFY(p.stillWorks("third"));
}

void TestDtlsChannel::closeReachesPeer()
{
    Pair p;
    QVERIFY(p.establish());
    p.client.channel.close();
    QVERIFY(!p.client.channel.isEstablished());
    QVERIFY(waitUntil([&] { return !p.server.failures.isEmpty(); }, kWaitMs));
    QCOMPARE(p.server.failures, QList<Failure>{Failure::PeerClosed});
    QVERIFY(!p.server.channel.isEstablished());
    QVERIFY(p.server.channel.isOpen());  // ready for a new session
    QVERIFY(p.client.failures.isEmpty());  // closing is not a failure
    QVERIFY(!p.client.channel.isOpen());
    QVERIFY(!p.client.channel.send("after close"));
    QVERIFY(!p.client.channel.sendPlain("after close"));
}

void TestDtlsChannel::setupFailures_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("portTaken");
    QTest::addColumn<Failure>("expected");
    QTest::newRow("port taken") << "127.0.0.1" << true << Failure::BindFailed;
    QTest::newRow("unknown name") << "no-such-host.invalid" << false << Failure::HostNotFound;
    QTest::newRow("port taken, peer on IPv6") << "[::1]" << true << Failure::BindFailed;
    QTest::newRow("IPv4 in brackets") << "[127.0.0.1]" << false << Failure::HostNotFound;
}

void TestDtlsChannel::setupFailures()
{
    QFETCH(QString, host);
    QFETCH(bool, portTaken);
    QFETCH(Failure, expected);
    Side side;
    QUdpSocket holder;
    if (portTaken)
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, side.port));
    side.channel.open(host, freePort(), side.port);
    QVERIFY(side.failures.isEmpty());  // reported later, not from inside open
    QVERIFY(waitUntil([&] { return !side.failures.isEmpty(); }, 6000));
    QCOMPARE(side.failures, QList<Failure>{expected});
    QVERIFY(!side.opened);
    QVERIFY(!side.channel.isOpen());
    QVERIFY(!side.channel.sendPlain("hello"));
}

QTEST_MAIN(TestDtlsChannel)
#include "tst_dtlschannel.moc"
