#include "Dispatch.h"

#include "Board.h"
#include "PeerActions.h"

#include <vector>

namespace moyuta::network {

namespace {

// A keyword is the whole message before the terminator, or only its end
// when a number comes first (the prisoner counts).
enum class Compare { Whole, Ending };

struct Keyword {
    QString text;  // without the terminator
    void (*handle)(AppState &s);
    Compare compare = Compare::Whole;
    KeywordOutcome outcome = KeywordOutcome::Done;
};

QString startText(int sizeCode)
{
    return QString::number(sizeCode) + QStringLiteral(",開始");
}

int countBefore(const QString &message)
{
    return board::leadingNumber(message.section(QLatin1Char(','), 0, 0));
}

// First match wins; the order is the one the peer's texts were always tried in.
const std::vector<Keyword> &keywords()
{
    using S = AppState;
    static const std::vector<Keyword> table = {
        {QStringLiteral("19路"), [](S &s) { onPeerSize(s, Size19); }},
        {QStringLiteral("13路"), [](S &s) { onPeerSize(s, Size13); }},
        {QStringLiteral("9路"), [](S &s) { onPeerSize(s, Size9); }},
        {QStringLiteral("クリア"), onPeerClear},
        {QStringLiteral("終局"), onPeerEnd},
        // Only hides the panel; the status line is cleared as for an unknown keyword.
        {QStringLiteral("投了OK"), onPeerEndAccepted, Compare::Whole, KeywordOutcome::AsUnknown},
        {startText(Size19), [](S &s) { onPeerStart(s, Size19); }},
        {startText(Size13), [](S &s) { onPeerStart(s, Size13); }},
        {startText(Size9), [](S &s) { onPeerStart(s, Size9); }},
        {QStringLiteral(",白ハマ"), [](S &s) { onPeerPrisoners(s, true, countBefore(s.session.incomingMessage)); },
         Compare::Ending},
        {QStringLiteral(",黒石ハマ"), [](S &s) { onPeerPrisoners(s, false, countBefore(s.session.incomingMessage)); },
         Compare::Ending},
        {QStringLiteral("待った"), onPeerTakeBack},
        {QStringLiteral("ホールド"), [](S &s) { board::setPeerHolding(s, true); }},
        {QStringLiteral("ホールド解除"), [](S &s) { board::setPeerHolding(s, false); }},
        {QStringLiteral("石削除中"), [](S &s) { onPeerRemoving(s, true); }},
        {QStringLiteral("石削除終了"), [](S &s) { onPeerRemoving(s, false); }},
        {QStringLiteral("退席中"), [](S &s) { onPeerAway(s, true); }},
        {QStringLiteral("着席中"), [](S &s) { onPeerAway(s, false); }},
        {QStringLiteral("message_writing"), [](S &s) { onPeerTyping(s, true); }},
        {QStringLiteral("message_nothing"), [](S &s) { onPeerTyping(s, false); }},
    };
    return table;
}

bool names(const QString &message, const Keyword &k)
{
    const QString text = k.text + kTerminator;
    return k.compare == Compare::Whole ? message == text : message.endsWith(text);
}

}  // namespace

KeywordOutcome handlePeerKeyword(AppState &s)
{
    for (const Keyword &k : keywords())
        if (names(s.session.incomingMessage, k)) {
            k.handle(s);
            return k.outcome;
        }
    return KeywordOutcome::None;
}

}  // namespace moyuta::network
