#pragma once
// The options panel: board colour, black-stone colour, line speed, sound and
// the chat-log size. Some choices act at once, the rest on 適用(&I).

#include "AppState.h"

namespace moyuta::shell {

void onOptionsOpen(AppState &s);   // cmdOpt "オプション(&W)"
void onOptionsApply(AppState &s);  // cmdTekiyou "適用(&I)"
void onOptionsClose(AppState &s);  // cmdOptClose "閉じる(&J)"

// The board-colour and line-speed names shown for the values in effect
// (a pacing count that has no name shows none).
void showValuesInEffect(AppState &s);

// Connects the options panel's and the clock's control handlers.
void installHandlers(AppState &s);

}  // namespace moyuta::shell
