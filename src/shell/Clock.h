#pragma once
// The game clock: a local countdown of 1–10 minutes below the board, with
// five alarms at 00:00 and a stop on the sixth tick.

#include "AppState.h"

namespace moyuta::shell {

void onTimerButton(AppState &s);       // cmdTimer: タイマースタート / タイマーストップ
void onResetTimer(AppState &s);        // cmdResetTimer: タイマーリセット
void onClockLimitChange(AppState &s);  // UpDown3
// A tick of the time source: catches up every whole second since the clock
// started or resumed, with at most one cue.
void onClockEvent(AppState &s);

}  // namespace moyuta::shell
