#pragma once
// The peer address as typed in the network panel: an IPv4 or IPv6 address (an
// IPv6 one also in brackets, or with a zone as in fe80::1%eth0) or a computer name.

#include <QString>

namespace moyuta::network {

// The typed text without surrounding spaces; "[v6]" loses its brackets. A
// bracketed text that is no IPv6 address stays as it is and resolves to nothing.
QString peerHostText(const QString &typed);

// Whether the typed address is this computer or one in the same home
// (loopback, a private or link-local range, "localhost"): no router between.
// A name other than "localhost" is not: only its look-up could tell.
bool peerInsideHome(const QString &typed);

}  // namespace moyuta::network
