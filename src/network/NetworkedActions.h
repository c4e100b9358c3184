#pragma once
// Game actions of a network game that both sides carry out: the take-back request.

#include "AppState.h"

namespace moyuta::network {

// "待った(&O)": takes back the last network move here and tells the peer.
void onWait(AppState &s);

}  // namespace moyuta::network
