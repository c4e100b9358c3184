#include "ConnectRetry.h"

#include "Protocol.h"
#include "SecureChannel.h"

namespace moyuta::network {

void attachConnectRetry(AppState &s, std::function<void()> afterEvent)
{
    if (SessionTimerPort *timer = s.ports.connectRetryTimer)
        timer->onWake = [&s, afterEvent] {
            onConnectRetry(s);
            if (afterEvent)
                afterEvent();
        };
}

void startConnectRetry(AppState &s)
{
    s.session.connectRetriesLeft = kConnectRetries;
    if (SessionTimerPort *timer = s.ports.connectRetryTimer)
        timer->wakeIn(kConnectRetryMs);
}

void stopConnectRetry(AppState &s)
{
    s.session.connectRetriesLeft = 0;
    if (SessionTimerPort *timer = s.ports.connectRetryTimer)
        timer->stop();
}

void onConnectRetry(AppState &s)
{
    const SessionState &session = s.session;
    if (session.connectRetriesLeft <= 0 || !session.waitingForPeer || session.authenticated || session.secureActive
        || !s.ports.transport.isBound())
        return stopConnectRetry(s);
    --s.session.connectRetriesLeft;
    s.sendPeerMessage(connectText(s));
    if (s.session.connectRetriesLeft > 0 && s.session.waitingForPeer && !s.session.authenticated)
        s.ports.connectRetryTimer->wakeIn(kConnectRetryMs);
}

}  // namespace moyuta::network
