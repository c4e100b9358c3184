#pragma once
// Pieces the record commands share.

#include "AppState.h"
#include "Board.h"
#include "MoveEntry.h"

#include <optional>

namespace moyuta::record {

inline const QString kClearBoardQuestion = QStringLiteral("盤面に石または文字または記号などがあります、クリアーしますか？");

// An empty board for a record: no glyphs, start number 1, no last-move marker.
inline void emptyBoardForRecord(AppState &s)
{
    board::clearBoard(s);
    board::resetStartNumber(s);
    board::hideLastMoveMarker(s);
}

}  // namespace moyuta::record
