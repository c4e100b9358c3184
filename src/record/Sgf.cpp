// A record as SGF (FF[4]): one node per entry on the main line, so that any
// Go program can open a game recorded here.
#include "Record.h"
#include "RecordCommon.h"

#include <array>

namespace moyuta::record {

namespace {

// "dd" for point 60: the column's letter, then the row's (a = top left).
QString sgfPoint(int point)
{
    const QChar letters[2] = {QChar(u'a' + pointColumn(point)), QChar(u'a' + pointRow(point))};
    return QString(letters, 2);
}

// Markup belongs to one node in SGF, so every node lists all letters and
// marks on the board: LB, then TR (▲), then SQ (◆), each in point order.
QString markupProperties(const std::array<PointContent, kPointCount> &markup)
{
    QString letters, triangles, diamonds;
    for (int p = 0; p < kPointCount; ++p) {
        const PointContent c = markup[size_t(p)];
        if (isLetter(c))
            letters += QStringLiteral("[%1:%2]").arg(sgfPoint(p)).arg(QChar(u'A' + int(c) - int(PointContent::LetterA)));
        else if (c == PointContent::Triangle)
            triangles += QStringLiteral("[%1]").arg(sgfPoint(p));
        else if (c == PointContent::Diamond)
            diamonds += QStringLiteral("[%1]").arg(sgfPoint(p));
    }
    QString text;
    if (!letters.isEmpty())
        text += QStringLiteral("LB") + letters;
    if (!triangles.isEmpty())
        text += QStringLiteral("TR") + triangles;
    if (!diamonds.isEmpty())
        text += QStringLiteral("SQ") + diamonds;
    return text;
}

}  // namespace

QByteArray sgfText(const QStringList &record, int sizeCode)
{
    QString text = QStringLiteral("(;FF[4]GM[1]CA[UTF-8]AP[Moyuta:" MOYUTA_VERSION "]SZ[%1]").arg(linesOf(sizeCode));
    // The letters and marks on the board after each entry.
    std::array<PointContent, kPointCount> markup{};
    for (const QString &entry : record) {
        const std::optional<RecordEntry> e = parseRecordEntry(entry);
        if (!e || !isValidPoint(e->point) || e->tool > ToolLetterD)
            continue;  // replay skips it too
        const QString point = sgfPoint(e->point);
        PointContent &here = markup[size_t(e->point)];
        text += QLatin1Char(';');
        switch (e->tool) {
        case ToolRemove:
            text += QStringLiteral("AE[%1]").arg(point);
            here = PointContent::Empty;  // a mark's removal too, which replay leaves standing
            break;
        case ToolBlack:
        case ToolWhite:
            text += (e->tool == ToolBlack ? QStringLiteral("B[%1]") : QStringLiteral("W[%1]")).arg(point);
            if (e->number >= 1)
                text += QStringLiteral("MN[%1]").arg(e->number);
            here = PointContent::Empty;  // the stone covers a letter or mark there
            break;
        default:
            here = PointContent(e->tool);
            break;
        }
        text += markupProperties(markup);
    }
    text += QStringLiteral(")\n");
    return text.toUtf8();
}

}  // namespace moyuta::record
