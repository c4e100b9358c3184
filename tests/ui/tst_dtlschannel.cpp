// The secure channel on 127.0.0.1: two QtDtlsChannels talk through a small
// relay that can capture, replay, alter and inject datagrams.
#include "QtDtlsChannel.h"

#include <QElapsedTimer>
#include <QEventLoop>
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
    probe.bind(QHostAddress::LocalHost, 0);
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
    bool established = false;
    QList<Failure> failures;
    QList<QByteArray> messages;

    Side()
    {
        channel.onEstablished = [this] { established = true; };
        channel.onFailed = [this](Failure f) { failures << f; };
        channel.onMessage = [this](const QByteArray &m) { messages << m; };
    }
    void forget()
    {
        established = false;
        failures.clear();
        messages.clear();
    }
};

// Forwards between the client's and the server's ports; both see only the relay.
class Relay : public QObject {
public:
    QUdpSocket socket;
    quint16 clientPort = 0, serverPort = 0;
    bool capturing = true;
    QList<QPair<quint16, QByteArray>> captured;  // (destination port, datagram)
    std::function<void(QByteArray &)> alterNextToServer;

    Relay()
    {
        socket.bind(QHostAddress::LocalHost, 0);
        connect(&socket, &QUdpSocket::readyRead, this, &Relay::forward);
    }
    quint16 port() const { return socket.localPort(); }
    void send(quint16 to, const QByteArray &d) { socket.writeDatagram(d, QHostAddress::LocalHost, to); }
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

    Pair()
    {
        relay.clientPort = client.port;
        relay.serverPort = server.port;
    }
    void start(const QByteArray &clientKey, const QByteArray &serverKey, int deadlineMs)
    {
        server.channel.start("127.0.0.1", relay.port(), server.port, serverKey, true, deadlineMs);
        client.channel.start("127.0.0.1", relay.port(), client.port, clientKey, false, deadlineMs);
    }
    bool establish()
    {
        start(kKey, kKey, kWaitMs);
        return waitUntil([this] { return client.established && server.established; }, kWaitMs);
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
    QElapsedTimer clock;
    clock.start();
    if (serverDelayMs == 0) {
        p.start(clientKey, serverKey, deadlineMs);
    } else {
        p.client.channel.start("127.0.0.1", p.relay.port(), p.client.port, clientKey, false, deadlineMs);
        QTest::qWait(serverDelayMs);
        p.server.channel.start("127.0.0.1", p.relay.port(), p.server.port, serverKey, true, deadlineMs);
    }
    if (succeeds) {
        QVERIFY(waitUntil([&] { return p.client.established && p.server.established; }, kWaitMs));
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
        p.client.channel.close();
        QVERIFY(waitUntil([&] { return !p.server.failures.isEmpty(); }, kWaitMs));
        p.server.channel.close();
        p.client.forget();
        p.server.forget();
        p.relay.capturing = false;
        QVERIFY(p.establish());  // same key, same ports
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
    stranger.channel.start("127.0.0.1", p.server.port, stranger.port, kKey, false, kWaitMs);
    p.server.channel.start("127.0.0.1", p.relay.port(), p.server.port, kKey, true, kWaitMs);
    QTest::qWait(kQuietMs);
    QVERIFY(!p.server.established && !stranger.established);
    p.client.channel.start("127.0.0.1", p.relay.port(), p.client.port, kKey, false, kWaitMs);
    QVERIFY(waitUntil([&] { return p.client.established && p.server.established; }, kWaitMs));
    QVERIFY(p.stillWorks("x"));
    QVERIFY(!stranger.established);
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
    QVERIFY(p.client.failures.isEmpty());  // closing is not a failure
    QVERIFY(!p.client.channel.send("after close"));
}

void TestDtlsChannel::setupFailures_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("portTaken");
    QTest::addColumn<Failure>("expected");
    QTest::newRow("port taken") << "127.0.0.1" << true << Failure::BindFailed;
    QTest::newRow("unknown name") << "no-such-host.invalid" << false << Failure::HostNotFound;
    QTest::newRow("not an IPv4 address") << "::1" << false << Failure::HostNotFound;
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
    side.channel.start(host, freePort(), side.port, kKey, false, 3000);
    QVERIFY(side.failures.isEmpty());  // reported later, not from inside start
    QVERIFY(waitUntil([&] { return !side.failures.isEmpty(); }, 6000));
    QCOMPARE(side.failures, QList<Failure>{expected});
    QVERIFY(!side.established);
}

QTEST_MAIN(TestDtlsChannel)
#include "tst_dtlschannel.moc"
