// The move count beside the board: how many stones this game has placed and
// which colour the next press puts down.
#include "Board.h"

namespace moyuta::board {

namespace {

bool isPlacement(const std::optional<MoveEntry> &e)
{
    return e && (e->tool == ToolBlack || e->tool == ToolWhite) && isValidPoint(e->point);
}

int placementsInRecord(const AppState &s, qsizetype end)
{
    const MoveLists &m = s.moves;
    int count = 0;
    for (qsizetype i = 0; i < std::min(end, m.gameRecord.size()); ++i)
        if (!(i < m.gameRecordSetup.size() && m.gameRecordSetup[i]) && isPlacement(replayEntry(m.gameRecord[i])))
            ++count;
    return count;
}

int placementsInLog(const QStringList &log)
{
    int count = 0;
    for (const QString &entry : log)
        if (isPlacement(MoveEntry::fromWire(entry, WireReading::Logged)))
            ++count;
    return count;
}

int placementsInHistory(const QStringList &history)
{
    int count = 0;
    for (const QString &entry : history)
        if (isPlacement(MoveEntry::fromRecord(entry, RecordReading::TakeBack)))
            ++count;
    return count;
}

}  // namespace

int stonesPlaced(const AppState &s)
{
    if (s.moves.replayStep >= 1)
        return placementsInRecord(s, s.moves.replayStep);
    if (s.session.authenticated)
        return placementsInLog(s.moves.networkMoveLog);
    return placementsInHistory(s.moves.takeBackHistory);
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
