// Clear, reset, start and resign/end; the prisoner counts and presence.
#include "Board.h"

namespace moyuta::board {

namespace {

void setLettersEnabled(AppState &s, bool enabled)
{
    for (int i = 3; i <= 6; ++i)
        s.form.Option4[i].enabled = enabled;
}

void onPrisoners(AppState &s, Spinner &spinner, int &count, Label &label, const QString &keyword)
{
    if (s.board.resetInProgress)
        return;
    if (s.flags.busy || s.peerBlocks()) {
        spinner.setValue(count);  // the change does not count: show the count again
        return;
    }
    const int wanted = spinner.value;
    {
        const BusyScope busy(s);
        // A count the peer sent before this change is older: it is taken first, then overwritten.
        s.takeInPeerMessages();
        if (!s.peerBlocks()) {
            count = wanted;
            label.caption = QString::number(count);
            if (s.session.authenticated) {
                s.sendPeerMessage(QString::number(count) + keyword + kTerminator);
                s.networkGameChanged(NetworkGameChange::Changed);
            }
        }
    }
    spinner.setValue(count);  // a refused change shows the count again
}

void endGame(AppState &s)
{
    Form &f = s.form;
    f.cmdWait.enabled = false;
    if (f.cmdOff.back != kActiveRed)
        f.cmdOff.enabled = false;
    f.cmdClear.enabled = true;
    f.chkOtherMarks.enabled = true;
    setLettersEnabled(s, false);
    f.Option3.setAllEnabled(false);
    s.board.gameEnded = true;
    s.networkGameChanged(NetworkGameChange::Changed);
    f.cmdTouryou.enabled = false;
    // The notice goes up before the send: the peer's OK may come during its wait.
    showMessagePanel(s, QStringLiteral("相手がOKを押すまで待機中"));
    if (s.board.peerAway || s.board.peerRemoving)
        hideMessagePanel(s);  // the peer's own notice stays in front
    s.sendKeyword(QStringLiteral("終局"));
}

}  // namespace

void onClear(AppState &s)
{
    Form &f = s.form;
    s.focusChatInput();
    if (s.peerBlocks())
        return;
    const QString question = s.moves.recording ? QStringLiteral("記録中です、中止されますがよろしいですか？")
                                         : QStringLiteral("すべてクリアーしますか？");
    if (!s.askYesHeld(question))
        return;
    showNotRecording(s);

    if (s.session.authenticated) {
        f.cmdFileOpen.enabled = false;
        f.chkOtherMarks.setChecked(false);
        f.chkOtherMarks.enabled = false;
        f.Option4.select(0);
        f.Option4.setAllEnabled(false);
        setCountButtonsEnabled(s, false);
        f.cmdStart.back = kStartGreen;
        f.cmdWait.enabled = false;
    } else {
        f.cmdFileOpen.enabled = true;
        f.Option4.select(0);
        f.Option4.setAllEnabled(f.chkOtherMarks.checked);
        f.Option4[1].enabled = false;
        f.Option4[2].enabled = false;
        setCountButtonsEnabled(s, false);
        f.cmdStart.back = kButtonGrey;
        selectBlackToStart(s);  // the first stone on the cleared board is black
        f.chkOtherMarks.enabled = true;
    }
    f.cmdNewSave.enabled = false;
    resetBoardAndGame(s);

    if (!s.session.authenticated)
        f.cmdNetwork.enabled = true;
    f.cmdOff.enabled = false;
    f.cmdOff.back = kButtonGrey;
    f.cmdBack.enabled = false;
    f.cmdClear.enabled = false;
    clearGameRecord(s);
    s.moves.takeBackHistory.clear();
    hideMessagePanel(s);
    s.board.gameEnded = false;

    if (s.session.authenticated)
        s.sendKeyword(QStringLiteral("クリア"));
    s.moves.recordFileLoaded = false;
    s.board.gameStarted = false;
}

void resetBoardAndGame(AppState &s)
{
    Form &f = s.form;
    s.board.resetInProgress = true;
    clearBoard(s);
    hideLastMoveMarker(s);
    s.board.peerHolding = false;
    s.board.peerAway = s.board.peerRemoving = false;
    hideMessagePanel(s);

    s.board.blackPrisoners = 0;
    s.board.whitePrisoners = 0;
    f.lblBlackPrisoners.caption = QStringLiteral("0");
    f.lblWhitePrisoners.caption = QStringLiteral("0");
    f.UpDown1.setValue(0);
    f.UpDown2.setValue(0);
    endReplay(s);

    f.Option3.setAllEnabled(true);
    f.cmdWait.enabled = false;
    if (f.cmdOff.back != kActiveRed)
        f.cmdOff.enabled = false;
    f.cmdOpt.enabled = true;

    s.board.gameStarted = false;
    f.cmdStart.enabled = s.session.authenticated;

    s.moves.takeBackHistory.clear();
    clearGameRecord(s);
    s.moves.networkMoveLog.clear();
    resetStartNumber(s);

    s.moves.recordFileLoaded = false;
    f.cmdF.enabled = false;
    s.board.resetInProgress = false;
    s.networkGameChanged(NetworkGameChange::Cleared);
}

void endReplay(AppState &s)
{
    if (s.moves.replayStep >= 1) {
        s.form.Option3.setAllEnabled(true);
        s.form.chkOtherMarks.enabled = true;
    }
    s.moves.replayStep = 0;
    showReplayPosition(s);
}

void lockForReplay(AppState &s)
{
    Form &f = s.form;
    f.chkOtherMarks.setChecked(false);
    f.chkOtherMarks.enabled = false;
    f.Option3.setAllEnabled(false);
    f.cmdBack.enabled = false;
}

void onStart(AppState &s)
{
    Form &f = s.form;
    s.focusChatInput();
    if (s.peerBlocks() || s.board.gameStarted)
        return;
    if (s.moves.recording) {
        s.informHeld(QStringLiteral("記録を中止します。"));
        showNotRecording(s);
        return;
    }
    f.Option1.select(0);  // the side that starts plays black
    s.informHeld(QStringLiteral("対局を開始しました"));
    s.sendPeerMessage(QString::number(s.board.boardSizeCode) + QStringLiteral(",開始") + kTerminator);

    f.cmdStart.back = kButtonGrey;
    f.cmdStart.enabled = false;
    f.cmdClear.enabled = false;
    f.cmdTouryou.enabled = true;
    f.cmdWait.enabled = false;
    f.cmdOff.enabled = true;
    f.Option3.setAllEnabled(false);
    f.UpDown1.enabled = true;
    f.UpDown2.enabled = true;

    emptyForNewGame(s);
    markGameStarted(s);
}

void onResign(AppState &s)
{
    s.focusChatInput();
    if (s.peerBlocks() || s.flags.busy)
        return;
    const BusyScope busy(s);  // a second press during the question or the send does nothing
    if (s.askYesHeld(QStringLiteral("投了または終局しますか？")))
        endGame(s);
}

void onPresence(AppState &s)
{
    Form &f = s.form;
    s.focusChatInput();
    if (f.cmdOff.caption == QStringLiteral("着席中(&P)")) {
        f.cmdOff.caption = QStringLiteral("退席中(&P)");
        f.cmdOff.back = kActiveRed;
        f.cmdWait.enabled = false;
        s.sendKeyword(QStringLiteral("退席中"));
    } else {
        f.cmdOff.caption = QStringLiteral("着席中(&P)");
        f.cmdOff.back = kButtonGrey;
        f.cmdWait.enabled = !s.moves.networkMoveLog.isEmpty();
        s.sendKeyword(QStringLiteral("着席中"));
    }
}

void onWhitePrisoners(AppState &s)
{
    onPrisoners(s, s.form.UpDown1, s.board.whitePrisoners, s.form.lblWhitePrisoners, QStringLiteral(",白ハマ"));
}

void onBlackPrisoners(AppState &s)
{
    onPrisoners(s, s.form.UpDown2, s.board.blackPrisoners, s.form.lblBlackPrisoners, QStringLiteral(",黒石ハマ"));
}

void installHandlers(AppState &s)
{
    Form &f = s.form;
    f.Option1.onClick = [&s](int i) { onColourOption(s, i); };
    f.Option2.onClick = [&s](int i) { onPlacementMode(s, i); };
    f.Option3.onClick = [&s](int i) { onSizeOption(s, i); };
    f.Option4.onClick = [&s](int i) { onMarkOption(s, i); };
    f.chkNumberStones.onClick = [&s] { onNumberStonesClick(s); };
    f.chkOtherMarks.onClick = [&s] { onOtherMarksClick(s); };
    f.UpDown1.onChange = [&s] { onWhitePrisoners(s); };
    f.UpDown2.onChange = [&s] { onBlackPrisoners(s); };
    f.UpDown5.onChange = [&s] { onStartNumberChange(s); };
}

void setInitialState(AppState &s)
{
    Form &f = s.form;
    layOutBoard(s);
    f.Option2.select(0);
    f.Option1.select(0);
    s.board.currentTool = ToolBlack;
    s.board.placementMode = 0;
    f.Option1.setAllEnabled(true);
    f.Option1.setAllBack(kButtonGrey);
    f.Option4.select(0);
    f.Option4.setAllEnabled(false);
    f.Option4.setAllBack(kButtonGrey);
    for (Button *b : {&f.cmdBack, &f.cmdClear, &f.cmdStart, &f.cmdTouryou, &f.cmdWait, &f.cmdF, &f.cmdNewSave,
                      &f.cmdSankaku, &f.cmd1Rectang, &f.cmdDikazuClear})
        b->enabled = false;
    f.UpDown1.enabled = false;
    f.UpDown2.enabled = false;
    s.board.blackPrisoners = s.board.whitePrisoners = 0;
    f.lblBlackPrisoners.caption = f.lblWhitePrisoners.caption = QStringLiteral("0");
    s.board.gameStarted = s.board.gameEnded = false;
    hideLastMoveMarker(s);
}

}  // namespace moyuta::board
