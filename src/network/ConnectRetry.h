#pragma once
// The classic handshake's first text, sent again while this side waits and
// has heard nothing from the peer. A home router forgets an unanswered way
// out after about 30 s; sending again keeps it open, so a friend behind a
// router who presses 接続 later still gets through. Bounded: five minutes.

#include "AppState.h"

#include <functional>

namespace moyuta::network {

constexpr int kConnectRetryMs = 15000;
constexpr int kConnectRetries = 20;

// Makes the retry timer act on this state; `afterEvent` runs after each wake.
void attachConnectRetry(AppState &s, std::function<void()> afterEvent);
// After the first connect text went out: the retries start.
void startConnectRetry(AppState &s);
// The peer answered, or the attempt ended: no more retries.
void stopConnectRetry(AppState &s);
void onConnectRetry(AppState &s);

}  // namespace moyuta::network
