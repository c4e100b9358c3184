#pragma once
// The secure session's ports as test doubles on one fake clock: two channels
// joined by the seeded LossyRelay, a key derivation that takes 150 ms of fake
// time, and the session's wake-up timers. The channel models what DTLS gives
// the layer above: a handshake that completes only with equal keys, records
// that count only in the session they were sent in, a close the peer hears.

#include "LossyRelay.h"
#include "SecureChannel.h"

#include <QList>

#include <map>
#include <memory>
#include <optional>

namespace moyuta::test {

class SecureWorld;

class FakeTimer : public network::SessionTimerPort {
public:
    explicit FakeTimer(SimClock &clock) : clock_(clock) {}
    qint64 nowMs() const override { return clock_.now; }
    void wakeIn(qint64 ms) override { wakeAt = clock_.now + std::max<qint64>(ms, 0); }
    void stop() override { wakeAt.reset(); }
    std::optional<qint64> wakeAt;

private:
    SimClock &clock_;
};

class FakeKeys : public network::KeyDerivationPort {
public:
    explicit FakeKeys(SecureWorld &world) : world_(world) {}
    void derive(const QString &password, int cipherNumber, const QByteArray &salt,
                std::function<void(const QByteArray &)> done) override;
    void cancel() override { ++generation_; }
    int derivations = 0;
    static constexpr qint64 kCostMs = 150;

private:
    SecureWorld &world_;
    quint64 generation_ = 0;
};

class FakeChannel : public network::SecureChannelPort {
public:
    FakeChannel(SecureWorld &world, int end) : world_(world), end_(end) {}
    void open(const QString &, quint16, quint16) override;
    bool sendPlain(const QByteArray &datagram) override;
    void handshake(const QByteArray &psk, bool asServer, int deadlineMs) override;
    void endSession() override;
    bool send(const QByteArray &plaintext) override;
    void close() override;
    bool isOpen() const override { return open_; }
    bool isEstablished() const override { return state_ == State::Established; }

    void arrive(const QByteArray &datagram);
    void onTime();
    std::optional<qint64> nextEventAt() const;

    std::optional<Failure> failOpen;  // what open() reports instead of opening
    bool asServer() const { return server_; }
    QByteArray lastPsk() const { return psk_; }
    QList<QByteArray> sentPlain;

private:
    enum class State { None, Handshaking, Established };
    void post(char tag, const QByteArray &body);
    void report(Failure why);

    SecureWorld &world_;
    int end_;
    bool open_ = false, server_ = false;
    State state_ = State::None;
    QByteArray psk_;
    quint32 session_ = 0;
    qint64 deadlineAt_ = 0, resendAt_ = 0;
    quint64 generation_ = 0;
};

// One fake clock drives the relay, both sides' timers, the channels and the key derivations.
class SecureWorld {
public:
    SimClock clock;
    LossyRelay relay;
    FakeTimer timer[2]{FakeTimer(clock), FakeTimer(clock)};
    FakeKeys keys[2]{FakeKeys(*this), FakeKeys(*this)};
    FakeChannel channel[2]{FakeChannel(*this, 0), FakeChannel(*this, 1)};
    bool frozen[2] = {false, false};  // a killed copy: nothing it had runs any more
    quint32 nextSession = 1;

    explicit SecureWorld(RelayOdds odds = {}, quint32 seed = 1) : relay(clock.source(), odds, seed)
    {
        for (int i = 0; i < 2; ++i)
            relay.attach(i, [this, i](const QByteArray &d) {
                if (!frozen[i])
                    channel[i].arrive(d);
            });
    }

    void later(qint64 delayMs, std::function<void()> task) { tasks_.emplace(clock.now + delayMs, std::move(task)); }

    // Runs every event due in the next `ms` of fake time.
    void run(qint64 ms)
    {
        const qint64 end = clock.now + ms;
        for (int n = 0; n < 2000000; ++n) {
            const qint64 next = nextEventAt();
            if (next > end)
                break;
            clock.now = std::max(clock.now, next);
            fireDue();
        }
        clock.now = std::max(clock.now, end);
    }

    // Runs until `done` holds, at most `ms` of fake time; whether it held.
    bool runUntil(const std::function<bool()> &done, qint64 ms)
    {
        const qint64 end = clock.now + ms;
        while (!done()) {
            if (clock.now >= end)
                return false;
            run(std::min<qint64>(10, end - clock.now));
        }
        return true;
    }

private:
    qint64 nextEventAt() const
    {
        qint64 next = std::numeric_limits<qint64>::max();
        if (auto r = relay.nextDeliveryAt())
            next = std::min(next, *r);
        for (int i = 0; i < 2; ++i) {
            if (frozen[i])
                continue;
            if (timer[i].wakeAt)
                next = std::min(next, *timer[i].wakeAt);
            if (auto c = channel[i].nextEventAt())
                next = std::min(next, *c);
        }
        if (!tasks_.empty())
            next = std::min(next, tasks_.begin()->first);
        return next;
    }

