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

void QtDtlsChannel::start(const QString &peerHost, quint16 peerPort, quint16 ownPort, const QByteArray &psk,
                          bool asServer, int handshakeDeadlineMs)
{
    close();
    psk_ = psk;
    asServer_ = asServer;
    peerPort_ = peerPort;
    ownPort_ = ownPort;
    if (!backendAvailable())
        return fail(Failure::BackendMissing);
    deadline_->start(handshakeDeadlineMs);  // the name's lookup counts too
    resolve(peerHost.trimmed());
}

void QtDtlsChannel::resolve(const QString &host)
{
    QHostAddress literal;
    if (literal.setAddress(host)) {
        if (literal.protocol() != QAbstractSocket::IPv4Protocol)
            return fail(Failure::HostNotFound);
        return begin(literal);
    }
    const quint64 session = generation_;
    lookupId_ = QHostInfo::lookupHost(host, this, [this, session](const QHostInfo &info) {
        if (session != generation_)
            return;
        lookupId_ = -1;
        const QHostAddress found = firstIPv4(info);
        if (found.isNull())
            return fail(Failure::HostNotFound);
        begin(found);
    });
}

void QtDtlsChannel::begin(const QHostAddress &peer)
{
    peer_ = peer;
    if (!socket_->bind(QHostAddress::AnyIPv4, ownPort_, QAbstractSocket::DontShareAddress))
        return fail(Failure::BindFailed);
    if (asServer_)
        verifier_ = new QDtlsClientVerifier(this);
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
        return fail(Failure::HandshakeFailed);
    connect(dtls_, &QDtls::pskRequired, this, &QtDtlsChannel::answerPsk);
    connect(dtls_, &QDtls::handshakeTimeout, this, [this] {
        if (dtls_->handshakeState() == QDtls::HandshakeInProgress)
            dtls_->handleTimeout(socket_);
    });
    if (asServer_)
        return;
    if (!dtls_->setPeer(peer_, peerPort_) || !dtls_->doHandshake(socket_))
        fail(Failure::HandshakeFailed);
}

void QtDtlsChannel::answerPsk(QSslPreSharedKeyAuthenticator *auth)
{
    if (!asServer_)
        auth->setIdentity(kIdentity);
    auth->setPreSharedKey(psk_);
}

void QtDtlsChannel::readPending()
{
    const quint64 session = generation_;
    for (int i = 0; i < kDatagramsPerPass; ++i) {
        if (session != generation_ || !socket_->hasPendingDatagrams())
            return;
        const QNetworkDatagram d = socket_->receiveDatagram();
        // Only the configured peer is heard; error reports are not datagrams.
        if (d.isValid() && d.senderAddress().isEqual(peer_, QHostAddress::ConvertV4MappedToIPv4)
            && d.senderPort() == peerPort_)
            handleDatagram(d.data());
    }
    if (session == generation_ && socket_->hasPendingDatagrams())
        QMetaObject::invokeMethod(this, [this, session] {
            if (session == generation_)
                readPending();
        }, Qt::QueuedConnection);
}

void QtDtlsChannel::handleDatagram(const QByteArray &datagram)
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
    const quint64 session = generation_;
    const bool ok = dtls_->doHandshake(socket_, datagram);
    if (session != generation_)
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
        fail(dtls_->dtlsError() == QDtlsError::RemoteClosedConnectionError ? Failure::PeerClosed
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
    if (established_)
        return;
    if (lookupId_ != -1)
        return fail(Failure::HostNotFound);
    if (dtls_ && dtls_->handshakeState() == QDtls::HandshakeInProgress)
        dtls_->abortHandshake(socket_);
    fail(Failure::HandshakeTimedOut);
}

// Ends the session now and reports once the caller's stack has unwound.
void QtDtlsChannel::fail(Failure why)
{
    reset();
    const quint64 session = generation_;
    QMetaObject::invokeMethod(this, [this, session, why] {
        if (session == generation_ && onFailed)
            onFailed(why);
    }, Qt::QueuedConnection);
}

void QtDtlsChannel::close()
{
    if (established_ && dtls_)
        dtls_->shutdown(socket_);  // the peer's channel reports PeerClosed
    reset();
}

void QtDtlsChannel::reset()
{
    ++generation_;
    deadline_->stop();
    if (lookupId_ != -1)
        QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = -1;
    if (dtls_) {
        if (dtls_->handshakeState() == QDtls::HandshakeInProgress)
            dtls_->abortHandshake(socket_);
        dtls_->disconnect(this);
        dtls_->deleteLater();  // it may be the sender of the signal being handled
        dtls_ = nullptr;
    }
    delete verifier_;
    verifier_ = nullptr;
    socket_->close();
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

bool QtDtlsChannel::isEstablished() const
{
    return established_;
}

}  // namespace moyuta::ui
