#include "QtDtlsChannel.h"

#include "PeerAddress.h"

#include <QDtls>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QSslPreSharedKeyAuthenticator>
#include <QSslSocket>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <utility>

namespace moyuta::ui {

namespace {

QSslConfiguration dtlsConfiguration()
{
    QSslConfiguration conf = QSslConfiguration::defaultDtlsConfiguration();
    conf.setProtocol(QSsl::DtlsV1_2);
    conf.setCiphers({QSslCipher(QString::fromLatin1(QtDtlsChannel::kCipherSuite))});
    conf.setPeerVerifyMode(QSslSocket::VerifyNone);  // the key authenticates, no certificates
    // Cookie verification stays on: with it off Qt's server never answers the
    // ClientHello. The verifier's cookie passes it.
    return conf;
}

// The random of a DTLS 1.2 ClientHello in epoch 0 (record header 13 bytes,
// handshake header 12, client version 2), or empty for any other datagram.
QByteArray clientHelloRandom(const QByteArray &d)
{
    constexpr int kRandomAt = 13 + 12 + 2, kRandomBytes = 32;
    const auto at = [&d](int i) { return quint8(d[i]); };
    if (d.size() < kRandomAt + kRandomBytes || at(0) != 22 || at(3) != 0 || at(4) != 0 || at(13) != 1
        || at(19) != 0 || at(20) != 0 || at(21) != 0)
        return {};
    return d.mid(kRandomAt, kRandomBytes);
}

void discard(QDtls *dtls, QUdpSocket *socket, QObject *receiver)
{
    if (!dtls)
        return;
    if (dtls->handshakeState() == QDtls::HandshakeInProgress)
        dtls->abortHandshake(socket);
    dtls->disconnect(receiver);
    dtls->deleteLater();  // it may be the sender of the signal being handled
}

}  // namespace

QtDtlsChannel::QtDtlsChannel(QObject *parent)
    : QObject(parent), socket_(new QUdpSocket(this)), deadline_(new QTimer(this)), stall_(new QTimer(this))
{
    deadline_->setSingleShot(true);
    stall_->setSingleShot(true);
    connect(stall_, &QTimer::timeout, this, &QtDtlsChannel::onStall);
    connect(deadline_, &QTimer::timeout, this, &QtDtlsChannel::onDeadline);
    connect(socket_, &QUdpSocket::readyRead, this, &QtDtlsChannel::readPending);
}

QtDtlsChannel::~QtDtlsChannel()
{
    close();
}

bool QtDtlsChannel::backendAvailable()
{
    return QSslSocket::supportsSsl() && QSslSocket::isClassImplemented(QSsl::ImplementedClass::Dtls)
        && QSslSocket::isProtocolSupported(QSsl::DtlsV1_2)
        && !QSslCipher(QString::fromLatin1(kCipherSuite)).isNull();
}

bool QtDtlsChannel::isRecord(const QByteArray &datagram)
{
    const int type = datagram.isEmpty() ? 0 : quint8(datagram.front());
    return type >= 20 && type <= 23;
}

void QtDtlsChannel::open(const QString &peerHost, quint16 peerPort, quint16 ownPort)
{
    close();
    peerPort_ = peerPort;
    ownPort_ = ownPort;
    if (!backendAvailable())
        return failOpen(Failure::BackendMissing);
    resolve(peerHostText(peerHost));
}

void QtDtlsChannel::resolve(const QString &host)
{
    QHostAddress literal;
    if (literal.setAddress(host))
        return bindTo({literal});
    const quint64 socket = socketGeneration_;
    lookupId_ = QHostInfo::lookupHost(host, this, [this, socket](const QHostInfo &info) {
        if (socket != socketGeneration_)
            return;
        lookupId_ = -1;
        bindTo(info.addresses());
    });
}

void QtDtlsChannel::bindTo(const QList<QHostAddress> &found)
{
    if (found.isEmpty())
        return failOpen(Failure::HostNotFound);
    const SocketFamily family = bindBothFamilies(*socket_, ownPort_);
    if (family == SocketFamily::Unbound)
        return failOpen(Failure::BindFailed);
    peer_ = pickPeerAddress(found, family);
    if (peer_.isNull())
        return failOpen(Failure::HostNotFound);  // an IPv6 peer, and this system has no IPv6
    open_ = true;
    const quint64 socket = socketGeneration_;
    QMetaObject::invokeMethod(this, [this, socket] {
        if (socket == socketGeneration_ && onOpened)
            onOpened();
    }, Qt::QueuedConnection);
}

bool QtDtlsChannel::sendPlain(const QByteArray &datagram)
{
    // The other side would take a datagram that looks like a record for one.
    if (!open_ || datagram.isEmpty() || isRecord(datagram))
        return false;
    return socket_->writeDatagram(datagram, peer_, peerPort_) == datagram.size();
}

void QtDtlsChannel::handshake(const QByteArray &psk, bool asServer, int deadlineMs)
{
    dropSession();
    if (!open_)
        return failSession(Failure::HandshakeFailed);
    psk_ = psk;
    asServer_ = asServer;
    if (asServer_)
        verifier_ = new QDtlsClientVerifier(this);
    deadline_->start(deadlineMs);
    roundTripMs_ = -1;
    restarts_ = 0;
    newDtls();
}

QDtls *QtDtlsChannel::makeDtls()
{
    auto *dtls = new QDtls(asServer_ ? QSslSocket::SslServerMode : QSslSocket::SslClientMode, this);
    if (!dtls->setDtlsConfiguration(dtlsConfiguration()) || !dtls->setPeer(peer_, peerPort_)) {
        delete dtls;
        return nullptr;
    }
    connect(dtls, &QDtls::pskRequired, this, &QtDtlsChannel::answerPsk);
    connect(dtls, &QDtls::handshakeTimeout, this, [this, dtls] {
        if (dtls->handshakeState() == QDtls::HandshakeInProgress)
            dtls->handleTimeout(socket_);
    });
    return dtls;
}

// A fresh handshake: the client sends its first flight, the server waits for one.
void QtDtlsChannel::newDtls()
{
    discard(dtls_, socket_, this);
    dtls_ = makeDtls();
    if (!dtls_)
        return failSession(Failure::HandshakeFailed);
    if (asServer_)
        return;
    helloSent_.start();
    // Until a round trip is known the wait doubles, so a slow path is not cut short for ever.
    stall_->start(roundTripMs_ >= 0 ? std::max<qint64>(kStallMs, 4 * roundTripMs_)
                                    : qint64(kStallMs) << std::min(restarts_, 3));
    if (!dtls_->doHandshake(socket_))
        failSession(Failure::HandshakeFailed);
}

void QtDtlsChannel::onStall()
{
    if (established_ || !dtls_ || asServer_)
        return;
    ++restarts_;
    newDtls();
}

void QtDtlsChannel::answerPsk(QSslPreSharedKeyAuthenticator *auth)
{
    if (!asServer_)
        auth->setIdentity(kIdentity);
    auth->setPreSharedKey(psk_);
}

void QtDtlsChannel::readPending()
{
    const quint64 socket = socketGeneration_;
    bool took = false;
    for (int i = 0; i < kDatagramsPerPass; ++i) {
        if (socket != socketGeneration_)
            return;
        // Read whole, without asking the size first: under a flood Qt's size
        // query failed while the kernel's queue was full, and reading stopped
        // for good. Every read also re-arms the socket's notifier.
        const QNetworkDatagram d = socket_->receiveDatagram(kMaxDatagramBytes);
        if (!d.isValid()) {
            if (!socket_->hasPendingDatagrams())
                break;
            continue;
        }
        took = true;
        // Only the configured peer is heard; empty datagrams say nothing.
        if (d.data().isEmpty() || d.senderPort() != peerPort_
            || !d.senderAddress().isEqual(peer_, QHostAddress::ConvertV4MappedToIPv4))
            continue;
        if (isRecord(d.data()))
            handleRecord(d.data());
        else if (onPlain)
            onPlain(d.data());
    }
    if (took && socket == socketGeneration_ && socket_->hasPendingDatagrams())
        QMetaObject::invokeMethod(this, [this, socket] {
            if (socket == socketGeneration_)
                readPending();
        }, Qt::QueuedConnection);
}

void QtDtlsChannel::handleRecord(const QByteArray &datagram)
{
    if (!dtls_)
        return;
    if (asServer_) {
        const QByteArray random = clientHelloRandom(datagram);
        if (!random.isEmpty())
            return serverHello(datagram, random);
        if (dtls_->handshakeState() == QDtls::HandshakeNotStarted)
            return;
    }
    if (!established_)
        return handshakeStep(datagram);
    const int type = quint8(datagram.front());
    if (pending_ && (type == 20 || type == 22))  // ChangeCipherSpec, handshake
        return pendingStep(datagram);
    decrypt(datagram);
}

// Without a valid cookie the verifier answers (or drops) and nothing is kept.
// A resent ClientHello goes to the handshake it started; a new one (the client
// gave up on a stalled handshake) starts a new handshake. An established
// session stays until the new handshake completes, so a stray ClientHello
// cannot end it.
void QtDtlsChannel::serverHello(const QByteArray &datagram, const QByteArray &random)
{
    if (!verifier_->verifyClient(socket_, datagram, peer_, peerPort_))
        return;
    if (random == helloRandom_) {
        if (pending_)
            pendingStep(datagram);
        else if (!established_)
            handshakeStep(datagram);
        return;
    }
    helloRandom_ = random;
    if (established_) {
        discard(pending_, socket_, this);
        pending_ = makeDtls();
        if (pending_)
            pendingStep(datagram);
        return;
    }
    if (dtls_->handshakeState() != QDtls::HandshakeNotStarted)
        newDtls();
    if (dtls_)
        handshakeStep(datagram);
}

void QtDtlsChannel::handshakeStep(const QByteArray &datagram)
{
    const quint64 session = sessionGeneration_;
    if (!asServer_ && !established_) {
        if (helloSent_.isValid())
            roundTripMs_ = helloSent_.elapsed();
        helloSent_.invalidate();  // one sample per first flight
        stall_->start(std::max<qint64>(kStallMs, 4 * roundTripMs_));  // it moved: wait again
    }
    const bool ok = dtls_->doHandshake(socket_, datagram);
    if (session != sessionGeneration_)
        return;
    if (ok && dtls_->handshakeState() == QDtls::HandshakeComplete) {
        established_ = true;
        deadline_->stop();
        stall_->stop();
        if (onEstablished)
            onEstablished();
        return;
    }
    // A handshake the library gave up on starts again until the deadline:
    // one forged datagram does not end the attempt.
    if (dtls_->handshakeState() == QDtls::HandshakeNotStarted) {
        helloRandom_.clear();
        newDtls();
    }
}

// The client is already established with the new handshake's result once the
// server's last flight arrives, so the swap needs no report.
void QtDtlsChannel::pendingStep(const QByteArray &datagram)
{
    const bool ok = pending_->doHandshake(socket_, datagram);
    if (ok && pending_->handshakeState() == QDtls::HandshakeComplete) {
        discard(dtls_, socket_, this);
        dtls_ = std::exchange(pending_, nullptr);
        return;
    }
    if (pending_->handshakeState() == QDtls::HandshakeNotStarted) {
        discard(pending_, socket_, this);
        pending_ = nullptr;
        helloRandom_.clear();
    }
}

void QtDtlsChannel::decrypt(const QByteArray &datagram)
{
    const QByteArray plain = dtls_->decryptDatagram(socket_, datagram);
    if (!plain.isEmpty()) {
        if (onMessage)
            onMessage(plain);
        return;
    }
    // Bad, replayed and old records come back empty and leave the session up.
    if (!dtls_->isConnectionEncrypted())
        failSession(dtls_->dtlsError() == QDtlsError::RemoteClosedConnectionError ? Failure::PeerClosed
                                                                                   : Failure::ConnectionLost);
}

bool QtDtlsChannel::send(const QByteArray &plaintext)
{
    if (!established_ || plaintext.isEmpty())
        return false;
    return dtls_->writeDatagramEncrypted(socket_, plaintext) == plaintext.size();
}

void QtDtlsChannel::onDeadline()
{
    if (!established_)
        failSession(Failure::HandshakeTimedOut);
}

// Closes the socket now and reports once the caller's stack has unwound.
void QtDtlsChannel::failOpen(Failure why)
{
    close();
    const quint64 socket = socketGeneration_;
    QMetaObject::invokeMethod(this, [this, socket, why] {
        if (socket == socketGeneration_ && onFailed)
            onFailed(why);
    }, Qt::QueuedConnection);
}

// Ends the DTLS session now (the socket stays open) and reports later.
void QtDtlsChannel::failSession(Failure why)
{
    dropSession();
    const quint64 session = sessionGeneration_;
    QMetaObject::invokeMethod(this, [this, session, why] {
        if (session == sessionGeneration_ && onFailed)
            onFailed(why);
    }, Qt::QueuedConnection);
}

void QtDtlsChannel::endSession()
{
    if (established_ && dtls_)
        dtls_->shutdown(socket_);  // the peer's channel reports PeerClosed
    dropSession();
}

void QtDtlsChannel::close()
{
    endSession();
    ++socketGeneration_;
    if (lookupId_ != -1)
        QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = -1;
    socket_->close();
    open_ = false;
}

void QtDtlsChannel::dropSession()
{
    ++sessionGeneration_;
    deadline_->stop();
    stall_->stop();
    discard(dtls_, socket_, this);
    discard(pending_, socket_, this);
    dtls_ = pending_ = nullptr;
    helloRandom_.clear();
    helloSent_.invalidate();
    delete verifier_;
    verifier_ = nullptr;
    established_ = false;
    psk_.fill('\0');
    psk_.clear();
}

QSslCipher QtDtlsChannel::sessionCipher() const
{
    return established_ ? dtls_->sessionCipher() : QSslCipher();
}

QSsl::SslProtocol QtDtlsChannel::sessionProtocol() const
{
    return established_ ? dtls_->sessionProtocol() : QSsl::UnknownProtocol;
}

bool QtDtlsChannel::isOpen() const
{
    return open_;
}

bool QtDtlsChannel::isEstablished() const
{
    return established_;
}

}  // namespace moyuta::ui
