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
    if (sizeCode == s.board.boardSizeCode)
        return;
    board::takePeerSize(s, sizeCode);
    s.sendKeyword(kSizeKeywords[sizeCode]);
}

}  // namespace

void onPeerSize(AppState &s, int sizeCode)
{
    if (s.board.gameStarted)
        return;  // a game keeps its size
    takePeerSize(s, sizeCode);
    s.playCueSound();
}

void onPeerStart(AppState &s, int sizeCode)
{
    Form &f = s.form;
    if (s.board.gameStarted)
        return;  // the peer's start button stays off until a clear: this is a repeat
    takePeerSize(s, sizeCode);
    // The board is empty on both sides, as the starter made its own.
    board::emptyForNewGame(s);

    s.sendHold();
    s.inform(QStringLiteral("対局を開始しました。"));
    s.sendHoldRelease();
    board::markGameStarted(s);
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
    board::markCleared(s);
}
void onPeerEnd(AppState &s)
{
    Form &f = s.form;
    if (s.board.gameEnded) {
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
    if (s.session.authenticated)
        f.cmdClear.enabled = true;
    f.chkOtherMarks.enabled = true;
    board::markGameOver(s);
    s.sendKeyword(QStringLiteral("投了OK"));
}

void onPeerEndAccepted(AppState &s)
{
    board::hideMessagePanel(s);
}

void onPeerTakeBack(AppState &s)
{
    board::takeBackNetworkMove(s);  // plays the cue itself
}

void onPeerPrisoners(AppState &s, bool white, int count)
{
    if (count < 0 || count > 999)
        throw std::out_of_range("prisoner count");
    board::takePeerPrisoners(s, white, count);
    s.playCueSound();
}

void onPeerRemoving(AppState &s, bool removing)
{
    board::setPeerRemoving(s, removing);
    s.playCueSound();
}

void onPeerAway(AppState &s, bool away)
{
    board::setPeerAway(s, away);
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
    addChatEntry(s, QStringLiteral("◇") + leftCharacters(s.session.incomingMessage, s.form.txtSend.maxLength));
    s.playCueSound();
}

void onPeerQuit(AppState &s)
{
    board::hideMessagePanel(s);
    s.sendHold();
    s.inform(QStringLiteral("相手側ホストから接続がオフになりましたので、一旦終了します。"));
    s.sendHoldRelease();
    s.session.peerQuit = true;  // the window closes, without the quit question, once this receive has returned
}

}  // namespace moyuta::network
