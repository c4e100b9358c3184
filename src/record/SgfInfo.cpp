// The game information of an SGF root node: who played, when, where, komi,
// handicap, result, the game's name and a note.
#include "SgfRead.h"
#include "Types.h"

namespace moyuta::record {

namespace {

// The first value of `ident` in the root, as the reader resolved it; empty when absent.
QString rootText(const SgfNode &root, const char *ident)
{
    for (const SgfProperty &prop : root) {
        if (prop.ident == QLatin1String(ident))
            return prop.values.first();
    }
    return {};
}

// SimpleText: every line break and other white space is one space.
QString simpleText(const QString &value)
{
    QString text = value;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar &c : text) {
        if (c.isSpace())
            c = u' ';
    }
    return text.trimmed();
}

// Text: line breaks kept (as LF), other white space a space.
QString multiLineText(const QString &value)
{
    QString text = value;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    for (QChar &c : text) {
        if (c.isSpace() && c != u'\n')
            c = u' ';
    }
    return text.trimmed();
}

// HA as SGF has it, a number; a value that is none is not kept.
QString handicapText(const QString &value)
{
    bool isNumber = false;
    const int handicap = value.trimmed().toInt(&isNumber);
    return isNumber && handicap >= 0 && handicap <= kPointCount ? QString::number(handicap) : QString();
}

}  // namespace

GameInfo boundedInfo(GameInfo info)
{
    for (QString *field : {&info.black, &info.white, &info.date, &info.komi, &info.handicap, &info.result,
                           &info.gameName, &info.place, &info.comment})
        *field = leftCharacters(*field, kMaxInfoChars);
    return info;
}

GameInfo sgfGameInfo(const SgfNode &root)
{
    GameInfo info;
    info.black = simpleText(rootText(root, "PB"));
    info.white = simpleText(rootText(root, "PW"));
    info.date = simpleText(rootText(root, "DT"));
    info.komi = simpleText(rootText(root, "KM"));
    info.handicap = handicapText(rootText(root, "HA"));
    info.result = simpleText(rootText(root, "RE"));
    info.gameName = simpleText(rootText(root, "GN"));
    if (info.gameName.isEmpty())
        info.gameName = simpleText(rootText(root, "EV"));  // the event names many files' games
    info.place = simpleText(rootText(root, "PC"));
    info.comment = multiLineText(rootText(root, "GC"));
    return boundedInfo(info);
}

}  // namespace moyuta::record
