#pragma once
// Reaching this copy from outside the home: the router is asked to forward the
// own UDP port (UPnP IGD or NAT-PMP/PCP), and the computer's global IPv6
// addresses are listed, so the panel can show what the friend must type.

#include <QString>
#include <QStringList>

#include <functional>

namespace moyuta::network {

struct PortMappingResult {
    bool mapped = false;      // the router forwards externalPort (UDP) to the own port
    QString externalIPv4;     // as the router reports it; empty when no router answered
    quint16 externalPort = 0; // meaningful when mapped
    QString method;           // "UPnP" or "NAT-PMP" when mapped
};

class PortMappingPort {
public:
    virtual ~PortMappingPort() = default;
    // Asks the router, in the background, to forward UDP `ownPort` to this
    // computer. onResult follows exactly once, on the caller's thread, within
    // `timeoutMs` (unmapped when no router answered in time). While mapped the
    // lease is renewed until unmap(). A later map() replaces an earlier one.
    virtual void map(quint16 ownPort, int timeoutMs) = 0;
    // Removes the mapping, if any, and stops renewing; no onResult follows for
    // an earlier map(). Returns at once; the router is told in the background.
    virtual void unmap() = 0;
    // At shut-down: removes the mapping, waiting at most `ms` for the router.
    virtual void unmapBlocking(int ms) = 0;
    std::function<void(const PortMappingResult &)> onResult;
};

// This computer's global IPv6 addresses (no loopback, link-local or unique
// local ones), as text without brackets.
class LocalAddressPort {
public:
    virtual ~LocalAddressPort() = default;
    virtual QStringList globalIPv6() const = 0;
};

}  // namespace moyuta::network
