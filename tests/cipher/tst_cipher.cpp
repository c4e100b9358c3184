// Tests of the message cipher: pinned cipher texts (the wire protocol), round
// trips, the packing stages, the marker refusals, the failures and the tables.
#include "Cipher.h"
#include "CipherTables.h"

#include <QString>
#include <QTest>

#include <set>

using namespace Qt::StringLiterals;
using namespace moyuta::cipher;

namespace {

std::u16string u16(const QString& s) { return s.toStdU16String(); }
QString q(std::u16string_view s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

// MarkIndex of the key schedule, worked out here independently: it picks the
// three run marks and, through PassCount, the pair-code list.
int markIndexFor(int number, std::u16string_view key)
{
    if (number == 30)
        key = u"ヨビノカギ";
    long sum = 0;
    for (char16_t c : key)
        sum += ((c + 32768) % 65536) % 1000;
    return sum % 10 == 0 ? 1 : static_cast<int>(sum % 10);
}

// Digits, the pair-code list in use and the three run marks.
std::set<char16_t> alphabetFor(int number, std::u16string_view key)
{
    const int markIndex = markIndexFor(number, key);
    const int passCount = markIndex == 1 ? 3 : markIndex >= 8 ? 5 : markIndex;
    std::set<char16_t> a;
    for (char16_t d = u'0'; d <= u'9'; ++d)
        a.insert(d);
    for (const PairCodeEntry& e : kPairCodeTables[passCount - 2])
        a.insert(e.character);
    for (int i = 0; i < 3; ++i)
        a.insert(kRunMarkChars[(markIndex + i) % 10]);
    return a;
}

const QString kMoveText = u"2,60,3,1,0"_s;
const QString kTerminator = u"*:#$%=@!+;"_s;

}  // namespace

class TestCipher : public QObject {
    Q_OBJECT

private slots:
    void goldenTexts_data();
    void goldenTexts();
    void roundTrip_data();
    void roundTrip();
    void runPacking_data();
    void runPacking();
    void unpackRunsRefusesMalformed_data();
    void unpackRunsRefusesMalformed();
    void unpackRunsFindsMarkFormedByExpansion();
    void transformsInvert_data();
    void transformsInvert();
    void transformExamples();
    void markerRefusals_data();
    void markerRefusals();
    void keyMismatch_data();
    void keyMismatch();
    void encodeErrors_data();
    void encodeErrors();
    void emptyInput();
    void number30IgnoresPassword();
    void oversizedRunClaimFailsFast();
    void tablesObeyRules();
};

// Pinned cipher texts. A change of a table or of any stage shows up here; two
// copies that disagree on these cannot talk to each other.
void TestCipher::goldenTexts_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("cipherText");
    QTest::newRow("move") << u"2,60,3,1,0"_s << 1 << u"password"_s
        << u"7ui4i4\uFF70Z\uFF835\uFF835[t62Nvu5Nnm\uFF92u5\uFF92\uFF6Fp7nbSiJiiid\uFF92\uFF835\uFF92\uFF78\uFF66~1\uFF8E\uFF704iiid5\uFF92\uFF834\uFF9211lll)\uFF62t\uFF80\uFF95\uFF93\uFF92u6\uFF92&))lU2t\uFF70\uFF65t\uFF862\uFF92u4\uFF92l\"U)_ui44umd\uFF83\uFF8356u8\uFF6C[t>\uFF954h4id\uFF83\uFF8355\uFF83;\uFF9D\uFF7B;1JNNu\uFF7D72uu211lll1\uFF70i4iid\uFF92\uFF834\uFF9261l1llUuJu7N\uFF92u5\uFF92U\uFF6B\uFF6A\uFF6A_guNJNN\uFF92u6\uFF92N7\uFF62)\uFF7A\uFF92i4\uFF92\uFF79n\uFF92\uFF835\uFF92\uFF781do\uFF9A44Smi4d\uFF835\uFF83\uFF83\uFF78\uFF89\uFF9A~1\uFF70)2\uFF65\uFF65J\uFF7Du2u211lll14\uFF79\uFF65uiN\uFF862uuUU&l)"_s;
    QTest::newRow("keyword") << u"ホールド*:#$%=@!+;"_s << 12 << u"合言葉"_s
        << u"Dt7v0\uFF7Dn\uFF623\uFF8Cu~gn^35\uFF62t5Fu58\uFF83@t\"D31\uFF83n7D\uFF681nu788\"s4\uFF83nn't\uFF83D\uFF73\uFF83\uFF623\uFF83n\uFF94\uFF83nDt}v7o\uFF83n;^0\uFF75tt\uFF8C35\uFF6889v\uFF62J\uFF83\uFF83\uFF83\uFF79t\uFF6A2\uFF81\uFF830>8)Dt&8b\uFF85\uFF622Mn7\uFF93t$2b1\uFF83u\uFF681[D}t\uFF83nv2t>822^+(7o\uFF83budnbf9ZDknto\"b\uFF6B\uFF839DD&&\uFF62\uFF81\uFF83uC5tv2\uFF7E\uFF9A=1vDb\uFF73\uFF83b"_s;
    QTest::newRow("handshake") << u"30接続himitsu*:#$%=@!+;"_s << 30 << u"himitsu"_s
        << u"\\\uFF8C3jaG\uFF95\uFF955ll\uFF6F000\uFF95+\uFF8Cj1\uFF831\uFF7AG*ll\uFF79\uFF85\uFF6E0l\uFF8Cm\uFF75NPeG\uFF8C\\jsa7\uFF7Am9ll\uFF95\uFF95049)lm\uFF81\uFF75\uFF833C9\uFF88\uFF9501\uFF73\uFF6F\uFF8Cj\uFF8C\uFF75s\uFF83\uFF7A\uFF85l9l:\?\uFF6E0j\uFF8Cm\uFF83\uFF83a\uFF83\uFF85)l5\uFF95\uFF8301999l\uFF8C0\uFF950\uFF8Cj\uFF81\uFF83\uFF83ss\uFF85jj5\uFF930\uFF95\uFF95\uFF8C\uFF93\uFF8Ca\uFF83\uFF8Dp5999\uFF79\uFF6E\uFF6E3\uFF8Cm\uFF8C)a\uFF837Lll\uFF8C0:00j\uFF8Cj\uFF8C\uFF831\uFF75\uFF83\uFF8CXj\uFF65\uFF7A\uFF7A\uFF75m%*l00\uFF7904\uFF6F\uFF6FC1\uFF7A\uFF73aC\uFF80\uFF6F\uFF6F0177)j\uFF8C\uFF93\uFF7A\uFF83a:l5lX0:\uFF95j5+7\uFF7A1\uFF7A\uFF755\uFF6Fl9G\uFF8301\uFF6Fm)7AG\uFF6E5j\uFF8C5aasaj5\uFF8C5A00G"_s;
    QTest::newRow("chat") << u"こんにちは、よろしくお願いします。"_s << 29 << u"Go2024"_s
        << u">2T5s8\uFF76\uFF6Ca\uFF78\uFF93uz!aja5a5a\uFF78+4!\uFF785nz5ajQ\uFF6C]nz5a\uFF76Q9\uFF6Cf7\uFF6C+\uFF93@]\uFF7A\uFF676z>\uFF6C8\uFF85\uFF67Q\uFF6C0\uFF6Cq\uFF6C\uFF62n5\uFF6CT55\uFF90a\uFF6C\uFF88f8n`\uFF8D`a`Aa\uFF6C@7f@\uFF66g5n5\uFF86\uFF78@Yg\uFF65\uFF625a5aQ7\uFF6C48Q\uFF6C3@f3>\uFF6C\uFF6D9/8Qh1\uFF6C\uFF6Co\uFF6C\uFF69a\uFF95z8Ta1\uFF93\uFF6C49407z8'5QZ)\uFF6C\uFF78n@azhY@\uFF784@\uFF66\uFF67\uFF83\uFF67`\uFF855a\uFF6C`h\uFF6C8Q\uFF6C+\uFF6C8\uFF6C\uFF9E\uFF8F89\uFF62\uFF6C*\\\uFF6C1\uFF6C\uFF6C3o[L5\uFF9Ea2\uFF6Cs\uFF78\uFF7F\uFF6Cw<Ta5\uFF8Dz5X\uFF789@f9z5\uFF6C\uFF789@8\uFF6C9\uFF9E\uFF67g586\uFF995\uFF6C`\uFF90\uFF6C3\uFF6C9\uFF6C\uFF6CP\uFF6CH"_s;
    QTest::newRow("packed run") << u"aaaaaaaaaaaaaaaaaaaa!"_s << 1 << u"k"_s
        << u"$C>C$\uFF68061x<8\uFF96t\uFF69$\uFF705\uFF9657C$0>\uFF96x\uFF9C2$\uFF96'\uFF69\uFF95\uFF91C\uFF964nC$\uFF75C$C4\uFF9C|T\uFF95\uFF96P\uFF68>\uFF96f%v$\uFF78|\uFF964\uFF9C00t4C$Q\uFF964\uFF91v$24\uFF6DC$\uFF68$59C$&\uFF73\uFF964[C$59C$vC$x62$&1\uFF96424\uFF6D\uFF96n3C$\uFF66\uFF96x40$5M\uFF9640\uFF73\uFF96x4C$9\uFF66\uFF96\uFF95\uFF9C0"_s;
    QTest::newRow("one character") << u"x"_s << 18 << u"囲碁"_s
        << u"'5\uFF9A72I8[Y[6[\uFF9AI.I'[\uFF81[\uFF9A!\uFF9A8'I'vYj\uFF9AK\uFF9A8'88[\uFF9Av\uFF9A\uFF82\uFF9A7'U'[\uFF9Aa7{'@*\uFF667\uFF6CI2\uFF6CLWL'\uFF8D\uFF9A\uFF6D\uFF9A\uFF661j{9Y\uFF6CI\uFF66IN\uFF806[\uFF93[1I\uFF9EIj7\uFF6AY\uFF6DU7IPIK7*7\uFF88I\uFF9AI8I\uFF95["_s;
}

