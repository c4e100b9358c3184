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
    s.form.Combo2.append(entry);
    if (s.form.Combo2.size() > s.chatLogLimit)
        s.form.Combo2.removeFirst();  // one entry per addition
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

void onSend(AppState &s)
{
    Form &f = s.form;
    if (!s.authenticated) {
        s.inform(QStringLiteral("ネットワーク接続が行われていません。"));
        return;
    }
    if (blankOrLineBreak(f.txtSend.text)) {
        f.txtSend.text.clear();
        return;
    }
    if (s.busy)
        return;
    QString text = f.txtSend.text;
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(text.endsWith(QStringLiteral("\r\n")) ? 2 : 1);
    if (!sendableAsChat(text)) {
        s.inform(QStringLiteral("この文は送信出来ません。"));  // the text stays in the input
        return;
    }
    // A text the cipher refuses stays in the input too.
    const QString trial = encipherMessage(s, text);
    if (!s.cipherSucceeded || trial.isEmpty())
        return;
    s.busy = true;
    s.sendPeerMessage(text);
    addChatEntry(s, QStringLiteral("△") + text);
    f.txtSend.text.clear();
    s.busy = false;
}

void onChatTextChange(AppState &s)
{
    Form &f = s.form;
    if (!s.authenticated)
        return;
    if (blankOrLineBreak(f.txtSend.text)) {
        s.sendKeyword(QStringLiteral("message_nothing"));
        s.typingSent = false;
        f.txtSend.text.clear();
        return;
    }
    if (f.txtSend.text.size() == 3) {
        s.typingSent = true;
        s.sendKeyword(QStringLiteral("message_writing"));
        return;
    }
    if (f.txtSend.text.endsWith(QLatin1Char('\n')))
        onSend(s);  // pasted text that ends a line goes out as it is
}

}  // namespace moyuta::network
