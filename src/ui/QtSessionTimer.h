#pragma once
// The session's wake-up timer and steady clock: one single-shot QTimer,
// precise for short waits (resends), coarse for long ones (heartbeats).

#include "SecureChannel.h"

#include <QElapsedTimer>
#include <QObject>

class QTimer;

namespace moyuta::ui {

class QtSessionTimer : public QObject, public network::SessionTimerPort {
    Q_OBJECT
public:
    explicit QtSessionTimer(QObject *parent = nullptr);

    qint64 nowMs() const override;
    void wakeIn(qint64 ms) override;
    void stop() override;
    bool isWaiting() const;

    // Below this a coarse timer's 5 % slack would matter.
    static constexpr qint64 kPreciseBelowMs = 50;

private:
    QTimer *timer_;
    QElapsedTimer clock_;
};

}  // namespace moyuta::ui