void TestCipher::goldenTexts()
{
    QFETCH(QString, plain);
    QFETCH(int, number);
    QFETCH(QString, key);
    QFETCH(QString, cipherText);
    const CipherResult e = encipher(u16(plain), number, u16(key));
    QVERIFY(e.succeeded);
    QVERIFY(e.warning.empty());
    QCOMPARE(q(e.text), cipherText);
    const CipherResult d = decipher(u16(cipherText), number, u16(key));
    QVERIFY(d.succeeded);
    QCOMPARE(q(d.text), plain);
}

void TestCipher::roundTrip_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("key");

    const QString japanese = u"こんにちは。今日はよろしくお願いします、黒番です！"_s;
    const QString allAscii = [] {
        QString s;
        for (char16_t c = 0x20; c < 0x7F; ++c)
            s += QChar(c);
        return s;
    }();
    struct Text {
        const char* name;
        QString text;
    };
    const Text texts[] = {
        {"move", kMoveText},
        {"keyword", u"ホールド"_s + kTerminator},
        {"ascii", allAscii},
        {"japanese", japanese},
        {"single ascii", u"A"_s},
        {"single kanji", u"碁"_s},
        {"single digit", u"7"_s},
        {"terminator only", kTerminator},
        {"two terminators", kTerminator + kTerminator},
        {"long run", QString(300, u'あ')},
        {"long run of marker char", QString(50, u'*') + QString(50, u'$')},
        {"runs of 3 and 4", u"aaa-bbbb-ccccc"_s},
        {"marker parts", u"*:;#x*:;+w2j*a@=b#l%ct$o"_s},
        {"control and surrogates", QString::fromUtf16(u"\x0000\x0001\r\n\xD83D\xDE00\xFFFF\x8000", 9)},
        {"digits", u"00000000001111122223"_s},
    };
    struct Key {
        int number;
        QString key;
    };
    const Key keys[] = {
        {1, u"password"_s}, {7, u"合言葉"_s}, {12, u"a"_s}, {29, u"Go2024!"_s}, {30, u""_s}, {17, u"長いパスワードの例です1234567890"_s},
    };
    for (const Text& t : texts)
        for (const Key& k : keys)
            QTest::addRow("%s/%d", t.name, k.number) << t.text << k.number << k.key;
}

