// Reading SGF into record entries: the presses node by node, captures,
// numbering, markup, point lists, encodings and refused files.
#include "Cp932.h"
#include "SgfRead.h"
#include "Types.h"

#include <QStringEncoder>
#include <QtTest>

using namespace moyuta;
using moyuta::record::SgfResult;

class TestSgfRead : public QObject {
    Q_OBJECT
private slots:
    void entries_data();
    void entries();
    void encodings_data();
    void encodings();
    void refused_data();
    void refused();
    void deepVariations_data();
    void deepVariations();
};

namespace {

// The entries of each press, one string per press, entries separated by spaces.
QStringList presses(const record::SgfRecord &r)
{
    QStringList out;
    if (r.joins.size() != r.entries.size())
        return {QStringLiteral("<joins do not match entries>")};
    for (qsizetype i = 0; i < r.entries.size(); ++i) {
        if (r.joins[i] && !out.isEmpty())
            out.back() += u' ' + r.entries[i];
        else
            out << r.entries[i];
    }
    return out;
}

QByteArray game9(const QByteArray &nodes) { return "(;FF[4]GM[1]SZ[9]" + nodes + ")"; }

// The text in UTF-16 of this byte order, with its BOM.
QByteArray utf16(QStringConverter::Encoding order, const QString &text)
{
    QStringEncoder encoder(order, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

QByteArray eucJp(const QString &text)
{
    QStringEncoder encoder("EUC-JP");
    return encoder.encode(text);
}

}  // namespace

void TestSgfRead::entries_data()
{
    QTest::addColumn<QByteArray>("sgf");
    QTest::addColumn<QStringList>("presses");

    // Points count on the 19-line grid: "ba" is 1, "ab" 19, "bb" 20, "cb" 21.
    QTest::newRow("single stone captured") << game9(";B[ba];W[aa];B[ab]")
                                           << QStringList{"1,1,0,1", "2,0,0,2", "1,19,0,3 0,0,2,2"};
    QTest::newRow("chain in the corner") << game9(";AB[ca][bb]AW[aa][ba];B[ab]")
                                         << QStringList{"1,2,0,0 1,20,0,0 2,0,0,0 2,1,0,0", "1,19,0,1 0,0,2,0 0,1,2,0"};
    QTest::newRow("chain on the edge") << game9(";AB[ca][fa][db]AW[da][ea];B[eb]")
                                       << QStringList{"1,2,0,0 1,5,0,0 1,22,0,0 2,3,0,0 2,4,0,0", "1,23,0,1 0,3,2,0 0,4,2,0"};
    QTest::newRow("capture saves the mover's stone in atari")
        << game9(";AB[bb][ca]AW[ba][ab][cb];B[aa]")
        << QStringList{"1,20,0,0 1,2,0,0 2,1,0,0 2,19,0,0 2,21,0,0", "1,0,0,1 0,1,2,0"};
    QTest::newRow("ko, then the recapture") << game9(";AB[ba][ab][bc]AW[ca][db][cc];B[cb];W[bb];B[hh];W[gg];B[cb]")
                                            << QStringList{"1,1,0,0 1,19,0,0 1,39,0,0 2,2,0,0 2,22,0,0 2,40,0,0",
                                                           "1,21,0,1", "2,20,0,2 0,21,1,1", "1,140,0,3", "2,120,0,4",
                                                           "1,21,0,5 0,20,2,2"};
    QTest::newRow("suicide of a chain") << game9(";AB[aa]AW[ca][bb][ab];B[ba]")
                                        << QStringList{"1,0,0,0 2,2,0,0 2,20,0,0 2,19,0,0", "1,1,0,1 0,0,1,0 0,1,1,1"};
    QTest::newRow("Moyuta's own file: no captures")
        << QByteArray("(;FF[4]GM[1]CA[UTF-8]AP[Moyuta:1.0]SZ[9];AW[ba][ab];B[aa])")
        << QStringList{"2,1,0,0 2,19,0,0", "1,0,0,1"};
    QTest::newRow("compressed point lists") << game9(";AB[bb:aa]AW[cc:cd]")
                                            << QStringList{"1,0,0,0 1,1,0,0 1,19,0,0 1,20,0,0 2,40,0,0 2,59,0,0"};
    QTest::newRow("passes skipped, not counted") << game9(";B[];W[tt];B[cc]") << QStringList{"1,40,0,1"};
    QTest::newRow("MN, and numbers past 999") << game9(";B[aa]MN[50];W[bb];B[cc]MN[0];W[dd]MN[999];B[ee]")
                                              << QStringList{"1,0,0,50", "2,20,0,51", "1,40,0,52", "2,60,0,999",
                                                             "1,80,0,0"};
    QTest::newRow("AE clears a stone; an empty point gives nothing")
        << game9(";B[aa];AE[aa][bb]") << QStringList{"1,0,0,1", "0,0,1,1"};
    QTest::newRow("a move on a stone empties the point first") << game9(";B[aa];W[aa]")
                                                               << QStringList{"1,0,0,1", "0,0,1,1 2,0,0,2"};
    QTest::newRow("markup shown, then no longer shown")
        << game9(";LB[aa:A][bb:x][cc:d][dd:AB]TR[ee]SQ[ff];LB[cc:D];AE[cc]")
        << QStringList{"5,0,0,0 8,40,0,0 3,80,0,0 4,100,0,0", "0,0,5,0 0,80,3,0 0,100,4,0", "0,40,8,0"};
    QTest::newRow("markup changed on a point") << game9(";TR[aa];SQ[aa]") << QStringList{"3,0,0,0", "0,0,3,0 4,0,0,0"};
    QTest::newRow("a move on a letter, markup on a stone skipped")
        << game9(";LB[cc:B];LB[cc:B]B[cc];B[aa]LB[aa:C]") << QStringList{"6,40,0,0", "0,40,6,0 1,40,0,1", "1,0,0,2"};
    QTest::newRow("first child at every branch") << game9(";B[aa](;W[bb](;B[cc])(;B[dd]))(;W[ee])")
                                                 << QStringList{"1,0,0,1", "2,20,0,2", "1,40,0,3"};
    QTest::newRow("first game of a collection") << game9(";B[aa]") + game9(";B[bb]") << QStringList{"1,0,0,1"};
    QTest::newRow("FF[3] names, lower-case letters dropped")
        << QByteArray("(;FF[3]GaMe[1]SiZe[9];AddBlack[aa]\n;White[bb])") << QStringList{"1,0,0,0", "2,20,0,1"};
    QTest::newRow("no SZ: 19 lines") << QByteArray("(;GM[1];B[ss])") << QStringList{"1,360,0,1"};
    QTest::newRow("13 lines") << QByteArray("(;SZ[13];B[mm])") << QStringList{"1,240,0,1"};
    QTest::newRow("final \")\" missing") << QByteArray("(;FF[4]GM[1]SZ[9];B[aa];W[bb]\n")
                                        << QStringList{"1,0,0,1", "2,20,0,2"};
    QTest::newRow("cut short in a variation") << QByteArray("(;SZ[9];B[aa](;W[bb];B[cc])(;W[dd]")
                                              << QStringList{"1,0,0,1", "2,20,0,2", "1,40,0,3"};
    QTest::newRow("\"(\" followed by properties") << QByteArray("(GM[1]SZ[9]AB[aa]\n;W[bb];B[cc])")
                                                  << QStringList{"1,0,0,0", "2,20,0,1", "1,40,0,2"};
    QTest::newRow("variations without \";\"") << game9("(B[aa];W[bb])(W[cc])") << QStringList{"1,0,0,1", "2,20,0,2"};
    QTest::newRow("words in brackets before the game") << "(Notes) (see below)\n" + game9(";B[aa]")
                                                       << QStringList{"1,0,0,1"};
    QTest::newRow("escaped brackets in a comment") << game9(";C[a\\]b\\\\];B[aa]C[(;B[bb])]") << QStringList{"1,0,0,1"};
}

void TestSgfRead::entries()
{
    QFETCH(QByteArray, sgf);
    QFETCH(QStringList, presses);

    const record::SgfRecord r = record::readSgf(sgf);
    QCOMPARE(r.result, SgfResult::Ok);
    QCOMPARE(::presses(r), presses);
}

void TestSgfRead::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("player");

    // cp932 bytes of ソ, ゾ and 表 hold "\" and "]".
    const QString names = QStringLiteral("ソゾ表");
    const QString game = QStringLiteral("(;FF[4]GM[1]SZ[19]PB[%1]C[表ソゾ];B[dd]C[%1];W[pd])");
    QTest::newRow("cp932 without CA") << toCp932(game.arg(names)) << names;
    QTest::newRow("UTF-8 with CA") << QString(game.arg(names)).replace("FF[4]", "FF[4]CA[UTF-8]").toUtf8() << names;
    QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" + game.arg(names).toUtf8() << names;
    QTest::newRow("UTF-16LE with BOM") << utf16(QStringConverter::Utf16LE, game.arg(names)) << names;
    QTest::newRow("UTF-16BE with BOM") << utf16(QStringConverter::Utf16BE, game.arg(names)) << names;
    QTest::newRow("UTF-16 with BOM, CA[Shift_JIS] ignored")
        << utf16(QStringConverter::Utf16LE, QString(game.arg(names)).replace("FF[4]", "FF[4]CA[Shift_JIS]")) << names;
    QTest::newRow("CA[Shift_JIS]") << toCp932(QString(game.arg(names)).replace("FF[4]", "FF[4]CA[Shift_JIS]")) << names;
    QTest::newRow("CA[EUC-JP]") << eucJp(QString(game.arg(names)).replace("FF[4]", "FF[4]CA[EUC-JP]"))
                                << names;
    QTest::newRow("CA[ISO-8859-1]") << QString(game.arg("Rémi")).replace("FF[4]", "FF[4]CA[ISO-8859-1]").toLatin1()
                                    << QStringLiteral("Rémi");
    QTest::newRow("unknown CA, valid UTF-8")
        << QString(game.arg(names)).replace("FF[4]", "FF[4]CA[no-such-charset]").toUtf8() << names;
    QTest::newRow("CA after other values")
        << eucJp(QString(game.arg(names)).replace("SZ[19]", "SZ[19]AB[aa][bb]CA[EUC-JP]")) << names;
    QTest::newRow("unknown CA, cp932 bytes") << toCp932(QString(game.arg(names)).replace("FF[4]", "FF[4]CA[no-such-charset]"))
                                             << names;
}

void TestSgfRead::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, player);

    QList<record::SgfNode> nodes;
    QVERIFY(record::parseSgfMainLine(record::decodeSgf(bytes), nodes));
    QCOMPARE(nodes.size(), 3);
    QString pb;
    for (const record::SgfProperty &p : nodes[0])
        if (p.ident == QLatin1String("PB"))
            pb = p.values.value(0);
    QCOMPARE(pb, player);
    const record::SgfRecord r = record::readSgf(bytes);
    QCOMPARE(r.result, SgfResult::Ok);
    QCOMPARE(r.entries.mid(r.entries.size() - 2), (QStringList{"1,60,0,1", "2,72,0,2"}));
}

