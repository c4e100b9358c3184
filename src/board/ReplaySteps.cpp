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

namespace {

// True where a press of the replay begins: every entry of a ".nig" record,
// the first entry of each SGF node.
bool pressStartsAt(const AppState &s, int entry)
{
    const QList<bool> &joins = s.moves.gameRecordJoins;
    const bool byNode = joins.size() == s.moves.gameRecord.size();
    return entry == 0 || !byNode || !joins[entry];
}

}  // namespace

bool replayOnePressQuietly(AppState &s)
{
    const QList<bool> &joins = s.moves.gameRecordJoins;
    const bool byNode = joins.size() == s.moves.gameRecord.size();
    if (s.moves.replayStep >= s.moves.gameRecord.size())
        return false;
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
    return applied;
}

void replayOnePress(AppState &s)
{
    const bool applied = replayOnePressQuietly(s);
    showReplayPosition(s);
    if (applied)
        s.playCueSound();
}

int replayPressCount(const AppState &s)
{
    int presses = 0;
    for (int i = 0; i < s.moves.gameRecord.size(); ++i)
        presses += pressStartsAt(s, i) ? 1 : 0;
    return presses;
}

int replayPressesDone(const AppState &s)
{
    int presses = 0;
    for (int i = 0; i < s.moves.replayStep && i < s.moves.gameRecord.size(); ++i)
        presses += pressStartsAt(s, i) ? 1 : 0;
    return presses;
}

void showReplayPosition(AppState &s)
{
    Form &f = s.form;
    const bool replaying = s.moves.replayStep >= 1;
    for (Button *b : {&f.cmdReplayFirst, &f.cmdReplayBack10, &f.cmdReplayBack, &f.cmdReplayForward,
                      &f.cmdReplayForward10, &f.cmdReplayLast})
        b->enabled = replaying;
    Spinner &counter = f.UpDownReplayStep;
    counter.enabled = replaying;
    // Set as it is, not through setValue: the counter's own handler jumps.
    counter.minimum = replaying ? 1 : 0;
    counter.maximum = replaying ? replayPressCount(s) : 0;
    counter.value = replaying ? replayPressesDone(s) : 0;
}

void switchToRequestedSize(AppState &s, int sizeCode)
{
    s.board.lastRequestedOption = sizeCode;
    switchToSize(s, sizeCode);
}

}  // namespace moyuta::board
