// Replay: one entry of the record per press of "記録を再生(&T)", or the
// entries of one SGF node.
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
    board::resetBoardAndGame(s);  // ends the replay too
    board::resetStartNumber(s);
    f.cmdF.enabled = false;
    f.cmdNewSave.enabled = false;  // the record is gone
    f.cmdBack.enabled = false;
    f.cmdClear.enabled = false;
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

namespace {

// One entry on the board, without the cue sound; false when replay skips it
// outright (no sound for it).
bool applyEntry(AppState &s, const QString &entry)
{
    const std::optional<RecordEntry> e = parseRecordEntry(entry);
    if (!e)
        return false;
    const int tool = e->tool, point = e->point, removed = e->removed;
    s.moveCounter = qint16(e->number - 1);
    if (!isValidPoint(point))
        return false;

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
        p.content = PointContent(tool);  // a stone's number stays with it
        break;
    default:
        break;
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
        const std::optional<RecordEntry> e = parseRecordEntry(entry);
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
