// The whole game as text, for a peer that lost it or saw actions in another order.
#include "Board.h"
#include "MoveEntry.h"

#include <QStringList>

namespace moyuta::board {

namespace {

constexpr int kMaxLogEntries = 100000;

QString pointText(const BoardPoint &p)
{
    QString t = QString::number(int(p.content));
    if (!p.number.isEmpty())
        t += QLatin1Char('#') + p.number;
    return t;
}

bool readPoint(const QString &text, BoardPoint &p)
{
    const qsizetype hash = text.indexOf(QLatin1Char('#'));
    bool ok = false;
    const int content = text.left(hash < 0 ? text.size() : hash).toInt(&ok);
    if (!ok || content < 0 || content > int(PointContent::LetterD))
        return false;
    p.content = PointContent(content);
    p.number = hash < 0 ? QString() : text.mid(hash + 1, 4);
    for (QChar c : p.number)
        if (!c.isDigit())
            return false;
    return true;
}

bool readInt(const QString &text, int low, int high, int &value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= low && value <= high;
}

void showCounts(AppState &s)
{
    Form &f = s.form;
    f.UpDown2.value = s.board.blackPrisoners;
    f.UpDown1.value = s.board.whitePrisoners;
    f.lblBlackPrisoners.caption = QString::number(s.board.blackPrisoners);
    f.lblWhitePrisoners.caption = QString::number(s.board.whitePrisoners);
}

}  // namespace

QString captureGame(const AppState &s)
{
    QStringList points;
    for (const BoardPoint &p : s.board.points)
        points << pointText(p);
    QStringList lines;
    lines << QStringLiteral("size=%1").arg(s.board.boardSizeCode)
          // A game that ended is no longer started, whichever side ended it.
          << QStringLiteral("flags=%1,%2").arg(int(s.board.gameStarted && !s.board.gameEnded)).arg(int(s.board.gameEnded))
          << QStringLiteral("prisoners=%1,%2").arg(s.board.blackPrisoners).arg(s.board.whitePrisoners)
          << QStringLiteral("last=%1").arg(s.board.lastMovePoint)
          << QStringLiteral("points=") + points.join(QLatin1Char(' '))
          << QStringLiteral("log=") + s.moves.networkMoveLog.join(QLatin1Char(' '));
    return lines.join(QLatin1Char('\n'));
}

bool adoptGame(AppState &s, const QString &text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() != 6)
        return false;
    auto value = [&lines](int i, const char *key) -> QString {
        const QString prefix = QLatin1String(key) + QLatin1Char('=');
        return lines[i].startsWith(prefix) ? lines[i].mid(prefix.size()) : QString(QChar(0xFFFF));
    };
    int size = 0, started = 0, ended = 0, black = 0, white = 0, last = 0;
    const QStringList flags = value(1, "flags").split(QLatin1Char(','));
    const QStringList counts = value(2, "prisoners").split(QLatin1Char(','));
    if (!readInt(value(0, "size"), Size19, Size9, size) || flags.size() != 2 || counts.size() != 2
        || !readInt(flags[0], 0, 1, started) || !readInt(flags[1], 0, 1, ended) || !readInt(counts[0], 0, 999, black)
        || !readInt(counts[1], 0, 999, white) || !readInt(value(3, "last"), -1, kPointCount - 1, last))
        return false;
    const QStringList pointTexts = value(4, "points").split(QLatin1Char(' '));
    if (pointTexts.size() != kPointCount)
        return false;
    std::array<BoardPoint, kPointCount> points{};
    for (int i = 0; i < kPointCount; ++i)
        if (!readPoint(pointTexts[i], points[size_t(i)]))
            return false;
    const QString logText = value(5, "log");
    const QStringList log = logText.isEmpty() ? QStringList() : logText.split(QLatin1Char(' '));
    if (log.size() > kMaxLogEntries)
        return false;
    for (const QString &entry : log)
        if (!MoveEntry::fromWire(entry, WireReading::Logged))
            return false;

    s.board.boardSizeCode = size;
    s.form.Option3.setSelected(size);
    s.board.points = points;
    if (last >= 0)
        showLastMoveMarker(s, last);
    else
        hideLastMoveMarker(s);
    s.moves.networkMoveLog = log;
    s.moves.takeBackHistory.clear();
    s.board.blackPrisoners = black;
    s.board.whitePrisoners = white;
    showCounts(s);
    s.board.gameStarted = started;
    s.board.gameEnded = ended;
    updateCountButtons(s);
    s.networkGameChanged(NetworkGameChange::Changed);
    return true;
}

}  // namespace moyuta::board