// Determinism, round trip and the cipher-text alphabet.
void TestCipher::roundTrip()
{
    QFETCH(QString, plain);
    QFETCH(int, number);
    QFETCH(QString, key);
    const CipherResult e = encipher(u16(plain), number, u16(key));
    QVERIFY(e.succeeded);
    QVERIFY(!e.text.empty());
    QCOMPARE(encipher(u16(plain), number, u16(key)).text, e.text);

    const std::set<char16_t> alphabet = alphabetFor(number, u16(key));
    for (char16_t c : e.text)
        QVERIFY2(alphabet.count(c), qPrintable(u"unexpected U+%1"_s.arg(int(c), 4, 16, QChar(u'0'))));

    const CipherResult d = decipher(e.text, number, u16(key));
    QVERIFY(d.succeeded);
    QVERIFY(d.warning.empty());
    QCOMPARE(q(d.text), plain);
}

void TestCipher::runPacking_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("packed");
    QTest::newRow("three kept") << u"xaaay"_s << u"xaaay"_s;
    QTest::newRow("four packed") << u"aaaa"_s << u"*:;#$a4*:;#$"_s;
    QTest::newRow("twelve packed") << u"b"_s + QString(12, u'9') + u"b"_s << u"b*:;#$912*:;#$b"_s;
    QTest::newRow("mixed") << u"aabbbbcdddddd"_s << u"aa*:;#$b4*:;#$c*:;#$d6*:;#$"_s;
    QTest::newRow("marker char run") << u"****"_s << u"*:;#$*4*:;#$"_s;
}

