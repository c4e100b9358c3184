// Latency of one network move, end to end, against what it is made of.
//   build/bin/moyuta-network-bench [ROUNDS]
// Two window states in this one process talk over real UDP sockets on
// 127.0.0.1 (the QtUdpTransport adapter, free ports). After the handshake,
// side A places ROUNDS stones (200 unless given), each on an empty point,
// and the time from board::pressPoint on A until B's board model holds the
// stone is taken for every round. The send pacing is left out by
// construction: the event pump's pace() returns at once.
//
// In the same run it takes the per-call medians of encipherMessage (on A) and
// decipherMessage (on B) of a move text, and of a raw UDP round trip of a
// datagram of the same size between two plain QUdpSockets on 127.0.0.1,
// waited for through the event loop and readyRead as the session waits. A
// round trip with blocking waitForReadyRead is printed for information.
//
// Goal: end to end <= encipher + decipher + 3 x raw round trip. Prints OK or
// ABOVE; exits 0 either way, 2 when a run failed (a wait ran out, the
// handshake did not complete, a socket could not be bound).
#include "Board.h"
#include "Cp932.h"
#include "MessageCipher.h"
#include "NullPorts.h"
#include "Protocol.h"
#include "QtUdpTransport.h"
#include "Session.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace moyuta;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultRounds = 200;
constexpr int kWarmUpRounds = 10;      // moves before the measured ones, not counted
constexpr int kCipherRepetitions = 5000;
constexpr int kRawRepetitions = 2000;
constexpr int kRawWarmUp = 50;
constexpr int kHandshakeTimeoutMs = 5000;
constexpr int kDeliveryTimeoutMs = 2000;  // one move or one raw round trip
// Wakes a waiting event loop this often, so that every wait can check its deadline.
constexpr int kHeartbeatMs = 50;

const QString kPassword = QStringLiteral("abcdef");
const QString kCipherNumber = QStringLiteral("7");

double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

struct Stats {
    double median = 0, p10 = 0, p90 = 0;
};

Stats stats(std::vector<double> v)
{
    Stats s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    auto at = [&v](double q) { return v[size_t(q * double(v.size() - 1) + 0.5)]; };
    s.median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    s.p10 = at(0.10);
    s.p90 = at(0.90);
    return s;
}

