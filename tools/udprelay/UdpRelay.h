#pragma once
// A relay of UDP datagrams between two copies of the program on one machine:
// side A sends to the relay's port 0 and side B to its port 1; what arrives
// on one port leaves from the other, so each copy sees the relay as its peer.
// On the way a datagram may be lost, duplicated or delayed by a random time
// (which reorders), and a cut loses everything.

#include <QElapsedTimer>
#include <QHostAddress>
#include <QJsonObject>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>

#include <array>
#include <map>
#include <random>
#include <vector>

namespace moyuta::relay {

struct RelayOptions {
    QHostAddress host = QHostAddress::LocalHost;
    std::array<quint16, 2> listenPorts{0, 0};  // 0: a free port
    std::array<quint16, 2> sidePorts{0, 0};    // where each side listens; 0: the last sender seen
    double lossPercent = 0;
    double dupPercent = 0;
    int minDelayMs = 0, maxDelayMs = 0;
    quint32 seed = 1;
    bool cut = false;
    qsizetype queueLimit = 10000;              // datagrams waiting for their delay
    qsizetype queueByteLimit = 64 * 1024 * 1024;
};

// What happened to the datagrams that came from one side.
struct DirectionCounts {
    qint64 received = 0, forwarded = 0, dropped = 0, duplicated = 0, pending = 0;
};

class UdpRelay : public QObject {
    Q_OBJECT
public:
    explicit UdpRelay(const RelayOptions &options);

    // Binds both ports; false (and `error`) when one cannot be bound.
    bool open(QString *error);
    quint16 port(int side) const { return sockets_[size_t(side)].localPort(); }

    void setLossPercent(double percent) { options_.lossPercent = percent; }
    void setDupPercent(double percent) { options_.dupPercent = percent; }
    void setDelay(int minMs, int maxMs);
    // Everything from `side` (or both sides, for -1) is lost while cut.
    void setCut(int side, bool on);

    // Keeps a copy of every datagram taken from either side (at most kCaptureLimit), for replay().
    void setCapture(bool on) { capturing_ = on; }
    void clearCapture();
    // Sends every kept datagram from `fromSide` to the other side again, paced; returns how many.
    qsizetype replay(int fromSide);
    // The next `n` datagrams forwarded are each preceded by a copy with one bit flipped.
    void setFlips(qint64 n) { flipsLeft_ = std::max<qint64>(0, n); }
    // Sends `n` random datagrams to each side, paced, from the port that side talks to.
    void sendJunk(qsizetype n);

    static constexpr qsizetype kCaptureLimit = 20000;
    static constexpr qsizetype kInjectLimit = 200000;  // replayed or junk datagrams waiting

    const DirectionCounts &counts(int fromSide) const { return counts_[size_t(fromSide)]; }
    QJsonObject stats() const;

private:
    struct Held {
        int from;
        QByteArray data;
        bool injected = false;  // replayed or junk: not counted as pending
    };

    void readSide(int side);
    void take(int from, const QByteArray &data);
    bool chance(double percent);
    void schedule(int from, const QByteArray &data);
    void send(int from, const QByteArray &data);
    void sendDue();
    void armTimer();
    void inject(int from, const QByteArray &data);

    RelayOptions options_;
    std::array<QUdpSocket, 2> sockets_;
    std::array<bool, 2> cutFrom_{false, false};
    std::array<QHostAddress, 2> lastSender_;
    std::array<quint16, 2> lastSenderPort_{0, 0};
    std::array<DirectionCounts, 2> counts_;
    std::mt19937 random_;
    QElapsedTimer clock_;
    QTimer timer_;
    std::multimap<qint64, Held> held_;  // by the time each is due
    qsizetype heldBytes_ = 0;
    bool capturing_ = false;
    std::vector<Held> captured_;
    qint64 flipsLeft_ = 0;
    qint64 injectDueUs_ = 0;   // when the last injected datagram goes, in microseconds
    qsizetype injected_ = 0;   // injected datagrams still held
};

}  // namespace moyuta::relay
