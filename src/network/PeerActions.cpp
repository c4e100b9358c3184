// The dispatcher's game actions, as far as the board already carries them.
#include "PeerActions.h"

#include "Board.h"
#include "Chat.h"
#include "NetworkedActions.h"

#include <stdexcept>

namespace moyuta::network {

namespace {

const QString kSizeKeywords[3] = {QStringLiteral("19路"), QStringLiteral("13路"), QStringLiteral("9路")};

// Switches to the peer's size at once (no question, no gate) and echoes it
// only when it changed, so both boards always end on the same size.
void takePeerSize(AppState &s, int sizeCode)
{
    if (sizeCode == s.boardSizeCode)
        return;
    board::clearBoard(s);
    board::resetStartNumber(s);
    s.takeBackHistory.clear();
    board::hideLastMoveMarker(s);
    s.boardSizeCode = sizeCode;
    s.form.Option3.setSelected(sizeCode);
    s.sendKeyword(kSizeKeywords[sizeCode]);
}

}  // namespace

void onPeerSize(AppState &s, int sizeCode)
{
    if (s.gameStarted)
        return;  // a game keeps its size
    takePeerSize(s, sizeCode);
    s.playCueSound();
}

void onPeerStart(AppState &s, int sizeCode)
{
    Form &f = s.form;
    if (s.gameStarted)
        return;  // the peer's start button stays off until a clear: this is a repeat
    takePeerSize(s, sizeCode);
    // The board is empty on both sides, as the starter made its own.
    board::clearBoard(s);
    s.moveCounter = 0;
    s.replayStep = 0;
    s.takeBackHistory.clear();
    s.clearGameRecord();
    board::resetStartNumber(s);
    board::hideLastMoveMarker(s);

    s.sendHold();
    s.inform(QStringLiteral("対局を開始しました。"));
    s.sendHoldRelease();
    s.gameStarted = true;
    f.cmdStart.enabled = false;
    f.Option3.setAllEnabled(false);
    f.cmdClear.enabled = false;
    f.cmdTouryou.enabled = true;
    f.cmdOff.enabled = true;
    f.UpDown1.enabled = f.UpDown2.enabled = true;
    f.cmdStart.back = kButtonGrey;
    f.cmdWait.enabled = sizeCode != Size19;
}

void onPeerClear(AppState &s)
{
    Form &f = s.form;
    board::hideMessagePanel(s);
    s.sendHold();
    s.inform(QStringLiteral("相手がクリアーしましたので、こちらもクリアーします。"));
    s.sendHoldRelease();
    board::resetBoardAndGame(s);
    f.Option3.setAllEnabled(true);
    f.cmdFileOpen.enabled = false;
    f.chkOtherMarks.setChecked(false);
    f.chkOtherMarks.enabled = false;
    f.Option4.select(0);
    f.Option4.setAllEnabled(false);
    board::setCountButtonsEnabled(s, false);
    f.cmdClear.enabled = false;
    f.cmdStart.back = kStartGreen;
    s.recordFileLoaded = false;
    s.gameEnded = false;  // as on the clearing side: the next game's moves are sent again
}
void onPeerEnd(AppState &s)
{
    Form &f = s.form;
    if (s.gameEnded) {
        // The peer's resign button stays off until a clear: a repeat only asks for the OK again.
        s.sendKeyword(QStringLiteral("投了OK"));
        return;
    }
    // The reply waits until the user has read the notice.
    s.sendHold();
    s.inform(QStringLiteral("投了または終局しました。"));
    s.sendHoldRelease();
    f.Option3.setAllEnabled(false);
    f.cmdWait.enabled = false;
    if (f.cmdOff.back != kActiveRed)
        f.cmdOff.enabled = false;  // an away player keeps the way back
    f.cmdTouryou.enabled = false;
    if (s.authenticated)
        f.cmdClear.enabled = true;
    f.chkOtherMarks.enabled = true;
    s.gameStarted = false;
    s.recordFileLoaded = false;
    s.gameEnded = true;
    s.sendKeyword(QStringLiteral("投了OK"));
}

void onPeerEndAccepted(AppState &s)
{
    board::hideMessagePanel(s);
}

void onPeerTakeBack(AppState &s)
{
    takeBackNetworkMove(s);  // plays the cue itself
}

void onPeerPrisoners(AppState &s, bool white, int count)
{
    if (count < 0 || count > 999)
        throw std::out_of_range("prisoner count");
    Form &f = s.form;
    // The count itself too: the spinner's handler is gated while an overlay is up.
    (white ? s.whitePrisoners : s.blackPrisoners) = count;
    (white ? f.lblWhitePrisoners : f.lblBlackPrisoners).caption = QString::number(count);
    (white ? f.UpDown1 : f.UpDown2).setValue(count);  // its handler echoes the count once
    s.playCueSound();
}

namespace {

// The gate stands while the peer is away or removing; each message lifts only its own reason.
void showPeerGate(AppState &s)
{
    s.overlayShown = s.peerAway || s.peerRemoving;
    board::hideMessagePanel(s);  // shows the notice that is due, if any
}

}  // namespace

void onPeerRemoving(AppState &s, bool removing)
{
    if (!removing || board::boardHasContent(s)) {
        s.peerRemoving = removing;
        showPeerGate(s);
    }
    s.playCueSound();
}

void onPeerAway(AppState &s, bool away)
{
    s.peerAway = away;
    showPeerGate(s);
    if (!away)
        s.playCueSound();
}

void onPeerTyping(AppState &s, bool writing)
{
    s.form.lblStatus.caption = writing ? QStringLiteral("相手がメッセージを書いています") : QString();
}

void showPeerChat(AppState &s)
{
    // No copy sends a longer line; a longer one is cut, not kept whole.
    addChatEntry(s, QStringLiteral("◇") + leftCharacters(s.incomingMessage, s.form.txtSend.maxLength));
    s.playCueSound();
}

void onPeerQuit(AppState &s)
{
    board::hideMessagePanel(s);
    s.sendHold();
    s.inform(QStringLiteral("相手側ホストから接続がオフになりましたので、一旦終了します。"));
    s.sendHoldRelease();
    s.quitWithoutAsking = true;
    s.peerQuit = true;  // the window closes once this receive has returned
}

}  // namespace moyuta::network
