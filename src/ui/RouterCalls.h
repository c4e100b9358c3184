#pragma once
// Blocking calls to the home router (miniupnpc for UPnP IGD, libnatpmp for
// NAT-PMP). They run only on the port mapper's own thread, never on the GUI
// thread; every call is bounded by the deadline it is given.

#include <QString>
#include <QtGlobal>

#include <chrono>
#include <string>

namespace moyuta::ui::router {

using Deadline = std::chrono::steady_clock::time_point;

// What was asked of which router, enough to renew and remove it later.
struct Mapping {
    bool mapped = false;
    QString externalIPv4;      // empty when no router said it
    quint16 ownPort = 0;
    quint16 externalPort = 0;
    QString method;            // "UPnP" or "NAT-PMP"
    int lifetime = 0;          // seconds the router granted
    std::string controlUrl;    // UPnP only
    std::string serviceType;   // UPnP only
    std::string lanAddress;    // UPnP only: this computer as the router sees it
};

// External ports tried after the own one when the router reports a conflict.
inline constexpr int ConflictTries = 10;

// UPnP first, NAT-PMP when no IGD answers; unmapped (with the external
// address when known) when both fail or the deadline passes.
Mapping map(quint16 ownPort, int leaseSeconds, Deadline deadline);
// Asks the same router again for the same external port.
bool renew(Mapping &m, int leaseSeconds, Deadline deadline);
// Removes the mapping; false when the router did not confirm it.
bool remove(const Mapping &m, Deadline deadline);

}  // namespace moyuta::ui::router
