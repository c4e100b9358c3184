#include "NetworkedActions.h"

#include "Board.h"
#include "MoveEntry.h"

namespace moyuta::network {

bool takeBackNetworkMove(AppState &s)
{
    if (s.networkMoveLog.isEmpty())
        return false;
    const std::optional<board::MoveEntry> move = board::MoveEntry::fromWire(s.networkMoveLog.last(), board::WireReading::Logged);
    if (move && isValidPoint(move->point)) {
        const int tool = move->tool, kind = move->removed;
        BoardPoint &p = s.points[size_t(move->point)];
        if (tool == ToolRemove && (kind == ToolBlack || kind == ToolWhite))
            p = BoardPoint{PointContent(kind), {}};
        else if (tool == ToolBlack || tool == ToolWhite)
            p = BoardPoint{};
    }
    s.networkMoveLog.removeLast();
    if (!board::boardHasContent(s))
        board::hideLastMoveMarker(s);
    s.form.cmdWait.enabled = !s.networkMoveLog.isEmpty();
    s.playCueSound();
    return true;
}

void onWait(AppState &s)
{
    s.focusChatInput();
    if (s.peerBlocks() || s.recording || s.busy)
        return;
    s.busy = true;
    s.takeInPeerMessages();  // a move the peer already sent is the last one on both sides
    if (!s.peerBlocks() && board::boardHasContent(s) && takeBackNetworkMove(s))
        s.sendKeyword(QStringLiteral("待った"));  // only when a move was really taken back
    s.form.cmdWait.enabled = !s.networkMoveLog.isEmpty();
    s.busy = false;
}

}  // namespace moyuta::network
