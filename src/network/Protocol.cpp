#include "Protocol.h"

#include "ConnectRetry.h"

#include "Mapping.h"

#include "Board.h"
#include "Cp932.h"
#include "Dispatch.h"
#include "MessageCipher.h"
#include "MoveEntry.h"
#include "Panel.h"
#include "PeerActions.h"
#include "SecurePlay.h"

#include <chrono>
#include <exception>

namespace moyuta::network {

namespace {

// A deciphered text holding this is a cipher artefact and is dropped.
const QString kCipherMarker = QStringLiteral("*:{`];b+=j#!+;");
const QString kMismatch = QStringLiteral("鍵相違");

QString withTerminator(const QString &keyword)
{
    return keyword + kTerminator;
}

QString nn(const AppState &s)
{
    return QStringLiteral("%1").arg(s.session.chosenCipherNumber, 2, 10, QLatin1Char('0'));
}

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Marks the message being handled, for the board code that reads it.
struct HandlingScope {
    AppState &s;
    explicit HandlingScope(AppState &state) : s(state) { ++s.session.handlingPeerMessage; }
    ~HandlingScope() { --s.session.handlingPeerMessage; }
};

// The same move again (a datagram delivered twice): the log's last entry, a
// stone on a point that already holds it, or a stone taken off an empty point.
// The peer never sends those, as it logs only what changed its board. A mark
// is not drawn here, so only its first test applies.
bool repeatedMove(const AppState &s, const board::MoveEntry &move)
{
    if (!s.moves.networkMoveLog.isEmpty() && s.moves.networkMoveLog.last() == move.wireText())
        return true;
    const PointContent here = s.board.points[size_t(move.point)].content;
    if (move.tool == ToolBlack || move.tool == ToolWhite)
        return here == PointContent(move.tool);
    return move.tool == ToolRemove && (move.removed == ToolBlack || move.removed == ToolWhite)
           && here == PointContent::Empty;
}

// A text of digits and at least four commas: a move, unless it names no point.
void receiveMove(AppState &s)
{
    const std::optional<board::MoveEntry> move = board::MoveEntry::fromWire(s.session.incomingMessage, board::WireReading::Received);
    if (!move)
        return;  // not a move: it stays chat
    if (repeatedMove(s, *move)) {
        s.session.appendToChatLog = false;
        return;
    }
    board::applyReceivedMove(s, *move);
    s.playCueSound();
    s.session.appendToChatLog = false;
    s.form.cmdWait.enabled = !s.moves.networkMoveLog.isEmpty();
}

bool isDigitsAndCommas(const QString &text)
{
    for (QChar c : text)
        if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char(','))
            return false;
    return true;
}

void dispatchMessage(AppState &s);

}  // namespace

void authenticate(AppState &s)
{
    s.session.authenticated = true;
    s.session.waitingForPeer = false;
    s.session.sentConnectNN = false;
    board::clearMoveLists(s);
    onNetworkPanelClose(s);
    s.session.activeCipherNumber = s.session.chosenCipherNumber;
    s.form.cmdStart.enabled = true;
    s.form.cmdStart.back = kStartGreen;
    s.playCueSound();
    s.saveSessionFields();
}

void NetworkOutbox::attach(AppState &s)
{
    s_ = &s;
    s.ports.transport.onReadable = [this] { receive(); };
}

void NetworkOutbox::receive()
{
    if (!s_)
        return;
    receiveAvailable(*s_);
    if (afterReceive)
        afterReceive();
}

void NetworkOutbox::sendPeerMessage(const QString &plain)
{
    if (s_)
        network::sendPeerMessage(*s_, plain);
}

void NetworkOutbox::receiveArrived()
{
    receive();
}

void NetworkOutbox::closeSocket()
{
    if (s_)
        network::closeSocket(*s_);
}

QString connectText(const AppState &s)
{
    return QStringLiteral("30接続") + s.session.sessionPassword + kTerminator;
}

QString connectNNText(const AppState &s)
{
    return nn(s) + QStringLiteral("接続") + s.session.sessionPassword + kTerminator;
}

QString confirmNNText(const AppState &s)
{
    return nn(s) + QStringLiteral("接続確認1") + kTerminator;
}

void sendPeerMessage(AppState &s, const QString &plain)
{
    if (trimSpaces(plain).isEmpty())
        return;
    if (s.session.secureActive)
        return sendSecure(s, plain);
    if (!s.ports.transport.isBound())
        return;  // only the connect action's socket sends
    const QString copy = plain;  // the caller's text may change while events run
    s.ports.pump.processEvents();
    const QString cipherText = encipherMessage(s, copy);
    s.ports.pump.processEvents();
    if (!s.session.cipherSucceeded || cipherText.isEmpty())
        return;
    if (s.ports.transport.isBound())
        s.ports.transport.send(toCp932(cipherText));
    s.ports.pump.pace(qint64(s.shell.sendPacingCount) + 1);
}

