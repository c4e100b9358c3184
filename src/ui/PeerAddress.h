#pragma once
// The peer's address for both UDP adapters. The field holds an IPv4 or IPv6
// address (an IPv6 one also in brackets, or with a zone as in fe80::1%eth0) or
// a computer name. The own socket listens on both families where the system
// has IPv6, so the address picked from a name is one that socket can reach.

#include "PeerHost.h"

#include <QAbstractSocket>
#include <QHostAddress>
#include <QList>
#include <QString>

class QUdpSocket;

namespace moyuta::ui {

// How the own socket is bound, and so which peers it can send to.
enum class SocketFamily { Unbound, DualStack, IPv4Only };

using network::peerHostText;

// The first of a lookup's addresses (in the resolver's order) that a socket
// bound this way can reach; null when there is none. An IPv4-only socket
// takes an IPv4-mapped IPv6 address as its IPv4 address.
QHostAddress pickPeerAddress(const QList<QHostAddress> &found, SocketFamily family);

// Whether a bind on the dual-stack any-address that failed this way is tried
// again on IPv4 alone: only when the system has no IPv6, not when the port is taken.
bool fallsBackToIPv4(QAbstractSocket::SocketError error);

// Binds ownPort on every address of both families, or of IPv4 alone where the
// system has no IPv6. Unbound when the bind failed.
SocketFamily bindBothFamilies(QUdpSocket &socket, quint16 ownPort);

}  // namespace moyuta::ui
