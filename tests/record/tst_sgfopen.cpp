// Opening SGF files through "ファイルを開く(&S)": names, refused files, records
// saved here opened again, small boards, one press per node, and games
// GNU Go played against itself compared with GNU Go's own board.
#include "GnuGo.h"
#include "RecordFixture.h"

#include <QtTest>

using namespace moyuta;

class TestSgfOpen : public QObject {
    Q_OBJECT
private slots:
    void names_data();
    void names();
    void refused_data();
    void refused();
    void reopenSaved_data();
    void reopenSaved();
    void smallBoard_data();
    void smallBoard();
    void cutShort_data();
    void cutShort();
    void onePressPerNode();
    void savedAsNigReplaysOneEntryPerPress();
    void emptiedRecordIsBackTo19Lines();
    void gnuGoGames_data();
    void gnuGoGames();
};

namespace {

const QString kUnreadable = QStringLiteral("SGFファイルを読み込めませんでした。");
const QString kNothingToReplay = QStringLiteral("このSGFファイルには石がないので、再生するものがありません。");
const QString kWrongFormat = QStringLiteral("ファイルを開けない、もしくはファイルの形式が違います。");
const QByteArray kCaptureGame = "(;FF[4]GM[1]SZ[9];AB[ca][bb]AW[aa][ba];B[ab];W[ee])";

// Presses "記録を再生(&T)" until the record's end, answering Yes to the size
// question; the number of presses.
int replayToEnd(test::RecordFixture &fx)
{
    int presses = 0;
    fx.dialogs.answers.push_back(Answer::Yes);
    while (fx.s.moves.replayStep < fx.s.moves.gameRecord.size() && presses <= fx.s.moves.gameRecord.size()) {
        record::onReplay(fx.s);
        ++presses;
    }
    fx.dialogs.answers.clear();
    return presses;
}

// The stones after applying every entry, one by one.
test::Stones replayedStones(const QStringList &record)
{
    test::Fixture fx;
    test::keepRecord(fx.s, record);
    for (const QString &entry : record)
        record::applyReplayEntry(fx.s, entry);
    return test::boardStones(fx.s);
}

}  // namespace

void TestSgfOpen::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QStringList>("warnings");

    const QByteArray sgf = "(;GM[1]SZ[19];AB[dd];AW[pd])";
    const QStringList entries{"1,60,0,0", "2,72,0,0"};
    QTest::newRow(".sgf") << "game.sgf" << sgf << entries << QStringList();
    QTest::newRow(".SGF") << "GAME.SGF" << sgf << entries << QStringList();
    QTest::newRow(".Sgf") << "game.Sgf" << sgf << entries << QStringList();
    QTest::newRow("SGF bytes in a .nig file") << "game.nig" << sgf << QStringList() << QStringList{kWrongFormat};
    QTest::newRow(".nig lines in a .txt file") << "game.txt" << QByteArray("1,60,0,0\r\n2,72,0,0\r\n") << entries
                                               << QStringList();
    QTest::newRow(".nig lines in a .sgf file") << "game.sgf" << QByteArray("1,60,0,0\r\n2,72,0,0\r\n") << QStringList()
                                               << QStringList{kUnreadable};
}

void TestSgfOpen::names()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, record);
    QFETCH(QStringList, warnings);

    test::RecordFixture fx;
    fx.writeFile(name, bytes);
    fx.open(name);
    QCOMPARE(fx.dialogs.fileDialogs,
             QStringList{QStringLiteral("open 記録ファイル(*.nig *.sgf);;NIGファイル(*.nig);;SGFファイル(*.sgf)")});
    QCOMPARE(fx.dialogs.warnings, warnings);
    QCOMPARE(fx.s.moves.gameRecord, record);
    QCOMPARE(fx.form().cmdF.enabled, !record.isEmpty());
    QCOMPARE(fx.form().cmdNewSave.enabled, !record.isEmpty());
    QCOMPARE(fx.s.moves.recordFileLoaded, !record.isEmpty());
}