void receiveAvailable(AppState &s)
{
    if (s.session.receiving)
        return;  // the running receive picks this one up after its own
    if (s.session.secureActive)
        return receiveSecure(s);
    s.session.receiving = true;
    QByteArray datagram;
    while (s.ports.transport.nextDatagram(datagram))
        receiveDatagram(s, datagram);
    s.session.receiving = false;
}

void receiveDatagram(AppState &s, const QByteArray &datagram)
{
    if (datagram.isEmpty())
        return;
    const QString text = fromCp932(datagram);
    s.ports.pump.processEvents();
    const QString plain = decipherMessage(s, text);
    if (plain.contains(kCipherMarker))
        return;

    if (!s.session.authenticated) {
        // Only the handshake, and only while this side waits for it.
        if (!s.session.waitingForPeer)
            return;
        if (plain == connectText(s)) {
            stopConnectRetry(s);  // the way through both routers is open
            s.sendPeerMessage(withTerminator(QStringLiteral("鍵OK")));
            return;
        }
        if (plain == withTerminator(QStringLiteral("鍵OK"))) {
            stopConnectRetry(s);
            // A connect text sent again may be answered twice: NN接続 goes out once.
            if (s.session.sentConnectNN)
                return;
            s.session.sentConnectNN = true;
            s.sendPeerMessage(connectNNText(s));
            return;
        }
        if (plain != connectNNText(s) && !(plain == confirmNNText(s) && s.session.sentConnectNN))
            return;
    } else {
        s.session.activeCipherNumber = s.session.chosenCipherNumber;
    }
    handlePlainMessage(s, plain);
}

void handlePlainMessage(AppState &s, const QString &plain)
{
    s.session.incomingMessage = plain;
    const HandlingScope handling(s);
    if (plain == withTerminator(QStringLiteral("終了"))) {
        onPeerQuit(s);
        closeSocket(s);
        return;
    }
    if (plain == withTerminator(kMismatch)) {
        // A flood of junk gets one answer every two seconds at most.
        const qint64 now = nowMs();
        if (s.session.lastKeyMismatchReplyMs < 0 || now - s.session.lastKeyMismatchReplyMs >= kKeyMismatchReplyIntervalMs) {
            s.session.lastKeyMismatchReplyMs = now;
            s.sendPeerMessage(withTerminator(QStringLiteral("鍵が違います")));
        }
        return;
    }
    dispatchPeerMessage(s);
    if (s.session.appendToChatLog)
        showPeerChat(s);
}

void dispatchPeerMessage(AppState &s)
{
    try {
        dispatchMessage(s);
    } catch (const std::exception &) {
        board::updateCountButtons(s);
        s.warn(QStringLiteral("通信イベントの際にエラーしました。"));
    }
}

namespace {

void dispatchMessage(AppState &s)
{
    s.session.appendToChatLog = false;
    const QString &m = s.session.incomingMessage;

    // The handshake texts carry this side's password, so they come before the keywords.
    if (m == connectNNText(s)) {
        if (s.session.authenticated)
            return;
        s.sendPeerMessage(confirmNNText(s));
        authenticate(s);
        return;
    }
    if (m == confirmNNText(s)) {
        if (s.session.authenticated || !s.session.sentConnectNN)
            return;
        authenticate(s);
        return;
    }

    switch (handlePeerKeyword(s)) {
    case KeywordOutcome::Done:
        return;
    case KeywordOutcome::AsUnknown:
        break;
    case KeywordOutcome::None:
        // Eleven characters, a digit 1-9 first and no terminator: the panel goes, the text goes on.
        if (m.size() == 11 && !m.endsWith(kTerminator) && m[0] >= QLatin1Char('1') && m[0] <= QLatin1Char('9'))
            board::hideMessagePanel(s);
        break;
    }

    // No keyword: an unknown one, chat, or a move.
    s.form.lblStatus.caption.clear();
    if (m.contains(kTerminator))
        return;  // an unknown keyword
    if (!s.session.authenticated)
        return;
    s.session.appendToChatLog = true;
    if (!isDigitsAndCommas(m) || m.count(QLatin1Char(',')) < 4)
        return;  // chat
    receiveMove(s);
}

}  // namespace

void closeSocket(AppState &s)
{
    dropMapping(s);  // also ends a wait for the router: the socket then never opens
    stopConnectRetry(s);
    stopSecure(s);
    if (s.ports.transport.isBound())
        s.ports.transport.close();
    s.session.waitingForPeer = false;
    s.session.sentConnectNN = false;
    s.session.authenticated = false;
}

}  // namespace moyuta::network
