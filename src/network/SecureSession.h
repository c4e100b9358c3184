#pragma once
// The secure session between two copies of Moyuta: a cleartext hello that
// trades fresh nonces, the key derived from the password and the cipher
// number with both nonces as salt, a DTLS handshake with that key, and a
// reliable link inside the DTLS channel. It knows nothing of the game: the
// messages it carries are the game's own texts.
//
// Hello: "\0MYT" 1, flags, own nonce, the peer's nonce as last heard (zeros
// before). Both sides send it until the DTLS session stands; the side with
// the larger nonce is the DTLS server. Once a session stands, hellos are
// heeded again only after the peer has gone silent or closed, so a forged
// hello cannot tear a live session down.

#include "ReliableLink.h"
#include "SecureChannel.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace moyuta::network {

class SecureSession {
public:
    enum class Phase { Idle, Opening, Hello, Handshaking, Established };
    enum class Trouble {
        BindFailed,
        HostNotFound,
        BackendMissing,
        KeyMismatch,  // the handshake did not complete: a different password or cipher number
        ClassicPeer,  // the peer speaks only the classic protocol
    };
    struct Established {
        bool asServer = false;     // this side orders crossing actions
        bool peerHasGame = false;  // the peer's hello said it keeps a game
        bool resumed = false;      // an earlier session of this attempt had stood
    };
    struct Callbacks {
        std::function<void(const Established &)> established;
        std::function<void(const QString &)> message;
        std::function<void(bool silent)> peerSilent;  // also true when the peer closed
        std::function<void(Trouble)> failed;          // the attempt is over
        // Whether a datagram that is neither hello nor DTLS is a classic peer's text.
        std::function<bool(const QByteArray &)> isClassicText;
        // Whether this side keeps a game, told to the peer in the hello.
        std::function<bool()> hasGame;
    };

    static constexpr qint64 kHelloIntervalMs = 200;
    static constexpr qint64 kSlowHelloIntervalMs = 1000;  // after kFastHelloMs without an answer
    static constexpr qint64 kFastHelloMs = 10000;
    static constexpr int kHandshakeDeadlineMs = 12000;
    static constexpr qint64 kHelloAnswerGapMs = 50;  // an answer to a hello at most this often
    static constexpr int kHelloBytes = 4 + 1 + 1 + 2 * 16;

    SecureSession(SecureChannelPort &channel, KeyDerivationPort &keys, SessionTimerPort &timer, Callbacks callbacks);
    ~SecureSession();

    // Opens the socket and starts trading hellos.
    void start(const QString &peerHost, quint16 peerPort, quint16 ownPort, const QString &password, int cipherNumber);
    // Queues a message for the peer; false when no session stands or the queue is full.
    bool send(const QString &text);
    // Ends the session (the peer hears a DTLS close) and releases the socket.
    void stop();
    // Nothing waits to be sent or acknowledged.
    bool idle() const;

    Phase phase() const { return phase_; }
    bool isPeerSilent() const { return silent_; }
    const ReliableLink *link() const { return link_.get(); }

private:
    void onOpened();
    void onPlain(const QByteArray &datagram);
    void onHello(const QByteArray &nonce, const QByteArray &echo, quint8 flags);
    void onKey(const QByteArray &key);
    void onEstablished();
    void onFailed(SecureChannelPort::Failure why);
    void onMessage(const QByteArray &plaintext);
    void onWake();
    void afterLink();
    void enterHello();
    void maybeHandshake();
    void sendHello();
    void setSilent(bool silent);
    void rearm();
    void fail(Trouble why);
    void retireLink();

    // Marks a call into a link for as long as it runs.
    struct InLink {
        SecureSession &session;
        explicit InLink(SecureSession &s) : session(s) { ++session.linkDepth_; }
        ~InLink();
    };

    SecureChannelPort &channel_;
    KeyDerivationPort &keys_;
    SessionTimerPort &timer_;
    Callbacks out_;

    Phase phase_ = Phase::Idle;
    QString password_;
    int cipherNumber_ = 0;
    QByteArray nonce_, peerNonce_, key_;
    bool keyReady_ = false, peerReady_ = false;
    bool everEstablished_ = false;
    bool asServer_ = false;
    bool peerHasGame_ = false;
    bool silent_ = false;
    bool lostPeer_ = false;  // the link reported silence during its last call
    qint64 helloSince_ = 0, nextHelloAt_ = 0, lastAnswerAt_ = -1;
    std::unique_ptr<ReliableLink> link_;
    std::vector<std::unique_ptr<ReliableLink>> retired_;
    int linkDepth_ = 0;
    quint64 generation_ = 0;  // a stale key or callback from an earlier attempt is dropped
};

}  // namespace moyuta::network
