// The message cipher: every network message passes through encipher() on the
// way out and decipher() on the way in.
//
// Pure C++20 on UTF-16 code units, no Qt, no state kept between calls. The
// result is a pure function of (text, cipher number, key text) and of the
// fixed tables in CipherTables.h, which are part of the wire protocol.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace moyuta::cipher {

// Result of one operation. `succeeded` is the CipherSucceeded flag: false on
// every failure and for empty input. `warning` is the text the caller shows in
// a warning box (unless the program is quitting); empty when there is none.
// decipher() never sets a warning.
struct CipherResult {
    std::u16string text;
    bool succeeded = false;
    std::u16string warning;
};

// Cipher numbers run from 1 to 30; number 30 always uses kDefaultKeyText and
// ignores the key passed in.
inline constexpr int kMinCipherNumber = 1;
inline constexpr int kMaxCipherNumber = 30;
inline constexpr int kDefaultKeyCipherNumber = 30;

inline constexpr std::u16string_view kDefaultKeyText = u"ヨビノカギ";

// What decipher() returns on every failure (the key-mismatch text).
inline constexpr std::u16string_view kKeyMismatchText = u"鍵相違*:#$%=@!+;";

// Warnings of encipher().
inline constexpr std::u16string_view kTextMarkerWarningPrefix = u"特殊コードの文字列が入っています。「";
inline constexpr std::u16string_view kKeyMarkerWarningPrefix = u"合言葉に特殊コードの文字列が入っています。「";
inline constexpr std::u16string_view kMarkerWarningSuffix = u"」";
inline constexpr std::u16string_view kEncodeErrorWarning = u"エンコードエラー";

// Marks of the first packing stage and of the plain text section.
inline constexpr std::u16string_view kRunMarker = u"*:;#$";
inline constexpr std::array<std::u16string_view, 10> kSectionMarkers = {
    u"+w2j*a@=b#l%ct$o!", u"@e*y=r3%;m#+s?-.[", u"=q&c%]z?;u4#/h`,$", u"+ge&j5vl%#a*x\\=r]",
    u"%m'n)?f:b6s.=dif*", u"$wz+7&d%x]b[l\\d*-", u"?ua@k%ljs=8~v'.f/", u"%ns;h@\\9po+r*a?d=",
    u"~e{t*d.h,`0i#m@r-", u"/f.g+i:rk%p1#c[b?",
};

// No intermediate text of decipher() may grow beyond this many code units;
// a cipher text that claims a longer run fails with the key-mismatch text.
inline constexpr std::size_t kMaxDecipherLength = 1048576;

// `plain` is one whole message. On success: the cipher text, succeeded = true.
// On failure: empty text, succeeded = false and a warning (a marker warning or
// kEncodeErrorWarning). Empty input: empty text, no warning, succeeded = false.
CipherResult encipher(std::u16string_view plain, int cipherNumber, std::u16string_view key);

// `cipherText` is the whole text of one datagram. On success: the plain text,
// succeeded = true. On failure: kKeyMismatchText, succeeded = false. Empty
// input: empty text, succeeded = false.
CipherResult decipher(std::u16string_view cipherText, int cipherNumber, std::u16string_view key);

// CharacterCode of a code unit: (u + 32768) mod 65536.
constexpr int characterCode(char16_t u) { return (static_cast<int>(u) + 32768) % 65536; }

// The shared transforms, exposed for tests and tools. Pass counts below 1 leave
// the text unchanged (ColumnShuffle/ColumnUnshuffle: only the tail is reversed).
std::u16string foldReverse(std::u16string_view s, int passes);
std::u16string unfoldReverse(std::u16string_view s, int passes);
std::u16string fold(std::u16string_view s, int passes);
std::u16string unfold(std::u16string_view s, int passes);
std::u16string columnShuffle(std::u16string_view s, int passes, int columns);
std::u16string columnUnshuffle(std::u16string_view s, int passes, int columns);
std::u16string packRuns(std::u16string_view s, std::u16string_view mark);
// false when the text is malformed or the result would exceed `maxLength`.
bool unpackRuns(std::u16string_view s, std::u16string_view mark, std::u16string& out,
                std::size_t maxLength = kMaxDecipherLength);

}  // namespace moyuta::cipher
