#include "ReplayKeys.h"

#include <QKeyEvent>
#include <QWheelEvent>

namespace moyuta::ui {

namespace {

constexpr int kNotch = 120;  // angleDelta of one wheel notch

}  // namespace

ReplayKeys::ReplayKeys(QObject *parent, std::function<bool()> active, std::function<void(Jump, int)> jump)
    : QObject(parent), active_(std::move(active)), jump_(std::move(jump))
{
}

void ReplayKeys::watch(QObject *widget, bool wheel)
{
    widget->installEventFilter(this);
    if (wheel)
        wheelWidget_ = widget;
}

bool ReplayKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (!active_()) {
        wheelRest_ = 0;
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto *k = static_cast<QKeyEvent *>(event);
        if (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        return key(k->key());
    }
    if (event->type() == QEvent::Wheel)
        return wheel(watched, static_cast<QWheelEvent *>(event)->angleDelta().y());
    return false;
}

bool ReplayKeys::key(int key)
{
    switch (key) {
    case Qt::Key_Left: jump_(Jump::Presses, -1); return true;
    case Qt::Key_Right: jump_(Jump::Presses, 1); return true;
    case Qt::Key_PageUp: jump_(Jump::Presses, -10); return true;
    case Qt::Key_PageDown: jump_(Jump::Presses, 10); return true;
    case Qt::Key_Home: jump_(Jump::First, 0); return true;
    case Qt::Key_End: jump_(Jump::Last, 0); return true;
    default: return false;
    }
}

// Rolling away from the user goes back, towards the user forward, as a
// page scrolls; a fine-grained wheel gathers its small deltas into notches.
bool ReplayKeys::wheel(QObject *watched, int angleDelta)
{
    if (watched != wheelWidget_)
        return false;
    if ((wheelRest_ > 0 && angleDelta < 0) || (wheelRest_ < 0 && angleDelta > 0))
        wheelRest_ = 0;  // turned the other way
    const qint64 total = qint64(wheelRest_) + angleDelta;
    const int notches = int(total / kNotch);
    wheelRest_ = int(total - qint64(notches) * kNotch);
    if (notches != 0)
        jump_(Jump::Presses, -notches);
    return true;
}

}  // namespace moyuta::ui
