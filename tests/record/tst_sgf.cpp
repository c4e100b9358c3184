// Saving records as SGF: exact bytes, games recorded by hand, an opened ".nig"
// converted, the names accepted. GNU Go loads every file saved here and must
// see the same stones as Moyuta's board.
#include "GnuGo.h"
#include "RecordFixture.h"

#include <QtTest>

using namespace moyuta;

class TestSgf : public QObject {
    Q_OBJECT
private slots:
    void bytes_data();
    void bytes();
    void recordedWithMarkup();
    void recordedGameWithCaptures();
    void openedFileStaysOpen_data();
    void openedFileStaysOpen();
    void openedSetupStaysSetup_data();
    void openedSetupStaysSetup();
    void names_data();
    void names();
    void gameInformation();
};

namespace {

const QString kSaved = QStringLiteral("記録ファイルを保存しました。");
const QString kNotSaved = QStringLiteral("記録ファイルを保存出来ませんでした。");
const QString kWrongExtension = QStringLiteral("拡張子が「.nig」以外は扱えません。");

// A whole SGF file: the root node, then `nodes`.
QByteArray sgf(const QByteArray &nodes)
{
    return "(;FF[4]GM[1]CA[UTF-8]AP[Moyuta:" MOYUTA_VERSION "]SZ[19]" + nodes + ")\n";
}

// The point of an SGF name: "dd" is 60.
int at(const QString &name)
{
    return pointIndex(name[1].unicode() - 'a', name[0].unicode() - 'a');
}

// The stones after replaying every entry, as the replay command shows them.
test::Stones replayedStones(const QStringList &record)
{
    test::Fixture fx;
    test::keepRecord(fx.s, record);
    for (const QString &entry : record)
        record::applyReplayEntry(fx.s, entry);
    return test::boardStones(fx.s);
}

}  // namespace

void TestSgf::bytes_data()
{
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("three stones") << QStringList{"1,60,0,1", "2,72,0,2", "1,300,0,3"}
                                  << sgf(";B[dd]MN[1];W[pd]MN[2];B[pp]MN[3]");
    QTest::newRow("start number 50, unnumbered stone")
        << QStringList{"1,60,0,50", "2,72,0,51", "1,300,0,0"} << sgf(";B[dd]MN[50];W[pd]MN[51];B[pp]");
    QTest::newRow("captured stone removed") << QStringList{"1,0,0,1", "2,1,0,2", "1,60,0,3", "2,19,0,4", "0,0,1,1"}
                                            << sgf(";B[aa]MN[1];W[ba]MN[2];B[dd]MN[3];W[ab]MN[4];AE[aa]");
    QTest::newRow("letter kept over later moves, then removed")
        << QStringList{"1,60,0,1", "5,180,0,1", "2,72,0,2", "6,300,0,2", "1,62,0,3", "0,180,5,0", "2,64,0,4"}
        << sgf(";B[dd]MN[1];LB[jj:A];W[pd]MN[2]LB[jj:A];LB[jj:A][pp:B];B[fd]MN[3]LB[jj:A][pp:B];AE[jj]LB[pp:B]"
               ";W[hd]MN[4]LB[pp:B]");
    QTest::newRow("marks and letters, in point order")
        << QStringList{"4,100,0,0", "3,101,0,0", "8,2,0,0", "7,3,0,0", "6,4,0,0", "5,5,0,0", "0,100,4,0"}
        << sgf(";SQ[ff];TR[gf]SQ[ff];LB[ca:D]TR[gf]SQ[ff];LB[ca:D][da:C]TR[gf]SQ[ff];LB[ca:D][da:C][ea:B]TR[gf]SQ[ff]"
               ";LB[ca:D][da:C][ea:B][fa:A]TR[gf]SQ[ff];AE[ff]LB[ca:D][da:C][ea:B][fa:A]TR[gf]");
    QTest::newRow("a stone on a letter hides it") << QStringList{"5,60,0,0", "1,60,0,1", "2,72,0,2"}
                                                  << sgf(";LB[dd:A];B[dd]MN[1];W[pd]MN[2]");
    QTest::newRow("corners") << QStringList{"1,0,0,1", "2,18,0,2", "1,342,0,3", "2,360,0,4"}
                             << sgf(";B[aa]MN[1];W[sa]MN[2];B[as]MN[3];W[ss]MN[4]");
    QTest::newRow("entries replay skips are left out")
        << QStringList{"1,60,0,1", "2,72,0", "1,361,0,2", "9,80,0,2", "2,72,0,1000", "2,72,0,99999", "", "x", "2,72,0,2"}
        << sgf(";B[dd]MN[1];W[pd]MN[2]");
    QTest::newRow("cut to 11 characters as replay cuts") << QStringList{"1,300,0,1000"} << sgf(";B[pp]MN[100]");
    QTest::newRow("empty record") << QStringList() << sgf("");
}

