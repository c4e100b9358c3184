#pragma once
// One entry of the move lists: the record's form "tool,point,removed,number"
// (the take-back history, the game record and the .nig file) and the wire's
// form "tool,point,black,white,kind" (the move message and its log).

#include "Types.h"

#include <optional>

namespace moyuta::board {

// How a reader of the record's form treats a malformed field. Take-back
// reverses only a point written as a plain number and reads the first
// character of the removed field; replay (and the SGF writer that follows it)
// reads each field's leading number and skips a stone number above 999.
enum class RecordReading { TakeBack, Replay };

// How a reader of the wire's form treats it. A received text of digits and
// commas is a move only when its point is on the board, both counts are
// 0..999 and its kind is a number; the log's own entries are read as they are.
enum class WireReading { Received, Logged };

struct MoveEntry {
    int tool = 0;
    int point = -1;     // -1: the text names no point
    int removed = 0;    // what a removal took off (the wire's kind)
    int number = 0;     // the record's form: the stone's number
    int blackPrisoners = 0;  // the wire's form: the counts
    int whitePrisoners = 0;

    // None when the reader skips the text outright.
    static std::optional<MoveEntry> fromRecord(const QString &text, RecordReading reading);
    static std::optional<MoveEntry> fromWire(const QString &text, WireReading reading);
    QString recordText() const;
    QString wireText() const;

    bool operator==(const MoveEntry &) const = default;
};

// An entry of the game record as replay (and the SGF writer that follows it)
// reads it; none when replay skips it outright. The point is not checked here.
inline std::optional<MoveEntry> replayEntry(const QString &entry)
{
    return MoveEntry::fromRecord(entry, RecordReading::Replay);
}

// What a tool puts on a point: a stone, mark or letter; none for removal
// or a number that names no tool.
std::optional<PointContent> contentPlacedBy(int tool);

}  // namespace moyuta::board
