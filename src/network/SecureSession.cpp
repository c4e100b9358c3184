#include "SecureSession.h"

#include "SessionKey.h"

namespace moyuta::network {

namespace {

const QByteArray kHelloMagic = QByteArray("\0MYT\1", 5);
constexpr quint8 kReady = 1;    // the sender holds the key for these two nonces
constexpr quint8 kHasGame = 2;  // the sender keeps a game

}  // namespace

SecureSession::SecureSession(SecureChannelPort &channel, KeyDerivationPort &keys, SessionTimerPort &timer,
                             Callbacks callbacks)
    : channel_(channel), keys_(keys), timer_(timer), out_(std::move(callbacks))
{
    channel_.onOpened = [this] { onOpened(); };
    channel_.onPlain = [this](const QByteArray &d) { onPlain(d); };
    channel_.onEstablished = [this] { onEstablished(); };
    channel_.onFailed = [this](SecureChannelPort::Failure why) { onFailed(why); };
    channel_.onMessage = [this](const QByteArray &d) { onMessage(d); };
    timer_.onWake = [this] { onWake(); };
}

SecureSession::~SecureSession()
{
    stop();
    channel_.onOpened = nullptr;
    channel_.onPlain = nullptr;
    channel_.onEstablished = nullptr;
    channel_.onFailed = nullptr;
    channel_.onMessage = nullptr;
    timer_.onWake = nullptr;
}

void SecureSession::start(const QString &peerHost, quint16 peerPort, quint16 ownPort, const QString &password,
                          int cipherNumber)
{
    stop();
    password_ = password;
    cipherNumber_ = cipherNumber;
    everEstablished_ = false;
    phase_ = Phase::Opening;
    channel_.open(peerHost, peerPort, ownPort);
}

void SecureSession::stop()
{
    ++generation_;
    keys_.cancel();
    timer_.stop();
    retireLink();
    if (phase_ != Phase::Idle)
        channel_.close();
    phase_ = Phase::Idle;
    silent_ = false;
    key_.fill('\0');
    key_.clear();
}

bool SecureSession::send(const QString &text)
{
    if (!link_)
        return false;
    bool queued = false;
    {
        const InLink inLink(*this);
        queued = link_->send(text);
    }
    rearm();
    return queued;
}

bool SecureSession::idle() const
{
    return !link_ || (link_->inFlight() == 0 && link_->queued() == 0);
}

void SecureSession::onOpened()
{
    if (phase_ == Phase::Opening)
        enterHello();
}

// A fresh nonce, so the next session gets a key of its own.
void SecureSession::enterHello()
{
    ++generation_;
    keys_.cancel();
    retireLink();
    if (channel_.isEstablished())
        channel_.endSession();
    phase_ = Phase::Hello;
    nonce_ = makeNonce();
    peerNonce_.clear();
    keyReady_ = peerReady_ = false;
    key_.clear();
    helloSince_ = timer_.nowMs();
    nextHelloAt_ = helloSince_;
    if (nonce_.isEmpty())
        return fail(Trouble::BackendMissing);
    sendHello();
    rearm();
}

void SecureSession::sendHello()
{
    quint8 flags = out_.hasGame && out_.hasGame() ? kHasGame : 0;
    if (keyReady_)
        flags |= kReady;
    QByteArray hello = kHelloMagic;
    hello.append(char(flags));
    hello.append(nonce_);
    hello.append(peerNonce_.isEmpty() ? QByteArray(kNonceBytes, '\0') : peerNonce_);
    channel_.sendPlain(hello);
    const qint64 now = timer_.nowMs();
    lastAnswerAt_ = now;
    nextHelloAt_ = now + (now - helloSince_ < kFastHelloMs ? kHelloIntervalMs : kSlowHelloIntervalMs);
}

void SecureSession::onPlain(const QByteArray &datagram)
{
    if (phase_ == Phase::Idle || phase_ == Phase::Opening)
        return;
    if (datagram.size() == kHelloMagic.size() + 1 + 2 * kNonceBytes && datagram.startsWith(kHelloMagic)) {
        const int at = int(kHelloMagic.size());
        onHello(datagram.mid(at + 1, kNonceBytes), datagram.mid(at + 1 + kNonceBytes, kNonceBytes),
                quint8(datagram[at]));
        return;
    }
    if (!everEstablished_ && out_.isClassicText && out_.isClassicText(datagram))
        fail(Trouble::ClassicPeer);
}

void SecureSession::onHello(const QByteArray &nonce, const QByteArray &echo, quint8 flags)
{
    // A live session is not torn down by a hello anyone could forge: a lost
    // peer has already sent this side back to the hello.
    if (phase_ == Phase::Established)
        return;
    bool changed = false;
    if (nonce != peerNonce_) {
        // A new attempt from the peer: derive the key for this pair of nonces.
        if (phase_ == Phase::Handshaking) {
            channel_.endSession();
            phase_ = Phase::Hello;
        }
        peerNonce_ = nonce;
        keyReady_ = peerReady_ = false;
        key_.clear();
        const quint64 attempt = ++generation_;
        keys_.derive(password_, cipherNumber_, sessionSalt(nonce_, peerNonce_), [this, attempt](const QByteArray &key) {
            if (attempt == generation_)
                onKey(key);
        });
        changed = true;
    }
    if (echo != nonce_) {
        changed = true;  // the peer has not heard this side's nonce yet
    } else {
        peerHasGame_ = flags & kHasGame;
        if ((flags & kReady) && !peerReady_) {
            peerReady_ = true;
            maybeHandshake();
        }
    }
    if (changed && timer_.nowMs() - lastAnswerAt_ >= kHelloAnswerGapMs)
        sendHello();
    rearm();
}

void SecureSession::onKey(const QByteArray &key)
{
    if (phase_ != Phase::Hello)
        return;
    if (key.isEmpty())
        return fail(Trouble::BackendMissing);
    key_ = key;
    keyReady_ = true;
    sendHello();  // tells the peer at once
    maybeHandshake();
    rearm();
}

void SecureSession::maybeHandshake()
{
    if (phase_ != Phase::Hello || !keyReady_ || !peerReady_)
        return;
    phase_ = Phase::Handshaking;
    asServer_ = nonce_ > peerNonce_;  // the nonces differ: both sides agree who serves
    channel_.handshake(key_, asServer_, kHandshakeDeadlineMs);
}

void SecureSession::onEstablished()
{
    if (phase_ != Phase::Handshaking)
        return;
    phase_ = Phase::Established;
    key_.fill('\0');
    key_.clear();
    ReliableLink::Callbacks link;
    link.sendDatagram = [this](const QByteArray &d) { channel_.send(d); };
    link.deliver = [this](const QString &text) {
        if (out_.message)
            out_.message(text);
    };
    link.peerSilent = [this](bool silent) {
        if (silent)
            lostPeer_ = true;  // acted on once the link has returned
    };
    retireLink();
    link_ = std::make_unique<ReliableLink>([this] { return timer_.nowMs(); }, link);
    const Established info{asServer_, peerHasGame_, everEstablished_};
    everEstablished_ = true;
    const quint64 session = generation_;
    setSilent(false);
    if (session == generation_ && out_.established)
        out_.established(info);
    if (session == generation_)
        rearm();
}

void SecureSession::onFailed(SecureChannelPort::Failure why)
{
    using F = SecureChannelPort::Failure;
    switch (why) {
    case F::BindFailed:
        return fail(Trouble::BindFailed);
    case F::HostNotFound:
        return fail(Trouble::HostNotFound);
    case F::BackendMissing:
        return fail(Trouble::BackendMissing);
    case F::HandshakeTimedOut:
    case F::HandshakeFailed:
        if (phase_ != Phase::Handshaking)
            return;
        if (!everEstablished_)
            return fail(Trouble::KeyMismatch);
        return enterHello();  // a resume keeps trying until the user turns it off
    case F::PeerClosed:
    case F::ConnectionLost:
        if (phase_ != Phase::Established)
            return;
        setSilent(true);
        return enterHello();
    }
}

void SecureSession::onMessage(const QByteArray &plaintext)
{
    if (!link_)
        return;
    {
        const InLink inLink(*this);
        link_->onDatagram(plaintext);
    }
    afterLink();
}

void SecureSession::onWake()
{
    if (link_) {
        const InLink inLink(*this);
        link_->onTimer();
    }
    if ((phase_ == Phase::Hello || phase_ == Phase::Handshaking) && timer_.nowMs() >= nextHelloAt_)
        sendHello();
    afterLink();
}

// A peer that stays silent is gone: the session starts over with hellos,
// which the peer, or its next start, answers.
void SecureSession::afterLink()
{
    if (lostPeer_) {
        lostPeer_ = false;
        if (phase_ == Phase::Established) {
            setSilent(true);
            enterHello();
            return;
        }
    }
    rearm();
}

// A link may be ended from inside its own callback (a message that closes
// the session): it is kept until no call into a link is on the stack.
void SecureSession::retireLink()
{
    if (link_)
        retired_.push_back(std::move(link_));
    if (linkDepth_ == 0)
        retired_.clear();
}

SecureSession::InLink::~InLink()
{
    if (--session.linkDepth_ == 0)
        session.retired_.clear();
}

void SecureSession::setSilent(bool silent)
{
    if (silent == silent_)
        return;
    silent_ = silent;
    if (out_.peerSilent)
        out_.peerSilent(silent);
}

void SecureSession::rearm()
{
    qint64 wait = -1;
    if (link_)
        wait = link_->nextTimeoutMs();
    if (phase_ == Phase::Hello || phase_ == Phase::Handshaking) {
        const qint64 hello = std::max<qint64>(0, nextHelloAt_ - timer_.nowMs());
        wait = wait < 0 ? hello : std::min(wait, hello);
    }
    if (wait < 0)
        timer_.stop();
    else
        timer_.wakeIn(wait);
}

void SecureSession::fail(Trouble why)
{
    stop();
    if (out_.failed)
        out_.failed(why);
}

}  // namespace moyuta::network
