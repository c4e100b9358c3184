// Replay: one entry of the record per press of "記録を再生(&T)".
#include "Board.h"
#include "Record.h"
#include "RecordCommon.h"

namespace moyuta::record {

namespace {

// The replay buffer: an entry is cut to, or padded to, this many characters.
constexpr int kReplayBufferLength = 11;
constexpr int kMaxStoneNumber = 999;

void leaveReplay(AppState &s)
{
    Form &f = s.form;
    board::resetBoardAndGame(s);
    board::resetStartNumber(s);
    s.replayStep = 0;
    f.cmdF.enabled = false;
    f.cmdNewSave.enabled = false;  // the record is gone
    f.cmdBack.enabled = false;
    f.cmdClear.enabled = false;
    f.chkOtherMarks.enabled = true;
    f.Option3.setAllEnabled(true);
}

}  // namespace

std::optional<RecordEntry> parseRecordEntry(const QString &entry)
{
    QString buffer = entry.left(kReplayBufferLength).leftJustified(kReplayBufferLength, QLatin1Char(' '));
    while (buffer.endsWith(QLatin1Char(' ')))
        buffer.chop(1);
    const qsizetype c1 = buffer.indexOf(QLatin1Char(','));
    const qsizetype c2 = c1 < 0 ? -1 : buffer.indexOf(QLatin1Char(','), c1 + 1);
    const qsizetype c3 = c2 < 0 ? -1 : buffer.indexOf(QLatin1Char(','), c2 + 1);
    if (c3 < 0)
        return std::nullopt;
    RecordEntry e;
    e.tool = board::leadingNumber(buffer.left(1));
    e.point = board::leadingNumber(buffer.mid(c1 + 1, c2 - c1 - 1));
    e.removed = board::leadingNumber(buffer.mid(c2 + 1, c3 - c2 - 1));
    e.number = board::leadingNumber(buffer.mid(c3 + 1));
    if (e.number > kMaxStoneNumber)
        return std::nullopt;  // no stone of this program carries such a number
    return e;
}

void applyReplayEntry(AppState &s, const QString &entry)
{
    if (s.gameRecord.isEmpty())
        return;
    const std::optional<RecordEntry> e = parseRecordEntry(entry);
    if (!e)
        return;
    const int tool = e->tool, point = e->point, removed = e->removed;
    s.moveCounter = qint16(e->number - 1);
    if (!isValidPoint(point))
        return;

    BoardPoint &p = s.points[size_t(point)];
    switch (tool) {
    case ToolRemove:
        if (removed == ToolBlack || removed == ToolWhite || (removed >= ToolLetterA && removed <= ToolLetterD))
            p = BoardPoint{};
        board::showLastMoveMarker(s, point);
        break;
    case ToolBlack:
    case ToolWhite:
        p.content = tool == ToolBlack ? PointContent::Black : PointContent::White;
        ++s.moveCounter;
        // An unnumbered stone (number 0) shows no number.
        p.number = s.numberStones && s.moveCounter > 0 ? QString::number(s.moveCounter) : QString();
        board::showLastMoveMarker(s, point);
        break;
    case ToolTriangle:
    case ToolDiamond:
    case ToolLetterA:
    case ToolLetterB:
    case ToolLetterC:
    case ToolLetterD:
        p.content = PointContent(tool);
        p.number.clear();
        break;
    default:
        break;
    }
    s.playCueSound();
}

void onReplay(AppState &s)
{
    if (s.recording || s.gameRecord.isEmpty() || s.gameStarted || s.busy)
        return;
    const BusyScope busy(s);
    Form &f = s.form;

    if (s.replayStep == 0) {
        if (s.boardSizeCode != Size19) {
            if (!s.askYes(QStringLiteral("再生する場合は19路盤にする必要があります、変更しますか？")))
                return;
            s.lastRequestedOption = Size19;
            board::switchTo19Lines(s);
            if (s.sizeSwitchDeclined) {
                f.Option3.setSelected(s.boardSizeCode);
                return;
            }
            f.Option3.setSelected(Size19);
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

    ++s.replayStep;
    f.chkOtherMarks.setChecked(false);
    f.chkOtherMarks.enabled = false;
    // While a replay runs the board keeps its 19 lines.
    f.Option3.setAllEnabled(false);
    f.cmdBack.enabled = false;
    applyReplayEntry(s, s.gameRecord[s.replayStep - 1]);
    f.cmdClear.enabled = true;
}

}  // namespace moyuta::record
