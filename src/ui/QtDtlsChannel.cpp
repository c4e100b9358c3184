#include "QtDtlsChannel.h"

#include <QDtls>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QSslPreSharedKeyAuthenticator>
#include <QSslSocket>
#include <QTimer>
#include <QUdpSocket>

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

QHostAddress firstIPv4(const QHostInfo &info)
{
    for (const QHostAddress &a : info.addresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a;
    return {};
}

}  // namespace

QtDtlsChannel::QtDtlsChannel(QObject *parent)
    : QObject(parent), socket_(new QUdpSocket(this)), deadline_(new QTimer(this))
{
    deadline_->setSingleShot(true);
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
    resolve(peerHost.trimmed());
}

void QtDtlsChannel::resolve(const QString &host)
{
    QHostAddress literal;
    if (literal.setAddress(host)) {
        if (literal.protocol() != QAbstractSocket::IPv4Protocol)
            return failOpen(Failure::HostNotFound);
        return bindTo(literal);
    }
    const quint64 socket = socketGeneration_;
    lookupId_ = QHostInfo::lookupHost(host, this, [this, socket](const QHostInfo &info) {
        if (socket != socketGeneration_)
            return;
        lookupId_ = -1;
        const QHostAddress found = firstIPv4(info);
        if (found.isNull())
            return failOpen(Failure::HostNotFound);
        bindTo(found);
    });
}

void QtDtlsChannel::bindTo(const QHostAddress &peer)
{
    peer_ = peer;
    if (!socket_->bind(QHostAddress::AnyIPv4, ownPort_, QAbstractSocket::DontShareAddress))
        return failOpen(Failure::BindFailed);
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
    newDtls();
}

// A fresh handshake: the client sends its first flight, the server waits for one.
void QtDtlsChannel::newDtls()
{
    if (dtls_) {
        dtls_->disconnect(this);
        dtls_->deleteLater();
    }
    dtls_ = new QDtls(asServer_ ? QSslSocket::SslServerMode : QSslSocket::SslClientMode, this);
    if (!dtls_->setDtlsConfiguration(dtlsConfiguration()))
        return failSession(Failure::HandshakeFailed);
    connect(dtls_, &QDtls::pskRequired, this, &QtDtlsChannel::answerPsk);
    connect(dtls_, &QDtls::handshakeTimeout, this, [this] {
        if (dtls_->handshakeState() == QDtls::HandshakeInProgress)
            dtls_->handleTimeout(socket_);
    });
    if (asServer_)
        return;
    if (!dtls_->setPeer(peer_, peerPort_) || !dtls_->doHandshake(socket_))
        failSession(Failure::HandshakeFailed);
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
    for (int i = 0; i < kDatagramsPerPass; ++i) {
        if (socket != socketGeneration_ || !socket_->hasPendingDatagrams())
            return;
        const QNetworkDatagram d = socket_->receiveDatagram();
        // Only the configured peer is heard; error reports and empty datagrams say nothing.
        if (!d.isValid() || d.data().isEmpty() || d.senderPort() != peerPort_
            || !d.senderAddress().isEqual(peer_, QHostAddress::ConvertV4MappedToIPv4))
            continue;
        if (isRecord(d.data()))
            handleRecord(d.data());
        else if (onPlain)
            onPlain(d.data());
    }
    if (socket == socketGeneration_ && socket_->hasPendingDatagrams())
        QMetaObject::invokeMethod(this, [this, socket] {
            if (socket == socketGeneration_)
                readPending();
        }, Qt::QueuedConnection);
}

void QtDtlsChannel::handleRecord(const QByteArray &datagram)
{
    if (!dtls_)
        return;
    if (established_)
        return decrypt(datagram);
    if (asServer_ && dtls_->handshakeState() == QDtls::HandshakeNotStarted) {
        // Without a valid cookie the verifier answers (or drops) and nothing is kept.
        if (!verifier_->verifyClient(socket_, datagram, peer_, peerPort_))
            return;
        dtls_->setPeer(peer_, peerPort_);
    }
    handshakeStep(datagram);
}

void QtDtlsChannel::handshakeStep(const QByteArray &datagram)
{
    const quint64 session = sessionGeneration_;
    const bool ok = dtls_->doHandshake(socket_, datagram);
    if (session != sessionGeneration_)
        return;
    if (ok && dtls_->handshakeState() == QDtls::HandshakeComplete) {
        established_ = true;
        deadline_->stop();
        if (onEstablished)
            onEstablished();
        return;
    }
    // A handshake the library gave up on starts again until the deadline:
    // one forged datagram does not end the attempt.
    if (dtls_->handshakeState() == QDtls::HandshakeNotStarted)
        newDtls();
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
    if (dtls_) {
        if (dtls_->handshakeState() == QDtls::HandshakeInProgress)
            dtls_->abortHandshake(socket_);
        dtls_->disconnect(this);
        dtls_->deleteLater();  // it may be the sender of the signal being handled
        dtls_ = nullptr;
    }
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
