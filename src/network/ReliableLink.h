#pragma once
// Carries the game's message texts over an unreliable datagram pipe and
// delivers each exactly once, in order: sequence numbers, cumulative and
// selective acknowledgements, resends on a timeout from the measured round
// trip (or at once for a frame three later ones overtook), a bounded window,
// heartbeats while idle and a silent-peer report. One link serves one
// session: both ends start numbering at 0, so a resumed session makes new ones.
//
// No threads, sockets or event loop inside: time comes from the clock given
// at construction, the owner calls onDatagram() for what arrives, asks
// nextTimeoutMs() after every call and calls onTimer() when it has passed.

#include <QByteArray>
#include <QString>

#include <deque>
#include <functional>
#include <map>
#include <optional>

namespace moyuta::network {

class ReliableLink {
public:
    enum class FrameType : quint8 { Data = 1, Ack = 2, Heartbeat = 3 };

    // On the wire: type (1 byte), seq, ack (4 bytes each), sack (8 bytes),
    // all big-endian, then the UTF-8 payload (Data frames only).
    struct Frame {
        FrameType type = FrameType::Data;
        quint32 seq = 0;   // Data: this frame's number; others: unused
        quint32 ack = 0;   // the next number the sender expects from us
        quint64 sack = 0;  // bit i: frame ack + 1 + i already received
        QByteArray payload;
    };

    static constexpr int kHeaderBytes = 17;
    static constexpr int kMaxFrameBytes = 4096;
    static constexpr int kMaxPayloadBytes = kMaxFrameBytes - kHeaderBytes;
    static constexpr int kWindow = 64;        // frames in flight, and held out of order
    static constexpr int kQueueLimit = 1024;  // messages waiting for the window
    static constexpr qint64 kInitialRtoMs = 1000;
    static constexpr qint64 kMinRtoMs = 100;
    static constexpr qint64 kMaxRtoMs = 2000;
    static constexpr qint64 kAckDelayMs = 20;
    static constexpr qint64 kHeartbeatMs = 2000;
    static constexpr qint64 kSilenceMs = 10000;

    // The link is mid-update when it calls these: sendDatagram must not call
    // back into it (queue what the peer answers); deliver and peerSilent may
    // call send().
    struct Callbacks {
        std::function<void(const QByteArray &)> sendDatagram;
        std::function<void(const QString &)> deliver;
        std::function<void(bool silent)> peerSilent;
    };

    ReliableLink(std::function<qint64()> clockMs, Callbacks callbacks);

    // Queues a message. False (and nothing queued) when its UTF-8 form is
    // longer than kMaxPayloadBytes or kQueueLimit messages already wait.
    bool send(const QString &text);
    void onDatagram(const QByteArray &datagram);
    void onTimer();
    qint64 nextTimeoutMs() const;  // from now, never negative

    bool isPeerSilent() const { return silent_; }
    int inFlight() const { return int(inFlight_.size()); }
    int queued() const { return int(queue_.size()); }
    int heldOutOfOrder() const { return int(held_.size()); }
    qint64 rtoMs() const { return rto_; }
    qint64 smoothedRttMs() const { return srtt_; }  // -1 before the first sample

    static QByteArray encode(const Frame &frame);
    static std::optional<Frame> decode(const QByteArray &datagram);

private:
    struct Outstanding {
        quint32 seq = 0;
        QByteArray payload;
        qint64 firstSentAt = 0;
        qint64 deadline = 0;
        int transmissions = 0;
        bool sacked = false;
    };

    bool ackPlausible(const Frame &f) const;
    bool inReceiveWindow(quint32 seq) const;
    void heard(qint64 now);
    void takeAck(const Frame &f, qint64 now);
    void takeRttSample(qint64 sample);
    void resendOvertaken(qint64 now);
    void takeData(const Frame &f, qint64 now);
    void deliverInOrder();
    void fillWindow();
    void transmit(Outstanding &o, qint64 now);
    void sendControl(FrameType type, qint64 now);
    Frame ackState(FrameType type) const;
    void emitFrame(const Frame &f, qint64 now);
    void resend(qint64 now);
    void resendAll(qint64 now);

    std::function<qint64()> clock_;
    Callbacks out_;

    quint32 nextSeq_ = 0;
    std::deque<Outstanding> inFlight_;  // ordered; front is the oldest unacknowledged
    std::deque<QByteArray> queue_;

    quint32 recvNext_ = 0;
    std::map<quint32, QByteArray> held_;  // received ahead of recvNext_, by number

    qint64 srtt_ = -1, rttvar_ = 0, rto_ = kInitialRtoMs, nextBackoffAt_ = 0;
    std::optional<qint64> ackDueAt_;
    qint64 lastSentAt_ = 0, lastHeardAt_ = 0;
    bool silent_ = false;
};

}  // namespace moyuta::network
