#include "ReliableLink.h"

#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

namespace moyuta::network {

namespace {

// Serial-number distance, so the numbers may wrap after 2^32 frames.
qint32 distance(quint32 from, quint32 to) { return qint32(to - from); }

bool validUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

}  // namespace

ReliableLink::ReliableLink(std::function<qint64()> clockMs, Callbacks callbacks)
    : clock_(std::move(clockMs)), out_(std::move(callbacks))
{
    lastSentAt_ = lastHeardAt_ = clock_();
}

QByteArray ReliableLink::encode(const Frame &f)
{
    QByteArray bytes(kHeaderBytes, '\0');
    auto *p = reinterpret_cast<uchar *>(bytes.data());
    p[0] = uchar(f.type);
    qToBigEndian(f.seq, p + 1);
    qToBigEndian(f.ack, p + 5);
    qToBigEndian(f.sack, p + 9);
    return bytes + f.payload;
}

std::optional<ReliableLink::Frame> ReliableLink::decode(const QByteArray &d)
{
    if (d.size() < kHeaderBytes || d.size() > kMaxFrameBytes)
        return std::nullopt;
    const auto *p = reinterpret_cast<const uchar *>(d.constData());
    if (p[0] < uchar(FrameType::Data) || p[0] > uchar(FrameType::Heartbeat))
        return std::nullopt;
    Frame f;
    f.type = FrameType(p[0]);
    f.seq = qFromBigEndian<quint32>(p + 1);
    f.ack = qFromBigEndian<quint32>(p + 5);
    f.sack = qFromBigEndian<quint64>(p + 9);
    f.payload = d.mid(kHeaderBytes);
    // Only data carries text; text that is not UTF-8 was not sent by a peer.
    if (f.type != FrameType::Data ? !f.payload.isEmpty() : !validUtf8(f.payload))
        return std::nullopt;
    return f;
}

bool ReliableLink::send(const QString &text)
{
    QByteArray payload = text.toUtf8();
    if (payload.size() > kMaxPayloadBytes || queue_.size() >= size_t(kQueueLimit))
        return false;
    queue_.push_back(std::move(payload));
    fillWindow();
    return true;
}

void ReliableLink::fillWindow()
{
    const qint64 now = clock_();
    while (!queue_.empty() && inFlight_.size() < size_t(kWindow)) {
        Outstanding o;
        o.seq = nextSeq_++;
        o.payload = std::move(queue_.front());
        queue_.pop_front();
        inFlight_.push_back(std::move(o));
        transmit(inFlight_.back(), now);
    }
}

void ReliableLink::onDatagram(const QByteArray &datagram)
{
    const auto f = decode(datagram);
    // Anything our peer could not have sent is dropped before it changes a
    // thing, so a forged or stray frame cannot even keep the link alive.
    if (!f || !ackPlausible(*f))
        return;
    if (f->type == FrameType::Data && !inReceiveWindow(f->seq))
        return;
    const qint64 now = clock_();
    takeAck(*f, now);
    heard(now);
    if (f->type == FrameType::Data)
        takeData(*f, now);
    fillWindow();
}

// The ack can only name frames we have numbered, and the bitmap only those.
bool ReliableLink::ackPlausible(const Frame &f) const
{
    const qint32 ahead = distance(f.ack, nextSeq_);
    if (ahead < 0)
        return false;
    if (ahead <= 1)
        return f.sack == 0;
    return ahead - 1 >= 64 || (f.sack >> (ahead - 1)) == 0;
}

// Resends of frames already delivered lie at most one window behind: the
// sender never has more than kWindow frames past what we acknowledged.
bool ReliableLink::inReceiveWindow(quint32 seq) const
{
    const qint32 d = distance(recvNext_, seq);
    return d >= -kWindow && d < kWindow;
}

void ReliableLink::heard(qint64 now)
{
    lastHeardAt_ = now;
    if (!silent_)
        return;
    silent_ = false;
    resendAll(now);  // whatever waited during the silence goes out at once
    if (out_.peerSilent)
        out_.peerSilent(false);
}

void ReliableLink::takeAck(const Frame &f, qint64 now)
{
    const quint32 base = inFlight_.empty() ? nextSeq_ : inFlight_.front().seq;
    if (distance(base, f.ack) < 0)
        return;  // older than what we know: a late, reordered ack
    std::optional<qint64> sample;
    for (Outstanding &o : inFlight_) {
        const qint32 d = distance(f.ack, o.seq);
        const bool acked = d < 0 || (d > 0 && d <= 64 && (f.sack >> (d - 1)) & 1);
        if (!acked || o.sacked)
            continue;
        o.sacked = true;
        if (o.transmissions == 1)  // Karn: a resent frame's ack is ambiguous
            sample = now - o.firstSentAt;
    }
    while (!inFlight_.empty() && inFlight_.front().sacked)
        inFlight_.pop_front();
    if (sample)
        takeRttSample(*sample);
    resendOvertaken(now);
}

// A frame that three later frames overtook is taken as lost and goes again
// at once, not after the timeout; only once, so reordering costs little.
void ReliableLink::resendOvertaken(qint64 now)
{
    int overtakenBy = 0;
    for (auto it = inFlight_.rbegin(); it != inFlight_.rend(); ++it) {
        if (it->sacked)
            ++overtakenBy;
        else if (overtakenBy >= 3 && it->transmissions == 1)
            transmit(*it, now);
    }
}

// RFC 6298, with a 1 ms clock; a fresh sample also ends any backoff.
void ReliableLink::takeRttSample(qint64 r)
{
    if (srtt_ < 0) {
        srtt_ = r;
        rttvar_ = r / 2;
    } else {
        rttvar_ = (3 * rttvar_ + std::abs(srtt_ - r)) / 4;
        srtt_ = (7 * srtt_ + r) / 8;
    }
    rto_ = std::clamp(srtt_ + std::max<qint64>(1, 4 * rttvar_), kMinRtoMs, kMaxRtoMs);
}

// A short delay lets a reply or the next frame of a burst carry the ack; it
// stays well under the smallest resend timeout, so it never causes a resend.
void ReliableLink::takeData(const Frame &f, qint64 now)
{
    if (!ackDueAt_)
        ackDueAt_ = now + kAckDelayMs;
    if (distance(recvNext_, f.seq) < 0)
        return;  // a resend of something delivered: only the ack was lost
    held_.emplace(f.seq, f.payload);
    deliverInOrder();
}

void ReliableLink::deliverInOrder()
{
    for (auto it = held_.find(recvNext_); it != held_.end(); it = held_.find(recvNext_)) {
        const QString text = QString::fromUtf8(it->second);
        held_.erase(it);
        ++recvNext_;  // before delivering: the receiver may send a reply at once
        if (out_.deliver)
            out_.deliver(text);
    }
}

ReliableLink::Frame ReliableLink::ackState(FrameType type) const
{
    Frame f;
    f.type = type;
    f.seq = nextSeq_;
    f.ack = recvNext_;
    for (const auto &entry : held_) {
        const qint32 d = distance(recvNext_, entry.first);
        if (d > 0 && d <= 64)
            f.sack |= quint64(1) << (d - 1);
    }
    return f;
}

void ReliableLink::emitFrame(const Frame &f, qint64 now)
{
    lastSentAt_ = now;
    ackDueAt_.reset();  // every frame carries the ack
    if (out_.sendDatagram)
        out_.sendDatagram(encode(f));
}

void ReliableLink::transmit(Outstanding &o, qint64 now)
{
    if (o.transmissions++ == 0)
        o.firstSentAt = now;
    o.deadline = now + rto_;
    Frame f = ackState(FrameType::Data);
    f.seq = o.seq;
    f.payload = o.payload;
    emitFrame(f, now);
}

void ReliableLink::sendControl(FrameType type, qint64 now) { emitFrame(ackState(type), now); }

void ReliableLink::onTimer()
{
    const qint64 now = clock_();
    resend(now);
    if (ackDueAt_ && *ackDueAt_ <= now)
        sendControl(FrameType::Ack, now);
    if (now - lastSentAt_ >= kHeartbeatMs)
        sendControl(FrameType::Heartbeat, now);
    if (!silent_ && now - lastHeardAt_ >= kSilenceMs) {
        silent_ = true;
        if (out_.peerSilent)
            out_.peerSilent(true);
    }
}

// Frames whose timeout passed go again and the timeout doubles, once per
// timeout: frames lost one after another must not compound the backoff.
// While the peer is silent only the oldest goes, as a probe.
void ReliableLink::resend(qint64 now)
{
    bool any = false;
    for (Outstanding &o : inFlight_) {
        if (o.sacked || o.deadline > now)
            continue;
        if (!any && now >= nextBackoffAt_) {
            rto_ = std::min(rto_ * 2, kMaxRtoMs);
            nextBackoffAt_ = now + rto_;
        }
        any = true;
        transmit(o, now);
        if (silent_)
            break;
    }
    if (any && silent_)
        for (Outstanding &o : inFlight_)
            o.deadline = std::max(o.deadline, now + rto_);
}

void ReliableLink::resendAll(qint64 now)
{
    for (Outstanding &o : inFlight_)
        if (!o.sacked)
            transmit(o, now);
}

qint64 ReliableLink::nextTimeoutMs() const
{
    qint64 due = lastSentAt_ + kHeartbeatMs;
    if (!silent_)
        due = std::min(due, lastHeardAt_ + kSilenceMs);
    if (ackDueAt_)
        due = std::min(due, *ackDueAt_);
    for (const Outstanding &o : inFlight_)
        if (!o.sacked)
            due = std::min(due, o.deadline);
    return std::max<qint64>(0, due - clock_());
}

}  // namespace moyuta::network
