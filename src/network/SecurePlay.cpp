#include "SecurePlay.h"

#include "Mapping.h"

#include "Board.h"
#include "Cp932.h"
#include "MessageCipher.h"
#include "Panel.h"
#include "Protocol.h"
#include "SecureSession.h"
#include "Session.h"

namespace moyuta::network {

namespace {

using Trouble = SecureSession::Trouble;

bool keyword(const QString &plain, const char *word)
{
    return plain == QString::fromUtf8(word) + kTerminator;
}

void sendEnvelope(AppState &s, const QString &text)
{
    if (s.session.secure)
        s.session.secure->send(text);
}

// Whether this side holds a game worth handing over after a resume.
bool keepsGame(const AppState &s)
{
    return s.session.authenticated
        && (s.board.gameStarted || s.board.gameEnded || !s.moves.networkMoveLog.isEmpty());
}

void sendWholeGame(AppState &s)
{
    const QString text = board::captureGame(s);
    const QString seen = QString::number(s.session.gameSeen);
    for (qsizetype at = 0; at < text.size() || at == 0; at += kGamePartChars) {
        const bool more = at + kGamePartChars < text.size();
        sendEnvelope(s, QStringLiteral("S") + seen + (more ? QStringLiteral(":1:") : QStringLiteral(":0:"))
                            + text.mid(at, kGamePartChars));
    }
}

void askForGame(AppState &s)
{
    s.session.awaitingGame = true;
    sendEnvelope(s, QStringLiteral("R"));
}

// The controls that follow from the game's flags, as the start, end and clear messages leave them.
void showGameControls(AppState &s)
{
    Form &f = s.form;
    const bool started = s.board.gameStarted, ended = s.board.gameEnded;
    f.cmdStart.enabled = !started && !ended;
    f.cmdStart.back = f.cmdStart.enabled ? kStartGreen : kButtonGrey;
    f.Option3.setAllEnabled(!started && !ended);
    f.cmdClear.enabled = ended || (!started && board::boardHasContent(s));
    f.cmdTouryou.enabled = started;
    if (f.cmdOff.back != kActiveRed)
        f.cmdOff.enabled = started;
    f.UpDown1.enabled = f.UpDown2.enabled = started;
    f.cmdWait.enabled = started && !s.moves.networkMoveLog.isEmpty();
    f.chkOtherMarks.enabled = ended;
}

void takeWholeGame(AppState &s, int seen, const QString &text)
{
    if (seen != s.session.gameSent) {
        // Moves of this side that the peer had not handled yet: ask again.
        if (s.session.awaitingGame)
            askForGame(s);
        return;
    }
    s.session.awaitingGame = false;
    if (!board::adoptGame(s, text))
        return;
    showGameControls(s);
    s.playCueSound();
}

void onGamePart(AppState &s, const QString &envelope)
{
    const QStringList f = envelope.mid(1).split(QLatin1Char(':'));
    bool ok = false;
    const int seen = f.value(0).toInt(&ok);
    if (!ok || f.size() < 3)
        return;
    const QString part = envelope.section(QLatin1Char(':'), 2);
    if (s.session.gameTextParts.size() + part.size() > kMaxGameChars) {
        s.session.gameTextParts.clear();
        return;
    }
    s.session.gameTextParts += part;
    if (f[1] == QLatin1String("1"))
        return;
    const QString text = std::exchange(s.session.gameTextParts, QString());
    takeWholeGame(s, seen, text);
}

void onMessage(AppState &s, const QString &envelope)
{
    const qsizetype colon = envelope.indexOf(QLatin1Char(':'));
    bool ok = false;
    const int seen = envelope.mid(1, colon - 1).toInt(&ok);
    if (colon < 2 || !ok)
        return;
    const QString plain = envelope.mid(colon + 1);
    const bool game = isGameMessage(plain);
    const bool crossed = game && seen < s.session.gameSent;
    if (game)
        ++s.session.gameSeen;
    handlePlainMessage(s, plain);
    if (crossed && !s.session.orderer && s.session.secureActive)
        askForGame(s);
}

// The peer's name without control characters, cut short.
void onPeerName(AppState &s, const QString &text)
{
    QString name;
    for (const QChar c : text.left(4 * kMaxPeerName))
        if (c.category() != QChar::Other_Control && c.category() != QChar::Other_Format)
            name += c;
    s.session.peerName = name.trimmed().left(kMaxPeerName);
    s.networkGameChanged(NetworkGameChange::Changed);  // the kifu names the players again
}

void handleEnvelope(AppState &s, const QString &envelope)
{
    if (envelope.startsWith(QLatin1Char('M')))
        onMessage(s, envelope);
    else if (envelope == QLatin1String("R"))
        sendWholeGame(s);
    else if (envelope.startsWith(QLatin1Char('S')))
        onGamePart(s, envelope);
    else if (envelope.startsWith(QLatin1Char('N')))
        onPeerName(s, envelope.mid(1));
}

void onEstablished(AppState &s, const SecureSession::Established &info)
{
    SessionState &ss = s.session;
    ss.orderer = info.asServer;
    ss.gameSent = ss.gameSeen = 0;
    ss.gameTextParts.clear();
    ss.secureInbox.clear();
    ss.awaitingGame = false;
    const bool mine = keepsGame(s);
    if (!ss.authenticated)
        authenticate(s);
    board::setPeerSilent(s, false);
    sendOwnName(s);
    if (mine && (!info.peerHasGame || info.asServer))
        sendWholeGame(s);
    else if (info.peerHasGame)
        ss.awaitingGame = true;  // the peer hands its game over first
}

void panelIdleAgain(AppState &s)
{
    Form &f = s.form;
    setInputsEnabled(f, true);
    f.Command1.enabled = f.Command2.enabled = true;
    f.Command4.enabled = false;
}

QString troubleText(Trouble why)
{
    switch (why) {
    case Trouble::BindFailed:
        return QStringLiteral("自分側ポートを開けませんでした。別のポート番号を入力して下さい。");
    case Trouble::HostNotFound:
        return QStringLiteral("「IPアドレス(相手側)」を確認して下さい。");
    case Trouble::BackendMissing:
        return QStringLiteral("暗号化通信に必要な部品(OpenSSL)が使えません。"
                              "「従来方式で接続」にチェックを入れると、暗号化せずに接続できます。");
    case Trouble::KeyMismatch:
        return QStringLiteral("鍵が違います。合言葉と暗号番号が相手と同じか確かめて下さい。");
    case Trouble::ClassicPeer:
        return QStringLiteral("相手は従来方式で接続しようとしています。"
                              "「従来方式で接続」にチェックを入れると接続できますが、通信は暗号化されません。");
    }
    return {};
}

void onFailed(AppState &s, Trouble why)
{
    const bool wasConnected = s.session.authenticated;
    s.session.secureActive = false;
    s.session.authenticated = false;
    s.session.waitingForPeer = false;
    s.session.awaitingGame = false;
    board::setPeerSilent(s, false);
    if (!wasConnected) {
        panelIdleAgain(s);
        dropMapping(s);  // the attempt is over: the next 接続 asks the router again
    }
    s.inform(troubleText(why));
}

// A classic peer's datagram: it deciphers with the fixed handshake key, or
// with this side's key, to a text that ends in the terminator.
bool classicText(AppState &s, const QByteArray &datagram)
{
    for (int c : {30, s.session.chosenCipherNumber}) {
        const int active = std::exchange(s.session.activeCipherNumber, c);
        const QString plain = decipherMessage(s, fromCp932(datagram));
        s.session.activeCipherNumber = active;
        if (s.session.cipherSucceeded && plain.endsWith(kTerminator) && !plain.startsWith(QStringLiteral("鍵相違")))
            return true;
    }
    return false;
}

}  // namespace

bool isGameMessage(const QString &plain)
{
    if (!plain.endsWith(kTerminator)) {
        // A move: digits and at least four commas.
        if (plain.count(QLatin1Char(',')) < 4)
            return false;
        for (QChar c : plain)
            if (!(c.unicode() < 128 && c.isDigit()) && c != QLatin1Char(','))
                return false;
        return true;
    }
    for (const char *word : {"待った", "クリア", "終局", "投了OK", "19路", "13路", "9路"})
        if (keyword(plain, word))
            return true;
    const QString body = plain.chopped(kTerminator.size());
    return body.endsWith(QStringLiteral(",白ハマ")) || body.endsWith(QStringLiteral(",黒石ハマ"))
        || body.endsWith(QStringLiteral(",開始"));
}

void attachSecure(AppState &s, SecureChannelPort &channel, KeyDerivationPort &keys, SessionTimerPort &timer,
                  std::function<void()> afterEvent)
{
    SecureSession::Callbacks out;
    auto after = [afterEvent] {
        if (afterEvent)
            afterEvent();
    };
    out.established = [&s, after](const SecureSession::Established &info) {
        onEstablished(s, info);
        after();
    };
    out.message = [&s, after](const QString &text) {
        s.session.secureInbox << text;
        if (!s.session.receiving) {
            receiveSecure(s);
            after();
        }
    };
    out.peerSilent = [&s, after](bool silent) {
        if (s.session.authenticated)
            board::setPeerSilent(s, silent);
        after();
    };
    out.failed = [&s, after](Trouble why) {
        onFailed(s, why);
        after();
    };
    out.isClassicText = [&s](const QByteArray &d) { return classicText(s, d); };
    out.hasGame = [&s] { return keepsGame(s); };
    s.session.secure = std::make_shared<SecureSession>(channel, keys, timer, std::move(out));
}

void startSecure(AppState &s, const QString &password, int cipherNumber)
{
    Form &f = s.form;
    if (f.txtOwnPort.text.toInt() == 0)
        return onFailed(s, Trouble::BindFailed);  // a port the peer could not know
    s.session.secureActive = true;
    s.session.waitingForPeer = true;
    s.session.peerName.clear();  // told again once the session stands
    s.session.secure->start(f.txtPeerAddress.text, quint16(f.txtPeerPort.text.toInt()),
                            quint16(f.txtOwnPort.text.toInt()), password, cipherNumber);
}

void sendOwnName(AppState &s)
{
    if (s.session.secureActive && s.session.authenticated)
        sendEnvelope(s, QStringLiteral("N") + s.form.txtOwnName.text.trimmed().left(kMaxPeerName));
}

void sendSecure(AppState &s, const QString &plain)
{
    if (!s.session.authenticated)
        return;
    sendEnvelope(s, QStringLiteral("M%1:").arg(s.session.gameSeen) + plain);
    if (isGameMessage(plain))
        ++s.session.gameSent;
}

void receiveSecure(AppState &s)
{
    if (s.session.receiving)
        return;
    s.session.receiving = true;
    for (int n = 0; n < 100000 && !s.session.secureInbox.isEmpty() && s.session.secureActive; ++n)
        handleEnvelope(s, s.session.secureInbox.takeFirst());
    s.session.receiving = false;
}

void stopSecure(AppState &s)
{
    if (!s.session.secureActive)
        return;
    s.session.secureActive = false;
    s.session.awaitingGame = false;
    s.session.secureInbox.clear();
    board::setPeerSilent(s, false);
    if (s.session.secure)
        s.session.secure->stop();
}

void flushSecure(AppState &s, int ms)
{
    for (int waited = 0; waited < ms && s.session.secure && !s.session.secure->idle(); waited += 20)
        s.ports.pump.pace(200000);  // 20 ms
}

}  // namespace moyuta::network
