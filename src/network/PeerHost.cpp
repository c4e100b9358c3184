#include "PeerHost.h"

#include <QHostAddress>

namespace moyuta::network {

QString peerHostText(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.size() < 2 || !text.startsWith(QLatin1Char('[')) || !text.endsWith(QLatin1Char(']')))
        return text;
    const QString inner = text.mid(1, text.size() - 2).trimmed();
    QHostAddress literal;
    return literal.setAddress(inner) && literal.protocol() == QAbstractSocket::IPv6Protocol ? inner : text;
}

bool peerInsideHome(const QString &typed)
{
    const QString text = peerHostText(typed);
    if (text.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress address;
    if (!address.setAddress(text))
        return false;
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);  // also for ::ffff:a.b.c.d
    if (mapped) {
        static const char *const kHomeRanges[] = {"127.0.0.0/8", "10.0.0.0/8", "172.16.0.0/12", "192.168.0.0/16",
                                                  "169.254.0.0/16"};
        const QHostAddress plain(v4);
        for (const char *range : kHomeRanges)
            if (plain.isInSubnet(QHostAddress::parseSubnet(QLatin1String(range))))
                return true;
        return false;
    }
    return address.isLoopback() || address.isLinkLocal() || address.isUniqueLocalUnicast() || address.isSiteLocal();
}

}  // namespace moyuta::network
