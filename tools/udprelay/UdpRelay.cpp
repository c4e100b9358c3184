#include "UdpRelay.h"

#include <QNetworkDatagram>

#include <algorithm>

namespace moyuta::relay {

namespace {

constexpr int kMaxDatagramsPerWake = 1000;  // then the event loop runs again
constexpr qint64 kInjectGapUs = 50;           // the pace of replayed and junk datagrams

QJsonObject toJson(const DirectionCounts &c)
{
    return {{QStringLiteral("received"), c.received},
            {QStringLiteral("forwarded"), c.forwarded},
            {QStringLiteral("dropped"), c.dropped},
            {QStringLiteral("duplicated"), c.duplicated},
            {QStringLiteral("pending"), c.pending}};
}

}  // namespace

UdpRelay::UdpRelay(const RelayOptions &options) : options_(options), random_(options.seed)
{
    cutFrom_ = {options.cut, options.cut};
    setDelay(options.minDelayMs, options.maxDelayMs);
    clock_.start();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &UdpRelay::sendDue);
}

bool UdpRelay::open(QString *error)
{
    for (int side = 0; side < 2; ++side) {
        QUdpSocket &socket = sockets_[size_t(side)];
        if (!socket.bind(options_.host, options_.listenPorts[size_t(side)])) {
            *error = socket.errorString();
            return false;
        }
        connect(&socket, &QUdpSocket::readyRead, this, [this, side] { readSide(side); });
    }
    return true;
}

void UdpRelay::setDelay(int minMs, int maxMs)
{
    options_.minDelayMs = std::max(0, minMs);
    options_.maxDelayMs = std::max(options_.minDelayMs, maxMs);
}

void UdpRelay::setCut(int side, bool on)
{
    for (int s = 0; s < 2; ++s) {
        if (side < 0 || side == s)
            cutFrom_[size_t(s)] = on;
    }
}

QJsonObject UdpRelay::stats() const
{
    return {{QStringLiteral("a2b"), toJson(counts_[0])}, {QStringLiteral("b2a"), toJson(counts_[1])}};
}

void UdpRelay::readSide(int side)
{
    QUdpSocket &socket = sockets_[size_t(side)];
    for (int n = 0; n < kMaxDatagramsPerWake; ++n) {
        // Read first, whole: after an error report (a side not yet listening)
        // Qt answers "nothing pending" and cannot size the next datagram while
        // datagrams wait, and reading stopped for good. A read clears the report.
        const QNetworkDatagram datagram = socket.receiveDatagram(65536);
        if (!datagram.isValid()) {
            if (!socket.hasPendingDatagrams())
                break;
            continue;  // an error report, not a datagram
        }
        lastSender_[size_t(side)] = datagram.senderAddress();
        lastSenderPort_[size_t(side)] = quint16(datagram.senderPort());
        take(side, datagram.data());
    }
    if (socket.hasPendingDatagrams())
        QTimer::singleShot(0, this, [this, side] { readSide(side); });
}

void UdpRelay::take(int from, const QByteArray &data)
{
    DirectionCounts &c = counts_[size_t(from)];
    ++c.received;
    if (capturing_ && qsizetype(captured_.size()) < kCaptureLimit)
        captured_.push_back(Held{from, data});
    if (cutFrom_[size_t(from)] || chance(options_.lossPercent)) {
        ++c.dropped;
        return;
    }
    const bool twice = chance(options_.dupPercent);
    if (twice)
        ++c.duplicated;
    for (int copy = 0; copy < (twice ? 2 : 1); ++copy)
        schedule(from, data);
}

bool UdpRelay::chance(double percent)
{
    if (percent <= 0)
        return false;
    return std::uniform_real_distribution<double>(0, 100)(random_) < percent;
}

void UdpRelay::schedule(int from, const QByteArray &data)
{
    if (options_.maxDelayMs == 0 && held_.empty()) {
        send(from, data);
        return;
    }
    DirectionCounts &c = counts_[size_t(from)];
    if (qsizetype(held_.size()) >= options_.queueLimit || heldBytes_ + data.size() > options_.queueByteLimit) {
        ++c.dropped;  // a full queue loses, as a full router does
        return;
    }
    const int delay = std::uniform_int_distribution<int>(options_.minDelayMs, options_.maxDelayMs)(random_);
    held_.emplace(clock_.elapsed() + delay, Held{from, data});
    heldBytes_ += data.size();
    ++c.pending;
    armTimer();
}

void UdpRelay::send(int from, const QByteArray &data)
{
    const int to = 1 - from;
    DirectionCounts &c = counts_[size_t(from)];
    const quint16 fixedPort = options_.sidePorts[size_t(to)];
    const QHostAddress address = fixedPort ? options_.host : lastSender_[size_t(to)];
    const quint16 port = fixedPort ? fixedPort : lastSenderPort_[size_t(to)];
    if (port == 0 || address.isNull()) {
        ++c.dropped;  // the other side has not spoken yet: nowhere to send
        return;
    }
    if (flipsLeft_ > 0 && !data.isEmpty()) {
        --flipsLeft_;
        QByteArray flipped = data;
        const int bit = std::uniform_int_distribution<int>(0, int(data.size()) * 8 - 1)(random_);
        flipped[bit / 8] = char(flipped[bit / 8] ^ (1 << (bit % 8)));
        sockets_[size_t(to)].writeDatagram(flipped, address, port);
    }
    if (sockets_[size_t(to)].writeDatagram(data, address, port) == data.size())
        ++c.forwarded;
    else
        ++c.dropped;
}

void UdpRelay::sendDue()
{
    const qint64 now = clock_.elapsed();
    for (int n = 0; n < kMaxDatagramsPerWake && !held_.empty() && held_.begin()->first <= now; ++n) {
        auto node = held_.extract(held_.begin());
        const Held &item = node.mapped();
        heldBytes_ -= item.data.size();
        if (item.injected)
            --injected_;
        else
            --counts_[size_t(item.from)].pending;
        send(item.from, item.data);
    }
    armTimer();
}

void UdpRelay::armTimer()
{
    if (held_.empty()) {
        timer_.stop();
        return;
    }
    const qint64 wait = std::max<qint64>(0, held_.begin()->first - clock_.elapsed());
    if (!timer_.isActive() || timer_.remainingTime() > wait)
        timer_.start(int(wait));
}

void UdpRelay::clearCapture()
{
    captured_.clear();
}

void UdpRelay::inject(int from, const QByteArray &data)
{
    if (injected_ >= kInjectLimit || heldBytes_ + data.size() > options_.queueByteLimit)
        return;
    injectDueUs_ = std::max(injectDueUs_, clock_.elapsed() * 1000) + kInjectGapUs;
    held_.emplace(injectDueUs_ / 1000, Held{from, data, true});
    ++injected_;
    heldBytes_ += data.size();
    armTimer();
}

qsizetype UdpRelay::replay(int fromSide)
{
    const std::vector<Held> copies = captured_;  // a replay is not captured again
    qsizetype n = 0;
    for (const Held &h : copies) {
        if (h.from == fromSide) {
            inject(h.from, h.data);
            ++n;
        }
    }
    return n;
}

void UdpRelay::sendJunk(qsizetype n)
{
    for (qsizetype i = 0; i < std::min(n, kInjectLimit / 2); ++i) {
        for (int from = 0; from < 2; ++from) {
            QByteArray junk(std::uniform_int_distribution<int>(1, 400)(random_), Qt::Uninitialized);
            for (char &byte : junk)
                byte = char(random_());
            inject(from, junk);
        }
    }
}

}  // namespace moyuta::relay
