#include "Chat.h"

#include "MessageCipher.h"

namespace moyuta::network {

namespace {

bool blankOrLineBreak(const QString &text)
{
    const QString t = trimSpaces(text);
    return t.isEmpty() || t == QStringLiteral("\r\n") || t == QStringLiteral("\n");
}

}  // namespace

void addChatEntry(AppState &s, const QString &entry)
{
    QStringList &log = s.form.Combo2.items;
    log.append(entry);
    if (log.size() > s.shell.chatLogLimit)
        log.removeFirst();  // one entry per addition
    s.form.txtDisp.text = entry;
}

bool sendableAsChat(const QString &text)
{
    if (text.contains(kTerminator) || text.contains(QStringLiteral("*:{`];b+=j#!+;")))
        return false;
    for (QChar c : text)
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char(','))
            return true;
    return text.count(QLatin1Char(',')) < 4;
}

namespace {

// Sends `text` and logs `entry`, when the peer will take the text as chat and
// the cipher can carry it; otherwise nothing is sent or logged.
bool sendChat(AppState &s, const QString &text, const QString &entry)
{
    if (!sendableAsChat(text)) {
        s.inform(QStringLiteral("この文は送信出来ません。"));
        return false;
    }
    const QString trial = encipherMessage(s, text);
    if (!s.session.cipherSucceeded || trial.isEmpty())
        return false;
    s.sendPeerMessage(text);
    addChatEntry(s, entry);
    return true;
}

}  // namespace

void onSend(AppState &s)
{
    Form &f = s.form;
    if (!s.session.authenticated) {
        s.inform(QStringLiteral("ネットワーク接続が行われていません。"));
        return;
    }
    const QString typed = f.txtSend.text;
    const QString text = withoutLoneSurrogates(typed);
    if (blankOrLineBreak(text)) {
        f.txtSend.setText({});
        return;
    }
    if (s.flags.busy)
        return;
    const BusyScope busy(s);
    if (sendChat(s, text, QStringLiteral("△") + text)) {
        // What was typed during the send's wait stays for the next message; a refused text stays whole.
        const QString now = f.txtSend.text;
        f.txtSend.setText(now.startsWith(typed) ? now.mid(typed.size()) : now);
    }
}

void onChatTextChange(AppState &s)
{
    Form &f = s.form;
    if (!s.session.authenticated)
        return;
    const QString text = f.txtSend.text;
    if (blankOrLineBreak(text)) {
        s.sendKeyword(QStringLiteral("message_nothing"));
        s.session.typingSent = false;
        f.txtSend.text.clear();
        return;
    }
    if (text.size() == 3) {
        s.session.typingSent = true;
        s.sendKeyword(QStringLiteral("message_writing"));
        return;
    }
    // Text that arrives with a line end in one piece (pasted) goes out without
    // it; the log keeps the line as it came and the input keeps it too.
    if (text.endsWith(QLatin1Char('\n')))
        sendChat(s, text.chopped(text.endsWith(QStringLiteral("\r\n")) ? 2 : 1), QStringLiteral("△") + text);
}

}  // namespace moyuta::network
