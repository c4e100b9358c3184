// The addresses the friend must type.
#include "OwnAddress.h"

namespace moyuta::network {

namespace {

// The router's word is taken only as a plain dotted IPv4 address.
bool dottedQuad(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (text.size() > 15 || parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        bool ok = false;
        if (part.isEmpty() || part.size() > 3 || part.toInt(&ok) > 255 || !ok)
            return false;
        for (QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
    }
    return true;
}

// The port the friend types for this computer's own addresses: the one
// asked for, else the field's while nothing was asked; 0 when there is none.
quint16 ownPort(const AppState &s)
{
    if (s.session.mapping.asked)
        return s.session.mapping.ownPort;
    const QString &field = s.form.txtOwnPort.text;
    bool ok = false;
    const int port = field.toInt(&ok);
    return ok && port > 0 && port <= 65535 && field.size() <= 5 ? quint16(port) : 0;
}

QString withPort(const QString &address, quint16 port)
{
    return port ? address + QStringLiteral(" ポート ") + QString::number(port) : address;
}

QString noticeText(quint16 port, bool haveIPv6)
{
    QString text = QStringLiteral("ルーターのポートを自動で開けませんでした。");
    const QString udp = QStringLiteral("ルーターの設定でUDPポート") + QString::number(port) + QStringLiteral("を開け");
    if (haveIPv6)
        return text + udp + QStringLiteral("るか、相手にIPv6のアドレスを伝えて下さい。");
    return text + udp + QStringLiteral("て下さい。");
}

}  // namespace

OwnAddressTexts ownAddressTexts(const AppState &s)
{
    const RouterMapping &m = s.session.mapping;
    const quint16 port = ownPort(s);
    OwnAddressTexts out;
    if (m.asked && m.answered && dottedQuad(m.externalIPv4)) {
        if (m.mapped && m.externalPort != 0)
            out.lines << withPort(m.externalIPv4, m.externalPort);
        else
            out.lines << m.externalIPv4 + QStringLiteral("（未開放）");
    }
    QStringList ipv6;
    for (const QString &address : m.ipv6)
        if (!address.isEmpty() && address.size() <= kMaxAddressChars && ipv6.size() < kMaxIPv6Shown)
            ipv6 << withPort(address, port);
    out.lines << ipv6;
    const bool failed = m.asked && ((m.answered && !(m.mapped && m.externalPort != 0)) || (m.gaveUp && !m.answered));
    if (failed)
        out.notice = noticeText(port, !ipv6.isEmpty());
    return out;
}

void showOwnAddress(AppState &s)
{
    Form &f = s.form;
    const OwnAddressTexts texts = ownAddressTexts(s);
    f.txtOwnAddress.text = texts.lines.join(QLatin1Char('\n'));
    f.cmdCopyAddress.enabled = !texts.lines.isEmpty();
    f.lblMapping.caption = texts.notice;
    f.lblMapping.visible = !texts.notice.isEmpty();
}

void onCopyAddress(AppState &s)
{
    const OwnAddressTexts texts = ownAddressTexts(s);
    if (s.ports.clipboard && !texts.lines.isEmpty())
        s.ports.clipboard->setText(texts.lines.join(QLatin1Char('\n')));
}

}  // namespace moyuta::network
