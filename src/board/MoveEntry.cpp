#include "MoveEntry.h"

#include "Board.h"

namespace moyuta::board {

namespace {

// The record's entries were read through a fixed buffer of this many characters.
constexpr int kRecordEntryLength = 11;
constexpr int kMaxStoneNumber = 999;
constexpr int kMaxCount = 999;
constexpr int kMaxWireField = 6;

// A point field written as a plain number, else -1.
int plainPoint(const QString &field)
{
    bool ok = false;
    const int point = field.toInt(&ok);
    const bool signedText = field.startsWith(QLatin1Char('+')) || field.startsWith(QLatin1Char('-'));
    return ok && !signedText ? point : -1;
}

// A field of a received move: its decimal value, 0 when empty; -1 when it is not a plain number.
int receivedField(const QString &field)
{
    if (field.isEmpty())
        return 0;
    if (field.size() > kMaxWireField)
        return -1;
    bool ok = false;
    const int v = field.toInt(&ok);
    return ok && v >= 0 ? v : -1;
}

}  // namespace

std::optional<MoveEntry> MoveEntry::fromRecord(const QString &text, RecordReading reading)
{
    QString e = text.left(kRecordEntryLength);
    while (e.endsWith(QLatin1Char(' ')))
        e.chop(1);
    const qsizetype c1 = e.indexOf(QLatin1Char(','));
    const qsizetype c2 = c1 < 0 ? -1 : e.indexOf(QLatin1Char(','), c1 + 1);
    const qsizetype c3 = c2 < 0 ? -1 : e.indexOf(QLatin1Char(','), c2 + 1);
    if (c3 < 0)
        return std::nullopt;
    const QString pointField = e.mid(c1 + 1, c2 - c1 - 1);
    MoveEntry m;
    m.tool = leadingNumber(e.left(1));
    m.number = leadingNumber(e.mid(c3 + 1));
    if (reading == RecordReading::TakeBack) {
        m.point = plainPoint(pointField);
        m.removed = leadingNumber(e.mid(c2 + 1, 1));
        return m;
    }
    m.point = leadingNumber(pointField);
    m.removed = leadingNumber(e.mid(c2 + 1, c3 - c2 - 1));
    if (m.number > kMaxStoneNumber)
        return std::nullopt;  // no stone of this program carries such a number
    return m;
}

std::optional<MoveEntry> MoveEntry::fromWire(const QString &text, WireReading reading)
{
    const QStringList f = text.split(QLatin1Char(','));
    MoveEntry m;
    m.tool = text.left(1).toInt();
    if (reading == WireReading::Logged) {
        bool ok = false;
        const int point = f.value(1).toInt(&ok);
        m.point = ok ? point : -1;
        m.blackPrisoners = f.value(2).toInt();
        m.whitePrisoners = f.value(3).toInt();
        m.removed = f.value(4).toInt();
        return m;
    }
    m.point = receivedField(f.value(1));
    m.blackPrisoners = receivedField(f.value(2));
    m.whitePrisoners = receivedField(f.value(3));
    m.removed = receivedField(f.value(4));
    const auto count = [](int n) { return n >= 0 && n <= kMaxCount; };
    if (!isValidPoint(m.point) || !count(m.blackPrisoners) || !count(m.whitePrisoners) || m.removed < 0)
        return std::nullopt;
    return m;
}

QString MoveEntry::recordText() const
{
    return QStringLiteral("%1,%2,%3,%4").arg(tool).arg(point).arg(removed).arg(number);
}

QString MoveEntry::wireText() const
{
    return QStringLiteral("%1,%2,%3,%4,%5").arg(tool).arg(point).arg(blackPrisoners).arg(whitePrisoners).arg(removed);
}

std::optional<PointContent> contentPlacedBy(int tool)
{
    if (tool < ToolBlack || tool > ToolLetterD)
        return std::nullopt;
    return PointContent(tool);
}

}  // namespace moyuta::board
