#include "PeerAddress.h"

#include <QUdpSocket>

namespace moyuta::ui {

QHostAddress pickPeerAddress(const QList<QHostAddress> &found, SocketFamily family)
{
    for (const QHostAddress &a : found) {
        if (a.isNull())
            continue;
        if (family == SocketFamily::DualStack)
            return a;
        if (family != SocketFamily::IPv4Only)
            break;
        bool isIPv4 = false;
        const quint32 v4 = a.toIPv4Address(&isIPv4);  // also true for ::ffff:a.b.c.d
        if (isIPv4)
            return QHostAddress(v4);
    }
    return {};
}

bool fallsBackToIPv4(QAbstractSocket::SocketError error)
{
    return error == QAbstractSocket::UnsupportedSocketOperationError;
}

SocketFamily bindBothFamilies(QUdpSocket &socket, quint16 ownPort)
{
    // Qt may itself open an IPv4 socket for the any-address; the bound address tells.
    if (socket.bind(QHostAddress::Any, ownPort, QAbstractSocket::DontShareAddress))
        return socket.localAddress().protocol() == QAbstractSocket::IPv4Protocol ? SocketFamily::IPv4Only
                                                                                 : SocketFamily::DualStack;
    if (!fallsBackToIPv4(socket.error()))
        return SocketFamily::Unbound;
    socket.close();
    return socket.bind(QHostAddress::AnyIPv4, ownPort, QAbstractSocket::DontShareAddress) ? SocketFamily::IPv4Only
                                                                                            : SocketFamily::Unbound;
}

}  // namespace moyuta::ui
