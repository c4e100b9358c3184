#pragma once
// The secure session's channel over Qt's QDtls (OpenSSL): DTLS 1.2 with
// ECDHE-PSK-CHACHA20-POLY1305 on one unconnected QUdpSocket, which also
// carries cleartext datagrams. The server side answers a first ClientHello
// with a cookie (QDtlsClientVerifier) so a spoofed flood costs it no handshake
// state. Only the configured peer's address and port are heard. A wrong key
// never fails by itself in DTLS (bad records are dropped and the handshake
// resends for ever), so the deadline ends it.
// Callbacks may close or restart the channel but must not delete it (use deleteLater).

#include "SecureChannel.h"

#include <QHostAddress>
#include <QObject>
#include <QSslCipher>

class QDtls;
class QDtlsClientVerifier;
class QSslPreSharedKeyAuthenticator;
class QTimer;
class QUdpSocket;

namespace moyuta::ui {

class QtDtlsChannel : public QObject, public network::SecureChannelPort {
    Q_OBJECT
public:
    explicit QtDtlsChannel(QObject *parent = nullptr);
    ~QtDtlsChannel() override;

    void open(const QString &peerHost, quint16 peerPort, quint16 ownPort) override;
    bool sendPlain(const QByteArray &datagram) override;
    void handshake(const QByteArray &psk, bool asServer, int deadlineMs) override;
    void endSession() override;
    bool send(const QByteArray &plaintext) override;
    void close() override;
    bool isOpen() const override;
    bool isEstablished() const override;

    // The negotiated suite and protocol; null before the handshake is done.
    QSslCipher sessionCipher() const;
    QSsl::SslProtocol sessionProtocol() const;

    // Whether this Qt has a TLS backend with DTLS 1.2 and the cipher suite.
    static bool backendAvailable();
    // Whether a datagram is a DTLS record by its first byte (content types 20–23).
    static bool isRecord(const QByteArray &datagram);

    static constexpr char kCipherSuite[] = "ECDHE-PSK-CHACHA20-POLY1305";
    static constexpr char kIdentity[] = "moyuta";
    // Datagrams taken per pass before the event loop gets a turn (a flood starves nothing).
    static constexpr int kDatagramsPerPass = 256;

private:
    void resolve(const QString &host);
    void bindTo(const QHostAddress &peer);
    void newDtls();
    void readPending();
    void handleRecord(const QByteArray &datagram);
    void handshakeStep(const QByteArray &datagram);
    void decrypt(const QByteArray &datagram);
    void answerPsk(QSslPreSharedKeyAuthenticator *auth);
    void onDeadline();
    void failOpen(Failure why);
    void failSession(Failure why);
    void dropSession();

    QUdpSocket *socket_;
    QTimer *deadline_;
    QDtls *dtls_ = nullptr;
    QDtlsClientVerifier *verifier_ = nullptr;
    QHostAddress peer_;
    quint16 peerPort_ = 0;
    quint16 ownPort_ = 0;
    QByteArray psk_;
    bool asServer_ = false;
    bool open_ = false;
    bool established_ = false;
    int lookupId_ = -1;
    // Count sockets and DTLS sessions: a queued report or read from an earlier one is dropped.
    quint64 socketGeneration_ = 0;
    quint64 sessionGeneration_ = 0;
};

}  // namespace moyuta::ui
