#pragma once
// Pieces the record commands share.

#include "AppState.h"
#include "Board.h"

#include <optional>

namespace moyuta::record {

inline const QString kClearBoardQuestion = QStringLiteral("盤面に石または文字または記号などがあります、クリアーしますか？");

// One record entry "tool,point,removed,number" as replay reads it.
struct RecordEntry {
    int tool = 0;
    int point = 0;
    int removed = 0;
    int number = 0;
};
// The fields of an entry; none when replay skips it outright (fewer than
// three commas, or a number above 999). The point is not checked here.
std::optional<RecordEntry> parseRecordEntry(const QString &entry);

// Sets Busy for a command and clears it on every way out.
struct BusyScope {
    AppState &s;
    explicit BusyScope(AppState &state) : s(state) { s.busy = true; }
    ~BusyScope() { s.busy = false; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;
};

// An empty board for a record: no glyphs, start number 1, no last-move marker.
inline void emptyBoardForRecord(AppState &s)
{
    board::clearBoard(s);
    board::resetStartNumber(s);
    board::hideLastMoveMarker(s);
}

}  // namespace moyuta::record
