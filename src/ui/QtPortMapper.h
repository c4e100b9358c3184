#pragma once
// The router's port mapping through miniupnpc (UPnP IGD) and libnatpmp
// (NAT-PMP). Every library call runs on a thread of the mapper's own, one
// call after another; results come back on the mapper's thread.

#include "PortMapping.h"
#include "RouterCalls.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <memory>

namespace moyuta::ui {

class QtPortMapper : public QObject, public network::PortMappingPort {
    Q_OBJECT
public:
    static constexpr int DefaultLeaseSeconds = 3600;
    explicit QtPortMapper(int leaseSeconds = DefaultLeaseSeconds, QObject *parent = nullptr);
    ~QtPortMapper() override;

    void map(quint16 ownPort, int timeoutMs) override;
    void unmap() override;
    void unmapBlocking(int ms) override;

private:
    using Generation = std::shared_ptr<std::atomic<quint64>>;
    void deliver(quint64 generation, const router::Mapping &m);
    void giveUp();
    void renew();
    void renewed(quint64 generation, bool ok, const router::Mapping &m);
    void forgetCurrent(int removeWithinMs);
    void scheduleRenewal(int seconds);

    const int leaseSeconds_;
    QThreadPool pool_;          // one thread: the router sees our calls in order
    QTimer deadline_;
    QTimer renewTimer_;
    Generation generation_ = std::make_shared<std::atomic<quint64>>(0);
    quint64 pending_ = 0;       // the map() awaiting its answer; 0: none
    quint16 pendingPort_ = 0;
    router::Mapping current_;
};

}  // namespace moyuta::ui