void TestSgfOpen::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("warning");

    QTest::newRow("not SGF") << QByteArray("Go is a game.\n") << kUnreadable;
    QTest::newRow("empty file") << QByteArray() << kUnreadable;
    QTest::newRow("unterminated value") << QByteArray("(;SZ[19];B[dd]C[oops)") << kUnreadable;
    QTest::newRow("illegal point") << QByteArray("(;SZ[9];B[kk])") << kUnreadable;
    QTest::newRow("GM[3]") << QByteArray("(;GM[3];B[dd])") << kUnreadable;
    QTest::newRow("no stone, letter or mark") << QByteArray("(;GM[1]PB[x];B[])") << kNothingToReplay;
    QTest::newRow("passes only") << QByteArray("(;GM[1]SZ[9];B[];W[];B[tt])") << kNothingToReplay;
    QTest::newRow("HA[2] without stones") << QByteArray("(;GM[1]SZ[19]HA[2])") << kNothingToReplay;
    QTest::newRow("more than 65534 entries") << "(;" + QByteArray(";W[aa]").repeated(32768) + ")" << kUnreadable;
    // Valid SGF, one byte too long.
    const QByteArray head = "(;SZ[19];B[dd]C[", tail = "])";
    QTest::newRow("over 4 MiB") << head + QByteArray(4 * 1024 * 1024 + 1 - head.size() - tail.size(), 'x') + tail
                                << kUnreadable;
    QTest::newRow("SZ[7]") << QByteArray("(;SZ[7];B[aa])") << QStringLiteral("この碁盤の大きさには対応していません。");
}

void TestSgfOpen::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, warning);

    test::RecordFixture fx;
    Form &f = fx.form();
    fx.writeFile(QStringLiteral("ok.sgf"), "(;SZ[9];B[aa];W[bb])");
    fx.open(QStringLiteral("ok.sgf"));
    QVERIFY(f.cmdF.enabled);
    record::onReplay(fx.s);  // the small board's question, answered No: nothing on the board
    board::setPointContent(fx.s, 0, PointContent::Black);

    fx.writeFile(QStringLiteral("bad.sgf"), bytes);
    fx.dialogs.answers.push_back(Answer::Yes);  // open, though the record is not saved
    fx.open(QStringLiteral("bad.sgf"));
    QCOMPARE(fx.dialogs.warnings, QStringList{warning});
    QVERIFY(!board::boardHasContent(fx.s));
    QVERIFY(fx.s.moves.gameRecord.isEmpty());
    QVERIFY(fx.s.moves.gameRecordJoins.isEmpty());
    QCOMPARE(fx.s.moves.recordSizeCode, int(Size19));
    QVERIFY(!fx.s.moves.recordFileLoaded);
    QVERIFY(!f.cmdF.enabled);
    QVERIFY(!f.cmdNewSave.enabled);
    record::onReplay(fx.s);
    QVERIFY(!board::boardHasContent(fx.s));
}

void TestSgfOpen::reopenSaved_data()
{
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<int>("sizeCode");
    QTest::addColumn<QStringList>("reopened");

    const QStringList three{"1,60,0,1", "2,72,0,2", "1,300,0,3"};
    QTest::newRow("three stones") << three << int(Size19) << three;
    const QStringList captured{"1,0,0,1", "2,1,0,2", "1,60,0,3", "2,19,0,4", "0,0,1,1"};
    QTest::newRow("the players' removal, no capture added") << captured << int(Size19) << captured;
    QTest::newRow("letters' numbers become 0")
        << QStringList{"1,60,0,1", "5,180,0,1", "2,72,0,2", "6,300,0,2", "1,62,0,3", "0,180,5,0", "2,64,0,4"} << int(Size19)
        << QStringList{"1,60,0,1", "5,180,0,0", "2,72,0,2", "6,300,0,0", "1,62,0,3", "0,180,5,0", "2,64,0,4"};
    const QStringList marks{"4,100,0,0", "3,101,0,0", "8,2,0,0", "7,3,0,0", "6,4,0,0", "5,5,0,0", "0,100,4,0"};
    QTest::newRow("marks and letters") << marks << int(Size19) << marks;
    // SGF has no removal of a letter under a stone: the file shows the letter gone.
    QTest::newRow("a stone on a letter") << QStringList{"5,60,0,0", "1,60,0,1", "2,72,0,2"} << int(Size19)
                                         << QStringList{"5,60,0,0", "0,60,5,0", "1,60,0,1", "2,72,0,2"};
    // A stone without MN takes the next number.
    QTest::newRow("start number 50, unnumbered stone") << QStringList{"1,60,0,50", "2,72,0,51", "1,300,0,0"} << int(Size19)
                                                       << QStringList{"1,60,0,50", "2,72,0,51", "1,300,0,52"};
    const QStringList nine{"1,0,0,1", "2,160,0,2", "5,8,0,0"};
    QTest::newRow("9 lines") << nine << int(Size9) << QStringList{"1,0,0,1", "2,160,0,2", "5,8,0,0"};
    const QStringList thirteen{"1,240,0,1", "2,12,0,2"};
    QTest::newRow("13 lines") << thirteen << int(Size13) << thirteen;
}

