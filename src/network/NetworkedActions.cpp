#include "NetworkedActions.h"

#include "Board.h"

namespace moyuta::network {

void onWait(AppState &s)
{
    s.focusChatInput();
    if (s.peerBlocks() || s.moves.recording || s.flags.busy)
        return;
    const BusyScope busy(s);
    s.takeInPeerMessages();  // a move the peer already sent is the last one on both sides
    if (!s.peerBlocks() && board::boardHasContent(s) && board::takeBackNetworkMove(s))
        s.sendKeyword(QStringLiteral("待った"));  // only when a move was really taken back
    s.form.cmdWait.enabled = !s.moves.networkMoveLog.isEmpty();
}

}  // namespace moyuta::network
