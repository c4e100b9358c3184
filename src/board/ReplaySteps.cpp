// Replay on the board: one entry of the record per press, or the entries of
// one SGF node.
#include "Board.h"

namespace moyuta::board {

bool showReplayedEntry(AppState &s, const QString &entry)
{
    const std::optional<MoveEntry> e = replayEntry(entry);
    if (!e)
        return false;
    const int tool = e->tool, point = e->point;
    s.board.moveCounter = qint16(e->number - 1);
    if (!isValidPoint(point))
        return false;

    BoardPoint &p = s.board.points[size_t(point)];
    if (tool == ToolRemove) {
        // Replay leaves a removed triangle or diamond standing.
        const std::optional<PointContent> taken = contentPlacedBy(e->removed);
        if (taken && (isStone(*taken) || isLetter(*taken)))
            p = BoardPoint{};
        showLastMoveMarker(s, point);
    } else if (const std::optional<PointContent> content = contentPlacedBy(tool)) {
        p.content = *content;  // a mark or letter leaves a stone's number with it
        if (isStone(*content)) {
            ++s.board.moveCounter;
            // An unnumbered stone (number 0) shows no number.
            p.number = s.board.numberStones && s.board.moveCounter > 0 ? QString::number(s.board.moveCounter) : QString();
            showLastMoveMarker(s, point);
        }
    }
    return true;
}

void replayOnePress(AppState &s)
{
    const QList<bool> &joins = s.moves.gameRecordJoins;
    const bool byNode = joins.size() == s.moves.gameRecord.size();
    int stonePoint = -1;  // the press's last stone: its move, else a setup stone
    bool applied = false;
    do {
        const QString &entry = s.moves.gameRecord[s.moves.replayStep++];
        applied = showReplayedEntry(s, entry) || applied;
        const std::optional<MoveEntry> e = replayEntry(entry);
        if (e && (e->tool == ToolBlack || e->tool == ToolWhite) && isValidPoint(e->point))
            stonePoint = e->point;
    } while (byNode && s.moves.replayStep < s.moves.gameRecord.size() && joins[s.moves.replayStep]);
    // Captures after the move leave the marker on the move.
    if (byNode && stonePoint >= 0)
        showLastMoveMarker(s, stonePoint);
    if (applied)
        s.playCueSound();
}

void switchToRequestedSize(AppState &s, int sizeCode)
{
    s.board.lastRequestedOption = sizeCode;
    switchToSize(s, sizeCode);
}

}  // namespace moyuta::board
