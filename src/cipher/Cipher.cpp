#include "Cipher.h"

#include "CipherTables.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace moyuta::cipher {

namespace {

constexpr std::size_t npos = std::u16string::npos;

std::u16string decimal(long long value)
{
    const std::string s = std::to_string(value);
    return std::u16string(s.begin(), s.end());
}

int lastDigit(long long value) { return static_cast<int>(value % 10); }

int firstDigit(long long value)
{
    while (value >= 10)
        value /= 10;
    return static_cast<int>(value);
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::u16string reversed(std::u16string_view s) { return std::u16string(s.rbegin(), s.rend()); }

// Values derived from the key text and the cipher number at the start of every
// operation (the key schedule).
struct CipherKey {
    int markIndex = 0;
    int passCount = 0;
    int groupPasses = 0;
    std::u16string fillerDigits;
    bool keyByteEven = false;
    int sectionDigit = 0;
    int shufflePasses = 0;
    int shuffleColumns = 0;
    std::u16string_view permutation;
    std::array<int, 10> positionOf{};  // digit -> index 0-9 of that digit in the permutation
    // A six-digit group after FoldReverse(GroupPasses) and, when KeyByteEven,
    // the reversal: folded[i] = group[groupOrder[i]].
    std::array<int, 6> groupOrder{};
    std::u16string passwordDigest;
    std::array<char16_t, 3> runMarks{};
};

std::u16string_view keyTextFor(int cipherNumber, std::u16string_view key)
{
    return cipherNumber == kDefaultKeyCipherNumber ? kDefaultKeyText : key;
}

std::optional<CipherKey> deriveKey(int cipherNumber, std::u16string_view keyText)
{
    if (cipherNumber < kMinCipherNumber || cipherNumber > kMaxCipherNumber || keyText.empty())
        return std::nullopt;
    CipherKey k;

    std::int64_t keySum = 0;
    for (char16_t c : keyText) {
        keySum += characterCode(c) % 1000;
        if (keySum > INT32_MAX)
            return std::nullopt;
    }
    const int sumDigit = lastDigit(keySum);
    k.markIndex = sumDigit == 0 ? 1 : sumDigit;
    k.passCount = k.markIndex == 1 ? 3 : (k.markIndex >= 8 ? 5 : k.markIndex);
    const int lastCode = characterCode(keyText.back());
    k.groupPasses = lastDigit(lastCode) == 0 ? 1 : lastDigit(lastCode);

    int windowStart = static_cast<int>(keySum % 100);
    while (windowStart > 40)
        windowStart -= 40;
    if (windowStart < 1)
        windowStart = 1;

    const std::u16string_view keyRow = kKeyDigitRows[cipherNumber - 1][sumDigit];
    k.fillerDigits = std::u16string(keyRow.substr(windowStart - 1, 20));

    const std::u16string firstCode = decimal(characterCode(keyText.front()));
    const int x = (firstCode.size() >= 3 ? firstCode[2] - u'0' : 0) + lastDigit(lastCode);
    if (x == 0)
        return std::nullopt;
    const int keyByte = (keyRow[x - 1] - u'0') * 10 + (keyRow[x] - u'0');
    k.keyByteEven = keyByte % 2 == 0;
    k.sectionDigit = lastDigit(keyByte);
    k.shufflePasses = keyByte < 10 ? 2 * keyByte : firstDigit(keyByte) + lastDigit(keyByte);
    static constexpr int kColumns[10] = {7, 7, 6, 6, 5, 5, 4, 4, 3, 3};
    k.shuffleColumns = kColumns[k.sectionDigit];

    k.permutation = kDigitPermutations[cipherNumber - 1];
    for (int i = 0; i < 10; ++i)
        k.positionOf[k.permutation[i] - u'0'] = i;

    {
        const std::u16string order = foldReverse(u"012345", k.groupPasses);
        for (int i = 0; i < 6; ++i)
            k.groupOrder[i] = order[k.keyByteEven ? 5 - i : i] - u'0';
    }

    for (char16_t c : keyText) {
        const std::u16string codeText = decimal(characterCode(c));
        std::u16string r = decimal(std::stoll(std::string(codeText.rbegin(), codeText.rend())));
        r.insert(0, 5 - r.size(), u'0');
        std::u16string t;
        for (char16_t d : r) {
            const int position = k.positionOf[d - u'0'] + 1;
            t += position == 10 ? u'1' : static_cast<char16_t>(u'0' + position);
        }
        const int f = t[0] - u'0';
        const int w = isDigit(c) ? c - u'0' : 0;
        const char16_t group[6] = {t[0], f % 2 == 1 ? k.permutation[f] : t[1], f % 2 == 1 ? t[1] : k.permutation[w],
                                   t[2], t[3], t[4]};
        for (int i = 0; i < 6; ++i)
            k.passwordDigest += group[k.groupOrder[i]];
    }
    k.passwordDigest = foldReverse(k.passwordDigest, k.groupPasses);

    k.runMarks = {kRunMarkChars[k.markIndex], kRunMarkChars[(k.markIndex + 1) % 10],
                  kRunMarkChars[(k.markIndex + 2) % 10]};
    return k;
}

// The first marker (RunMarker, then section markers 0-9) that `s` contains.
std::optional<std::u16string_view> firstMarkerIn(std::u16string_view s)
{
    if (s.find(kRunMarker) != npos)
        return kRunMarker;
    for (std::u16string_view marker : kSectionMarkers)
        if (s.find(marker) != npos)
            return marker;
    return std::nullopt;
}

// Substitution of digit pairs by characters, one list entry after the other,
// each replacing every remaining occurrence of its code from the left. Two
// digits stay adjacent until one of them is replaced, so the occurrences of a
// code at any moment are its occurrences in the digit text whose digits are
// both unreplaced: the positions are bucketed by code once, then each entry
// walks its bucket in order.
std::u16string substitutePairs(std::u16string_view digits, const std::array<PairCodeEntry, 100>& list)
{
    const std::size_t n = digits.size();
    if (n < 2)
        return std::u16string(digits);
    std::array<std::uint32_t, 101> start{};
    for (std::size_t j = 0; j + 1 < n; ++j)
        ++start[(digits[j] - u'0') * 10 + (digits[j + 1] - u'0') + 1];
    for (int c = 0; c < 100; ++c)
        start[c + 1] += start[c];
    std::vector<std::uint32_t> positions(n - 1);
    std::array<std::uint32_t, 100> fill{};
    std::copy(start.begin(), start.end() - 1, fill.begin());
    for (std::size_t j = 0; j + 1 < n; ++j)
        positions[fill[(digits[j] - u'0') * 10 + (digits[j + 1] - u'0')]++] = static_cast<std::uint32_t>(j);

    std::vector<char16_t> replacement(n, 0);  // at the first digit of a replaced pair
    std::vector<bool> used(n, false);
    for (const PairCodeEntry& entry : list) {
        for (std::uint32_t i = start[entry.code]; i < start[entry.code + 1]; ++i) {
            const std::uint32_t j = positions[i];
            if (!used[j] && !used[j + 1]) {
                used[j] = used[j + 1] = true;
                replacement[j] = entry.character;
            }
        }
    }
    std::u16string out;
    out.reserve(n);
    for (std::size_t j = 0; j < n; ++j) {
        if (replacement[j]) {
            out += replacement[j];
            ++j;
        } else {
            out += digits[j];
        }
    }
    return out;
}

// Character -> code 0-99 of one pair-code list, -1 for other characters.
int pairCodeSlot(char16_t c)
{
    if (c < 0x80)
        return c;
    if (c >= 0xFF61 && c <= 0xFF9F)
        return 0x80 + (c - 0xFF61);
    return -1;
}

const std::array<std::array<signed char, 0x80 + 63>, 6>& pairCodeLookup()
{
    static const auto lookup = [] {
        std::array<std::array<signed char, 0x80 + 63>, 6> l{};
        for (auto& list : l)
            list.fill(-1);
        for (int t = 0; t < 6; ++t)
            for (const PairCodeEntry& e : kPairCodeTables[t])
                l[t][pairCodeSlot(e.character)] = static_cast<signed char>(e.code);
        return l;
    }();
    return lookup;
}

CipherResult encodeError() { return {u"", false, std::u16string(kEncodeErrorWarning)}; }

CipherResult keyMismatch() { return {std::u16string(kKeyMismatchText), false, u""}; }

}  // namespace

std::u16string foldReverse(std::u16string_view s, int passes)
{
    std::u16string cur(s), next(s.size(), u'\0');
    const std::size_t n = s.size();
    for (int p = 0; p < passes && n > 1; ++p) {
        std::size_t o = 0;
        const std::size_t lastOdd = (n - 1) % 2 == 0 ? n - 1 : n - 2;  // last index 0, 2, 4, ...
        for (std::size_t i = lastOdd + 2; i >= 2; i -= 2)
            next[o++] = cur[i - 2];
        const std::size_t lastEven = (n - 1) % 2 == 1 ? n - 1 : n - 2;  // last index 1, 3, 5, ...
        for (std::size_t i = lastEven + 2; i >= 3; i -= 2)
            next[o++] = cur[i - 2];
        cur.swap(next);
    }
    return cur;
}

std::u16string unfoldReverse(std::u16string_view s, int passes)
{
    std::u16string cur(s), next(s.size(), u'\0');
    const std::size_t n = s.size();
    const std::size_t h = (n + 1) / 2;
    for (int p = 0; p < passes && n > 1; ++p) {
        for (std::size_t k = 0; k < h; ++k)
            next[2 * k] = cur[h - 1 - k];
        for (std::size_t k = 0; k < n - h; ++k)
            next[2 * k + 1] = cur[n - 1 - k];
        cur.swap(next);
    }
    return cur;
}

std::u16string fold(std::u16string_view s, int passes)
{
    std::u16string cur(s), next(s.size(), u'\0');
    const std::size_t n = s.size();
    for (int p = 0; p < passes && n > 1; ++p) {
        std::size_t o = 0;
        for (std::size_t i = 0; i < n; i += 2)
            next[o++] = cur[i];
        for (std::size_t i = 1; i < n; i += 2)
            next[o++] = cur[i];
        cur.swap(next);
    }
    return cur;
}

std::u16string unfold(std::u16string_view s, int passes)
{
    std::u16string cur(s), next(s.size(), u'\0');
    const std::size_t n = s.size();
    const std::size_t h = (n + 1) / 2;
    for (int p = 0; p < passes && n > 1; ++p) {
        for (std::size_t k = 0; k < h; ++k)
            next[2 * k] = cur[k];
        for (std::size_t k = 0; k < n - h; ++k)
            next[2 * k + 1] = cur[h + k];
        cur.swap(next);
    }
    return cur;
}

std::u16string columnShuffle(std::u16string_view s, int passes, int columns)
{
    const std::size_t k = static_cast<std::size_t>(columns);
    const std::size_t bodyLength = s.size() - s.size() % k;
    const std::size_t rows = bodyLength / k;
    std::u16string cur(s.substr(0, bodyLength)), next(bodyLength, u'\0');
    for (int p = 0; p < passes && rows > 1; ++p) {
        std::size_t o = 0;
        for (std::size_t c = 0; c < k; ++c)
            for (std::size_t r = 0; r < rows; ++r)
                next[o++] = cur[r * k + c];
        cur.swap(next);
    }
    cur.append(s.rbegin(), s.rbegin() + static_cast<std::ptrdiff_t>(s.size() - bodyLength));
    return cur;
}

std::u16string columnUnshuffle(std::u16string_view s, int passes, int columns)
{
    const std::size_t k = static_cast<std::size_t>(columns);
    const std::size_t bodyLength = s.size() - s.size() % k;
    const std::size_t block = bodyLength / k;
    std::u16string cur(s.substr(0, bodyLength)), next(bodyLength, u'\0');
    for (int p = 0; p < passes && block > 1; ++p) {
        std::size_t o = 0;
        for (std::size_t j = 0; j < block; ++j)
            for (std::size_t c = 0; c < k; ++c)
                next[o++] = cur[c * block + j];
        cur.swap(next);
    }
    cur.append(s.rbegin(), s.rbegin() + static_cast<std::ptrdiff_t>(s.size() - bodyLength));
    return cur;
}

std::u16string packRuns(std::u16string_view s, std::u16string_view mark)
{
    std::u16string out;
    out.reserve(s.size() + 16);
    for (std::size_t i = 0; i < s.size();) {
        std::size_t j = i + 1;
        while (j < s.size() && s[j] == s[i])
            ++j;
        const std::size_t run = j - i;
        if (run < 4) {
            out.append(run, s[i]);
        } else {
            out += mark;
            out += s[i];
            out += decimal(static_cast<long long>(run));
            out += mark;
        }
        i = j;
    }
    return out;
}

// While the text contains the mark: the first occurrence opens a run, the
// character after it is repeated, the digits up to the next occurrence give the
// count, and the whole stretch becomes the repeated character. The unread text
// is rest[i..]; out holds what comes before it. A mark of several characters
// can be formed anew across out's end and the text after it, so after every
// expansion the last characters of out are searched again.
bool unpackRuns(std::u16string_view s, std::u16string_view mark, std::u16string& out, std::size_t maxLength)
{
    out.clear();
    if (s.size() > maxLength)
        return false;
    const std::size_t len = mark.size();
    if (len == 0) {
        out.assign(s);
        return true;
    }
    std::u16string rest(s);
    std::size_t i = 0;
    std::size_t scanFrom = 0;  // no mark starts in out before this index
    bool recheck = false;
    while (true) {
        std::size_t p = npos;
        if (recheck && len > 1) {
            std::u16string probe = out.substr(scanFrom);
            probe.append(rest, i, len - 1);
            const std::size_t j = probe.find(mark);
            if (j != npos && scanFrom + j < out.size()) {
                const std::size_t begin = scanFrom + j;
                const std::size_t moved = out.size() - begin;
                if (moved <= i) {
                    std::copy(out.begin() + static_cast<std::ptrdiff_t>(begin), out.end(),
                              rest.begin() + static_cast<std::ptrdiff_t>(i - moved));
                    i -= moved;
                } else {
                    rest = out.substr(begin) + rest.substr(i);
                    i = 0;
                }
                out.resize(begin);
                p = i;
            }
        }
        if (p == npos) {
            p = rest.find(mark, i);
            if (p == npos) {
                if (out.size() + (rest.size() - i) > maxLength)
                    return false;
                out.append(rest, i, npos);
                return true;
            }
            if (out.size() + (p - i) > maxLength)
                return false;
            out.append(rest, i, p - i);
        }
        const std::size_t xAt = p + len;
        if (xAt >= rest.size() || rest.compare(xAt, len, mark) == 0)
            return false;
        const char16_t x = rest[xAt];
        const std::size_t q = rest.find(mark, xAt + 1);
        if (q == npos || q == xAt + 1)
            return false;
        std::size_t count = 0;
        for (std::size_t d = xAt + 1; d < q; ++d) {
            if (!isDigit(rest[d]))
                return false;
            count = count * 10 + (rest[d] - u'0');
            if (count > maxLength)
                return false;
        }
        if (out.size() + count > maxLength)
            return false;
        scanFrom = out.size() >= len - 1 ? out.size() - (len - 1) : 0;
        out.append(count, x);
        i = q + len;
        recheck = true;
    }
}

CipherResult encipher(std::u16string_view plain, int cipherNumber, std::u16string_view key)
{
    if (plain.empty())
        return {};
    const std::u16string_view keyText = keyTextFor(cipherNumber, key);
    const std::optional<CipherKey> k = deriveKey(cipherNumber, keyText);
    if (!k)
        return encodeError();

    if (const auto marker = firstMarkerIn(plain)) {
        CipherResult r;
        r.warning = std::u16string(kTextMarkerWarningPrefix) + std::u16string(*marker) + std::u16string(kMarkerWarningSuffix);
        return r;
    }
    if (const auto marker = firstMarkerIn(keyText)) {
        CipherResult r;
        r.warning = std::u16string(kKeyMarkerWarningPrefix) + std::u16string(*marker) + std::u16string(kMarkerWarningSuffix);
        return r;
    }

    const std::u16string t0 = packRuns(plain, kRunMarker);

    const std::size_t h = t0.size() / 2;
    std::u16string t1 = reversed(std::u16string_view(t0).substr(0, h));
    t1 += kSectionMarkers[k->sectionDigit];
    t1 += reversed(k->passwordDigest);
    t1.append(t0, h, npos);

    const std::u16string t2 = columnShuffle(t1, k->shufflePasses, k->shuffleColumns);

    // Six digits per character; the filler digits in front.
    std::u16string t4 = k->fillerDigits;
    t4.reserve(t4.size() + 6 * t2.size());
    const std::u16string_view perm = k->permutation;
    for (char16_t c : t2) {
        int code = characterCode(c);
        char16_t m[5];
        for (int d = 4; d >= 0; --d) {
            m[d] = perm[code % 10];
            code /= 10;
        }
        const int f = m[0] - u'0';
        const char16_t group[6] = {m[0], f % 2 == 1 ? perm[f] : m[1], f % 2 == 1 ? m[1] : perm[f], m[2], m[3], m[4]};
        for (int i = 0; i < 6; ++i)
            t4 += group[k->groupOrder[i]];
    }

    std::u16string t6 = columnShuffle(t4, k->shufflePasses, k->shuffleColumns);
    for (char16_t& c : t6)
        c = perm[c - u'0'];
    const std::u16string t7 = foldReverse(t6, k->passCount);
    const std::u16string t8 = substitutePairs(t7, kPairCodeTables[k->passCount - kMinPassCount]);

    const std::u16string t9 = packRuns(t8, std::u16string_view(&k->runMarks[0], 1));
    const std::u16string t10 = foldReverse(t9, 1);
    const std::u16string t11 = packRuns(t10, std::u16string_view(&k->runMarks[1], 1));
    const std::u16string t12 = fold(t11, 1);
    CipherResult r;
    r.text = packRuns(t12, std::u16string_view(&k->runMarks[2], 1));
    r.succeeded = true;
    return r;
}

CipherResult decipher(std::u16string_view cipherText, int cipherNumber, std::u16string_view key)
{
    if (cipherText.empty())
        return {};
    const std::optional<CipherKey> k = deriveKey(cipherNumber, keyTextFor(cipherNumber, key));
    if (!k || cipherText.size() > kMaxDecipherLength)
        return keyMismatch();

    std::u16string a, b;
    if (!unpackRuns(cipherText, std::u16string_view(&k->runMarks[2], 1), a))
        return keyMismatch();
    b = unfold(a, 1);
    if (!unpackRuns(b, std::u16string_view(&k->runMarks[1], 1), a))
        return keyMismatch();
    b = unfoldReverse(a, 1);
    if (!unpackRuns(b, std::u16string_view(&k->runMarks[0], 1), a))
        return keyMismatch();

    // Pair characters back to their codes, then every character to its digit.
    const auto& lookup = pairCodeLookup()[k->passCount - kMinPassCount];
    b.clear();
    for (char16_t c : a) {
        const int slot = pairCodeSlot(c);
        const int code = slot < 0 ? -1 : lookup[slot];
        if (code >= 0) {
            b += static_cast<char16_t>(u'0' + code / 10);
            b += static_cast<char16_t>(u'0' + code % 10);
        } else {
            b += c;
        }
        if (b.size() > kMaxDecipherLength)
            return keyMismatch();
    }
    a = unfoldReverse(b, k->passCount);
    for (char16_t& c : a) {
        if (!isDigit(c))
            return keyMismatch();
        c = static_cast<char16_t>(u'0' + k->positionOf[c - u'0']);
    }
    b = columnUnshuffle(a, k->shufflePasses, k->shuffleColumns);
    if (b.size() < k->fillerDigits.size())
        return keyMismatch();

    // Six-digit groups back to characters.
    const std::u16string_view groups = std::u16string_view(b).substr(k->fillerDigits.size());
    if (groups.size() % 6 != 0)
        return keyMismatch();
    a.clear();
    for (std::size_t g = 0; g < groups.size(); g += 6) {
        char16_t group[6];
        for (int i = 0; i < 6; ++i)
            group[k->groupOrder[i]] = groups[g + i];
        const int f = group[0] - u'0';
        const int dropped = f % 2 == 1 ? 1 : 2;
        int value = 0;
        for (int i = 0; i < 6; ++i)
            if (i != dropped)
                value = value * 10 + k->positionOf[group[i] - u'0'];
        if (value > 65535)
            return keyMismatch();
        a += static_cast<char16_t>((value + 32768) % 65536);
    }
    const std::u16string t1 = columnUnshuffle(a, k->shufflePasses, k->shuffleColumns);

    const std::u16string_view sectionMarker = kSectionMarkers[k->sectionDigit];
    const std::u16string m = std::u16string(sectionMarker) + reversed(k->passwordDigest);
    const std::size_t p = t1.find(m);
    if (t1.find(sectionMarker) == npos || p == npos)
        return keyMismatch();
    const std::u16string joined = reversed(std::u16string_view(t1).substr(0, p)) + t1.substr(p);
    std::u16string t0;
    t0.reserve(joined.size());
    for (std::size_t i = 0; i < joined.size();) {
        if (joined.compare(i, m.size(), m) == 0) {
            i += m.size();
        } else {
            t0 += joined[i++];
        }
    }

    CipherResult r;
    if (!unpackRuns(t0, kRunMarker, r.text))
        return keyMismatch();
    r.succeeded = true;
    return r;
}

}  // namespace moyuta::cipher