void TestCipher::runPacking()
{
    QFETCH(QString, text);
    QFETCH(QString, packed);
    QCOMPARE(q(packRuns(u16(text), kRunMarker)), packed);
    std::u16string back;
    QVERIFY(unpackRuns(u16(packed), kRunMarker, back));
    QCOMPARE(q(back), text);
}

void TestCipher::unpackRunsRefusesMalformed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mark");
    QTest::newRow("no closing mark") << u"ab|x4"_s << u"|"_s;
    QTest::newRow("nothing after mark") << u"ab|"_s << u"|"_s;
    QTest::newRow("no count") << u"|x|"_s << u"|"_s;
    QTest::newRow("count not digits") << u"|x4a|"_s << u"|"_s;
    QTest::newRow("count with sign") << u"|x-4|"_s << u"|"_s;
    QTest::newRow("mark after mark") << u"||4|"_s << u"|"_s;
    QTest::newRow("long mark after mark") << u"*:;#$*:;#$4*:;#$"_s << q(kRunMarker);
    QTest::newRow("count too large") << u"|x1048577|"_s << u"|"_s;
    QTest::newRow("huge count") << u"|x99999999999999999999999|"_s << u"|"_s;
}

void TestCipher::unpackRunsRefusesMalformed()
{
    QFETCH(QString, text);
    QFETCH(QString, mark);
    std::u16string out;
    QVERIFY(!unpackRuns(u16(text), u16(mark), out));
}

// The text is searched again from its start after every expansion, so a mark
// that an expansion completes opens the next run.
void TestCipher::unpackRunsFindsMarkFormedByExpansion()
{
    const std::u16string m(kRunMarker);
    std::u16string out;
    QVERIFY(unpackRuns(u"*:;#" + m + u"$1" + m + u"a3" + m, m, out));
    QCOMPARE(q(out), u"aaa"_s);
    QVERIFY(unpackRuns(u"|x0|y", u"|", out));
    QCOMPARE(q(out), u"y"_s);
}

void TestCipher::transformsInvert_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("passes");
    QTest::addColumn<int>("columns");
    for (int length : {0, 1, 2, 5, 6, 13, 60})
        for (int passes : {0, 1, 4, 9})
            for (int columns : {3, 7})
                QTest::addRow("len %d, %d passes, %d columns", length, passes, columns) << length << passes << columns;
}

void TestCipher::transformsInvert()
{
    QFETCH(int, length);
    QFETCH(int, passes);
    QFETCH(int, columns);
    std::u16string s;
    for (int i = 0; i < length; ++i)
        s += static_cast<char16_t>(u'A' + i);
    QCOMPARE(unfoldReverse(foldReverse(s, passes), passes), s);
    QCOMPARE(unfold(fold(s, passes), passes), s);
    QCOMPARE(columnUnshuffle(columnShuffle(s, passes, columns), passes, columns), s);
}

void TestCipher::transformExamples()
{
    QCOMPARE(q(foldReverse(u"abcdef", 1)), u"ecafdb"_s);
    QCOMPARE(q(foldReverse(u"abcde", 2)), u"baedc"_s);
    QCOMPARE(q(fold(u"abcdefg", 1)), u"acegbdf"_s);
    QCOMPARE(q(columnShuffle(u"abcdefgh", 1, 3)), u"adbecfhg"_s);
    QCOMPARE(q(columnShuffle(u"abcdefgh", 2, 3)), u"aedcbfhg"_s);
    QCOMPARE(q(columnShuffle(u"abcdefgh", 0, 3)), u"abcdefhg"_s);
}

