#include "Clock.h"

namespace moyuta::shell {

namespace {

const QString kStartCaption = QStringLiteral("タイマースタート");
const QString kStopCaption = QStringLiteral("タイマーストップ");

// A second counts from 200 ms before it is due, so a tick that arrives a
// little early or late is neither lost nor doubled.
constexpr qint64 kEarlyMs = 200;

void runClock(AppState &s)
{
    s.clockInterval = 1000;
    s.clockTicksDone = 0;
    if (s.clock) {
        s.clockAnchorMs = s.clock->nowMs();
        s.clock->startTicking();
    }
}

void stopClock(AppState &s)
{
    s.clockInterval = 0;
    if (s.clock)
        s.clock->stopTicking();
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// One second of the countdown; true when it is an alarm.
bool tick(AppState &s)
{
    int seconds = s.clockSeconds;
    const int minutes = seconds >= 60 ? seconds / 60 : s.clockMinutes;
    s.clockMinutes = minutes;
    seconds %= 60;
    s.clockSeconds = seconds;
    if (seconds >= 1) {
        s.clockSeconds = seconds - 1;
    } else if (minutes >= 1) {
        s.clockMinutes = minutes - 1;
        s.clockSeconds = 59;
    }
    s.form.lblTime.caption = twoDigits(s.clockMinutes) + QLatin1Char(':') + twoDigits(s.clockSeconds);
    if (s.clockMinutes != 0 || s.clockSeconds != 0)
        return false;
    if (++s.clockAlarmCount > 5) {
        stopClock(s);  // the caption stays タイマーストップ
        return false;
    }
    return true;
}

}  // namespace

void onTimerButton(AppState &s)
{
    Form &f = s.form;
    s.focusChatInput();
    if (f.cmdTimer.caption != kStopCaption) {
        f.cmdTimer.caption = kStopCaption;
        if (f.lblTime.caption.isEmpty()) {  // a fresh start; otherwise the clock resumes
            s.clockSeconds = s.clockLimitMinutes * 60;
            s.clockMinutes = 0;
        }
        runClock(s);
    } else {
        f.cmdTimer.caption = kStartCaption;
        stopClock(s);  // the remaining time stays on display
    }
}

void onResetTimer(AppState &s)
{
    Form &f = s.form;
    s.focusChatInput();
    stopClock(s);
    s.clockMinutes = 0;
    s.clockSeconds = 0;
    f.cmdTimer.caption = kStartCaption;
    f.lblTime.caption.clear();
    s.clockAlarmCount = 0;
}

void onClockLimitChange(AppState &s)
{
    s.clockLimitMinutes = s.form.UpDown3.value;
    s.form.lblMax.caption = QString::number(s.clockLimitMinutes);
}

void onClockEvent(AppState &s)
{
    if (s.clockInterval == 0) {
        s.clockAlarmCount = 0;
        return;
    }
    if (!s.clock)
        return;
    const qint64 due = (s.clock->nowMs() - s.clockAnchorMs + kEarlyMs) / 1000;
    bool alarm = false;
    // The countdown ends within limit × 60 + 6 ticks, so this loop is short
    // however long the event loop was blocked.
    while (s.clockTicksDone < due && s.clockInterval != 0) {
        ++s.clockTicksDone;
        alarm = tick(s) || alarm;
    }
    if (alarm)
        s.playCueSound();
}

}  // namespace moyuta::shell
