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
    s.gameClock.interval = 1000;
    s.gameClock.ticksDone = 0;
    s.gameClock.anchorMs = s.ports.clock.nowMs();
    s.ports.clock.startTicking();
}

void stopClock(AppState &s)
{
    s.gameClock.interval = 0;
    s.ports.clock.stopTicking();
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// One second of the countdown; true when it is an alarm.
bool tick(AppState &s)
{
    int seconds = s.gameClock.seconds;
    const int minutes = seconds >= 60 ? seconds / 60 : s.gameClock.minutes;
    s.gameClock.minutes = minutes;
    seconds %= 60;
    s.gameClock.seconds = seconds;
    if (seconds >= 1) {
        s.gameClock.seconds = seconds - 1;
    } else if (minutes >= 1) {
        s.gameClock.minutes = minutes - 1;
        s.gameClock.seconds = 59;
    }
    s.form.lblTime.caption = twoDigits(s.gameClock.minutes) + QLatin1Char(':') + twoDigits(s.gameClock.seconds);
    if (s.gameClock.minutes != 0 || s.gameClock.seconds != 0)
        return false;
    if (++s.gameClock.alarmCount > 5) {
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
            s.gameClock.seconds = s.gameClock.limitMinutes * 60;
            s.gameClock.minutes = 0;
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
    s.gameClock.minutes = 0;
    s.gameClock.seconds = 0;
    f.cmdTimer.caption = kStartCaption;
    f.lblTime.caption.clear();
    s.gameClock.alarmCount = 0;
}

void onClockLimitChange(AppState &s)
{
    s.gameClock.limitMinutes = s.form.UpDown3.value;
    s.form.lblMax.caption = QString::number(s.gameClock.limitMinutes);
}

void onClockEvent(AppState &s)
{
    if (s.gameClock.interval == 0) {
        s.gameClock.alarmCount = 0;
        return;
    }
    const qint64 due = (s.ports.clock.nowMs() - s.gameClock.anchorMs + kEarlyMs) / 1000;
    bool alarm = false;
    // The countdown ends within limit × 60 + 6 ticks, so this loop is short
    // however long the event loop was blocked.
    while (s.gameClock.ticksDone < due && s.gameClock.interval != 0) {
        ++s.gameClock.ticksDone;
        alarm = tick(s) || alarm;
    }
    if (alarm)
        s.playCueSound();
}

}  // namespace moyuta::shell