void TestSgfOpen::reopenSaved()
{
    QFETCH(QStringList, record);
    QFETCH(int, sizeCode);
    QFETCH(QStringList, reopened);

    test::RecordFixture saver;
    test::keepRecord(saver.s, record, sizeCode);
    saver.saveAs(QStringLiteral("game.sgf"));
    QCOMPARE(saver.dialogs.notices, QStringList{QStringLiteral("記録ファイルを保存しました。")});

    test::RecordFixture fx;
    fx.writeFile(QStringLiteral("game.sgf"), saver.readFile(QStringLiteral("game.sgf")));
    fx.open(QStringLiteral("game.sgf"));
    QVERIFY(fx.dialogs.warnings.isEmpty());
    QCOMPARE(fx.s.moves.gameRecord, reopened);
    QCOMPARE(fx.s.moves.recordSizeCode, sizeCode);
    // Saved again with the record's size, it opens to the same entries.
    fx.saveAs(QStringLiteral("again.sgf"));
    QVERIFY(fx.readFile(QStringLiteral("again.sgf")).contains("SZ[" + QByteArray::number(linesOf(sizeCode)) + "]"));
    test::RecordFixture third;
    third.writeFile(QStringLiteral("again.sgf"), fx.readFile(QStringLiteral("again.sgf")));
    third.open(QStringLiteral("again.sgf"));
    QCOMPARE(third.s.moves.gameRecord, reopened);
    // Replayed to the end, the stones are those of the original record.
    replayToEnd(fx);
    QCOMPARE(fx.s.board.boardSizeCode, sizeCode);
    QCOMPARE(test::boardStones(fx.s), replayedStones(record));
}

void TestSgfOpen::smallBoard_data()
{
    QTest::addColumn<QByteArray>("sgf");
    QTest::addColumn<int>("sizeCode");
    QTest::addColumn<QString>("question");
    QTest::addColumn<int>("lastPoint");

    QTest::newRow("9 lines") << QByteArray("(;SZ[9];B[aa];W[ii])") << int(Size9)
                             << QStringLiteral("再生する場合は9路盤にする必要があります、変更しますか？") << 8 * 19 + 8;
    QTest::newRow("13 lines") << QByteArray("(;SZ[13];B[aa];W[mm])") << int(Size13)
                              << QStringLiteral("再生する場合は13路盤にする必要があります、変更しますか？") << 12 * 19 + 12;
}

