// The game information command and the window title that names the players.
#include "Record.h"
#include "SgfRead.h"

namespace moyuta::record {

QString windowTitle(const GameInfo &info)
{
    QStringList players;
    if (!info.black.isEmpty())
        players << QStringLiteral("黒 ") + info.black;
    if (!info.white.isEmpty())
        players << QStringLiteral("白 ") + info.white;
    const QString program = QStringLiteral("Moyuta");
    return players.isEmpty() ? program : program + QStringLiteral(" — ") + players.join(QStringLiteral(" / "));
}

void takeGameInfo(AppState &s, const GameInfo &info)
{
    s.record.info = boundedInfo(info);
    s.record.infoFromFile = false;
    s.form.frmMain.caption = windowTitle(s.record.info);
}

void onGameInfo(AppState &s)
{
    // Not over another handler's question. The dialog itself marks nothing
    // busy: the peer's moves go on arriving while it is open.
    if (s.flags.busy)
        return;
    GameInfo edited = s.record.info;
    if (s.askGameInfo(edited))
        takeGameInfo(s, edited);
}

}  // namespace moyuta::record
