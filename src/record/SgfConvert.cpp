// An SGF main line as record entries, node by node. Captures are the one
// place where Moyuta applies a rule of play: the board itself stays a board.
#include "SgfRead.h"
#include "MoveEntry.h"
#include "Types.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <vector>

namespace moyuta::record {

namespace {

constexpr int kPass = -2;
constexpr int kIllegal = -1;
constexpr int kMaxMoveNumber = 999;

class Converter {
public:
    explicit Converter(int lines, bool captures) : lines_(lines), captures_(captures) {}

    // False when the node holds an illegal point or the record grows too long.
    bool convertNode(const SgfNode &node);
    SgfRecord &record() { return out_; }

private:
    int point(const QString &value) const;
    bool pointList(const SgfNode &node, const char *ident, std::vector<int> &points) const;
    bool markup(const SgfNode &node, std::map<int, PointContent> &shown) const;
    void addEntry(int tool, int point, int removed, int number);
    void removeAt(int point);
    void place(PointContent stone, int point, int number);
    void captureAround(int point);
    std::vector<int> chainWithoutLiberty(int point);

    int lines_;
    bool captures_;
    int moveCount_ = 0;
    bool inNode_ = false;
    bool setup_ = false;  // the entries being added come from AB, AW or AE
    std::array<PointContent, kPointCount> content_{};
    std::array<int, kPointCount> number_{};
    std::set<int> marked_;  // the points with a letter or mark, so that nodes need not scan the board
    SgfRecord out_;
};

// The point of "dd" on this board, kPass for "" and "tt", else kIllegal.
int Converter::point(const QString &value) const
{
    if (value.isEmpty() || (value == QStringLiteral("tt") && lines_ <= 19))
        return kPass;
    if (value.size() != 2)
        return kIllegal;
    const int column = value[0].unicode() - u'a';
    const int row = value[1].unicode() - u'a';
    if (column < 0 || column >= lines_ || row < 0 || row >= lines_)
        return kIllegal;
    return pointIndex(row, column);
}

// Every point of a property, "aa:cc" rectangles expanded.
bool Converter::pointList(const SgfNode &node, const char *ident, std::vector<int> &points) const
{
    for (const SgfProperty &prop : node) {
        if (prop.ident != QLatin1String(ident))
            continue;
        for (const QString &value : prop.values) {
            if (value.isEmpty())
                continue;  // an empty list
            const QStringList corners = value.split(u':');
            const int a = point(corners[0]);
            const int b = corners.size() == 2 ? point(corners[1]) : a;
            if (corners.size() > 2 || a < 0 || b < 0)
                return false;
            const int top = qMin(pointRow(a), pointRow(b)), bottom = qMax(pointRow(a), pointRow(b));
            const int left = qMin(pointColumn(a), pointColumn(b)), right = qMax(pointColumn(a), pointColumn(b));
            for (int r = top; r <= bottom; ++r)
                for (int c = left; c <= right; ++c)
                    points.push_back(pointIndex(r, c));
        }
    }
    return true;
}

// The letters A–D (LB), ▲ (TR) and ◆ (SQ) the node shows.
bool Converter::markup(const SgfNode &node, std::map<int, PointContent> &shown) const
{
    for (const SgfProperty &prop : node) {
        if (prop.ident != QLatin1String("LB"))
            continue;
        for (const QString &value : prop.values) {
            const qsizetype colon = value.indexOf(u':');
            const int p = point(value.left(colon));
            if (colon < 0 || p < 0)
                return false;
            const QString label = value.mid(colon + 1).toUpper();
            if (label.size() == 1 && label[0] >= u'A' && label[0] <= u'D')
                shown.emplace(p, PointContent(int(PointContent::LetterA) + label[0].unicode() - u'A'));
        }
    }
    std::vector<int> triangles, squares;
    if (!pointList(node, "TR", triangles) || !pointList(node, "SQ", squares))
        return false;
    for (int p : triangles)
        shown.emplace(p, PointContent::Triangle);
    for (int p : squares)
        shown.emplace(p, PointContent::Diamond);
    return true;
}

void Converter::addEntry(int tool, int point, int removed, int number)
{
    out_.entries << board::MoveEntry{.tool = tool, .point = point, .removed = removed, .number = number}.recordText();
    out_.joins << inNode_;
    out_.setup << setup_;
    inNode_ = true;
}

void Converter::removeAt(int point)
{
    if (content_[size_t(point)] == PointContent::Empty)
        return;
    addEntry(ToolRemove, point, int(content_[size_t(point)]), number_[size_t(point)]);
    marked_.erase(point);
    content_[size_t(point)] = PointContent::Empty;
    number_[size_t(point)] = 0;
}

void Converter::place(PointContent stone, int point, int number)
{
    removeAt(point);
    addEntry(int(stone), point, 0, number);
    content_[size_t(point)] = stone;
    number_[size_t(point)] = number;
}

// The chain at `point`, or nothing when it has a liberty.
std::vector<int> Converter::chainWithoutLiberty(int point)
{
    const PointContent colour = content_[size_t(point)];
    std::array<bool, kPointCount> seen{};
    std::vector<int> chain{point}, stack{point};
    seen[size_t(point)] = true;
    while (!stack.empty()) {
        const int p = stack.back();
        stack.pop_back();
        const int r = pointRow(p), c = pointColumn(p);
        const int neighbours[4][2] = {{r - 1, c}, {r + 1, c}, {r, c - 1}, {r, c + 1}};
        for (const auto &n : neighbours) {
            if (n[0] < 0 || n[0] >= lines_ || n[1] < 0 || n[1] >= lines_)
                continue;
            const int q = pointIndex(n[0], n[1]);
            if (!isStone(content_[size_t(q)]))
                return {};  // letters and marks stand on empty points
            if (content_[size_t(q)] == colour && !seen[size_t(q)]) {
                seen[size_t(q)] = true;
                chain.push_back(q);
                stack.push_back(q);
            }
        }
    }
    return chain;
}

// The opponent's chains without liberties, then the mover's own (suicide).
void Converter::captureAround(int point)
{
    const PointContent mover = content_[size_t(point)];
    const int r = pointRow(point), c = pointColumn(point);
    const int neighbours[4][2] = {{r - 1, c}, {r + 1, c}, {r, c - 1}, {r, c + 1}};
    std::vector<int> taken;
    for (const auto &n : neighbours) {
        if (n[0] < 0 || n[0] >= lines_ || n[1] < 0 || n[1] >= lines_)
            continue;
        const int q = pointIndex(n[0], n[1]);
        if (isStone(content_[size_t(q)]) && content_[size_t(q)] != mover) {
            const std::vector<int> chain = chainWithoutLiberty(q);
            taken.insert(taken.end(), chain.begin(), chain.end());
        }
    }
    std::sort(taken.begin(), taken.end());
    taken.erase(std::unique(taken.begin(), taken.end()), taken.end());
    for (int p : taken)
        removeAt(p);
    std::vector<int> own = chainWithoutLiberty(point);
    std::sort(own.begin(), own.end());
    for (int p : own)
        removeAt(p);
}

bool Converter::convertNode(const SgfNode &node)
{
    inNode_ = false;
    std::map<int, PointContent> shown;
    std::vector<int> cleared, black, white;
    if (!markup(node, shown) || !pointList(node, "AE", cleared) || !pointList(node, "AB", black)
        || !pointList(node, "AW", white))
        return false;
    // Markup this node no longer shows goes first.
    const std::set<int> marked = marked_;
    for (int p : marked) {
        const auto kept = shown.find(p);
        if (kept == shown.end() || kept->second != content_[size_t(p)])
            removeAt(p);
    }
    setup_ = true;
    for (int p : cleared)
        removeAt(p);
    for (int p : black)
        place(PointContent::Black, p, 0);
    for (int p : white)
        place(PointContent::White, p, 0);
    setup_ = false;
    int mn = 0;
    for (const SgfProperty &prop : node) {
        if (prop.ident == QLatin1String("MN"))
            mn = prop.values.first().trimmed().toInt();
    }
    for (const SgfProperty &prop : node) {
        const bool isBlack = prop.ident == QLatin1String("B");
        if (!isBlack && prop.ident != QLatin1String("W"))
            continue;
        const int p = point(prop.values.first());
        if (p == kIllegal)
            return false;
        if (p == kPass)
            continue;
        moveCount_ = mn >= 1 && mn <= kMaxMoveNumber ? mn : moveCount_ + 1;
        const int number = moveCount_ >= 1 && moveCount_ <= kMaxMoveNumber ? moveCount_ : 0;
        place(isBlack ? PointContent::Black : PointContent::White, p, number);
        if (captures_)
            captureAround(p);
    }
    for (const auto &[p, c] : shown) {
        if (content_[size_t(p)] == PointContent::Empty) {  // markup on a stone is skipped
            addEntry(int(c), p, 0, 0);
            content_[size_t(p)] = c;
            marked_.insert(p);
        }
    }
    return out_.entries.size() <= kMaxSgfEntries;
}

QString rootValue(const SgfNode &root, const char *ident)
{
    for (const SgfProperty &prop : root) {
        if (prop.ident == QLatin1String(ident))
            return prop.values.first().trimmed();
    }
    return {};
}

}  // namespace

SgfRecord convertSgf(const QList<SgfNode> &nodes)
{
    SgfRecord bad;
    if (nodes.isEmpty())
        return bad;
    const SgfNode &root = nodes.first();
    const QString game = rootValue(root, "GM");
    if (!game.isEmpty() && game != QStringLiteral("1"))
        return bad;
    QString size = rootValue(root, "SZ");
    if (size.isEmpty())
        size = QStringLiteral("19");
    const QStringList sides = size.split(u':');
    int lines = 0;
    if (sides.size() == 1 || (sides.size() == 2 && sides[1].trimmed() == sides[0].trimmed()))
        lines = sides[0].trimmed().toInt();
    if (lines != 19 && lines != 13 && lines != 9) {
        bad.result = SgfResult::UnsupportedSize;
        return bad;
    }
    // Moyuta's own files already hold the players' removals.
    const bool captures = !rootValue(root, "AP").startsWith(QStringLiteral("Moyuta:"));
    Converter converter(lines, captures);
    for (const SgfNode &node : nodes) {
        if (!converter.convertNode(node))
            return bad;
    }
    SgfRecord &out = converter.record();
    bool placesSomething = false;
    for (const QString &entry : std::as_const(out.entries))
        placesSomething = placesSomething || !entry.startsWith(u'0');
    if (!placesSomething) {
        bad.result = SgfResult::NothingToReplay;
        return bad;
    }
    out.sizeCode = lines == 19 ? Size19 : lines == 13 ? Size13 : Size9;
    out.info = sgfGameInfo(root);
    out.result = SgfResult::Ok;
    return out;
}

}  // namespace moyuta::record
