// What the peer's messages do to this board. The network layer decides when;
// the board state changes here.
#include "Board.h"

namespace moyuta::board {

void takePeerSize(AppState &s, int sizeCode)
{
    clearBoard(s);
    resetStartNumber(s);
    s.moves.takeBackHistory.clear();
    hideLastMoveMarker(s);
    s.board.boardSizeCode = sizeCode;
    s.form.Option3.setSelected(sizeCode);
}

void emptyForNewGame(AppState &s)
{
    clearBoard(s);
    s.board.moveCounter = 0;
    s.moves.replayStep = 0;
    showReplayPosition(s);
    s.moves.takeBackHistory.clear();
    clearGameRecord(s);
    resetStartNumber(s);
    hideLastMoveMarker(s);
}

void markGameStarted(AppState &s)
{
    s.board.gameStarted = true;
    s.networkGameChanged(NetworkGameChange::Started);
}

void markCleared(AppState &s)
{
    s.moves.recordFileLoaded = false;
    s.board.gameEnded = false;  // as on the clearing side: the next game's moves are sent again
}

void markGameOver(AppState &s)
{
    s.board.gameStarted = false;
    s.moves.recordFileLoaded = false;
    s.board.gameEnded = true;
    s.networkGameChanged(NetworkGameChange::Changed);
}

void applyReceivedMove(AppState &s, const MoveEntry &move)
{
    // The counts are taken over without raising the spinners' own handlers.
    Form &form = s.form;
    s.board.blackPrisoners = move.blackPrisoners;
    s.board.whitePrisoners = move.whitePrisoners;
    form.UpDown2.value = move.blackPrisoners;
    form.UpDown1.value = move.whitePrisoners;
    form.lblBlackPrisoners.caption = QString::number(move.blackPrisoners);
    form.lblWhitePrisoners.caption = QString::number(move.whitePrisoners);

    BoardPoint &p = s.board.points[size_t(move.point)];
    if (move.tool == ToolBlack || move.tool == ToolWhite) {
        p.content = move.tool == ToolBlack ? PointContent::Black : PointContent::White;
        showLastMoveMarker(s, move.point);
    } else if (move.tool == ToolRemove) {
        p = BoardPoint{};
        hideLastMoveMarker(s);
    }
    s.moves.networkMoveLog.append(move.wireText());
    s.networkGameChanged(NetworkGameChange::Changed);
}

void takePeerPrisoners(AppState &s, bool white, int count)
{
    Form &f = s.form;
    // The count itself too: the spinner's handler is gated while an overlay is up.
    (white ? s.board.whitePrisoners : s.board.blackPrisoners) = count;
    (white ? f.lblWhitePrisoners : f.lblBlackPrisoners).caption = QString::number(count);
    (white ? f.UpDown1 : f.UpDown2).setValue(count);  // its handler echoes the count once
    s.networkGameChanged(NetworkGameChange::Changed);
}

bool takeBackNetworkMove(AppState &s)
{
    if (s.moves.networkMoveLog.isEmpty())
        return false;
    const std::optional<MoveEntry> move = MoveEntry::fromWire(s.moves.networkMoveLog.last(), WireReading::Logged);
    if (move && isValidPoint(move->point)) {
        const int tool = move->tool, kind = move->removed;
        BoardPoint &p = s.board.points[size_t(move->point)];
        if (tool == ToolRemove && (kind == ToolBlack || kind == ToolWhite))
            p = BoardPoint{PointContent(kind), {}};
        else if (tool == ToolBlack || tool == ToolWhite)
            p = BoardPoint{};
    }
    s.moves.networkMoveLog.removeLast();
    if (!boardHasContent(s))
        hideLastMoveMarker(s);
    s.form.cmdWait.enabled = !s.moves.networkMoveLog.isEmpty();
    s.networkGameChanged(NetworkGameChange::Changed);
    s.playCueSound();
    return true;
}

void setPeerHolding(AppState &s, bool holding)
{
    s.board.peerHolding = holding;
}

void setPeerAway(AppState &s, bool away)
{
    s.board.peerAway = away;
    hideMessagePanel(s);  // shows the notice that is due, if any
}

void setPeerRemoving(AppState &s, bool removing)
{
    // Removal on an empty board raises no notice; its end always lifts it.
    if (!removing || boardHasContent(s)) {
        s.board.peerRemoving = removing;
        hideMessagePanel(s);  // shows the notice that is due, if any
    }
}

void setPeerSilent(AppState &s, bool silent)
{
    s.board.peerSilent = silent;
    hideMessagePanel(s);  // shows the notice that is due, if any
}

}  // namespace moyuta::board