void TestSgf::bytes()
{
    QFETCH(QStringList, record);
    QFETCH(QByteArray, bytes);

    test::RecordFixture fx;
    test::keepRecord(fx.s, record);
    fx.saveAs(QStringLiteral("game.sgf"));
    QCOMPARE(fx.readFile(QStringLiteral("game.sgf")), bytes);
    QCOMPARE(fx.dialogs.fileDialogs, QStringList{QStringLiteral("save NIGファイル(*.nig);;SGFファイル(*.sgf)")});
    QCOMPARE(fx.dialogs.notices, QStringList{kSaved});
    QVERIFY(fx.s.moves.gameRecord.isEmpty());  // a recorded game leaves memory once saved, as with ".nig"
    QVERIFY(!fx.form().cmdNewSave.enabled);
    QCOMPARE(test::gnuGoStones(fx.path(QStringLiteral("game.sgf"))), replayedStones(record));
}

void TestSgf::recordedWithMarkup()
{
    test::RecordFixture fx;
    Form &f = fx.form();
    record::onRecord(fx.s);
    fx.left(at("dd"));  // numbering is off: an unnumbered stone
    f.chkOtherMarks.setChecked(true);
    f.Option4.select(3);  // A
    fx.left(at("jj"));
    f.chkOtherMarks.setChecked(false);
    f.chkNumberStones.setChecked(true);
    f.UpDown5.setValue(50);
    for (const char *p : {"pd", "aa", "ba", "pp", "ab"})
        fx.left(at(p));
    fx.right(at("aa"));  // taken off by hand: white's ab captured it
    fx.right(at("jj"));
    fx.left(at("qq"));
    const test::Stones live = test::boardStones(fx.s);
    const QStringList recorded = fx.s.moves.gameRecord;

    fx.dialogs.answers = {Answer::Yes};
    fx.dialogs.fileNames = {fx.path(QStringLiteral("live.sgf"))};
    record::onRecord(fx.s);  // stop, and save
    QVERIFY(!fx.s.moves.recording);
    QCOMPARE(fx.readFile(QStringLiteral("live.sgf")),
             sgf(";B[dd];LB[jj:A];W[pd]MN[50]LB[jj:A];B[aa]MN[51]LB[jj:A];W[ba]MN[52]LB[jj:A];B[pp]MN[53]LB[jj:A]"
                 ";W[ab]MN[54]LB[jj:A];AE[aa]LB[jj:A];AE[jj];B[qq]MN[55]"));
    QCOMPARE(test::gnuGoStones(fx.path(QStringLiteral("live.sgf"))), live);
    QCOMPARE(replayedStones(recorded), live);
}

void TestSgf::recordedGameWithCaptures()
{
    // 44 moves; "-" takes a captured stone off by hand (seven stones in four captures).
    const QStringList game = QStringLiteral(
        "pd dp dd pp ia ja ka sh jb -ja sk sj rj si ri -si -sj ij jj mj kj ji lj ki qc li fc jk nq kk qj lk -jj -kj -lj "
        "ba aa ab -aa qf cj jp ef nc cm pj qm jd gq jg dj").split(u' ');
    test::RecordFixture fx;
    record::onRecord(fx.s);
    fx.form().chkNumberStones.setChecked(true);
    QStringList nodes;  // the nodes this game must give, in order
    int moves = 0;
    for (const QString &action : game) {
        if (action.startsWith(u'-')) {
            fx.right(at(action.mid(1)));
            nodes << QStringLiteral("AE[%1]").arg(action.mid(1));
        } else {
            fx.left(at(action));
            ++moves;
            nodes << QStringLiteral("%1[%2]MN[%3]").arg(QChar(moves % 2 ? u'B' : u'W')).arg(action).arg(moves);
        }
    }
    QCOMPARE(moves, 44);
    QCOMPARE(fx.s.moves.gameRecord.size(), game.size());  // every action was recorded
    const test::Stones live = test::boardStones(fx.s);
    QCOMPARE(live.black.size() + live.white.size(), 44 - 7);
    const QStringList recorded = fx.s.moves.gameRecord;

    fx.dialogs.answers = {Answer::Yes};
    fx.dialogs.fileNames = {fx.path(QStringLiteral("game.sgf"))};
    record::onRecord(fx.s);
    const QByteArray bytes = fx.readFile(QStringLiteral("game.sgf"));
    QCOMPARE(bytes, sgf((QLatin1Char(';') + nodes.join(u';')).toLatin1()));
    QCOMPARE(test::gnuGoStones(fx.path(QStringLiteral("game.sgf"))), live);
    QCOMPARE(replayedStones(recorded), live);
}

