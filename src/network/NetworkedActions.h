#pragma once
// Game actions of a network game that both sides carry out: the take-back request.

#include "AppState.h"

namespace moyuta::network {

// "待った(&O)": takes back the last network move here and tells the peer.
void onWait(AppState &s);
// Takes back the last move of the network move log; false when there was none.
bool takeBackNetworkMove(AppState &s);

}  // namespace moyuta::network
