// Reading SGF: the whole file is decoded first, because cp932 bytes of
// ordinary characters (ソ, 表 …) contain the bytes of "\" and "]".
#include "SgfRead.h"

#include "Cp932.h"

#include <QStringDecoder>

namespace moyuta::record {

namespace {

bool isSpace(QChar c) { return c.isSpace(); }

// Some files start a tree's first node with its first property, without ";".
bool isPropertyStart(QChar c)
{
    return c.unicode() < 0x80 && c.isUpper();
}

// A property's name and "[" at `pos`: a node that lacks its ";".
bool propertyFollows(const QString &text, qsizetype pos)
{
    if (pos >= text.size() || !isPropertyStart(text[pos]))
        return false;
    while (pos < text.size() && text[pos].unicode() < 0x80 && text[pos].isLetter())
        ++pos;
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
    return pos < text.size() && text[pos] == u'[';
}

// The CA value of the root node, read from the raw bytes: the first node
// after the first "(", up to the next node or tree mark outside a value.
QByteArray rootCharset(const QByteArray &bytes)
{
    qsizetype i = bytes.indexOf('(');
    if (i < 0)
        return {};
    for (++i; i < bytes.size() && QChar::isSpace(uchar(bytes[i])); ++i) {
    }
    if (i < bytes.size() && bytes[i] == ';')
        ++i;
    QByteArray ident;
    bool afterValue = false;  // a letter now starts the next property's name
    for (; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == ';' || c == '(' || c == ')')
            break;
        if (c >= 'A' && c <= 'Z') {
            if (afterValue)
                ident.clear();
            afterValue = false;
            ident += c;
            continue;
        }
        if (c != '[') {
            if (c >= 'a' && c <= 'z')
                continue;  // FF[3] names such as "CharSet" keep their capitals only
            continue;
        }
        QByteArray value;
        for (++i; i < bytes.size() && bytes[i] != ']'; ++i) {
            if (bytes[i] == '\\' && i + 1 < bytes.size())
                ++i;
            value += bytes[i];
        }
        if (ident == "CA")
            return value.trimmed();
        afterValue = true;
    }
    return {};
}

// Reads a value from just after "[" to its "]"; false when no "]" comes.
bool readValue(const QString &text, qsizetype &pos, QString &value)
{
    value.clear();
    for (; pos < text.size(); ++pos) {
        QChar c = text[pos];
        if (c == u']') {
            ++pos;
            return true;
        }
        if (c == u'\\') {
            if (++pos >= text.size())
                return false;
            c = text[pos];
            if (c == u'\r' || c == u'\n') {  // a soft line break
                if (pos + 1 < text.size() && text[pos + 1] != c && (text[pos + 1] == u'\r' || text[pos + 1] == u'\n'))
                    ++pos;
                continue;
            }
        }
        value += c;
    }
    return false;
}

// Reads the properties of a node from just after its ";".
bool readNode(const QString &text, qsizetype &pos, SgfNode &node)
{
    node.clear();
    while (pos < text.size()) {
        const QChar c = text[pos];
        if (isSpace(c)) {
            ++pos;
            continue;
        }
        if (c == u';' || c == u'(' || c == u')')
            return true;
        if (!c.isLetter() || c.unicode() > 0x7f)
            return false;
        SgfProperty prop;
        while (pos < text.size() && text[pos].unicode() < 0x80 && text[pos].isLetter()) {
            if (text[pos].isUpper())
                prop.ident += text[pos];
            ++pos;
        }
        while (pos < text.size()) {
            while (pos < text.size() && isSpace(text[pos]))
                ++pos;
            if (pos >= text.size() || text[pos] != u'[')
                break;
            ++pos;
            QString value;
            if (!readValue(text, pos, value))
                return false;
            prop.values << value;
        }
        if (prop.values.isEmpty())
            return false;
        node << prop;
    }
    return true;
}

}  // namespace

QString decodeSgf(const QByteArray &raw)
{
    if (raw.startsWith("\xFF\xFE") || raw.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(raw.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        return utf16.decode(raw.mid(2));
    }
    QByteArray bytes = raw;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QByteArray charset = rootCharset(bytes);
    if (!charset.isEmpty()) {
        QStringDecoder named(charset.constData());
        if (named.isValid())
            return named.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return fromCp932(bytes);
}

bool parseSgfMainLine(const QString &text, QList<SgfNode> &nodes)
{
    nodes.clear();
    // The first game: the first "(" followed by a node.
    qsizetype pos = 0;
    for (;;) {
        pos = text.indexOf(u'(', pos);
        if (pos < 0)
            return false;
        ++pos;
        qsizetype next = pos;
        while (next < text.size() && isSpace(text[next]))
            ++next;
        if (next < text.size() && (text[next] == u';' || propertyFollows(text, next)))
            break;
    }
    // The main line runs into the first child of every branch, so it ends at
    // the first ")"; the rest of the game is only checked to be well formed.
    int depth = 1;
    bool following = true;
    bool treeOpened = true;  // just after "(": a node may start without ";"
    while (pos < text.size()) {
        const QChar c = text[pos];
        if (following) {
            if (isSpace(c)) {
                ++pos;
            } else if (c == u';' || (treeOpened && isPropertyStart(c))) {
                pos += c == u';' ? 1 : 0;
                treeOpened = false;
                SgfNode node;
                if (!readNode(text, pos, node))
                    return false;
                nodes << node;
            } else if (c == u'(') {
                ++depth;
                ++pos;
                treeOpened = true;
            } else if (c == u')') {
                following = false;
                ++pos;
                if (--depth == 0)
                    return true;
            } else {
                return false;
            }
            continue;
        }
        ++pos;
        if (c == u'[') {
            QString skipped;
            if (!readValue(text, pos, skipped))
                return false;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')' && --depth == 0) {
            return true;
        }
    }
    return !nodes.isEmpty();  // cut short: the nodes read so far
}

SgfRecord readSgf(const QByteArray &bytes)
{
    if (bytes.size() > kMaxSgfBytes)
        return {};
    QList<SgfNode> nodes;
    if (!parseSgfMainLine(decodeSgf(bytes), nodes))
        return {};
    return convertSgf(nodes);
}

}  // namespace moyuta::record