void TestSgf::openedFileStaysOpen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("steps");  // replay presses before saving
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray nig("1,60,0,1\r\n2,72,0,2\r\n1,300,0,3\r\n");
    const QByteArray asSgf = sgf(";B[dd]MN[1];W[pd]MN[2];B[pp]MN[3]");
    QTest::newRow("as SGF before replaying") << "g.sgf" << 0 << asSgf;
    QTest::newRow("as SGF halfway") << "g.sgf" << 2 << asSgf;
    QTest::newRow("as .nig halfway") << "g.nig" << 2 << nig;
}

void TestSgf::openedFileStaysOpen()
{
    QFETCH(QString, name);
    QFETCH(int, steps);
    QFETCH(QByteArray, bytes);

    test::RecordFixture fx;
    Form &f = fx.form();
    fx.writeFile(QStringLiteral("r.nig"), "1,60,0,1\r\n2,72,0,2\r\n1,300,0,3\r\n");
    fx.open(QStringLiteral("r.nig"));
    QVERIFY(f.cmdNewSave.enabled);  // an opened file can be saved under another name
    const QStringList opened = fx.s.moves.gameRecord;
    for (int i = 0; i < steps; ++i)
        record::onReplay(fx.s);
    const test::Stones before = test::boardStones(fx.s);

    fx.dialogs.notices.clear();
    fx.saveAs(name);
    QCOMPARE(fx.readFile(name), bytes);
    QCOMPARE(fx.dialogs.notices, QStringList{kSaved});
    QCOMPARE(fx.s.moves.gameRecord, opened);
    QVERIFY(fx.s.moves.recordFileLoaded);
    QVERIFY(f.cmdF.enabled);
    QVERIFY(f.cmdNewSave.enabled);  // still open: it can be saved again
    QCOMPARE(fx.s.moves.replayStep, steps);
    QCOMPARE(test::boardStones(fx.s), before);

    // The replay goes on to the end, and again from the start.
    while (fx.s.moves.replayStep < opened.size())
        record::onReplay(fx.s);
    QCOMPARE(fx.at(at("pp")), PointContent::Black);
    QCOMPARE(fx.numberAt(at("pp")), QStringLiteral("3"));
    if (name.endsWith(QStringLiteral(".sgf")))
        QCOMPARE(test::gnuGoStones(fx.path(name)), test::boardStones(fx.s));
    fx.dialogs.answers = {Answer::Yes};
    record::onReplay(fx.s);
    QCOMPARE(fx.dialogs.questions.last(), QStringLiteral("もう一度記録を再生しますか？"));
    QCOMPARE(fx.s.moves.replayStep, 1);
    QCOMPARE(fx.at(at("dd")), PointContent::Black);
    QCOMPARE(fx.at(at("pd")), PointContent::Empty);
}

void TestSgf::openedSetupStaysSetup_data()
{
    QTest::addColumn<QByteArray>("opened");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("stones without liberties") << QByteArray("(;FF[4]GM[1]SZ[19]AB[aa][ab]AW[ac][ba][bb])")
                                              << sgf("AB[aa][ab]AW[ba][bb][ac]");
    QTest::newRow("handicap, then moves") << QByteArray("(;GM[1]SZ[19]HA[2]AB[dp][pd];W[dd];B[pp])")
                                          << sgf(";W[dd]MN[1];B[pp]MN[2]").replace("SZ[19]", "SZ[19]HA[2]AB[pd][dp]");
    QTest::newRow("setup after moves takes nothing") << QByteArray("(;SZ[19];B[ba];W[aa];AB[ab])")
                                                     << sgf(";B[ba]MN[1];W[aa]MN[2];AB[ab]");
    QTest::newRow("setup cleared and changed in one node") << QByteArray("(;SZ[19]AB[aa][bb]LB[cc:A];AE[aa]AW[bb]AB[dd])")
                                                           << sgf("AB[aa][bb]LB[cc:A];AB[dd]AW[bb]AE[aa]");
    QTest::newRow("a move's capture stays a move") << QByteArray("(;SZ[19]AB[ba]AW[aa];B[ab])")
                                                   << sgf("AB[ba]AW[aa];B[ab]MN[1];AE[aa]");
}

