// The move lists and the take-back command "1手戻る(&L)".
#include "Board.h"
#include "MoveEntry.h"

namespace moyuta::board {

namespace {

// Puts back what a removal took off; false when the entry names nothing to put back.
bool restoreRemoved(AppState &s, const MoveEntry &e)
{
    const std::optional<PointContent> content = contentPlacedBy(e.removed);
    if (!content)
        return false;
    BoardPoint &p = s.board.points[size_t(e.point)];
    p.content = *content;
    // A stone comes back with its number; a mark or letter shows none.
    p.number = isStone(*content) && e.number > 0 ? QString::number(e.number) : QString();
    showLastMoveMarker(s, e.point);
    return true;
}

// Reverses and removes the last entry of `list`. An entry that cannot be
// reversed is dropped without touching the board, so take-back never sticks.
void takeBackFrom(AppState &s, QStringList &list, bool recordVariant)
{
    if (list.isEmpty())
        return;
    const std::optional<MoveEntry> parsed = MoveEntry::fromRecord(list.last(), RecordReading::TakeBack);
    if (!parsed) {
        list.removeLast();
        return;
    }
    const MoveEntry &e = *parsed;
    s.board.actionTool = e.tool;
    s.board.actionPoint = e.point;
    s.board.removedKind = e.removed;
    s.board.moveCounter = qint16(e.number);
    if (!isValidPoint(e.point)) {
        list.removeLast();
        return;
    }

    BoardPoint &p = s.board.points[size_t(e.point)];
    bool reversed = false;
    if (e.tool == ToolRemove) {
        reversed = restoreRemoved(s, e);
    } else if (e.tool == ToolBlack || e.tool == ToolWhite) {
        p = BoardPoint{};
        showLastMoveMarker(s, e.point);
        if (s.board.moveCounter > 0)
            --s.board.moveCounter;
        reversed = true;
    } else if (e.tool >= ToolTriangle && e.tool <= ToolLetterD) {
        if (p.content != PointContent::Empty) {
            p = BoardPoint{};
            showLastMoveMarker(s, e.point);
            reversed = true;
        }
    }
    list.removeLast();
    if (!reversed)
        return;

    if (!list.isEmpty()) {
        if (recordVariant)
            selectNextColourFromRecord(s);
        else
            selectNextColourFromHistory(s);
    } else {
        hideLastMoveMarker(s);
    }
    s.playCueSound();
}

}  // namespace

void takeBackFromHistory(AppState &s)
{
    takeBackFrom(s, s.moves.takeBackHistory, false);
}

void takeBackFromRecord(AppState &s)
{
    takeBackFrom(s, s.moves.gameRecord, true);
}

void onTakeBack(AppState &s)
{
    if (s.moves.replayStep >= 1)
        return;  // a replay is not taken back
    // While recording, and for a kept record until the next action, both
    // lists hold the same moves: reverse them together. Otherwise the record
    // is not this board's history.
    if (!s.moves.gameRecord.isEmpty() && s.moves.gameRecord.size() == s.moves.takeBackHistory.size()) {
        takeBackFromRecord(s);
        takeBackFromHistory(s);
    } else if (!s.moves.takeBackHistory.isEmpty()) {
        takeBackFromHistory(s);
    }
    if (s.session.authenticated)
        return;
    if (boardHasContent(s)) {
        s.form.cmdBack.enabled = true;
        s.form.cmdClear.enabled = true;
    } else {
        freshStartOnEmptyBoard(s, true);
    }
}

void showNotRecording(AppState &s)
{
    s.form.cmdRec.caption = QStringLiteral("記録(&Q)");
    s.form.cmdRec.back = kButtonGrey;
    s.moves.recording = false;
}

void freshStartOnEmptyBoard(AppState &s, bool afterTakeBack)
{
    Form &f = s.form;
    resetStartNumber(s);
    f.cmdClear.enabled = false;
    f.cmdBack.enabled = false;
    if (afterTakeBack) {
        f.cmdNewSave.enabled = false;
        f.cmdF.enabled = false;
    }
    s.moves.networkMoveLog.clear();
    clearGameRecord(s);
    s.moves.takeBackHistory.clear();
    showNotRecording(s);
    selectBlackToStart(s);
    f.cmdNetwork.enabled = true;
    f.cmdFileOpen.enabled = true;
    f.cmdOpt.enabled = true;
    f.Option3.setAllEnabled(true);
}

}  // namespace moyuta::board
