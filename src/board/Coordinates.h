#pragma once
// The names of the board's lines and points in the two coordinate styles:
// what is drawn around the board and what the keyboard cursor announces.

#include "Types.h"

#include <QString>

namespace moyuta::board {

// The label of a column (0 = leftmost) on a board of `lines` lines: "1"–"19"
// in 日本式, "A"–"T" without "I" in A〜T・1〜19; empty for なし or off the board.
QString columnLabel(int style, int lines, int column);
// The label of a row (0 = top): "一"–"十九" from the top in 日本式, "1"–"19"
// from the bottom in A〜T・1〜19; empty for なし or off the board.
QString rowLabel(int style, int lines, int row);
// A point's name: "R16" in A〜T・1〜19, else in 日本式 ("17の四").
QString pointName(int style, int lines, int point);
// What a point shows, in words: 黒, 白, 空き, ▲, ◆, A–D.
QString contentName(PointContent content);

}  // namespace moyuta::board
