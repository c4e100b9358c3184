// The move lists and the take-back command "1手戻る(&L)".
#include "Board.h"

namespace moyuta::board {

namespace {

constexpr int kEntryMaxLength = 11;

struct ParsedEntry {
    int tool = 0;
    int point = -1;
    int removed = 0;
    int number = 0;
};

// Reads "tool,point,removed,number"; false when it has fewer than three commas.
bool parseEntry(const QString &raw, ParsedEntry &out)
{
    QString e = raw.left(kEntryMaxLength);
    while (e.endsWith(QLatin1Char(' ')))
        e.chop(1);
    const qsizetype c1 = e.indexOf(QLatin1Char(','));
    const qsizetype c2 = c1 < 0 ? -1 : e.indexOf(QLatin1Char(','), c1 + 1);
    const qsizetype c3 = c2 < 0 ? -1 : e.indexOf(QLatin1Char(','), c2 + 1);
    if (c3 < 0)
        return false;
    out.tool = leadingNumber(e.left(1));
    // A point field that is not a plain number names no point: nothing to reverse.
    bool ok = false;
    const QString pointField = e.mid(c1 + 1, c2 - c1 - 1);
    const int point = pointField.toInt(&ok);
    out.point = ok && !pointField.startsWith(QLatin1Char('+')) && !pointField.startsWith(QLatin1Char('-')) ? point : -1;
    out.removed = leadingNumber(e.mid(c2 + 1, 1));
    out.number = leadingNumber(e.mid(c3 + 1));
    return true;
}

// Puts back what a removal took off; false when the entry names nothing to put back.
bool restoreRemoved(AppState &s, const ParsedEntry &e)
{
    BoardPoint &p = s.points[size_t(e.point)];
    switch (e.removed) {
    case ToolBlack:
    case ToolWhite:
        p.content = PointContent(e.removed);
        p.number = e.number > 0 ? QString::number(e.number) : QString();
        break;
    case ToolTriangle:
    case ToolDiamond:
    case ToolLetterA:
    case ToolLetterB:
    case ToolLetterC:
    case ToolLetterD:
        p.content = PointContent(e.removed);
        p.number.clear();
        break;
    default:
        return false;
    }
    showLastMoveMarker(s, e.point);
    return true;
}

// Reverses and removes the last entry of `list`. An entry that cannot be
// reversed is dropped without touching the board, so take-back never sticks.
void takeBackFrom(AppState &s, QStringList &list, bool recordVariant)
{
    if (list.isEmpty())
        return;
    ParsedEntry e;
    if (!parseEntry(list.last(), e)) {
        list.removeLast();
        return;
    }
    s.actionTool = e.tool;
    s.actionPoint = e.point;
    s.removedKind = e.removed;
    s.moveCounter = qint16(e.number);
    if (!isValidPoint(e.point)) {
        list.removeLast();
        return;
    }

    BoardPoint &p = s.points[size_t(e.point)];
    bool reversed = false;
    if (e.tool == ToolRemove) {
        reversed = restoreRemoved(s, e);
    } else if (e.tool == ToolBlack || e.tool == ToolWhite) {
        p = BoardPoint{};
        showLastMoveMarker(s, e.point);
        if (s.moveCounter > 0)
            --s.moveCounter;
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

QString historyEntry(int tool, int point, int removed, int number)
{
    return QStringLiteral("%1,%2,%3,%4").arg(tool).arg(point).arg(removed).arg(number);
}

void takeBackFromHistory(AppState &s)
{
    takeBackFrom(s, s.takeBackHistory, false);
}

void takeBackFromRecord(AppState &s)
{
    takeBackFrom(s, s.gameRecord, true);
}

void onTakeBack(AppState &s)
{
    if (s.replayStep >= 1)
        return;  // a replay is not taken back
    // While recording, and for a kept record until the next action, both
    // lists hold the same moves: reverse them together. Otherwise the record
    // is not this board's history.
    if (!s.gameRecord.isEmpty() && s.gameRecord.size() == s.takeBackHistory.size()) {
        takeBackFromRecord(s);
        takeBackFromHistory(s);
    } else if (!s.takeBackHistory.isEmpty()) {
        takeBackFromHistory(s);
    }
    if (s.authenticated)
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
    s.recording = false;
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
    s.networkMoveLog.clear();
    s.clearGameRecord();
    s.takeBackHistory.clear();
    showNotRecording(s);
    selectBlackToStart(s);
    f.cmdNetwork.enabled = true;
    f.cmdFileOpen.enabled = true;
    f.cmdOpt.enabled = true;
    f.Option3.setAllEnabled(true);
}

}  // namespace moyuta::board
