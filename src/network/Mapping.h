#pragma once
// The router's forwarding of the own UDP port over a connect attempt: asked
// for when 接続 is pressed, the socket opened once the router answers or the
// wait runs out, removed when the socket closes and at shut-down. Without a
// router (no mapper, or one that fails) the connection is tried as before.

#include "AppState.h"
#include "PortMapping.h"

#include <functional>

namespace moyuta::network {

constexpr int kMappingWaitMs = 3000;
constexpr int kUnmapAtExitMs = 1000;

// Makes the mapper's answers and the end of the wait act on this state;
// `afterEvent` runs after each (the window shows the change).
void attachPortMapping(AppState &s, std::function<void()> afterEvent);
// Whether there is a router to ask for `ownPort` (a mapper, a real port, a
// peer outside the home).
bool canAskRouter(const AppState &s, quint16 ownPort);
// Asks the router to forward `ownPort`: the connect action goes on in
// continueConnect when the router answers or the wait runs out.
void askRouter(AppState &s, quint16 ownPort);
void onMappingResult(AppState &s, const PortMappingResult &result);
void onMappingWaitOver(AppState &s);
// Stops a wait and removes the mapping: at 接続オフ and whenever the socket closes.
void dropMapping(AppState &s);
// At shut-down: removes the mapping, waiting for the router a second at most.
void releaseMappingAtExit(AppState &s);
// Lists the computer's global IPv6 addresses again.
void refreshLocalAddresses(AppState &s);

}  // namespace moyuta::network
