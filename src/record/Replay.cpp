// Replay: one entry of the record per press of "記録を再生(&T)", or the
// entries of one SGF node.
#include "Board.h"
#include "Record.h"
#include "RecordCommon.h"

namespace moyuta::record {

namespace {

void leaveReplay(AppState &s)
{
    Form &f = s.form;
    board::resetBoardAndGame(s);  // ends the replay too
    board::resetStartNumber(s);
    f.cmdF.enabled = false;
    f.cmdNewSave.enabled = false;  // the record is gone
    f.cmdBack.enabled = false;
    f.cmdClear.enabled = false;
}

// One entry on the board, without the cue sound; false when replay skips it
// outright (no sound for it).
bool applyEntry(AppState &s, const QString &entry)
{
    const std::optional<board::MoveEntry> e = replayEntry(entry);
    if (!e)
        return false;
    const int tool = e->tool, point = e->point;
    s.moveCounter = qint16(e->number - 1);
    if (!isValidPoint(point))
        return false;

    BoardPoint &p = s.points[size_t(point)];
    if (tool == ToolRemove) {
        // Replay leaves a removed triangle or diamond standing.
        const std::optional<PointContent> taken = board::contentPlacedBy(e->removed);
        if (taken && (isStone(*taken) || isLetter(*taken)))
            p = BoardPoint{};
        board::showLastMoveMarker(s, point);
    } else if (const std::optional<PointContent> content = board::contentPlacedBy(tool)) {
        p.content = *content;  // a mark or letter leaves a stone's number with it
        if (isStone(*content)) {
            ++s.moveCounter;
            // An unnumbered stone (number 0) shows no number.
            p.number = s.numberStones && s.moveCounter > 0 ? QString::number(s.moveCounter) : QString();
            board::showLastMoveMarker(s, point);
        }
    }
    return true;
}

}  // namespace

void applyReplayEntry(AppState &s, const QString &entry)
{
    if (s.gameRecord.isEmpty())
        return;
    if (applyEntry(s, entry))
        s.playCueSound();
}

void replayOnePress(AppState &s)
{
    const QList<bool> &joins = s.gameRecordJoins;
    const bool byNode = joins.size() == s.gameRecord.size();
    int stonePoint = -1;  // the press's last stone: its move, else a setup stone
    bool applied = false;
    do {
        const QString &entry = s.gameRecord[s.replayStep++];
        applied = applyEntry(s, entry) || applied;
        const std::optional<board::MoveEntry> e = replayEntry(entry);
        if (e && (e->tool == ToolBlack || e->tool == ToolWhite) && isValidPoint(e->point))
            stonePoint = e->point;
    } while (byNode && s.replayStep < s.gameRecord.size() && joins[s.replayStep]);
    // Captures after the move leave the marker on the move.
    if (byNode && stonePoint >= 0)
        board::showLastMoveMarker(s, stonePoint);
    if (applied)
        s.playCueSound();
}

void onReplay(AppState &s)
{
    if (s.recording || s.gameRecord.isEmpty() || s.gameStarted || s.busy)
        return;
    const BusyScope busy(s);
    Form &f = s.form;

    if (s.replayStep == 0) {
        const int size = s.recordSizeCode;
        if (s.boardSizeCode != size) {
            if (!s.askYes(QStringLiteral("再生する場合は%1路盤にする必要があります、変更しますか？").arg(linesOf(size))))
                return;
            s.lastRequestedOption = size;
            board::switchToSize(s, size);
            if (s.sizeSwitchDeclined) {
                f.Option3.setSelected(s.boardSizeCode);
                return;
            }
            f.Option3.setSelected(size);
            f.Option3.setAllEnabled(false);
        }
        if (board::boardHasContent(s)) {
            if (!s.askYes(kClearBoardQuestion)) {
                f.Option3.setAllEnabled(true);  // no replay runs yet
                return;
            }
            emptyBoardForRecord(s);
        }
    }

    if (s.replayStep >= s.gameRecord.size()) {
        if (!s.askYes(QStringLiteral("もう一度記録を再生しますか？"))) {
            leaveReplay(s);
            return;
        }
        s.replayStep = 0;
        emptyBoardForRecord(s);
    }

    board::lockForReplay(s);
    replayOnePress(s);
    f.cmdClear.enabled = true;
}

}  // namespace moyuta::record
