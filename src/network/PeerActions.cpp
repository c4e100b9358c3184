// The dispatcher's game actions, as far as the board already carries them.
#include "PeerActions.h"

#include "Board.h"

namespace moyuta::network {

void onPeerSize(AppState &s, int sizeCode)
{
    // The option's own handler switches the board and echoes the size once.
    s.form.Option3.select(sizeCode);
    s.playCueSound();
}

void onPeerStart(AppState &, int) {}
void onPeerClear(AppState &) {}
void onPeerEnd(AppState &s)
{
    Form &f = s.form;
    // The reply waits until the user has read the notice.
    s.sendHold();
    s.inform(QStringLiteral("投了または終局しました。"));
    s.sendHoldRelease();
    f.Option3.setAllEnabled(false);
    f.cmdWait.enabled = false;
    f.cmdOff.enabled = false;
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

void onPeerTakeBack(AppState &) {}
void onPeerPrisoners(AppState &, bool, int) {}

void onPeerRemoving(AppState &s, bool removing)
{
    if (!removing) {
        s.overlayShown = false;
        board::hideMessagePanel(s);
        s.playCueSound();
    }
}

void onPeerAway(AppState &s, bool away)
{
    if (!away) {
        s.overlayShown = false;
        board::hideMessagePanel(s);
        s.playCueSound();
    }
}

void onPeerTyping(AppState &s, bool writing)
{
    s.form.lblStatus.caption = writing ? QStringLiteral("相手がメッセージを書いています") : QString();
}

void showPeerChat(AppState &) {}

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
