#pragma once
// What the dispatcher does for the game messages of a connected peer: board
// size, start, clear, end, take-back request, prisoner counts, the removal and
// away notices, the typing indicator, chat, and the peer's shut-down notice.
// The networked game actions complete these.

#include "AppState.h"

namespace moyuta::network {

void onPeerSize(AppState &s, int sizeCode);         // "19路" / "13路" / "9路"
void onPeerStart(AppState &s, int sizeCode);        // D + ",開始"
void onPeerClear(AppState &s);                      // "クリア"
void onPeerEnd(AppState &s);                        // "終局"
void onPeerEndAccepted(AppState &s);                // "投了OK"
void onPeerTakeBack(AppState &s);                   // "待った"
void onPeerPrisoners(AppState &s, bool white, int count);
void onPeerRemoving(AppState &s, bool removing);    // "石削除中" / "石削除終了"
void onPeerAway(AppState &s, bool away);            // "退席中" / "着席中"
void onPeerTyping(AppState &s, bool writing);       // "message_writing" / "message_nothing"
void showPeerChat(AppState &s);                     // chat text in s.session.incomingMessage
void onPeerQuit(AppState &s);                       // "終了"

}  // namespace moyuta::network