void TestSgfOpen::smallBoard()
{
    QFETCH(QByteArray, sgf);
    QFETCH(int, sizeCode);
    QFETCH(QString, question);
    QFETCH(int, lastPoint);

    test::RecordFixture fx;
    Form &f = fx.form();
    fx.writeFile(QStringLiteral("small.sgf"), sgf);
    fx.open(QStringLiteral("small.sgf"));
    record::onReplay(fx.s);  // No: the board keeps 19 lines and nothing is replayed
    QCOMPARE(fx.dialogs.questions, QStringList{question});
    QCOMPARE(fx.s.board.boardSizeCode, int(Size19));
    QCOMPARE(fx.s.moves.replayStep, 0);
    QVERIFY(!board::boardHasContent(fx.s));

    fx.dialogs.answers.push_back(Answer::Yes);
    record::onReplay(fx.s);
    QCOMPARE(fx.dialogs.questions, (QStringList{question, question}));
    QCOMPARE(fx.s.board.boardSizeCode, sizeCode);
    QCOMPARE(fx.s.board.lastRequestedOption, sizeCode);
    QCOMPARE(f.Option3.selected, sizeCode);
    QCOMPARE(fx.at(0), PointContent::Black);
    record::onReplay(fx.s);
    QCOMPARE(fx.at(lastPoint), PointContent::White);
    QCOMPARE(fx.dialogs.questions.size(), 2);  // no further size question
}

void TestSgfOpen::cutShort_data()
{
    QTest::addColumn<QByteArray>("game");  // a whole game, ")" and line end last

    // Moves fill strips two columns wide from the top, black and white strips
    // side by side: each strip keeps liberties below, so nothing is captured.
    QByteArray setup = "(;GM[1]SZ[19]AB", moves = "(;GM[1]SZ[19]";
    QList<QByteArray> strips[2];
    for (int row = 0; row < 19; ++row) {
        for (int column = 0; column < 19; ++column) {
            const QByteArray point = QByteArray(1, char('a' + column)) + char('a' + row);
            if (row * 19 + column < 256)
                setup += "[" + point + "]";
            strips[column % 4 / 2] << point;
        }
    }
    for (int move = 0; move < 282; ++move)
        moves += (move % 2 ? ";W[" : ";B[") + strips[move % 2][move / 2] + "]";
    QTest::newRow("256 setup stones") << setup + ")\n";
    QTest::newRow("282 moves") << moves + ")\n";
}

void TestSgfOpen::cutShort()
{
    QFETCH(QByteArray, game);

    test::RecordFixture whole, cut;
    whole.writeFile(QStringLiteral("whole.sgf"), game);
    whole.open(QStringLiteral("whole.sgf"));
    QCOMPARE(whole.dialogs.warnings, QStringList());
    cut.writeFile(QStringLiteral("cut.sgf"), game.left(game.lastIndexOf(')')));
    cut.open(QStringLiteral("cut.sgf"));
    QCOMPARE(cut.dialogs.warnings, QStringList());
    QVERIFY(cut.form().cmdF.enabled);
    QCOMPARE(cut.s.moves.gameRecord, whole.s.moves.gameRecord);
    QCOMPARE(cut.s.moves.gameRecordJoins, whole.s.moves.gameRecordJoins);
    replayToEnd(whole);
    replayToEnd(cut);
    QCOMPARE(test::boardStones(cut.s), test::boardStones(whole.s));
    QCOMPARE(test::boardStones(cut.s), test::gnuGoStones(cut.path(QStringLiteral("cut.sgf"))));
}

void TestSgfOpen::onePressPerNode()
{
    test::RecordFixture fx;
    fx.writeFile(QStringLiteral("capture.sgf"), kCaptureGame);
    fx.open(QStringLiteral("capture.sgf"));
    QCOMPARE(fx.s.moves.gameRecord.size(), 8);
    fx.dialogs.answers.push_back(Answer::Yes);  // 9 lines
    record::onReplay(fx.s);
    QCOMPARE(fx.s.moves.replayStep, 4);  // the four setup stones
    QCOMPARE(fx.at(0), PointContent::White);
    QCOMPARE(fx.at(20), PointContent::Black);
    QCOMPARE(fx.sound.plays, 1);

    record::onReplay(fx.s);  // B[ab] takes aa and ba in the same press
    QCOMPARE(fx.s.moves.replayStep, 7);
    QCOMPARE(fx.at(19), PointContent::Black);
    QCOMPARE(fx.numberAt(19), QStringLiteral("1"));
    QCOMPARE(fx.at(0), PointContent::Empty);
    QCOMPARE(fx.at(1), PointContent::Empty);
    QCOMPARE(fx.s.board.lastMovePoint, 19);
    QCOMPARE(fx.sound.plays, 2);

    record::onReplay(fx.s);
    QCOMPARE(fx.at(4 * 19 + 4), PointContent::White);
    QCOMPARE(fx.s.board.lastMovePoint, 4 * 19 + 4);
    QCOMPARE(fx.sound.plays, 3);
    record::onReplay(fx.s);  // the end: replay again?
    QCOMPARE(fx.dialogs.questions.last(), QStringLiteral("もう一度記録を再生しますか？"));
}

