#include "MessageCipher.h"

#include "Cipher.h"

namespace moyuta::network {

namespace {

std::u16string_view view(const QString &s)
{
    return {reinterpret_cast<const char16_t *>(s.utf16()), size_t(s.size())};
}

QString toQString(const std::u16string &s)
{
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

}  // namespace

QString encipherMessage(AppState &s, const QString &plain)
{
    const cipher::CipherResult r = cipher::encipher(view(plain), s.activeCipherNumber, view(s.sessionPassword));
    s.cipherSucceeded = r.succeeded;
    if (!r.warning.empty())
        s.warn(toQString(r.warning));
    return toQString(r.text);
}

QString decipherMessage(AppState &s, const QString &cipherText)
{
    const cipher::CipherResult r = cipher::decipher(view(cipherText), s.activeCipherNumber, view(s.sessionPassword));
    s.cipherSucceeded = r.succeeded;
    if (!r.warning.empty())
        s.warn(toQString(r.warning));
    return toQString(r.text);
}

}  // namespace moyuta::network
