#pragma once
// The secure session's channel over Qt's QDtls (OpenSSL): DTLS 1.2 with
// ECDHE-PSK-CHACHA20-POLY1305 on one unconnected QUdpSocket, which also
// carries cleartext datagrams. The server side answers a first ClientHello
// with a cookie (QDtlsClientVerifier) so a spoofed flood costs it no handshake
// state. Only the configured peer's address and port are heard. A wrong key
// never fails by itself in DTLS (bad records are dropped and the handshake
// resends for ever), so the deadline ends it.
// Qt resends a lost flight only after 1, 2, 4… s; a client whose handshake
// stalls starts it again sooner, and the server takes a new ClientHello (a
// fresh random with a valid cookie) as the start of a new handshake.
// Callbacks may close or restart the channel but must not delete it (use deleteLater).

#include "SecureChannel.h"

#include <QElapsedTimer>
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
    static constexpr qint64 kMaxDatagramBytes = 65536;  // read whole: never ask the size first
    // A client handshake that heard nothing for this long (or four round trips) starts again.
    static constexpr int kStallMs = 250;

private:
    void resolve(const QString &host);
    void bindTo(const QList<QHostAddress> &found);
    QDtls *makeDtls();
    void newDtls();
    void onStall();
    void serverHello(const QByteArray &datagram, const QByteArray &random);
    void pendingStep(const QByteArray &datagram);
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
    QTimer *stall_;
    QDtls *dtls_ = nullptr;
    // The server's handshake with a client that started again while this side
    // already counts as established; it replaces dtls_ once complete.
    QDtls *pending_ = nullptr;
    QByteArray helloRandom_;  // the newest handshake's ClientHello random (server)
    QElapsedTimer helloSent_;  // when the client last sent a first flight
    qint64 roundTripMs_ = -1;
    int restarts_ = 0;
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
