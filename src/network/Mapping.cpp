// The port mapping's life cycle in a connect attempt.
#include "Mapping.h"

#include "OwnAddress.h"
#include "PeerHost.h"
#include "SecureChannel.h"
#include "Session.h"

namespace moyuta::network {

namespace {

void stopWaiting(AppState &s)
{
    s.session.mapping.waiting = false;
    if (s.ports.mappingTimer)
        s.ports.mappingTimer->stop();
}

}  // namespace

void attachPortMapping(AppState &s, std::function<void()> afterEvent)
{
    auto after = [afterEvent] {
        if (afterEvent)
            afterEvent();
    };
    if (PortMappingPort *mapper = s.ports.portMapper)
        mapper->onResult = [&s, after](const PortMappingResult &result) {
            onMappingResult(s, result);
            after();
        };
    if (SessionTimerPort *timer = s.ports.mappingTimer)
        timer->onWake = [&s, after] {
            onMappingWaitOver(s);
            after();
        };
}

bool canAskRouter(const AppState &s, quint16 ownPort)
{
    return s.ports.portMapper && ownPort != 0 && !peerInsideHome(s.form.txtPeerAddress.text);
}

void askRouter(AppState &s, quint16 ownPort)
{
    PortMappingPort *mapper = s.ports.portMapper;
    if (!mapper)
        return;
    RouterMapping &m = s.session.mapping;
    m.asked = m.everAsked = m.waiting = true;
    m.answered = m.gaveUp = m.mapped = false;
    m.externalIPv4.clear();
    m.externalPort = 0;
    m.ownPort = ownPort;
    if (s.ports.mappingTimer)
        s.ports.mappingTimer->wakeIn(kMappingWaitMs);
    showOwnAddress(s);
    mapper->map(ownPort, kMappingWaitMs);  // a mapper that answers at once continues the action here
}

void onMappingResult(AppState &s, const PortMappingResult &result)
{
    RouterMapping &m = s.session.mapping;
    if (!m.asked || m.answered)
        return;  // the attempt ended (接続オフ, the socket closed) or was answered already
    m.answered = true;
    m.mapped = result.mapped;
    m.externalIPv4 = result.externalIPv4.left(kMaxAddressChars);
    m.externalPort = result.mapped ? result.externalPort : 0;
    const bool wasWaiting = m.waiting;
    stopWaiting(s);
    showOwnAddress(s);
    if (wasWaiting)
        continueConnect(s);
}

void onMappingWaitOver(AppState &s)
{
    RouterMapping &m = s.session.mapping;
    if (!m.waiting)
        return;
    m.waiting = false;
    m.gaveUp = true;
    showOwnAddress(s);
    continueConnect(s);
}

void dropMapping(AppState &s)
{
    RouterMapping &m = s.session.mapping;
    const bool asked = m.asked;
    stopWaiting(s);
    m.asked = m.answered = m.gaveUp = m.mapped = false;
    m.externalIPv4.clear();
    m.externalPort = 0;
    if (asked && s.ports.portMapper)
        s.ports.portMapper->unmap();
    showOwnAddress(s);
}

void releaseMappingAtExit(AppState &s)
{
    RouterMapping &m = s.session.mapping;
    stopWaiting(s);
    m.asked = false;
    if (m.everAsked && s.ports.portMapper)
        s.ports.portMapper->unmapBlocking(kUnmapAtExitMs);
    m.everAsked = false;
}

void refreshLocalAddresses(AppState &s)
{
    QStringList found;
    if (s.ports.localAddresses)
        found = s.ports.localAddresses->globalIPv6();
    s.session.mapping.ipv6 = found.mid(0, kMaxIPv6Shown);
}

}  // namespace moyuta::network
