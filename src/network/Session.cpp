// The connect and disconnect actions.
#include "Session.h"

#include "ConnectRetry.h"

#include "Mapping.h"
#include "MessageCipher.h"
#include "Panel.h"
#include "Protocol.h"
#include "SecurePlay.h"

#include "Cipher.h"

#include <algorithm>

namespace moyuta::network {

namespace {

bool digitsOnly(const QString &text)
{
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// Checks a port field; false after its message.
bool portAcceptable(AppState &s, const QString &field)
{
    if (!digitsOnly(field)) {
        s.inform(QStringLiteral("ポートは数値のみ使用できます。"));
        return false;
    }
    if (field.size() > 5 || field.toInt() > 65535) {
        s.inform(QStringLiteral("使用出来るポートは0～65535までの範囲です。"));
        return false;
    }
    return true;
}

// Every character must occur fewer than length / 2 times.
bool easyToGuess(const QString &password)
{
    const QString p = password.left(20);
    for (QChar c : p)
        if (p.count(c) >= p.size() / 2.0)
            return true;
    return false;
}

// The password must key the chosen cipher number, or nothing could be sent.
bool passwordKeysCipher(AppState &s, const QString &password, int number)
{
    std::u16string_view text = u"鍵の試し";
    const cipher::CipherResult r = cipher::encipher(
        text, number, std::u16string_view(reinterpret_cast<const char16_t *>(password.utf16()), size_t(password.size())));
    if (!r.succeeded && !r.warning.empty())
        s.warn(QString::fromUtf16(r.warning.data(), qsizetype(r.warning.size())));
    return r.succeeded;
}

void panelIdle(AppState &s)
{
    // The fields, the connect and close buttons again; no disconnect.
    setInputsEnabled(s.form, true);
}

bool usesSecure(const AppState &s)
{
    return !s.session.classicProtocol && s.session.secure;
}

void waitForPeer(AppState &s)
{
    Form &f = s.form;
    if (s.session.authenticated)
        return;
    setInputsEnabled(f, false);
    f.Command1.enabled = false;
    f.Command4.enabled = true;
}

// The attempt failed before anything was sent: the panel as before 接続, the router's port given back.
void endAttempt(AppState &s)
{
    Form &f = s.form;
    panelIdle(s);
    f.Command1.enabled = true;
    f.Command2.enabled = true;
    f.Command4.enabled = false;
    dropMapping(s);
}

}  // namespace

void setInputsEnabled(Form &f, bool enabled)
{
    for (Control *c : std::initializer_list<Control *>{&f.txtPeerAddress, &f.txtPeerPort, &f.txtOwnPort, &f.txtPassword,
                                                       &f.cboCipherNumber, &f.Check3, &f.chkClassic})
        c->enabled = enabled;
}

void onConnect(AppState &s)
{
    Form &f = s.form;
    if (trimSpaces(f.txtPeerAddress.text).isEmpty())
        return s.inform(QStringLiteral("相手側のIPアドレスまたはコンピューター名を入力して下さい。"));
    if (trimSpaces(f.txtPeerPort.text).isEmpty())
        return s.inform(QStringLiteral("相手側のポート番号を入力して下さい。"));
    if (trimSpaces(f.txtOwnPort.text).isEmpty())
        return s.inform(QStringLiteral("自分側のポート番号を入力して下さい。"));
    const QString typed = f.txtPassword.text;
    if (typed != trimSpaces(typed) && !s.askYes(QStringLiteral("合言葉の前後のスペースは削除されますがよろしいですか？")))
        return;
    const QString password = trimSpaces(typed);
    if (password.isEmpty())
        return s.inform(QStringLiteral("合言葉が空欄です。"));
    if (easyToGuess(typed))
        return s.inform(QStringLiteral("推測されやすい合言葉です。"));
    if (!portAcceptable(s, f.txtPeerPort.text) || !portAcceptable(s, f.txtOwnPort.text))
        return;

    int number = cipherNumberShown(s);
    if (number == 0) {
        f.cboCipherNumber.text = QStringLiteral("1");
        number = 1;
    }
    if (!passwordKeysCipher(s, password, number))
        return;
    s.session.chosenCipherNumber = number;
    s.session.activeCipherNumber = 30;

    f.Command1.enabled = false;
    f.Command2.enabled = false;
    s.session.sessionPassword = password;
    if (usesSecure(s))
        closeSocket(s);
    refreshLocalAddresses(s);
    const quint16 ownPort = quint16(f.txtOwnPort.text.toInt());
    if (canAskRouter(s, ownPort)) {
        waitForPeer(s);  // 接続オフ ends the wait
        return askRouter(s, ownPort);
    }
    continueConnect(s);
}

void continueConnect(AppState &s)
{
    Form &f = s.form;
    if (usesSecure(s)) {
        startSecure(s, s.session.sessionPassword, s.session.chosenCipherNumber);
        return waitForPeer(s);
    }
    const quint16 ownPort = quint16(f.txtOwnPort.text.toInt());
    const TransportPort::Setup setup = ownPort != 0
                                           ? s.ports.transport.configure(f.txtPeerAddress.text,
                                                                         quint16(f.txtPeerPort.text.toInt()), ownPort)
                                           : TransportPort::Setup::BindFailed;
    if (setup != TransportPort::Setup::Bound) {
        s.ports.transport.close();
        if (setup == TransportPort::Setup::HostNotFound)
            s.inform(QStringLiteral("「IPアドレス(相手側)」を確認して下さい。"));
        else
            s.inform(QStringLiteral("自分側ポートを開けませんでした。別のポート番号を入力して下さい。"));
        return endAttempt(s);
    }
    s.session.waitingForPeer = true;
    s.session.sentConnectNN = false;
    s.sendPeerMessage(connectText(s));
    if (!s.session.authenticated && s.session.waitingForPeer)
        startConnectRetry(s);
    if (s.session.authenticated) {
        panelIdle(s);
        f.Command1.enabled = true;
        f.Command2.enabled = true;
        f.Command4.enabled = false;
        return;
    }
    waitForPeer(s);
}

void onDisconnect(AppState &s)
{
    Form &f = s.form;
    if (f.Command1.enabled)
        return;
    if (!s.askYes(QStringLiteral("接続をオフにします、よろしいですか？")))
        return;
    panelIdle(s);
    f.Command4.enabled = false;
    f.Command1.enabled = true;
    f.Command2.enabled = true;
    f.lblStatus.caption.clear();
    closeSocket(s);
}

void leaveSession(AppState &s)
{
    if (!s.session.authenticated)
        return;
    s.sendKeyword(QStringLiteral("終了"));
    if (s.session.secureActive)
        flushSecure(s, 1000);  // until the peer has it, no longer
    else
        s.ports.pump.pace(qint64(std::max<qint32>(s.shell.sendPacingCount, 1000000)) + 1);
    s.ports.outbox.closeSocket();
    s.session.authenticated = false;
}

void restoreCipherNumber(AppState &s, int number)
{
    s.session.activeCipherNumber = number;
}

void restorePasswordShown(AppState &s, bool shown)
{
    s.session.showPasswordAtStart = shown;
}

void restoreClassicProtocol(AppState &s, bool classic)
{
    s.session.classicProtocol = classic;
}

}  // namespace moyuta::network
