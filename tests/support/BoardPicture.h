#pragma once
// Boards as small pictures, one board line a row and the points apart by
// spaces: ". X O" for empty, black and white, "^" a triangle, "*" a diamond,
// "A"-"D" the letters. A failed comparison prints both pictures.

#include "AppState.h"
#include "Board.h"

#include <QStringList>
#include <QtGlobal>

namespace moyuta::test {

struct BoardPicture {
    QStringList rows;
    bool operator==(const BoardPicture &) const = default;
};

inline char *toString(const BoardPicture &p)
{
    return qstrdup(('\n' + p.rows.join('\n')).toUtf8().constData());
}

inline constexpr char kPictureChars[] = ".XO^*ABCD";  // in PointContent order

inline QChar pictureChar(PointContent c)
{
    return QLatin1Char(kPictureChars[int(c)]);
}

inline PointContent contentOf(QChar c)
{
    for (int i = 0; kPictureChars[i]; ++i)
        if (c == QLatin1Char(kPictureChars[i]))
            return PointContent(i);
    qFatal("not a point of a board picture: %c", c.toLatin1());
}

// Sets the points the picture covers, from the top-left corner; numbers and
// the points outside it stay as they are.
inline void setBoard(AppState &s, const QStringList &rows)
{
    Q_ASSERT(rows.size() <= kGridSize);
    for (int row = 0; row < rows.size(); ++row) {
        const QStringList points = rows[row].split(u' ', Qt::SkipEmptyParts);
        Q_ASSERT(points.size() <= kGridSize);
        for (int column = 0; column < points.size(); ++column)
            board::setPointContent(s, pointIndex(row, column), contentOf(points[column].front()));
    }
}

// The top-left square of `lines` lines (the board's own size when none is given).
inline BoardPicture pictureOf(const AppState &s, int lines = 0)
{
    if (lines <= 0 || lines > kGridSize)
        lines = linesOf(s.board.boardSizeCode);
    BoardPicture p;
    for (int row = 0; row < lines; ++row) {
        QStringList points;
        for (int column = 0; column < lines; ++column)
            points << pictureChar(s.board.points[size_t(pointIndex(row, column))].content);
        p.rows << points.join(u' ');
    }
    return p;
}

}  // namespace moyuta::test
