// The replay command "記録を再生(&T)": its questions, and the way out of a replay.
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

}  // namespace

void applyReplayEntry(AppState &s, const QString &entry)
{
    if (s.moves.gameRecord.isEmpty())
        return;
    if (board::showReplayedEntry(s, entry))
        s.playCueSound();
}

void onReplay(AppState &s)
{
    if (s.moves.recording || s.moves.gameRecord.isEmpty() || s.board.gameStarted || s.flags.busy)
        return;
    const BusyScope busy(s);
    Form &f = s.form;

    if (s.moves.replayStep == 0) {
        const int size = s.moves.recordSizeCode;
        if (s.board.boardSizeCode != size) {
            if (!s.askYes(QStringLiteral("再生する場合は%1路盤にする必要があります、変更しますか？").arg(linesOf(size))))
                return;
            board::switchToRequestedSize(s, size);
            if (s.board.sizeSwitchDeclined) {
                f.Option3.setSelected(s.board.boardSizeCode);
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

    if (s.moves.replayStep >= s.moves.gameRecord.size()) {
        if (!s.askYes(QStringLiteral("もう一度記録を再生しますか？"))) {
            leaveReplay(s);
            return;
        }
        board::rewindReplay(s);
        emptyBoardForRecord(s);
    }

    board::lockForReplay(s);
    board::replayOnePress(s);
    f.cmdClear.enabled = true;
}

}  // namespace moyuta::record
