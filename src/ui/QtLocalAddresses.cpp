#include "QtLocalAddresses.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QNetworkInterface>

namespace moyuta::ui {

bool QtLocalAddresses::reachable(const QHostAddress &address, bool temporary, bool deprecated)
{
    if (address.protocol() != QAbstractSocket::IPv6Protocol || temporary || deprecated)
        return false;
    bool mappedV4 = false;
    address.toIPv4Address(&mappedV4);
    if (mappedV4 || address.isLoopback() || address.isLinkLocal() || address.isUniqueLocalUnicast()
        || address.isMulticast() || address.isSiteLocal())
        return false;
    // Global unicast is 2000::/3; the rest is reserved or special.
    return (address.toIPv6Address()[0] & 0xE0) == 0x20;
}

QStringList QtLocalAddresses::globalIPv6() const
{
    QStringList found;
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning)
            || (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
            // A deprecated address's preferred lifetime is over; the system still answers on it.
            const bool deprecated = entry.isLifetimeKnown() && entry.preferredLifetime().hasExpired();
            QHostAddress ip = entry.ip();
            if (!reachable(ip, entry.isTemporary(), deprecated))
                continue;
            ip.setScopeId({});
            if (!found.contains(ip.toString()))
                found << ip.toString();
        }
    }
    return found;
}

}  // namespace moyuta::ui
