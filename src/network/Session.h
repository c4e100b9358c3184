#pragma once
// The network session: the connect and disconnect actions of the network panel.

#include "AppState.h"

namespace moyuta::network {

// The connect action "接続(&A)": checks the fields, binds the socket and
// sends the first handshake message.
void onConnect(AppState &s);
// The rest of the connect action once the router answered or the wait ran
// out: binds the socket and starts the handshake.
void continueConnect(AppState &s);
// The panel's inputs: usable while no socket is bound, locked while it is.
void setInputsEnabled(Form &f, bool enabled);
// The disconnect action "接続オフ(&B)".
void onDisconnect(AppState &s);
// At quitting: tells the peer, gives the message time to leave, closes the socket.
void leaveSession(AppState &s);
// The saved settings restored at start-up.
void restoreCipherNumber(AppState &s, int number);
void restorePasswordShown(AppState &s, bool shown);
void restoreClassicProtocol(AppState &s, bool classic);

}  // namespace moyuta::network
