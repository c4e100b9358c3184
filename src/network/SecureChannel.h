#pragma once
// The secure session's channel: one UDP socket to the peer that carries the
// cleartext hello and then DTLS 1.2 with a pre-shared key. One datagram
// carries one message; the channel neither resends nor orders messages (the
// layer above does), but drops anything that was not sent by the peer in this
// DTLS session, or was sent before.

#include <QByteArray>
#include <QString>

#include <functional>

namespace moyuta::network {

class SecureChannelPort {
public:
    enum class Failure {
        BindFailed,         // the own port is taken
        HostNotFound,       // the peer's name does not resolve
        BackendMissing,     // no TLS backend with DTLS and the PSK cipher suite
        HandshakeTimedOut,  // no handshake by the deadline: a wrong key looks like this
        HandshakeFailed,    // the library gave up on the handshake
        PeerClosed,         // the peer ended the DTLS session
        ConnectionLost,     // the library ended the established session on an error
    };

    virtual ~SecureChannelPort() = default;
    // Closes anything earlier, resolves the peer and binds the own port. Ends
    // in onOpened, or onFailed with BindFailed, HostNotFound or BackendMissing
    // (the socket is then closed).
    virtual void open(const QString &peerHost, quint16 peerPort, quint16 ownPort) = 0;
    // One cleartext datagram to the peer; false when not open.
    virtual bool sendPlain(const QByteArray &datagram) = 0;
    // Starts a DTLS handshake as server or client on the open socket, dropping
    // any earlier DTLS session. Ends in onEstablished, or onFailed with
    // HandshakeTimedOut or HandshakeFailed; the socket stays open either way.
    virtual void handshake(const QByteArray &psk, bool asServer, int deadlineMs) = 0;
    // Ends the DTLS session (telling the peer when established); the socket stays open.
    virtual void endSession() = 0;
    // Sends one message as one encrypted datagram; false when not established.
    virtual bool send(const QByteArray &plaintext) = 0;
    // Tells the peer (when established) and releases the socket. No callback follows.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool isEstablished() const = 0;

    // Callbacks may call any function above, but must not delete the channel.
    std::function<void()> onOpened;
    std::function<void()> onEstablished;
    // After PeerClosed or ConnectionLost the socket stays open, without a DTLS session.
    std::function<void(Failure)> onFailed;
    std::function<void(const QByteArray &plaintext)> onMessage;
    // A datagram from the peer that is no DTLS record (its first byte lies
    // outside 20–23): the other side's hello, or a classic peer's text.
    std::function<void(const QByteArray &datagram)> onPlain;
};

// Derives the session key away from the caller's thread (it takes a tenth of
// a second by design).
class KeyDerivationPort {
public:
    virtual ~KeyDerivationPort() = default;
    // `done` runs later, on the caller's thread, with the key (empty when the
    // library fails). A later derive() or cancel() drops an earlier result.
    virtual void derive(const QString &password, int cipherNumber, const QByteArray &salt,
                        std::function<void(const QByteArray &key)> done) = 0;
    virtual void cancel() = 0;
};

// One wake-up timer and a steady clock for the session's resends and heartbeats.
class SessionTimerPort {
public:
    virtual ~SessionTimerPort() = default;
    virtual qint64 nowMs() const = 0;
    // Replaces any earlier wake-up.
    virtual void wakeIn(qint64 ms) = 0;
    virtual void stop() = 0;
    std::function<void()> onWake;
};

}  // namespace moyuta::network
