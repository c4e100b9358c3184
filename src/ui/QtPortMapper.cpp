#include "QtPortMapper.h"

#include <algorithm>

namespace moyuta::ui {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int RemoveMs = 3000;
constexpr int RenewMs = 10000;
// The router calls stop this much before the caller's deadline, so a
// timely answer is not beaten by the deadline timer.
constexpr int AnswerMarginMs = 50;

network::PortMappingResult toResult(const router::Mapping &m) {
    network::PortMappingResult r;
    r.mapped = m.mapped;
    r.externalIPv4 = m.externalIPv4;
    if (m.mapped) {
        r.externalPort = m.externalPort;
        r.method = m.method;
    }
    return r;
}

Clock::time_point in(int ms) { return Clock::now() + std::chrono::milliseconds(std::max(0, ms)); }

}  // namespace

QtPortMapper::QtPortMapper(int leaseSeconds, QObject *parent)
    : QObject(parent), leaseSeconds_(std::max(2, leaseSeconds)) {
    pool_.setMaxThreadCount(1);
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5 % late
    renewTimer_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &QtPortMapper::giveUp);
    connect(&renewTimer_, &QTimer::timeout, this, &QtPortMapper::renew);
}

QtPortMapper::~QtPortMapper() {
    ++*generation_;
    pool_.waitForDone();  // every router call is bounded by its deadline
}

void QtPortMapper::map(quint16 ownPort, int timeoutMs) {
    forgetCurrent(RemoveMs);
    const quint64 gen = ++*generation_;
    pending_ = gen;
    pendingPort_ = ownPort;
    deadline_.start(std::max(0, timeoutMs));
    const auto until = in(timeoutMs - AnswerMarginMs);
    const int lease = leaseSeconds_;
    pool_.start([this, gen, ctl = generation_, ownPort, until, lease] {
        if (*ctl != gen)
            return;  // replaced or given up before it started
        router::Mapping m = router::map(ownPort, lease, until);
        if (m.mapped && *ctl != gen) {
            // Nobody waits for it any more: take it back before the next call runs.
            router::remove(m, in(RemoveMs));
            m.mapped = false;
        }
        QMetaObject::invokeMethod(this, [this, gen, m] { deliver(gen, m); }, Qt::QueuedConnection);
    });
}

void QtPortMapper::deliver(quint64 gen, const router::Mapping &m) {
    if (gen != pending_) {
        // Late: the caller already heard "unmapped". A newer map() of the same
        // port re-asks for the same entry, so only a lone stale one is removed.
        if (m.mapped && !(pending_ != 0 && pendingPort_ == m.ownPort)) {
            QThreadPool *pool = &pool_;
            pool->start([m] { router::remove(m, in(RemoveMs)); });
        }
        return;
    }
    pending_ = 0;
    deadline_.stop();
    current_ = m;
    if (m.mapped)
        scheduleRenewal(std::max(1, m.lifetime / 2));
    if (onResult)
        onResult(toResult(m));
}

void QtPortMapper::giveUp() {
    if (pending_ == 0)
        return;
    ++*generation_;  // the running call removes what it maps late
    pending_ = 0;
    if (onResult)
        onResult(network::PortMappingResult{});
}

void QtPortMapper::scheduleRenewal(int seconds) { renewTimer_.start(std::chrono::seconds(seconds)); }

void QtPortMapper::renew() {
    if (!current_.mapped)
        return;
    const quint64 gen = *generation_;
    router::Mapping m = current_;
    const int lease = leaseSeconds_;
    pool_.start([this, gen, ctl = generation_, m, lease]() mutable {
        if (*ctl != gen)
            return;
        const bool ok = router::renew(m, lease, in(RenewMs));
        QMetaObject::invokeMethod(this, [this, gen, ok, m] { renewed(gen, ok, m); }, Qt::QueuedConnection);
    });
}

void QtPortMapper::renewed(quint64 gen, bool ok, const router::Mapping &m) {
    if (gen != *generation_ || !current_.mapped)
        return;
    if (ok)
        current_ = m;
    // A router that did not answer is asked again sooner, before the lease runs out.
    scheduleRenewal(std::max(1, ok ? current_.lifetime / 2 : current_.lifetime / 8));
}

void QtPortMapper::forgetCurrent(int removeWithinMs) {
    renewTimer_.stop();
    if (!current_.mapped)
        return;
    const router::Mapping m = current_;
    current_ = router::Mapping{};
    pool_.start([m, removeWithinMs] { router::remove(m, in(removeWithinMs)); });
}

void QtPortMapper::unmap() {
    ++*generation_;
    pending_ = 0;
    deadline_.stop();
    forgetCurrent(RemoveMs);
}

void QtPortMapper::unmapBlocking(int ms) {
    ++*generation_;
    pending_ = 0;
    deadline_.stop();
    forgetCurrent(ms);
    pool_.waitForDone(std::max(0, ms));
}

}  // namespace moyuta::ui
