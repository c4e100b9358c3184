#pragma once
// The secure session's channel: DTLS 1.2 with a pre-shared key between this
// copy and its peer. One datagram carries one message; the channel neither
// resends nor orders messages (the layer above does), but drops anything that
// was not sent by the peer in this session, or was sent before.

#include <QByteArray>
#include <QString>

#include <functional>

namespace moyuta::network {

class SecureChannelPort {
public:
    enum class Failure {
        BindFailed,         // the own port is taken
        HostNotFound,       // the peer's name does not resolve
        HandshakeTimedOut,  // no handshake by the deadline: a wrong key looks like this
        HandshakeFailed,    // the library gave up on the handshake
        BackendMissing,     // no TLS backend with DTLS and the PSK cipher suite
        PeerClosed,         // the peer ended the session
        ConnectionLost,     // the library ended the established session on an error
    };

    virtual ~SecureChannelPort() = default;
    // Closes any earlier session, binds the own port and starts the handshake
    // as DTLS server or client. Ends in onEstablished or onFailed, never both.
    virtual void start(const QString &peerHost, quint16 peerPort, quint16 ownPort, const QByteArray &psk,
                       bool asServer, int handshakeDeadlineMs) = 0;
    // Sends one message as one encrypted datagram; false when not established.
    virtual bool send(const QByteArray &plaintext) = 0;
    // Tells the peer (when established) and releases the socket. No callback follows.
    virtual void close() = 0;
    virtual bool isEstablished() const = 0;

    std::function<void()> onEstablished;
    std::function<void(Failure)> onFailed;
    std::function<void(const QByteArray &plaintext)> onMessage;
};

}  // namespace moyuta::network