    void fireDue()
    {
        relay.deliverDue();
        while (!tasks_.empty() && tasks_.begin()->first <= clock.now) {
            auto task = std::move(tasks_.begin()->second);
            tasks_.erase(tasks_.begin());
            task();
        }
        for (int i = 0; i < 2; ++i) {
            if (frozen[i])
                continue;
            channel[i].onTime();
            if (timer[i].wakeAt && *timer[i].wakeAt <= clock.now) {
                timer[i].wakeAt.reset();
                if (timer[i].onWake)
                    timer[i].onWake();
            }
        }
    }

    std::multimap<qint64, std::function<void()>> tasks_;
};

inline void FakeKeys::derive(const QString &password, int cipherNumber, const QByteArray &salt,
                             std::function<void(const QByteArray &)> done)
{
    ++derivations;
    const quint64 mine = ++generation_;
    // A stand-in for the real derivation: equal inputs, equal keys.
    const QByteArray key = password.toUtf8() + '|' + QByteArray::number(cipherNumber) + '|' + salt.toHex();
    world_.later(kCostMs, [this, mine, key, done] {
        if (mine == generation_)
            done(key);
    });
}

inline void FakeChannel::open(const QString &, quint16, quint16)
{
    close();
    const quint64 mine = generation_;
    if (failOpen)
        return world_.later(0, [this, mine, why = *failOpen] {
            if (mine == generation_ && onFailed)
                onFailed(why);
        });
    open_ = true;
    world_.later(0, [this, mine] {
        if (mine == generation_ && onOpened)
            onOpened();
    });
}

inline void FakeChannel::post(char tag, const QByteArray &body)
{
    world_.relay.post(end_, QByteArray(1, tag) + body);
}

inline bool FakeChannel::sendPlain(const QByteArray &datagram)
{
    if (!open_)
        return false;
    sentPlain << datagram;
    post('P', datagram);
    return true;
}

inline void FakeChannel::handshake(const QByteArray &psk, bool asServer, int deadlineMs)
{
    endSession();
    psk_ = psk;
    server_ = asServer;
    state_ = State::Handshaking;
    deadlineAt_ = world_.clock.now + deadlineMs;
    session_ = asServer ? 0 : world_.nextSession++;
    resendAt_ = world_.clock.now;  // the client's first flight goes now
}

inline void FakeChannel::endSession()
{
    if (state_ == State::Established)
        post('C', QByteArray::number(session_));
    state_ = State::None;
    session_ = 0;
}

inline bool FakeChannel::send(const QByteArray &plaintext)
{
    if (state_ != State::Established)
        return false;
    post('D', QByteArray::number(session_) + ' ' + plaintext);
    return true;
}

inline void FakeChannel::close()
{
    if (open_)
        endSession();
    ++generation_;
    open_ = false;
    state_ = State::None;
}

inline void FakeChannel::report(Failure why)
{
    const quint64 mine = generation_;
    world_.later(0, [this, mine, why] {
        if (mine == generation_ && onFailed)
            onFailed(why);
    });
}

inline void FakeChannel::arrive(const QByteArray &datagram)
{
    if (!open_ || datagram.isEmpty())
        return;
    const char tag = datagram[0];
    const QByteArray body = datagram.mid(1);
    if (tag == 'P') {
        if (onPlain)
            onPlain(body);
        return;
    }
    const qsizetype space = body.indexOf(' ');
    const quint32 session = body.left(space < 0 ? body.size() : space).toUInt();
    const QByteArray rest = space < 0 ? QByteArray() : body.mid(space + 1);
    if (tag == 'H' && server_ && rest == psk_) {
        if (state_ == State::Handshaking) {
            session_ = session;
            state_ = State::Established;
            post('F', QByteArray::number(session_));
            if (onEstablished)
                onEstablished();
        } else if (state_ == State::Established && session == session_) {
            post('F', QByteArray::number(session_));  // its finish was lost
        }
    } else if (tag == 'F' && !server_ && state_ == State::Handshaking && session == session_) {
        state_ = State::Established;
        if (onEstablished)
            onEstablished();
    } else if (tag == 'D' && state_ == State::Established && session == session_) {
        if (onMessage)
            onMessage(rest);
    } else if (tag == 'C' && state_ == State::Established && session == session_) {
        state_ = State::None;
        report(Failure::PeerClosed);
    }
}

inline std::optional<qint64> FakeChannel::nextEventAt() const
{
    if (state_ != State::Handshaking)
        return std::nullopt;
    return server_ ? deadlineAt_ : std::min(deadlineAt_, resendAt_);
}

inline void FakeChannel::onTime()
{
    if (state_ != State::Handshaking)
        return;
    const qint64 now = world_.clock.now;
    if (now >= deadlineAt_) {
        state_ = State::None;
        return report(Failure::HandshakeTimedOut);
    }
    if (!server_ && now >= resendAt_) {
        post('H', QByteArray::number(session_) + ' ' + psk_);
        resendAt_ = now + 250;
    }
}

}  // namespace moyuta::test
