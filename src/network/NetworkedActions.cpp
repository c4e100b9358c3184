#include "NetworkedActions.h"

#include "Board.h"

namespace moyuta::network {

bool takeBackNetworkMove(AppState &s)
{
    if (s.networkMoveLog.isEmpty())
        return false;
    const QStringList f = s.networkMoveLog.last().split(QLatin1Char(','));
    const int tool = f.value(0).left(1).toInt();
    bool ok = false;
    const int point = f.value(1).toInt(&ok);
    const int kind = f.value(4).toInt();
    if (ok && isValidPoint(point)) {
        BoardPoint &p = s.points[size_t(point)];
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
