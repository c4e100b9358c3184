// Tests of the moyuta-cipher command-line tool and of the table generator.
#include "Cipher.h"
#include "CipherTables.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace moyuta::cipher;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runProgram(const QString& program, const QStringList& args, const QByteArray& input = {})
{
    QProcess p;
    p.start(program, args);
    Run r;
    if (!p.waitForStarted(10000))
        return r;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(5000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

Run tool(const QStringList& args, const QByteArray& input = {}) { return runProgram(QStringLiteral(MOYUTA_CIPHER_TOOL), args, input); }

QString q(std::u16string_view s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

class TestCipherTool : public QObject {
    Q_OBJECT

private slots:
    void roundTripThroughTool();
    void refusedLineIsEmptyWithWarning();
    void decipherFailureGivesKeyMismatch();
    void badArguments_data();
    void badArguments();
    void tablesJson();
    void generatorReproducesTables();
};

void TestCipherTool::roundTripThroughTool()
{
    const QString lines[] = {u"2,60,3,1,0"_s, u"ホールド*:#$%=@!+;"_s, u"こんにちは、よろしく"_s};
    QByteArray input;
    for (const QString& l : lines)
        input += l.toUtf8() + "\r\n";  // CR LF is a line end too
    const Run e = tool({u"encipher"_s, u"12"_s, u"合言葉"_s}, input);
    QCOMPARE(e.exitCode, 0);
    const QList<QByteArray> cipherLines = e.out.split('\n');
    QCOMPARE(cipherLines.size(), 4);  // three lines and the empty rest after the last line end
    for (int i = 0; i < 3; ++i)
        QCOMPARE(QString::fromUtf8(cipherLines[i]), q(encipher(lines[i].toStdU16String(), 12, u"合言葉").text));

    const Run d = tool({u"decipher"_s, u"12"_s, u"合言葉"_s}, e.out);
    QCOMPARE(d.exitCode, 0);
    QCOMPARE(QString::fromUtf8(d.out), lines[0] + u"\n"_s + lines[1] + u"\n"_s + lines[2] + u"\n"_s);
}

void TestCipherTool::refusedLineIsEmptyWithWarning()
{
    const Run e = tool({u"encipher"_s, u"3"_s, u"pw"_s}, "ok\nab*:;#$\nok\n");
    QCOMPARE(e.exitCode, 1);
    const QList<QByteArray> out = e.out.split('\n');
    QCOMPARE(out.size(), 4);
    QVERIFY(!out[0].isEmpty());
    QVERIFY(out[1].isEmpty());
    QCOMPARE(out[2], out[0]);
    QCOMPARE(QString::fromUtf8(e.err).trimmed(), u"特殊コードの文字列が入っています。「*:;#$」"_s);
}

void TestCipherTool::decipherFailureGivesKeyMismatch()
{
    const QByteArray cipherText = q(encipher(u"2,60,3,1,0", 4, u"right").text).toUtf8();
    const Run d = tool({u"decipher"_s, u"4"_s, u"wrong"_s}, cipherText + "\n");
    QCOMPARE(d.exitCode, 1);
    QCOMPARE(QString::fromUtf8(d.out), u"鍵相違*:#$%=@!+;\n"_s);
}

void TestCipherTool::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no command") << QStringList{};
    QTest::newRow("unknown command") << QStringList{u"scramble"_s};
    QTest::newRow("number 0") << QStringList{u"encipher"_s, u"0"_s, u"k"_s};
    QTest::newRow("number 31") << QStringList{u"decipher"_s, u"31"_s, u"k"_s};
    QTest::newRow("number not a number") << QStringList{u"encipher"_s, u"7a"_s, u"k"_s};
    QTest::newRow("missing number") << QStringList{u"encipher"_s};
    QTest::newRow("missing key") << QStringList{u"encipher"_s, u"7"_s};
    QTest::newRow("missing key, number 30") << QStringList{u"decipher"_s, u"30"_s};
    QTest::newRow("extra argument") << QStringList{u"encipher"_s, u"7"_s, u"k"_s, u"x"_s};
}

void TestCipherTool::badArguments()
{
    QFETCH(QStringList, args);
    const Run r = tool(args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY(r.err.contains("moyuta-cipher:"));
    QCOMPARE(tool({u"--help"_s}).exitCode, 0);
}

void TestCipherTool::tablesJson()
{
    const Run r = tool({u"tables"_s});
    QCOMPARE(r.exitCode, 0);
    QJsonParseError error;
    const QJsonObject tables = QJsonDocument::fromJson(r.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray permutations = tables[u"DigitPermutations"_s].toArray();
    QCOMPARE(permutations.size(), 30);
    QCOMPARE(permutations[0].toString(), q(kDigitPermutations[0]));
    QCOMPARE(permutations[29].toString(), q(kDigitPermutations[29]));
    const QJsonArray rows = tables[u"KeyDigitRows"_s].toArray();
    QCOMPARE(rows.size(), 30);
    QCOMPARE(rows[4].toArray().size(), 10);
    QCOMPARE(rows[4].toArray()[9].toString(), q(kKeyDigitRows[4][9]));
    const QJsonObject pairs = tables[u"PairCodeTables"_s].toObject();
    QCOMPARE(pairs.keys(), (QStringList{u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}));
    for (int passCount = 2; passCount <= 7; ++passCount) {
        const QJsonArray list = pairs[QString::number(passCount)].toArray();
        QCOMPARE(list.size(), 100);
        for (int i : {0, 57, 99}) {
            const PairCodeEntry& e = kPairCodeTables[passCount - 2][i];
            QCOMPARE(list[i].toArray()[0].toString(), QString::asprintf("%02d", e.code));
            QCOMPARE(list[i].toArray()[1].toString(), QString(QChar(e.character)));
        }
    }
    QString marks;
    for (char16_t m : kRunMarkChars)
        marks += QChar(m);
    QCOMPARE(tables[u"RunMarkChars"_s].toString(), marks);
}

// The committed tables are exactly what the generator writes.
void TestCipherTool::generatorReproducesTables()
{
    const Run r = runProgram(QStringLiteral(MOYUTA_CIPHER_TABLEGEN), {});
    QCOMPARE(r.exitCode, 0);
    QFile committed(QStringLiteral(MOYUTA_CIPHER_TABLES_SOURCE));
    QVERIFY(committed.open(QIODevice::ReadOnly));
    QVERIFY(r.out == committed.readAll());
}

QTEST_GUILESS_MAIN(TestCipherTool)
#include "tst_cipher_tool.moc"
