// The move count beside the board: how many stones this game has placed and
// which colour the next press puts down.
#include "Board.h"

namespace moyuta::board {

namespace {

bool isPlacement(const std::optional<MoveEntry> &e)
{
    return e && (e->tool == ToolBlack || e->tool == ToolWhite) && isValidPoint(e->point);
}

// The stones among `entries` (as `read` takes one), leaving out those `skip` marks.
template <typename Read>
int placements(const QStringList &entries, qsizetype end, Read read, const QList<bool> &skip = {})
{
    int count = 0;
    for (qsizetype i = 0; i < std::min(end, entries.size()); ++i)
        if (!(i < skip.size() && skip[i]) && isPlacement(read(entries[i])))
            ++count;
    return count;
}

}  // namespace

int stonesPlaced(const AppState &s)
{
    const MoveLists &m = s.moves;
    if (m.replayStep >= 1)  // setup stones (an SGF's AB, AW) are not moves
        return placements(m.gameRecord, m.replayStep, replayEntry, m.gameRecordSetup);
    if (s.session.authenticated)
        return placements(m.networkMoveLog, m.networkMoveLog.size(),
                          [](const QString &e) { return MoveEntry::fromWire(e, WireReading::Logged); });
    return placements(m.takeBackHistory, m.takeBackHistory.size(),
                      [](const QString &e) { return MoveEntry::fromRecord(e, RecordReading::TakeBack); });
}

PointContent nextStone(const AppState &s)
{
    const Form &f = s.form;
    if (s.moves.replayStep >= 1)
        return PointContent::Empty;  // a press shows a notice
    const int mark = f.Option4.selected;
    if (mark == 1 || mark == 2 || (mark >= 3 && f.Option4[mark].enabled))
        return PointContent::Empty;
    if (s.session.authenticated && !s.board.gameStarted)
        return PointContent::Empty;  // only the marks go on before the game
    switch (s.board.placementMode) {
    case 1: return PointContent::Black;
    case 2: return PointContent::White;
    case 3: return PointContent::Empty;
    default: break;
    }
    switch (f.Option1.selected) {
    case 0: return PointContent::Black;
    case 1: return PointContent::White;
    default: return PointContent::Empty;
    }
}

QString moveCountCaption(const AppState &s)
{
    const QString count = QStringLiteral("手数 %1").arg(stonesPlaced(s));
    switch (nextStone(s)) {
    case PointContent::Black: return count + QStringLiteral("　次は黒");
    case PointContent::White: return count + QStringLiteral("　次は白");
    default: return count;
    }
}

void showMoveCount(AppState &s)
{
    s.form.lblMoveCount.caption = moveCountCaption(s);
}

}  // namespace moyuta::board