void TestSgfRead::refused_data()
{
    QTest::addColumn<QByteArray>("sgf");
    QTest::addColumn<SgfResult>("result");

    const SgfResult bad = SgfResult::Malformed;
    QTest::newRow("not SGF") << QByteArray("1,60,0,1\r\n2,72,0,2\r\n") << bad;
    QTest::newRow("empty") << QByteArray() << bad;
    QTest::newRow("unterminated value") << QByteArray("(;SZ[9];B[aa]C[no end)") << bad;
    QTest::newRow("unterminated value in a variation") << game9(";B[aa](;W[bb])(;C[x)") << bad;
    QTest::newRow("\"(\" and nothing more") << QByteArray("(") << bad;
    QTest::newRow("cut short in a property") << QByteArray("(;SZ[9];B[aa];W") << bad;
    QTest::newRow("point off a 9-line board") << game9(";B[jj]") << bad;
    QTest::newRow("point of three letters") << game9(";W[abc]") << bad;
    QTest::newRow("upper-case point") << game9(";B[AA]") << bad;
    QTest::newRow("tt in a list") << QByteArray("(;AB[tt])") << bad;
    QTest::newRow("broken rectangle") << game9(";AB[aa:bb:cc]") << bad;
    QTest::newRow("label without a point") << game9(";B[aa]LB[A]") << bad;
    QTest::newRow("junk between nodes") << game9(";B[aa] x ;W[bb]") << bad;
    QTest::newRow("property without a value") << game9(";B[aa]W;") << bad;
    QTest::newRow("GM[2]") << QByteArray("(;GM[2]SZ[9];B[aa])") << bad;
    const SgfResult nothing = SgfResult::NothingToReplay;
    QTest::newRow("no stone, letter or mark") << game9(";B[];W[tt];C[only words]") << nothing;
    QTest::newRow("HA[2] without stones") << QByteArray("(;GM[1]SZ[19]HA[2]KM[0.5])") << nothing;
    QTest::newRow("AE on an empty board") << game9(";AE[aa]") << nothing;
    QTest::newRow("more than 65534 entries") << "(;SZ[19]" + QByteArray(";B[aa]").repeated(33000) + ")" << bad;
    QTest::newRow("SZ[15]") << QByteArray("(;SZ[15];B[aa])") << SgfResult::UnsupportedSize;
    QTest::newRow("SZ[13:9]") << QByteArray("(;SZ[13:9];B[aa])") << SgfResult::UnsupportedSize;
    QTest::newRow("SZ[25]") << QByteArray("(;SZ[25];B[aa])") << SgfResult::UnsupportedSize;
}

