#pragma once
// The network panel: opening and closing it, the controls it takes away from
// the main window meanwhile, and its field rules.

#include "AppState.h"

namespace moyuta::network {

void onNetworkPanelOpen(AppState &s);   // cmdNetwork "ネットワーク接続(&M)"
void onNetworkPanelClose(AppState &s);  // Command2 "閉じる(&C)"; also when the handshake completes
void disableForPanel(AppState &s);
void enableAfterPanel(AppState &s);
// Take-back, the size options and "その他印(&U)" stay off while a replay runs, whatever a panel gives back.
void keepReplayLocks(AppState &s);
// Local play after a side panel closes: the network command, numbering, the
// placement modes and marks as local play has them, 黒(&D), and the record
// buttons as they were when the panel opened.
void restoreLocalPlay(AppState &s);

// A port field after a change: anything but digits empties it; a leading "0"
// (in two or more characters) empties it after a notice.
void onPortFieldChange(AppState &s, TextBox &field);
// The password and peer-address fields keep no "#" and no character that
// cp932 cannot hold: such a value could not be saved.
void onSavedTextFieldChange(AppState &s, TextBox &field);

// The number the cipher-number list shows, "1"–"29"; 0 for any other text.
int cipherNumberShown(const AppState &s);

// Connects the panel's field handlers.
void installPanelHandlers(AppState &s);

}  // namespace moyuta::network
