#pragma once
// What a kifu says about its game besides the moves: the players, the date,
// komi, handicap, result, the game's name, the place and a note. Each is the
// text the user typed or a file held; empty means unknown.

#include <QString>

namespace moyuta {

struct GameInfo {
    QString black;     // 黒番 (SGF PB)
    QString white;     // 白番 (PW)
    QString date;      // 日付 (DT)
    QString komi;      // コミ (KM)
    QString handicap;  // 置石 (HA)
    QString result;    // 結果 (RE)
    QString gameName;  // 対局名 (GN, or EV when a file has no GN)
    QString place;     // 場所 (PC)
    QString comment;   // メモ (GC)

    bool isEmpty() const { return *this == GameInfo{}; }
    bool operator==(const GameInfo &) const = default;
};

}  // namespace moyuta
