#pragma once
// This computer's global IPv6 addresses, from QNetworkInterface: the ones a
// friend outside the home can reach (no loopback, link-local or unique local
// address, none the system marks temporary or deprecated).

#include "PortMapping.h"

class QHostAddress;

namespace moyuta::ui {

class QtLocalAddresses : public network::LocalAddressPort {
public:
    QStringList globalIPv6() const override;
    // Whether one address of an interface that is up is worth telling the friend.
    static bool reachable(const QHostAddress &address, bool temporary, bool deprecated);
};

}  // namespace moyuta::ui
