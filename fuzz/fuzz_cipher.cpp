// libFuzzer target for the message cipher. Every input must give a result:
// no crash, no hang, no undefined behaviour. Checked on each input:
//   - decipher() of the text: success, or the key-mismatch text with the
//     flag at 0;
//   - encipher() of the text: when it succeeds, the cipher text uses only
//     single-byte characters and decipher() gives the text back;
//   - decipher() of that cipher text with one character changed: any result.
//
// Input layout: byte 0 picks the cipher number (1-30); byte 1 holds the key
// length (low 3 bits) and the text form (bit 7); then the key as code-unit
// pairs (little-endian), then the text. Text form 0: every byte is one
// character, bytes from 0x80 up map onto the half-width katakana, so the
// fuzzer reaches the cipher-text alphabet easily; form 1: little-endian pairs.
#include "Cipher.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace moyuta::cipher;

namespace {

bool isWireChar(char16_t c) { return (c >= 0x20 && c < 0x7F) || (c >= 0xFF61 && c <= 0xFF9F); }

[[noreturn]] void fail() { std::abort(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int number = 1 + data[0] % 30;
    const std::size_t keyLength = data[1] & 7;
    const bool wide = data[1] & 0x80;
    std::size_t at = 2;
    std::u16string key;
    for (std::size_t i = 0; i < keyLength && at + 1 < size; ++i, at += 2)
        key += static_cast<char16_t>(data[at] | (data[at + 1] << 8));
    std::u16string text;
    if (wide) {
        for (; at + 1 < size; at += 2)
            text += static_cast<char16_t>(data[at] | (data[at + 1] << 8));
    } else {
        for (; at < size; ++at)
            text += data[at] < 0x80 ? static_cast<char16_t>(data[at]) : static_cast<char16_t>(0xFF61 + (data[at] - 0x80) % 63);
    }

    const CipherResult d = decipher(text, number, key);
    if (!d.succeeded && !text.empty() && d.text != kKeyMismatchText)
        fail();
    if (!d.warning.empty())
        fail();

    const CipherResult e = encipher(text, number, key);
    if (e.succeeded) {
        if (e.text.empty() || !e.warning.empty())
            fail();
        for (char16_t c : e.text)
            if (!isWireChar(c))
                fail();
        const CipherResult back = decipher(e.text, number, key);
        if (!back.succeeded || back.text != text)
            fail();
        std::u16string changed = e.text;
        const std::size_t pos = (data[0] * 131u + size) % changed.size();
        changed[pos] = changed[pos] == u'0' ? u'1' : u'0';
        const CipherResult c = decipher(changed, number, key);
        if (!c.succeeded && c.text != kKeyMismatchText)
            fail();
    } else if (!e.text.empty() || (text.empty() != e.warning.empty())) {
        fail();
    }
    return 0;
}
