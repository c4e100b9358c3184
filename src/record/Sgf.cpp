// A record as SGF (FF[4]): one node per entry on the main line, so that any
// Go program can open a game recorded here. Setup opened from SGF is written
// as setup again: as moves, other programs would capture stones with it.
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

// "AB[aa][bb]": the property with its values; nothing without values.
QString property(QStringView id, const QString &values)
{
    return values.isEmpty() ? QString() : id.toString() + values;
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
    return property(u"LB", letters) + property(u"TR", triangles) + property(u"SQ", diamonds);
}

// The board as replay leaves it: stones for setup nodes, letters and marks
// for the markup every node repeats.
struct SgfBoard {
    std::array<PointContent, kPointCount> stones{};
    std::array<PointContent, kPointCount> markup{};

    void apply(const board::MoveEntry &e)
    {
        PointContent &stone = stones[size_t(e.point)];
        PointContent &here = markup[size_t(e.point)];
        switch (e.tool) {
        case ToolRemove:
            if (e.removed == ToolBlack || e.removed == ToolWhite || (e.removed >= ToolLetterA && e.removed <= ToolLetterD))
                stone = PointContent::Empty;
            here = PointContent::Empty;  // a mark's removal too, which replay leaves standing
            break;
        case ToolBlack:
        case ToolWhite:
            stone = PointContent(e.tool);
            here = PointContent::Empty;  // the stone covers a letter or mark there
            break;
        default:
            stone = PointContent::Empty;
            here = PointContent(e.tool);
            break;
        }
    }
};

// The entry replay applies, or none for one it skips.
std::optional<board::MoveEntry> writableEntry(const QString &entry)
{
    const std::optional<board::MoveEntry> e = board::replayEntry(entry);
    if (!e || !isValidPoint(e->point) || e->tool > ToolLetterD)
        return std::nullopt;
    return e;
}

// The properties of one entry that is not setup.
QString entryProperties(const board::MoveEntry &e)
{
    const QString point = sgfPoint(e.point);
    if (e.tool == ToolRemove)
        return QStringLiteral("AE[%1]").arg(point);
    if (e.tool != ToolBlack && e.tool != ToolWhite)
        return {};
    QString text = (e.tool == ToolBlack ? QStringLiteral("B[%1]") : QStringLiteral("W[%1]")).arg(point);
    if (e.number >= 1)
        text += QStringLiteral("MN[%1]").arg(e.number);
    return text;
}

// AB, AW and AE of the setup entries of one node: the points whose stone
// they changed, so that no point is both cleared and set in the node.
QString setupProperties(SgfBoard &board, const QStringList &entries)
{
    const std::array<PointContent, kPointCount> before = board.stones;
    for (const QString &entry : entries) {
        if (const std::optional<board::MoveEntry> e = writableEntry(entry))
            board.apply(*e);
    }
    QString black, white, cleared;
    for (int p = 0; p < kPointCount; ++p) {
        const PointContent now = board.stones[size_t(p)];
        if (now == before[size_t(p)])
            continue;
        QString &list = now == PointContent::Black ? black : now == PointContent::White ? white : cleared;
        list += QStringLiteral("[%1]").arg(sgfPoint(p));
    }
    return property(u"AB", black) + property(u"AW", white) + property(u"AE", cleared);
}

// A letter or mark put or taken off: it fits in a setup node.
bool isMarkup(const QString &entry)
{
    const std::optional<board::MoveEntry> e = board::replayEntry(entry);
    return e && (e->tool >= ToolTriangle || (e->tool == ToolRemove && e->removed >= ToolTriangle));
}

// The end of the setup node that starts at `i`: the setup entries and markup
// of one node; `i` itself when no setup entry is among them.
qsizetype setupNodeEnd(const QStringList &record, const SgfSetup &setup, qsizetype i)
{
    const auto isSetup = [&](qsizetype k) { return k < setup.setup.size() && setup.setup[k]; };
    const bool byNode = setup.joins.size() == record.size();
    bool any = false;
    qsizetype end = i;
    while (end < record.size() && (end == i || (byNode && setup.joins[end])) && (isSetup(end) || isMarkup(record[end]))) {
        any = any || isSetup(end);
        ++end;
    }
    return any ? end : i;
}

// A text value: "\\" and "]" escaped, as SGF's Text and SimpleText are.
QString textValue(const QString &value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char(']'), QStringLiteral("\\]"));
    return QLatin1Char('[') + escaped + QLatin1Char(']');
}

QString textProperty(QStringView id, const QString &value)
{
    return value.isEmpty() ? QString() : id.toString() + textValue(value);
}

// The root's game information, in the order SGF lists them.
QString infoProperties(const GameInfo &info, int setupHandicap)
{
    QString text = textProperty(u"GN", info.gameName) + textProperty(u"PB", info.black) + textProperty(u"PW", info.white)
                   + textProperty(u"DT", info.date) + textProperty(u"PC", info.place) + textProperty(u"KM", info.komi);
    if (!info.handicap.isEmpty())
        text += textProperty(u"HA", info.handicap);
    else if (setupHandicap >= 0)
        text += QStringLiteral("HA[%1]").arg(setupHandicap);
    return text + textProperty(u"RE", info.result) + textProperty(u"GC", info.comment);
}

}  // namespace

QByteArray sgfText(const QStringList &record, int sizeCode, const SgfSetup &setup, const GameInfo &info,
                   const QString &lastComment)
{
    QString text = QStringLiteral("(;FF[4]GM[1]CA[UTF-8]AP[Moyuta:" MOYUTA_VERSION "]SZ[%1]").arg(linesOf(sizeCode));
    text += infoProperties(info, setup.handicap);
    SgfBoard board;
    for (qsizetype i = 0; i < record.size();) {
        if (const qsizetype end = setupNodeEnd(record, setup, i); end > i) {
            if (i > 0)
                text += QLatin1Char(';');  // the game's first setup stays in the root node, as handicap stones are
            text += setupProperties(board, record.mid(i, end - i));
            text += markupProperties(board.markup);
            i = end;
            continue;
        }
        const std::optional<board::MoveEntry> e = writableEntry(record[i++]);
        if (!e)
            continue;  // replay skips it too
        board.apply(*e);
        text += QLatin1Char(';') + entryProperties(*e) + markupProperties(board.markup);
    }
    text += textProperty(u"C", lastComment);
    text += QStringLiteral(")\n");
    return text.toUtf8();
}

}  // namespace moyuta::record
