#include "RouterCalls.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>
#include <natpmp.h>

#include <arpa/inet.h>
#include <poll.h>

#include <algorithm>

namespace moyuta::ui::router {
namespace {

using namespace std::chrono;

constexpr int UpnpConflict = 718;            // ConflictInMappingEntry
constexpr int UpnpOnlyPermanent = 725;       // OnlyPermanentLeasesSupported
constexpr int DiscoveryMs = 1000;   // miniupnpc's shortest SSDP wait
constexpr int NatPmpShareMs = 500;  // kept for NAT-PMP when no IGD answers

int msLeft(Deadline d) {
    return int(std::max<long long>(0, duration_cast<milliseconds>(d - steady_clock::now()).count()));
}

// The IGD found by discovery; its URLs are freed with it.
struct Igd {
    UPNPUrls urls{};
    IGDdatas data{};
    char lan[64] = {};
    bool allocated = false;
    Igd() = default;
    Igd(const Igd &) = delete;
    Igd &operator=(const Igd &) = delete;
    ~Igd() { if (allocated) FreeUPNPUrls(&urls); }
};

// miniupnpc waits at least a second for SSDP answers, a second per search
// target while none answers: so one target (IGD:2 routers answer IGD:1 too),
// and only when a second is left besides NAT-PMP's share.
bool findIgd(Igd &igd, Deadline deadline) {
    static const char *const targets[] = {"urn:schemas-upnp-org:device:InternetGatewayDevice:1", nullptr};
    if (msLeft(deadline) < DiscoveryMs + NatPmpShareMs)
        return false;
    int error = 0;
    UPNPDev *devices = upnpDiscoverDevices(targets, DiscoveryMs, nullptr, nullptr, UPNP_LOCAL_PORT_ANY, 0, 2, &error, 0);
    if (!devices)
        return false;
    const int found = UPNP_GetValidIGD(devices, &igd.urls, &igd.data, igd.lan, int(sizeof igd.lan));
    freeUPNPDevlist(devices);
    igd.allocated = found != 0;
    // 1: connected IGD; 2: an IGD that says it is not connected (try anyway).
    return (found == 1 || found == 2) && msLeft(deadline) > 0;
}

int addUpnp(const Mapping &m, quint16 externalPort, int leaseSeconds) {
    const std::string ext = std::to_string(externalPort), own = std::to_string(m.ownPort);
    const std::string lease = std::to_string(leaseSeconds);
    return UPNP_AddPortMapping(m.controlUrl.c_str(), m.serviceType.c_str(), ext.c_str(), own.c_str(),
                               m.lanAddress.c_str(), "Moyuta", "UDP", nullptr, lease.c_str());
}

int addUpnpLease(const Mapping &m, quint16 externalPort, int leaseSeconds) {
    const int r = addUpnp(m, externalPort, leaseSeconds);
    return r == UpnpOnlyPermanent ? addUpnp(m, externalPort, 0) : r;
}

// Own port first; on a conflict own+1 … own+9, each only while time is left.
bool mapUpnp(Mapping &m, int leaseSeconds, Deadline deadline) {
    for (int i = 0; i < ConflictTries && msLeft(deadline) > 0; ++i) {
        const int port = int(m.ownPort) + i;
        if (port > 65535)
            return false;
        const int r = addUpnpLease(m, quint16(port), leaseSeconds);
        if (r == UPNPCOMMAND_SUCCESS) {
            m.mapped = true;
            m.externalPort = quint16(port);
            return true;
        }
        if (r != UpnpConflict)
            return false;
    }
    return false;
}

bool tryUpnp(Mapping &m, int leaseSeconds, Deadline deadline) {
    Igd igd;
    if (!findIgd(igd, deadline))
        return false;
    m.controlUrl = igd.urls.controlURL ? igd.urls.controlURL : "";
    m.serviceType = igd.data.first.servicetype;
    m.lanAddress = igd.lan;
    m.method = QStringLiteral("UPnP");
    char external[40] = {};
    if (UPNP_GetExternalIPAddress(m.controlUrl.c_str(), m.serviceType.c_str(), external) == UPNPCOMMAND_SUCCESS)
        m.externalIPv4 = QString::fromLatin1(external);
    m.lifetime = leaseSeconds;
    mapUpnp(m, leaseSeconds, deadline);
    return true;
}

// One NAT-PMP request to its answer, retrying as libnatpmp says, never past the deadline.
bool natpmpAnswer(natpmp_t &n, natpmpresp_t &response, Deadline deadline) {
    for (;;) {
        timeval tv{};
        getnatpmprequesttimeout(&n, &tv);
        const long long wait = std::max<long long>(0, tv.tv_sec * 1000LL + tv.tv_usec / 1000);
        const int left = msLeft(deadline);
        if (left <= 0)
            return false;
        pollfd pfd{n.s, POLLIN, 0};
        poll(&pfd, 1, int(std::min<long long>(wait, left)));
        const int r = readnatpmpresponseorretry(&n, &response);
        if (r != NATPMP_TRYAGAIN)
            return r >= 0;
    }
}

// A NAT-PMP session with the default gateway, closed with it.
struct NatPmp {
    natpmp_t n{};
    bool open = false;
    NatPmp() { open = initnatpmp(&n, 0, 0) >= 0; }
    NatPmp(const NatPmp &) = delete;
    NatPmp &operator=(const NatPmp &) = delete;
    ~NatPmp() { if (open) closenatpmp(&n); }
};

bool natpmpMapRequest(Mapping &m, quint16 publicPort, int leaseSeconds, Deadline deadline) {
    NatPmp pmp;
    natpmpresp_t response{};
    if (!pmp.open || sendnewportmappingrequest(&pmp.n, NATPMP_PROTOCOL_UDP, m.ownPort, publicPort, uint32_t(leaseSeconds)) < 0
        || !natpmpAnswer(pmp.n, response, deadline) || response.type != NATPMP_RESPTYPE_UDPPORTMAPPING)
        return false;
    // The router picks the public port; report what it says.
    m.externalPort = response.pnu.newportmapping.mappedpublicport;
    m.lifetime = int(std::min<uint32_t>(response.pnu.newportmapping.lifetime, uint32_t(leaseSeconds)));
    return leaseSeconds == 0 || m.externalPort != 0;
}

void tryNatPmp(Mapping &m, int leaseSeconds, Deadline deadline) {
    {
        NatPmp pmp;
        natpmpresp_t response{};
        if (!pmp.open || sendpublicaddressrequest(&pmp.n) < 0 || !natpmpAnswer(pmp.n, response, deadline)
            || response.type != NATPMP_RESPTYPE_PUBLICADDRESS)
            return;
        char text[INET_ADDRSTRLEN] = {};
        if (inet_ntop(AF_INET, &response.pnu.publicaddress.addr, text, sizeof text))
            m.externalIPv4 = QString::fromLatin1(text);
    }
    m.method = QStringLiteral("NAT-PMP");
    m.mapped = natpmpMapRequest(m, m.ownPort, leaseSeconds, deadline);
}

}  // namespace

Mapping map(quint16 ownPort, int leaseSeconds, Deadline deadline) {
    Mapping m;
    m.ownPort = ownPort;
    // An IGD that answered has the last word, mapped or refused.
    if (tryUpnp(m, leaseSeconds, deadline))
        return m;
    Mapping pmp;
    pmp.ownPort = ownPort;
    if (msLeft(deadline) > 0)
        tryNatPmp(pmp, leaseSeconds, deadline);
    return pmp;
}

bool renew(Mapping &m, int leaseSeconds, Deadline deadline) {
    if (!m.mapped)
        return false;
    if (m.method == QLatin1String("UPnP"))
        return addUpnpLease(m, m.externalPort, leaseSeconds) == UPNPCOMMAND_SUCCESS;
    Mapping again = m;
    if (!natpmpMapRequest(again, m.externalPort, leaseSeconds, deadline))
        return false;
    m = again;
    return true;
}

bool remove(const Mapping &m, Deadline deadline) {
    if (!m.mapped)
        return true;
    if (m.method == QLatin1String("UPnP")) {
        const std::string ext = std::to_string(m.externalPort);
        return UPNP_DeletePortMapping(m.controlUrl.c_str(), m.serviceType.c_str(), ext.c_str(), "UDP", nullptr)
            == UPNPCOMMAND_SUCCESS;
    }
    Mapping gone = m;
    return natpmpMapRequest(gone, m.externalPort, 0, deadline);
}

}  // namespace moyuta::ui::router
