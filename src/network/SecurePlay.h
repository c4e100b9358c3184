#pragma once
// The game over the secure session: what the window state does when the
// session stands, when a message arrives, when the peer falls silent, and
// how both sides end with the same game when their actions cross.
//
// Each message travels in an envelope:
//   "M" seen ":" text   a game or chat message; seen counts the peer's game
//                       messages handled here before this one was sent
//   "R"                 asks the peer for its whole game
//   "S" seen ":" more ":" part   the sender's whole game, in parts
//   "N" name            the sender's あなたの名前, for the kifu (copies
//                       that do not know it ignore it, as any unknown kind)
// Two game messages cross when each was sent before the other arrived. The
// DTLS server's order stands: its game is what both sides end with. The other
// side, on seeing a crossing, holds its board and asks for the server's game.
// After a resume the side that kept the game hands it over the same way.

#include "AppState.h"
#include "SecureChannel.h"

#include <functional>

namespace moyuta::network {

// Makes the state's secure session on these ports; `afterEvent` runs after
// every event the session handles (the window shows the changes).
void attachSecure(AppState &s, SecureChannelPort &channel, KeyDerivationPort &keys, SessionTimerPort &timer,
                  std::function<void()> afterEvent);
// The connect action's secure attempt, once the fields passed their checks.
void startSecure(AppState &s, const QString &password, int cipherNumber);
void sendSecure(AppState &s, const QString &plain);
// Handles every message the session has delivered (never nested).
void receiveSecure(AppState &s);
// Ends the secure session, if one runs; the peer waits for it to come back.
void stopSecure(AppState &s);
// Waits, with events running, until the peer has acknowledged everything (at most `ms`).
void flushSecure(AppState &s, int ms);

// Tells the peer this side's name, when the secure session stands.
void sendOwnName(AppState &s);
// A name the peer tells is cut to this many characters.
constexpr int kMaxPeerName = 32;

// Whether a plain message changes the game (moves, take-backs, counts, start,
// clear, end, size): these are counted to find crossings.
bool isGameMessage(const QString &plain);

// Parts of the whole game: a DTLS record carries one.
constexpr int kGamePartChars = 1000;
constexpr int kMaxGameChars = 4 * 1024 * 1024;

}  // namespace moyuta::network