void TestSgf::openedSetupStaysSetup()
{
    QFETCH(QByteArray, opened);
    QFETCH(QByteArray, saved);

    test::RecordFixture fx;
    fx.writeFile(QStringLiteral("opened.sgf"), opened);
    fx.open(QStringLiteral("opened.sgf"));
    QVERIFY(fx.dialogs.warnings.isEmpty());
    fx.saveAs(QStringLiteral("saved.sgf"));
    QCOMPARE(fx.readFile(QStringLiteral("saved.sgf")), saved);

    // Other programs see the board they saw in the opened file.
    const test::Stones board = test::gnuGoStones(fx.path(QStringLiteral("opened.sgf")));
    QCOMPARE(test::gnuGoStones(fx.path(QStringLiteral("saved.sgf"))), board);
    if (!opened.contains("AE"))  // GNU Go 3.8 leaves stones that AE clears
        QCOMPARE(replayedStones(fx.s.moves.gameRecord), board);
    // Opened again, it replays to the same board and is saved to the same bytes.
    test::RecordFixture again;
    again.writeFile(QStringLiteral("saved.sgf"), saved);
    again.open(QStringLiteral("saved.sgf"));
    QCOMPARE(replayedStones(again.s.moves.gameRecord), replayedStones(fx.s.moves.gameRecord));
    QCOMPARE(again.s.record.info, fx.s.record.info);
    again.saveAs(QStringLiteral("again.sgf"));
    QCOMPARE(again.readFile(QStringLiteral("again.sgf")), saved);
}

void TestSgf::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("start");  // of the file written; empty: refused
    QTest::addColumn<QStringList>("warnings");

    const QByteArray sgfStart("(;FF[4]"), nigStart("1,60,0,1\r\n");
    const QStringList refused{kWrongExtension, kNotSaved};
    QTest::newRow("game.SGF") << "game.SGF" << sgfStart << QStringList();
    QTest::newRow("game.Sgf") << "game.Sgf" << sgfStart << QStringList();
    QTest::newRow("game.nig.sgf") << "game.nig.sgf" << sgfStart << QStringList();
    QTest::newRow("game.sgf.nig") << "game.sgf.nig" << nigStart << QStringList();
    QTest::newRow("game.txt") << "game.txt" << QByteArray() << refused;
    QTest::newRow("game.NIG stays refused") << "game.NIG" << QByteArray() << refused;
    QTest::newRow("game.sgfx") << "game.sgfx" << QByteArray() << refused;
    QTest::newRow("sgf") << "sgf" << QByteArray() << refused;
}

void TestSgf::names()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, start);
    QFETCH(QStringList, warnings);

    test::RecordFixture fx;
    const QStringList record{"1,60,0,1", "2,72,0,2"};
    test::keepRecord(fx.s, record);
    fx.saveAs(name);
    QCOMPARE(fx.dialogs.warnings, warnings);
    if (start.isEmpty()) {
        QVERIFY(!QFile::exists(fx.path(name)));
        QCOMPARE(fx.s.moves.gameRecord, record);  // kept: save-as can be tried again
        QVERIFY(fx.form().cmdNewSave.enabled);
        QVERIFY(fx.dialogs.notices.isEmpty());
        return;
    }
    QVERIFY(fx.readFile(name).startsWith(start));
    QCOMPARE(fx.dialogs.notices, QStringList{kSaved});
    QVERIFY(fx.s.moves.gameRecord.isEmpty());
    if (start.startsWith("(;"))
        QCOMPARE(test::gnuGoStones(fx.path(name)), replayedStones(record));
}


// The root carries what is known of the game, escaped; the last node the comment.
void TestSgf::gameInformation()
{
    GameInfo info;
    info.black = QStringLiteral("山田]");
    info.white = QStringLiteral("佐藤\\");
    info.date = QStringLiteral("2026-12-10");
    info.komi = QStringLiteral("6.5");
    info.result = QStringLiteral("B+R");
    info.comment = QStringLiteral("二行\nのメモ");
    const QByteArray text = record::sgfText({"1,60,0,1", "2,72,0,2"}, Size19, {}, info, QStringLiteral("アゲハマ 黒 1 白 0"));
    QCOMPARE(text, QStringLiteral("(;FF[4]GM[1]CA[UTF-8]AP[Moyuta:" MOYUTA_VERSION "]SZ[19]PB[山田\\]]PW[佐藤\\\\]"
                                  "DT[2026-12-10]KM[6.5]RE[B+R]GC[二行\nのメモ];B[dd]MN[1];W[pd]MN[2]C[アゲハマ 黒 1 白 0])\n")
                       .toUtf8());
    // Handicap typed in the information wins over the opened file's.
    info = {};
    info.handicap = QStringLiteral("2");
    QVERIFY(record::sgfText({}, Size9, {{}, {}, 4}, info).contains("SZ[9]HA[2])"));
    QVERIFY(record::sgfText({}, Size9, {{}, {}, 4}).contains("SZ[9]HA[4])"));
}

QTEST_MAIN(TestSgf)
#include "tst_sgf.moc"
