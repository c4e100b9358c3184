#pragma once
// Every network game kept as a kifu: from 対局開始 until the game is cleared or
// another starts, the game is written as SGF into the kifu folder after every
// change, the whole file each time, so a copy that is killed leaves the game
// up to its last move.

#include "AppState.h"

namespace moyuta::record {

// The peer's name in the kifu when its session did not tell it.
inline const QString kPeerNameUnknown = QStringLiteral("相手");
inline const QString kKifuResult = QStringLiteral("投了または終局");
// A name the user typed for themselves is cut to this many characters.
constexpr int kMaxPlayerName = 32;
// The kifu keeps the game's first entries only: a real game has far fewer,
// and a peer that floods moves does not make every rewrite longer.
constexpr int kMaxKifuEntries = 3000;

// Lets the board's changes reach the kifu (AppState::networkKifuKeeper).
void attachNetworkKifu(AppState &s);
// Handles one change of the network game.
void keepNetworkKifu(AppState &s, NetworkGameChange change);
// The file's name, without "-2" and ".sgf": "2026-12-10_1530_192.168.1.20".
QString kifuBaseName(const QDateTime &start, const QString &peerAddress);
// The SGF of the network game as it stands.
QByteArray networkKifuText(const AppState &s);
// "棋譜フォルダを開く": the kifu folder in the desktop's file manager.
void onOpenKifuFolder(AppState &s);

}  // namespace moyuta::record
