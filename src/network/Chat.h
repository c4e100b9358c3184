#pragma once
// Chat between the two players: the input, the display and the log.

#include "AppState.h"

namespace moyuta::network {

// Adds an entry ("△" mine, "◇" the peer's) as the newest of the log and shows it.
void addChatEntry(AppState &s, const QString &entry);
void onSend(AppState &s);            // cmdSend "送信(&Z)", and Enter in the input
void onChatTextChange(AppState &s);  // txtSend changed: typing indicator, pasted line ends
// True when the peer would take the text as chat (no keyword marker, not move-shaped).
bool sendableAsChat(const QString &text);

}  // namespace moyuta::network