void TestCipher::markerRefusals_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("warning");
    const QString textWarning = u"特殊コードの文字列が入っています。「"_s;
    const QString keyWarning = u"合言葉に特殊コードの文字列が入っています。「"_s;
    QTest::newRow("run marker") << u"ab*:;#$cd"_s << u"pw"_s << textWarning + u"*:;#$」"_s;
    for (int d = 0; d < 10; ++d) {
        const QString marker = q(kSectionMarkers[d]);
        QTest::addRow("section marker %d", d) << u"x"_s + marker + u"y"_s << u"pw"_s << textWarning + marker + u"」"_s;
        QTest::addRow("section marker %d in key", d) << kMoveText << u"k"_s + marker << keyWarning + marker + u"」"_s;
    }
    QTest::newRow("run marker named first") << q(kSectionMarkers[0]) + u"*:;#$"_s << u"pw"_s << textWarning + u"*:;#$」"_s;
    QTest::newRow("lower digit named first") << q(kSectionMarkers[7]) + q(kSectionMarkers[2]) << u"pw"_s
                                             << textWarning + q(kSectionMarkers[2]) + u"」"_s;
    QTest::newRow("text before key") << u"*:;#$"_s << u"*:;#$"_s << textWarning + u"*:;#$」"_s;
    QTest::newRow("run marker in key") << kMoveText << u"a*:;#$b"_s << keyWarning + u"*:;#$」"_s;
}

void TestCipher::markerRefusals()
{
    QFETCH(QString, plain);
    QFETCH(QString, key);
    QFETCH(QString, warning);
    const CipherResult e = encipher(u16(plain), 5, u16(key));
    QVERIFY(!e.succeeded);
    QVERIFY(e.text.empty());
    QCOMPARE(q(e.warning), warning);
}

void TestCipher::keyMismatch_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("cipherText");
    const std::u16string plain = u"こんにちは" + std::u16string(u"*:#$%=@!+;");
    const std::u16string good = encipher(plain, 7, u"password").text;
    QTest::newRow("wrong password") << 7 << u"passwore"_s << q(good);
    QTest::newRow("password of other case") << 7 << u"Password"_s << q(good);
    QTest::newRow("wrong number") << 8 << u"password"_s << q(good);
    QTest::newRow("number 30") << 30 << u"password"_s << q(good);
    std::u16string changed = good;
    changed[changed.size() / 2] = changed[changed.size() / 2] == u'0' ? u'1' : u'0';
    QTest::newRow("one character changed") << 7 << u"password"_s << q(changed);
    QTest::newRow("truncated") << 7 << u"password"_s << q(std::u16string_view(good).substr(0, good.size() - 1));
    QTest::newRow("appended") << 7 << u"password"_s << q(good + u"0");
    QTest::newRow("plain text") << 7 << u"password"_s << q(plain);
    QTest::newRow("digits") << 7 << u"password"_s << u"0123456789"_s;
    QTest::newRow("one character") << 7 << u"password"_s << u"x"_s;
    QTest::newRow("kanji") << 7 << u"password"_s << u"鍵相違"_s;
    QTest::newRow("key position 0") << 7 << u"耀H"_s << q(good);
}

// Every decipher failure gives the key-mismatch text and leaves the flag at 0.
void TestCipher::keyMismatch()
{
    QFETCH(int, number);
    QFETCH(QString, key);
    QFETCH(QString, cipherText);
    const CipherResult d = decipher(u16(cipherText), number, u16(key));
    QVERIFY(!d.succeeded);
    QCOMPARE(q(d.text), u"鍵相違*:#$%=@!+;"_s);
    QVERIFY(d.warning.empty());
}

void TestCipher::encodeErrors_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("key");
    QTest::newRow("empty key") << 3 << u""_s;
    // The first character's code has fewer than three digits and the last
    // one's ends in 0: the key byte would be read from position 0.
    QTest::newRow("key position 0") << 1 << u"耀H"_s;
    QTest::newRow("key position 0, number 29") << 29 << u"耀abcH"_s;
    QTest::newRow("number 0") << 0 << u"password"_s;
    QTest::newRow("number 31") << 31 << u"password"_s;
}

