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

QString leftCharacters(const QString &text, qsizetype count)
{
    qsizetype end = 0;
    for (qsizetype n = 0; n < count && end < text.size(); ++n)
        end += text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate() ? 2 : 1;
    return text.left(end);
}

QString withoutLoneSurrogates(const QString &text)
{
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            kept += c;
            kept += text[++i];
        } else if (!c.isSurrogate()) {
            kept += c;
        }
    }
    return kept;
}

}  // namespace moyuta