void TestSgfRead::refused()
{
    QFETCH(QByteArray, sgf);
    QFETCH(SgfResult, result);

    const record::SgfRecord r = record::readSgf(sgf);
    QCOMPARE(r.result, result);
    QVERIFY(r.entries.isEmpty());
}

void TestSgfRead::deepVariations_data()
{
    QTest::addColumn<QByteArray>("sgf");
    QTest::addColumn<int>("nodes");

    const int depth = 200000;
    QTest::newRow("deep main line") << "(;SZ[9];B[aa]" + QByteArray("(;C[x]").repeated(depth) + QByteArray(depth + 1, ')')
                                    << depth + 2;
    QTest::newRow("deep second variation")
        << "(;SZ[9];B[aa](;W[bb])" + QByteArray("(;C[x]").repeated(depth) + QByteArray(depth + 1, ')') << 3;
}

void TestSgfRead::deepVariations()
{
    QFETCH(QByteArray, sgf);
    QFETCH(int, nodes);

    QList<record::SgfNode> main;
    QVERIFY(record::parseSgfMainLine(record::decodeSgf(sgf), main));
    QCOMPARE(main.size(), nodes);
    QCOMPARE(record::readSgf(sgf).result, SgfResult::Ok);
}

QTEST_GUILESS_MAIN(TestSgfRead)
#include "tst_sgfread.moc"
