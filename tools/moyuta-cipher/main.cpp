// moyuta-cipher: the message cipher on the command line, for diagnosing
// captured traffic and for checking other implementations against this one.
#include "Cipher.h"
#include "CipherTables.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

using namespace moyuta::cipher;

namespace {

constexpr int kBadArguments = 2;

const char* const kUsage =
    "Usage:\n"
    "  moyuta-cipher encipher NUMBER KEY   encipher each line of stdin\n"
    "  moyuta-cipher decipher NUMBER KEY   decipher each line of stdin\n"
    "  moyuta-cipher tables                print the cipher tables as JSON\n"
    "  moyuta-cipher --help                show this help\n"
    "\n"
    "NUMBER is the cipher number, 1 to 30. KEY is the password (UTF-8); cipher\n"
    "number 30 always uses its own fixed key, so KEY is then ignored, but it must\n"
    "still be given (\"\" will do).\n"
    "\n"
    "Input and output are UTF-8, one message per line; the line end (LF or CR LF)\n"
    "is not part of the message. encipher writes the cipher text, or an empty line\n"
    "when the message cannot be enciphered (the warning then goes to stderr).\n"
    "decipher writes the plain text, or the key-mismatch text on failure.\n"
    "\n"
    "Exit status: 0 when every message went through, 1 when at least one failed,\n"
    "2 for bad arguments.\n";

std::u16string fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toStdU16String();
}

std::string toUtf8(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())).toUtf8().toStdString();
}

QString q(std::u16string_view s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

int badArguments(const std::string& message)
{
    std::cerr << "moyuta-cipher: " << message << "\nTry 'moyuta-cipher --help'.\n";
    return kBadArguments;
}

int printTables()
{
    QJsonArray permutations;
    for (std::u16string_view p : kDigitPermutations)
        permutations.append(q(p));
    QJsonArray rows;
    for (const auto& row : kKeyDigitRows) {
        QJsonArray columns;
        for (std::u16string_view digits : row)
            columns.append(q(digits));
        rows.append(columns);
    }
    QJsonObject pairTables;
    for (int t = 0; t < static_cast<int>(kPairCodeTables.size()); ++t) {
        QJsonArray list;
        for (const PairCodeEntry& e : kPairCodeTables[t])
            list.append(QJsonArray{QString::asprintf("%02d", e.code), QString(QChar(e.character))});
        pairTables.insert(QString::number(t + kMinPassCount), list);
    }
    QString marks;
    for (char16_t m : kRunMarkChars)
        marks += QChar(m);
    QJsonObject all;
    all.insert(QStringLiteral("DigitPermutations"), permutations);
    all.insert(QStringLiteral("KeyDigitRows"), rows);
    all.insert(QStringLiteral("PairCodeTables"), pairTables);
    all.insert(QStringLiteral("RunMarkChars"), marks);
    std::cout << QJsonDocument(all).toJson(QJsonDocument::Compact).toStdString() << '\n';
    return 0;
}

int run(bool enciphering, int number, std::u16string_view key)
{
    bool allPassed = true;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::u16string text = fromUtf8(line);
        const CipherResult r = enciphering ? encipher(text, number, key) : decipher(text, number, key);
        if (!r.succeeded && !text.empty())
            allPassed = false;
        if (!r.warning.empty())
            std::cerr << toUtf8(r.warning) << '\n';
        std::cout << toUtf8(r.text) << '\n';
    }
    std::cout.flush();
    return allPassed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    if (argc < 2)
        return badArguments("missing command");
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    if (command == "tables") {
        if (argc != 2)
            return badArguments("'tables' takes no arguments");
        return printTables();
    }
    if (command != "encipher" && command != "decipher")
        return badArguments("unknown command '" + command + "'");
    if (argc < 3)
        return badArguments("missing cipher number");
    const std::string numberText = argv[2];
    int number = 0;
    bool numberOk = !numberText.empty() && numberText.size() <= 2;
    for (char c : numberText)
        numberOk = numberOk && c >= '0' && c <= '9';
    if (numberOk)
        number = std::stoi(numberText);
    if (!numberOk || number < kMinCipherNumber || number > kMaxCipherNumber)
        return badArguments("cipher number must be 1 to 30, not '" + numberText + "'");
    if (argc < 4)
        return badArguments("missing key");
    if (argc > 4)
        return badArguments("too many arguments");
    return run(command == "encipher", number, fromUtf8(argv[3]));
}