void TestSgfOpen::savedAsNigReplaysOneEntryPerPress()
{
    test::RecordFixture fx;
    fx.writeFile(QStringLiteral("capture.sgf"), kCaptureGame);
    fx.open(QStringLiteral("capture.sgf"));
    fx.saveAs(QStringLiteral("capture.nig"));
    QVERIFY(fx.s.moves.gameRecordJoins.isEmpty());
    QCOMPARE(fx.readFile(QStringLiteral("capture.nig")),
             QByteArray("1,2,0,0\r\n1,20,0,0\r\n2,0,0,0\r\n2,1,0,0\r\n1,19,0,1\r\n0,0,2,0\r\n0,1,2,0\r\n2,80,0,2\r\n"));
    QCOMPARE(replayToEnd(fx), 8);
    QCOMPARE(fx.sound.plays, 8);
}

void TestSgfOpen::emptiedRecordIsBackTo19Lines()
{
    test::RecordFixture fx;
    fx.writeFile(QStringLiteral("capture.sgf"), kCaptureGame);
    fx.open(QStringLiteral("capture.sgf"));
    QCOMPARE(fx.s.moves.recordSizeCode, int(Size9));
    fx.dialogs.answers.push_back(Answer::Yes);  // start recording, dropping the opened file
    record::onRecord(fx.s);
    QVERIFY(fx.s.moves.recording);
    QVERIFY(fx.s.moves.gameRecord.isEmpty());
    QCOMPARE(fx.s.moves.recordSizeCode, int(Size19));
    QVERIFY(fx.s.moves.gameRecordJoins.isEmpty());
}

void TestSgfOpen::gnuGoGames_data()
{
    QTest::addColumn<int>("seed");
    QTest::addColumn<int>("lines");

    QTest::newRow("seed 1, 9 lines") << 1 << 9;
    QTest::newRow("seed 2, 9 lines") << 2 << 9;
    QTest::newRow("seed 3, 9 lines") << 3 << 9;
    QTest::newRow("seed 6, 19 lines") << 6 << 19;  // seeds 1–5 capture nothing in 60 moves on 19 lines
}

void TestSgfOpen::gnuGoGames()
{
    QFETCH(int, seed);
    QFETCH(int, lines);

    test::RecordFixture fx;
    const QString path = fx.path(QStringLiteral("gnugo.sgf"));
    QString error;
    QVERIFY2(test::gnuGoSelfPlay(seed, lines, path, error), qPrintable(error));
    const QStringList captures =
        test::gnuGoAnswers(path, {"captures black", "captures white"}, error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2(captures.value(0).toInt() + captures.value(1).toInt() > 0, "the game has no capture");

    fx.open(QStringLiteral("gnugo.sgf"));
    QVERIFY(fx.dialogs.warnings.isEmpty());
    const qsizetype moves = std::count_if(fx.s.moves.gameRecord.cbegin(), fx.s.moves.gameRecord.cend(),
                                          [](const QString &e) { return !e.startsWith(u'0'); });
    QCOMPARE(replayToEnd(fx), int(moves));  // one press per move
    QCOMPARE(fx.s.board.boardSizeCode, lines == 9 ? int(Size9) : int(Size19));
    QCOMPARE(test::boardStones(fx.s, lines), test::gnuGoStones(path));
}

QTEST_GUILESS_MAIN(TestSgfOpen)
#include "tst_sgfopen.moc"