void TestCipher::encodeErrors()
{
    QFETCH(int, number);
    QFETCH(QString, key);
    const CipherResult e = encipher(u16(kMoveText), number, u16(key));
    QVERIFY(!e.succeeded);
    QVERIFY(e.text.empty());
    QCOMPARE(q(e.warning), u"エンコードエラー"_s);
    // A marker in the text does not change the warning: the key is derived first.
    QCOMPARE(q(encipher(u"*:;#$", number, u16(key)).warning), u"エンコードエラー"_s);
    const CipherResult d = decipher(u"0123456789", number, u16(key));
    QVERIFY(!d.succeeded);
    QCOMPARE(q(d.text), u"鍵相違*:#$%=@!+;"_s);
}

void TestCipher::emptyInput()
{
    for (int number : {1, 30}) {
        const CipherResult e = encipher(u"", number, u"password");
        QVERIFY(!e.succeeded);
        QVERIFY(e.text.empty());
        QVERIFY(e.warning.empty());
        const CipherResult d = decipher(u"", number, u"password");
        QVERIFY(!d.succeeded);
        QVERIFY(d.text.empty());
    }
    // Even with a key that cannot be used.
    QVERIFY(encipher(u"", 1, u"").warning.empty());
}

void TestCipher::number30IgnoresPassword()
{
    const std::u16string plain = u"30接続himitsu*:#$%=@!+;";
    const std::u16string reference = encipher(plain, 30, u"ヨビノカギ").text;
    QVERIFY(!reference.empty());
    for (std::u16string_view key : {u"", u"himitsu", u"耀H", u"*:;#$"}) {
        const CipherResult e = encipher(plain, 30, key);
        QVERIFY(e.succeeded);
        QCOMPARE(e.text, reference);
        QCOMPARE(q(decipher(reference, 30, key).text), q(plain));
    }
    QVERIFY(encipher(plain, 29, u"ヨビノカギ").text != reference);
}

// A cipher text may claim a run of any length; the claim fails at once.
void TestCipher::oversizedRunClaimFailsFast()
{
    for (int number : {1, 7, 30}) {
        const std::u16string key = u"password";
        const int markIndex = markIndexFor(number, key);
        for (int stage = 0; stage < 3; ++stage) {
            const char16_t mark = kRunMarkChars[(markIndex + stage) % 10];
            std::u16string claim;
            claim += mark;
            claim += u'5';
            claim += u"2000000";
            claim += mark;
            QCOMPARE(q(decipher(claim, number, key).text), u"鍵相違*:#$%=@!+;"_s);
        }
    }
}

void TestCipher::tablesObeyRules()
{
    const auto isKatakana = [](char16_t c) { return c >= 0xFF61 && c <= 0xFF9F; };
    for (std::u16string_view p : kDigitPermutations) {
        QCOMPARE(p.size(), std::size_t(10));
        QCOMPARE(std::set<char16_t>(p.begin(), p.end()), (std::set<char16_t>{u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7', u'8', u'9'}));
    }
    for (const auto& row : kKeyDigitRows)
        for (std::u16string_view digits : row) {
            QCOMPARE(digits.size(), std::size_t(60));
            for (char16_t c : digits)
                QVERIFY(c >= u'0' && c <= u'9');
        }
    const std::set<char16_t> marks(kRunMarkChars.begin(), kRunMarkChars.end());
    QCOMPARE(marks.size(), std::size_t(10));
    for (char16_t m : marks)
        QVERIFY(isKatakana(m));
    for (const auto& list : kPairCodeTables) {
        std::set<int> codes;
        std::set<char16_t> chars;
        for (const PairCodeEntry& e : list) {
            codes.insert(e.code);
            chars.insert(e.character);
            QVERIFY(e.code < 100);
            QVERIFY(!(e.character >= u'0' && e.character <= u'9'));
            QVERIFY(!marks.count(e.character));
            QVERIFY((e.character > 0x20 && e.character < 0x7F) || isKatakana(e.character));
        }
        QCOMPARE(codes.size(), std::size_t(100));
        QCOMPARE(chars.size(), std::size_t(100));
    }
}

QTEST_APPLESS_MAIN(TestCipher)
#include "tst_cipher.moc"
