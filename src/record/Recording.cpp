// The recording command "記録(&Q)" / "記録中止(&Q)" and save-as.
#include "Board.h"
#include "Record.h"
#include "RecordCommon.h"

namespace moyuta::record {

namespace {

const QString kStartCaption = QStringLiteral("記録(&Q)");

void discardRecord(AppState &s)
{
    board::discardGameRecord(s);
    board::endReplay(s);
    board::resetStartNumber(s);
    s.form.cmdF.enabled = false;
}

void startRecording(AppState &s)
{
    Form &f = s.form;
    f.cmdRec.caption = QStringLiteral("記録中止(&Q)");
    f.cmdRec.back = kActiveRed;
    board::beginRecording(s);  // a new record: saving it empties it
    // An opened file's players did not play this game; what the user typed
    // for it stays.
    if (s.record.infoFromFile)
        takeGameInfo(s, {});
    f.Option3.setAllEnabled(false);
    f.Option3.setSelected(Size19);
    f.cmdNetwork.enabled = false;
    f.cmdOpt.enabled = false;
    f.cmdNewSave.enabled = false;
    f.cmdFileOpen.enabled = false;
    f.Option1.select(0);
    // The board is empty: nothing to take back, and no old move may come back onto it.
    board::clearTakeBackHistory(s);
    f.cmdBack.enabled = false;
    f.cmdClear.enabled = false;
}

void stopRecording(AppState &s)
{
    Form &f = s.form;
    board::showNotRecording(s);
    if (!s.session.authenticated) {
        f.Option3.setAllEnabled(true);
        f.cmdNetwork.enabled = true;
        f.cmdOpt.enabled = true;
    }
    if (s.moves.gameRecord.isEmpty())
        f.cmdNewSave.enabled = false;
    else if (s.askYes(QStringLiteral("記録した手順を保存しますか？")))
        saveRecord(s);
    else
        f.cmdNewSave.enabled = true;  // the record can be saved later
    f.cmdFileOpen.enabled = true;
}

}  // namespace

void onRecord(AppState &s)
{
    if (s.board.gameStarted || s.flags.busy)
        return;
    const BusyScope busy(s);
    Form &f = s.form;

    if (f.cmdF.enabled) {
        if (!s.askYes(QStringLiteral("再生するファイルが開いてありますが記録を開始しますか？")))
            return;
        discardRecord(s);
        f.Option3.setAllEnabled(true);  // the replay is left
    }

    bool sizeStepRan = false;
    // Once the switch to 19 lines was offered, a command that does not start
    // leaves the size options usable and showing the board's real size.
    auto endWithoutStarting = [&] {
        if (!sizeStepRan)
            return;
        f.Option3.setSelected(s.board.boardSizeCode);
        if (s.moves.replayStep < 1)
            f.Option3.setAllEnabled(true);
    };

    if (!s.moves.recording) {
        if (s.board.boardSizeCode != Size19) {
            if (!s.askYes(QStringLiteral("記録する場合は19路盤にする必要があります。変更しますか？")))
                return;
            sizeStepRan = true;
            f.Option3.setAllEnabled(false);
            board::switchToRequestedSize(s, Size19);
            if (s.board.sizeSwitchDeclined)
                return endWithoutStarting();
            f.Option3.setSelected(Size19);
        } else if (board::boardHasContent(s)) {
            if (!s.askYes(kClearBoardQuestion))
                return;
            emptyBoardForRecord(s);
        }
        if (!s.moves.gameRecord.isEmpty()) {
            if (!s.askYes(QStringLiteral("保存していない、またはファイルを開いてあります、破棄して記録を開始しますか？")))
                return endWithoutStarting();
            discardRecord(s);
        }
    }
    if (s.board.sizeSwitchDeclined)
        return endWithoutStarting();

    // The caption, not the flag, tells whether this click starts or stops.
    if (f.cmdRec.caption == kStartCaption)
        startRecording(s);
    else
        stopRecording(s);
}

void onSaveAs(AppState &s)
{
    if (s.moves.recording)
        return;
    if (s.askYes(QStringLiteral("記録した手順を保存しますか？")))
        saveRecord(s);
    s.form.cmdFileOpen.enabled = true;
}

}  // namespace moyuta::record
