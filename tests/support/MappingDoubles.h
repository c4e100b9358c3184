#pragma once
// Test doubles for reaching this copy from outside the home: a router that
// records what it is asked and answers when the test says, a fixed list of
// IPv6 addresses, the connect action's wait as a timer the test fires, and a
// clipboard that keeps what it is given.

#include "PortMapping.h"
#include "Ports.h"
#include "SecureChannel.h"

#include <QStringList>
#include <optional>

namespace moyuta::test {

class FakePortMapper : public network::PortMappingPort {
public:
    QStringList calls;  // "map PORT MS", "unmap", "unmapBlocking MS", in order
    // When set, map() answers before it returns (a router that answers at once).
    std::optional<network::PortMappingResult> answerAtOnce;

    void map(quint16 ownPort, int timeoutMs) override
    {
        calls << QStringLiteral("map %1 %2").arg(ownPort).arg(timeoutMs);
        if (answerAtOnce)
            answer(*answerAtOnce);
    }
    void unmap() override { calls << QStringLiteral("unmap"); }
    void unmapBlocking(int ms) override { calls << QStringLiteral("unmapBlocking %1").arg(ms); }
    // The router's answer arrives now.
    void answer(const network::PortMappingResult &result)
    {
        if (onResult)
            onResult(result);
    }
};

inline network::PortMappingResult mappedAt(const QString &ipv4, quint16 port)
{
    return {true, ipv4, port, QStringLiteral("UPnP")};
}

inline network::PortMappingResult refusedBy(const QString &ipv4)
{
    return {false, ipv4, 0, {}};
}

class FakeLocalAddresses : public network::LocalAddressPort {
public:
    QStringList addresses;
    QStringList globalIPv6() const override { return addresses; }
};

// A wake-up the test fires by hand.
class FakeWaitTimer : public network::SessionTimerPort {
public:
    std::optional<qint64> wakeIn_;  // the wait asked for, while one is set
    qint64 nowMs() const override { return 0; }
    void wakeIn(qint64 ms) override { wakeIn_ = ms; }
    void stop() override { wakeIn_.reset(); }
    // The wait runs out now, if one is set.
    void fire()
    {
        if (!wakeIn_)
            return;
        wakeIn_.reset();
        if (onWake)
            onWake();
    }
};

class FakeClipboard : public ClipboardPort {
public:
    QStringList texts;
    void setText(const QString &text) override { texts << text; }
};

}  // namespace moyuta::test
