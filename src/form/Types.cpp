#include "Types.h"

namespace moyuta {

QString glyphOf(PointContent c)
{
    switch (c) {
    case PointContent::Empty: return {};
    case PointContent::Black:
    case PointContent::White: return QStringLiteral("●");
    case PointContent::Triangle: return QStringLiteral("▲");
    case PointContent::Diamond: return QStringLiteral("◆");
    case PointContent::LetterA: return QStringLiteral("A");
    case PointContent::LetterB: return QStringLiteral("B");
    case PointContent::LetterC: return QStringLiteral("C");
    case PointContent::LetterD: return QStringLiteral("D");
    }
    return {};
}

QString trimSpaces(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

}  // namespace moyuta
