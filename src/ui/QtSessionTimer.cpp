#include "QtSessionTimer.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <limits>

namespace moyuta::ui {

QtSessionTimer::QtSessionTimer(QObject *parent) : QObject(parent), timer_(new QTimer(this))
{
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (onWake)
            onWake();
    });
    clock_.start();
}

qint64 QtSessionTimer::nowMs() const
{
    return clock_.elapsed();
}

void QtSessionTimer::wakeIn(qint64 ms)
{
    ms = std::clamp<qint64>(ms, 0, std::numeric_limits<int>::max());
    timer_->setTimerType(ms < kPreciseBelowMs ? Qt::PreciseTimer : Qt::CoarseTimer);
    timer_->start(std::chrono::milliseconds(ms));
}

void QtSessionTimer::stop()
{
    timer_->stop();
}

bool QtSessionTimer::isWaiting() const
{
    return timer_->isActive();
}

}  // namespace moyuta::ui
