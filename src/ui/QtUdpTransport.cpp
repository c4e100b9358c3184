#include "QtUdpTransport.h"

#include "PeerAddress.h"

#include <QEventLoop>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

namespace moyuta::ui {

namespace {

// The addresses of a host name or address text, in the resolver's order;
// empty when there are none in time.
QList<QHostAddress> lookUp(const QString &host)
{
    QHostAddress literal;
    if (literal.setAddress(host))
        return {literal};

    QList<QHostAddress> found;
    QEventLoop loop;
    const int id = QHostInfo::lookupHost(host, &loop, [&](const QHostInfo &info) {
        found = info.addresses();
        loop.quit();
    });
    QTimer::singleShot(QtUdpTransport::kLookupTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    QHostInfo::abortHostLookup(id);
    return found;
}

}  // namespace

QtUdpTransport::QtUdpTransport(QObject *parent) : QObject(parent), socket_(new QUdpSocket(this))
{
    connect(socket_, &QUdpSocket::readyRead, this, [this] {
        if (onReadable)
            onReadable();
    });
}

QtUdpTransport::~QtUdpTransport() = default;

TransportPort::Setup QtUdpTransport::configure(const QString &peerHost, quint16 peerPort, quint16 ownPort)
{
    close();
    peer_.clear();
    peerPort_ = peerPort;
    const QList<QHostAddress> found = lookUp(peerHostText(peerHost));
    if (found.isEmpty())
        return Setup::HostNotFound;
    const SocketFamily family = bindBothFamilies(*socket_, ownPort);
    if (family == SocketFamily::Unbound)
        return Setup::BindFailed;
    peer_ = pickPeerAddress(found, family);
    if (peer_.isNull()) {
        socket_->close();  // an IPv6 peer, and this system has no IPv6
        return Setup::HostNotFound;
    }
    return Setup::Bound;
}

void QtUdpTransport::send(const QByteArray &datagram)
{
    if (isBound() && !peer_.isNull())
        socket_->writeDatagram(datagram, peer_, peerPort_);
}

// Read whole, without asking the size first (the size query can fail under a flood).
constexpr qint64 kMaxDatagramBytes = 65536;

bool QtUdpTransport::nextDatagram(QByteArray &datagram)
{
    // A few error reports in a row are skipped; a socket that only reports errors is left alone.
    // Read first: after an error report Qt may answer "nothing pending" while
    // datagrams wait; the read clears the report.
    for (int i = 0; i < 16; ++i) {
        const QNetworkDatagram d = socket_->receiveDatagram(kMaxDatagramBytes);
        if (!d.isValid()) {
            if (!socket_->hasPendingDatagrams())
                break;
            continue;  // an error report, not a datagram
        }
        datagram = d.data();
        return true;
    }
    return false;
}

void QtUdpTransport::close()
{
    socket_->close();
}

bool QtUdpTransport::isBound() const
{
    return socket_->state() == QAbstractSocket::BoundState;
}

}  // namespace moyuta::ui
