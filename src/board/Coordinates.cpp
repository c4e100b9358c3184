#include "Coordinates.h"

namespace moyuta::board {

namespace {

// 一 to 十九 as kifu write them.
QString kanjiNumber(int n)
{
    static const QString digits[] = {QString(),          QStringLiteral("一"), QStringLiteral("二"),
                                     QStringLiteral("三"), QStringLiteral("四"), QStringLiteral("五"),
                                     QStringLiteral("六"), QStringLiteral("七"), QStringLiteral("八"),
                                     QStringLiteral("九")};
    if (n < 1 || n > 19)
        return {};
    return n < 10 ? digits[n] : QStringLiteral("十") + digits[n - 10];
}

bool onBoard(int lines, int index)
{
    return lines >= 1 && lines <= kGridSize && index >= 0 && index < lines;
}

}  // namespace

QString columnLabel(int style, int lines, int column)
{
    if (!onBoard(lines, column))
        return {};
    switch (style) {
    case CoordinatesJapanese: return QString::number(column + 1);
    case CoordinatesLetters: return QString(QLatin1Char(char('A' + column + (column >= 8 ? 1 : 0))));  // no I
    default: return {};
    }
}

QString rowLabel(int style, int lines, int row)
{
    if (!onBoard(lines, row))
        return {};
    switch (style) {
    case CoordinatesJapanese: return kanjiNumber(row + 1);
    case CoordinatesLetters: return QString::number(lines - row);
    default: return {};
    }
}

QString pointName(int style, int lines, int point)
{
    const int row = pointRow(point), column = pointColumn(point);
    if (!isValidPoint(point) || !onBoard(lines, row) || !onBoard(lines, column))
        return {};
    if (style == CoordinatesLetters)
        return columnLabel(style, lines, column) + rowLabel(style, lines, row);
    return columnLabel(CoordinatesJapanese, lines, column) + QStringLiteral("の")
           + rowLabel(CoordinatesJapanese, lines, row);
}

QString contentName(PointContent content)
{
    switch (content) {
    case PointContent::Empty: return QStringLiteral("空き");
    case PointContent::Black: return QStringLiteral("黒");
    case PointContent::White: return QStringLiteral("白");
    default: return glyphOf(content);
    }
}

}  // namespace moyuta::board
