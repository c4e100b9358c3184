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

// Runs one cipher operation with the session's number and password.
QString run(AppState &s, const QString &text,
            cipher::CipherResult (*operation)(std::u16string_view, int, std::u16string_view))
{
    const cipher::CipherResult r = operation(view(text), s.session.activeCipherNumber, view(s.session.sessionPassword));
    s.session.cipherSucceeded = r.succeeded;
    if (!r.warning.empty())
        s.warn(toQString(r.warning));
    return toQString(r.text);
}

}  // namespace

QString encipherMessage(AppState &s, const QString &plain)
{
    return run(s, plain, cipher::encipher);
}

QString decipherMessage(AppState &s, const QString &cipherText)
{
    return run(s, cipherText, cipher::decipher);
}

}  // namespace moyuta::network