// Runs the event loop, sleeping until events arrive, until done() or the time is up.
bool spinUntil(const std::function<bool()> &done, int timeoutMs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// --- Ports of a window state without a window ------------------------------

class SilentDialogs : public DialogPort {
public:
    Answer ask(const QString &) override { return Answer::No; }
    void inform(const QString &) override {}
    void warn(const QString &) override {}
    QString openFileName(const QStringList &) override { return {}; }
    QString saveFileName(const QStringList &) override { return {}; }
};

// Lets Qt's events run; the pacing wait after each send is left out.
class CorePump : public EventPumpPort {
public:
    void processEvents() override { QCoreApplication::processEvents(); }
    void pace(qint64) override {}
};

// One window state whose network layer is the real one over a real UDP socket.
struct Side {
    SilentDialogs dialogs;
    CorePump pump;
    network::NetworkOutbox outbox;
    NullSound sound;
    NullClock clock;
    ui::QtUdpTransport transport;
    NullProgram program;
    NullWindows windows;
    NullNews news;
    AppState s{{dialogs, pump, outbox, sound, clock, transport, program, windows, news}};

    Side(quint16 peerPort, quint16 ownPort)
    {
        board::installHandlers(s);
        board::setInitialState(s);
        outbox.attach(s);
        Form &f = s.form;
        f.txtPeerAddress.text = QStringLiteral("127.0.0.1");
        f.txtPeerPort.text = QString::number(peerPort);
        f.txtOwnPort.text = QString::number(ownPort);
        f.txtPassword.text = kPassword;
        f.cboCipherNumber.text = kCipherNumber;
    }
};

// Two UDP ports that are free now (the probes are closed before they are used).
bool freePorts(quint16 &first, quint16 &second)
{
    QUdpSocket a, b;
    if (!a.bind(QHostAddress::AnyIPv4, 0) || !b.bind(QHostAddress::AnyIPv4, 0))
        return false;
    first = a.localPort();
    second = b.localPort();
    return first != 0 && second != 0 && first != second;
}

bool handshake(Side &a, Side &b)
{
    network::onConnect(a.s);
    QCoreApplication::processEvents();
    network::onConnect(b.s);
    if (!a.s.ports.transport.isBound() || !b.s.ports.transport.isBound()) {
        std::fprintf(stderr, "moyuta-network-bench: a session socket could not be bound\n");
        return false;
    }
    if (!spinUntil([&] { return a.s.session.authenticated && b.s.session.authenticated; }, kHandshakeTimeoutMs)) {
        std::fprintf(stderr, "moyuta-network-bench: the handshake did not complete within %d ms\n",
                     kHandshakeTimeoutMs);
        return false;
    }
    a.s.board.gameStarted = b.s.board.gameStarted = true;
    return true;
}

// Places one stone on A and returns how long it took to show on B; negative on timeout.
double oneMove(Side &a, Side &b, int round)
{
    const int point = round % kPointCount;
    if (point == 0 && round > 0) {
        board::clearBoard(a.s);
        board::clearBoard(b.s);
    }
    // Black and white in turn. In a network game the colour stays as chosen,
    // and choosing it through its handler would also send a keyword to the
    // peer, so the selection is moved directly, outside the timed part.
    const bool black = round % 2 == 0;
    a.s.form.Option1.setSelected(black ? 0 : 1);
    const PointContent expected = black ? PointContent::Black : PointContent::White;
    QCoreApplication::processEvents();  // nothing left over from the round before

    const PointContent &shown = b.s.board.points[size_t(point)].content;
    const Clock::time_point start = Clock::now();
    board::pressPoint(a.s, point, board::MouseButton::Left);
    const bool arrived = spinUntil([&] { return shown == expected; }, kDeliveryTimeoutMs);
    const Clock::time_point end = Clock::now();
    if (!arrived) {
        std::fprintf(stderr, "moyuta-network-bench: the stone on point %d did not reach B within %d ms\n", point,
                     kDeliveryTimeoutMs);
        return -1;
    }
    return microseconds(end - start);
}

template <typename F>
std::vector<double> timeCalls(int repetitions, F &&call)
{
    std::vector<double> t;
    t.reserve(size_t(repetitions));
    for (int i = 0; i < repetitions; ++i) {
        const Clock::time_point start = Clock::now();
        call();
        t.push_back(microseconds(Clock::now() - start));
    }
    return t;
}

// Round trips of a datagram between two plain sockets on 127.0.0.1, waited for
// through the event loop; empty on failure.
std::vector<double> rawRoundTripsEventLoop(const QByteArray &payload)
{
    QUdpSocket client, echo;
    if (!client.bind(QHostAddress::LocalHost, 0) || !echo.bind(QHostAddress::LocalHost, 0))
        return {};
    QObject::connect(&echo, &QUdpSocket::readyRead, &echo, [&echo] {
        while (echo.hasPendingDatagrams()) {
            const QNetworkDatagram d = echo.receiveDatagram();
            if (d.isValid())
                echo.writeDatagram(d.data(), d.senderAddress(), quint16(d.senderPort()));
        }
    });
    int received = 0;
    QObject::connect(&client, &QUdpSocket::readyRead, &client, [&client, &received] {
        while (client.hasPendingDatagrams())
            if (client.receiveDatagram().isValid())
                ++received;
    });

    std::vector<double> t;
    t.reserve(size_t(kRawRepetitions));
    for (int i = 0; i < kRawWarmUp + kRawRepetitions; ++i) {
        QCoreApplication::processEvents();
        const int before = received;
        const Clock::time_point start = Clock::now();
        client.writeDatagram(payload, QHostAddress::LocalHost, echo.localPort());
        if (!spinUntil([&] { return received > before; }, kDeliveryTimeoutMs))
            return {};
        const Clock::time_point end = Clock::now();
        if (i >= kRawWarmUp)
            t.push_back(microseconds(end - start));
    }
    return t;
}

// The same with blocking waits and no event loop; empty on failure.
std::vector<double> rawRoundTripsBlocking(const QByteArray &payload)
{
    QUdpSocket client, echo;
    if (!client.bind(QHostAddress::LocalHost, 0) || !echo.bind(QHostAddress::LocalHost, 0))
        return {};
    std::vector<double> t;
    t.reserve(size_t(kRawRepetitions));
    for (int i = 0; i < kRawWarmUp + kRawRepetitions; ++i) {
        const Clock::time_point start = Clock::now();
        client.writeDatagram(payload, QHostAddress::LocalHost, echo.localPort());
        if (!echo.waitForReadyRead(kDeliveryTimeoutMs))
            return {};
        const QNetworkDatagram d = echo.receiveDatagram();
        echo.writeDatagram(d.data(), d.senderAddress(), quint16(d.senderPort()));
        if (!client.waitForReadyRead(kDeliveryTimeoutMs))
            return {};
        client.receiveDatagram();
        const Clock::time_point end = Clock::now();
        if (i >= kRawWarmUp)
            t.push_back(microseconds(end - start));
    }
    return t;
}

void printLine(const char *what, const Stats &s)
{
    std::printf("  %-34s %9.1f us   (p10 %8.1f, p90 %8.1f)\n", what, s.median, s.p10, s.p90);
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int rounds = kDefaultRounds;
    if (argc > 1) {
        bool ok = false;
        rounds = QString::fromLocal8Bit(argv[1]).toInt(&ok);
        if (!ok || rounds < 1 || rounds > 100000) {
            std::fprintf(stderr, "usage: moyuta-network-bench [ROUNDS]   (1 to 100000, default %d)\n",
                         kDefaultRounds);
            return 2;
        }
    }

    QTimer heartbeat;
    heartbeat.start(kHeartbeatMs);

    quint16 portA = 0, portB = 0;
    if (!freePorts(portA, portB)) {
        std::fprintf(stderr, "moyuta-network-bench: no free UDP ports\n");
        return 2;
    }
    Side a(portB, portA);
    Side b(portA, portB);
    if (!handshake(a, b))
        return 2;

    // End to end.
    std::vector<double> endToEnd;
    endToEnd.reserve(size_t(rounds));
    for (int round = 0; round < kWarmUpRounds + rounds; ++round) {
        const double us = oneMove(a, b, round);
        if (us < 0)
            return 2;
        if (round >= kWarmUpRounds)
            endToEnd.push_back(us);
    }
    // Every move arrived once, as a move.
    if (b.s.moves.networkMoveLog.size() != kWarmUpRounds + rounds) {
        std::fprintf(stderr, "moyuta-network-bench: B logged %lld moves instead of %d\n",
                     static_cast<long long>(b.s.moves.networkMoveLog.size()), kWarmUpRounds + rounds);
        return 2;
    }

    // The cipher on each side, with a move text as A sends it.
    const QString move = QStringLiteral("1,160,0,0,0");
    const QString cipherText = network::encipherMessage(a.s, move);
    if (!a.s.session.cipherSucceeded || network::decipherMessage(b.s, cipherText) != move) {
        std::fprintf(stderr, "moyuta-network-bench: the move text does not pass the cipher\n");
        return 2;
    }
    QString sink;
    const Stats encipher = stats(timeCalls(kCipherRepetitions, [&] { sink = network::encipherMessage(a.s, move); }));
    const Stats decipher = stats(timeCalls(kCipherRepetitions, [&] { sink = network::decipherMessage(b.s, cipherText); }));

    // Raw UDP with a datagram of the move's size.
    const QByteArray datagram = toCp932(cipherText);
    const std::vector<double> rawLoop = rawRoundTripsEventLoop(QByteArray(datagram.size(), 'x'));
    const std::vector<double> rawBlocking = rawRoundTripsBlocking(QByteArray(datagram.size(), 'x'));
    if (rawLoop.empty() || rawBlocking.empty()) {
        std::fprintf(stderr, "moyuta-network-bench: a raw UDP round trip failed or ran out of time\n");
        return 2;
    }
    const Stats raw = stats(rawLoop);
    const Stats rawBlock = stats(rawBlocking);
    const Stats e2e = stats(endToEnd);

    std::printf("moyuta-network-bench: %d moves (after %d not counted), move datagram %lld bytes, medians:\n",
                rounds, kWarmUpRounds, static_cast<long long>(datagram.size()));
    printLine("end to end (press on A -> B)", e2e);
    printLine("encipherMessage (A)", encipher);
    printLine("decipherMessage (B)", decipher);
    printLine("raw UDP round trip (event loop)", raw);
    printLine("raw UDP round trip (blocking)", rawBlock);

    const double goal = encipher.median + decipher.median + 3 * raw.median;
    std::printf("goal: end to end %.1f us <= encipher %.1f + decipher %.1f + 3 x round trip %.1f = %.1f us: %s\n",
                e2e.median, encipher.median, decipher.median, raw.median, goal,
                e2e.median <= goal ? "OK" : "ABOVE");
    return 0;
}
