// The recording command: its questions, its two faces, and what it keeps.
#include "RecordFixture.h"

#include <QtTest>

using namespace moyuta;

class TestRecording : public QObject {
    Q_OBJECT
private slots:
    void startsAtOnceOnEmptyBoard();
    void stopAsksToSave_data();
    void stopAsksToSave();
    void sizeSwitchDeclined_data();
    void sizeSwitchDeclined();
    void boardWithStonesAsksToClear();
    void startEmptiesTakeBack();
    void takeBackOfKeptRecord();
    void onlyStoneRemoved();
    void startNumber50();
    void replayReadyAsks();
    void recordAfterOpenedFileIsSavedOnce();
    void ignoredDuringNetworkGame();
};

namespace {
const QString kSaveQuestion = QStringLiteral("記録した手順を保存しますか？");
const QString kNeeds19 = QStringLiteral("記録する場合は19路盤にする必要があります。変更しますか？");
const QString kDiscard = QStringLiteral("保存していない、またはファイルを開いてあります、破棄して記録を開始しますか？");
}  // namespace

void TestRecording::startsAtOnceOnEmptyBoard()
{
    test::RecordFixture fx;
    Form &f = fx.form();
    record::onRecord(fx.s);
    QVERIFY(fx.dialogs.questions.isEmpty());
    QVERIFY(fx.s.moves.recording);
    QCOMPARE(f.cmdRec.caption, QStringLiteral("記録中止(&Q)"));
    QCOMPARE(f.cmdRec.back, kActiveRed);
    for (int i = 0; i < 3; ++i)
        QVERIFY(!f.Option3[i].enabled);
    for (const Button *b : {&f.cmdNetwork, &f.cmdOpt, &f.cmdNewSave, &f.cmdFileOpen})
        QVERIFY2(!b->enabled, qPrintable(b->name));
    QCOMPARE(f.Option1.selected, 0);
    QVERIFY(!fx.s.flags.busy);
}

void TestRecording::stopAsksToSave_data()
{
    QTest::addColumn<int>("stones");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("saveAsEnabled");
    QTest::addColumn<int>("kept");

    QTest::newRow("three stones, no") << 3 << int(Answer::No) << true << true << 3;
    QTest::newRow("three stones, cancel") << 3 << int(Answer::Cancel) << true << true << 3;
    QTest::newRow("nothing recorded") << 0 << int(Answer::Yes) << false << false << 0;
}

void TestRecording::stopAsksToSave()
{
    QFETCH(int, stones);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, saveAsEnabled);
    QFETCH(int, kept);

    test::RecordFixture fx;
    Form &f = fx.form();
    record::onRecord(fx.s);
    for (int i = 0; i < stones; ++i)
        fx.left(pointIndex(3, 3 + i));
    fx.dialogs.answers = {Answer(answer)};
    record::onRecord(fx.s);
    QCOMPARE(fx.dialogs.questions, asked ? QStringList{kSaveQuestion} : QStringList());
    QVERIFY(!fx.s.moves.recording);
    QCOMPARE(f.cmdRec.caption, QStringLiteral("記録(&Q)"));
    QCOMPARE(f.cmdRec.back, kButtonGrey);
    QCOMPARE(f.cmdNewSave.enabled, saveAsEnabled);
    QCOMPARE(fx.s.moves.gameRecord.size(), kept);
    QVERIFY(f.cmdFileOpen.enabled && f.cmdNetwork.enabled && f.cmdOpt.enabled && f.Option3[1].enabled);
    QCOMPARE(board::boardHasContent(fx.s), stones > 0);  // the board is not touched
}

void TestRecording::sizeSwitchDeclined_data()
{
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("questions");

    const QString emptyQuestion = QStringLiteral("盤面に石または文字または記号などがある場合は消えてしまいます、19路盤にしますか？");
    QTest::newRow("no to 19 lines") << QList<int>{int(Answer::No)} << QStringList{kNeeds19};
    QTest::newRow("yes, then no to emptying") << QList<int>{int(Answer::Yes), int(Answer::No)}
                                              << QStringList{kNeeds19, emptyQuestion};
}

void TestRecording::sizeSwitchDeclined()
{
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, questions);

    test::RecordFixture fx;
    Form &f = fx.form();
    f.Option3.select(Size13);
    fx.left(pointIndex(2, 2));
    test::keepRecord(fx.s, QStringList{"1,5,0,0"});  // a kept record is not offered for discarding
    for (int a : answers)
        fx.dialogs.answers.push_back(Answer(a));
    record::onRecord(fx.s);

    QCOMPARE(fx.dialogs.questions, questions);
    QVERIFY(!fx.s.moves.recording);
    QCOMPARE(f.cmdRec.caption, QStringLiteral("記録(&Q)"));
    QCOMPARE(fx.s.board.boardSizeCode, int(Size13));
    QCOMPARE(fx.at(pointIndex(2, 2)), PointContent::Black);
    QCOMPARE(fx.s.moves.gameRecord, QStringList{"1,5,0,0"});
    QCOMPARE(f.Option3.selected, int(Size13));
    for (int i = 0; i < 3; ++i)
        QVERIFY(f.Option3[i].enabled);
    QVERIFY(!fx.s.flags.busy);
}

void TestRecording::boardWithStonesAsksToClear()
{
    test::RecordFixture fx;
    fx.left(pointIndex(2, 2));
    fx.dialogs.answers = {Answer::No};
    record::onRecord(fx.s);
    QCOMPARE(fx.dialogs.questions, QStringList{QStringLiteral("盤面に石または文字または記号などがあります、クリアーしますか？")});
    QVERIFY(!fx.s.moves.recording);
    QVERIFY(board::boardHasContent(fx.s));

    fx.dialogs.answers = {Answer::Yes};
    record::onRecord(fx.s);
    QVERIFY(fx.s.moves.recording);
    QVERIFY(!board::boardHasContent(fx.s));
}

void TestRecording::startEmptiesTakeBack()
{
    test::RecordFixture fx;
    fx.left(pointIndex(2, 2));
    fx.left(pointIndex(2, 3));
    fx.dialogs.answers = {Answer::Yes};
    record::onRecord(fx.s);
    QVERIFY(fx.s.moves.recording);
    QVERIFY(fx.s.moves.takeBackHistory.isEmpty());
    QVERIFY(!fx.form().cmdBack.enabled);
    QVERIFY(!fx.form().cmdClear.enabled);
    // The first recorded move is the first one take-back reverses.
    fx.left(pointIndex(4, 4));
    QCOMPARE(fx.s.moves.takeBackHistory, fx.s.moves.gameRecord);
    QVERIFY(fx.form().cmdBack.enabled);
}

void TestRecording::takeBackOfKeptRecord()
{
    test::RecordFixture fx;
    record::onRecord(fx.s);
    fx.left(pointIndex(3, 3));
    fx.left(pointIndex(3, 4));
    fx.dialogs.answers = {Answer::No};
    record::onRecord(fx.s);  // stopped, record kept
    QCOMPARE(fx.s.moves.gameRecord.size(), 2);

    // Both lists hold the same moves: the record shrinks with the board.
    board::onTakeBack(fx.s);
    QCOMPARE(fx.s.moves.gameRecord, QStringList{"1,60,0,0"});
    QCOMPARE(fx.s.moves.takeBackHistory, QStringList{"1,60,0,0"});

    // After a move that is not recorded, a take-back leaves the record alone.
    fx.left(pointIndex(10, 10));
    board::onTakeBack(fx.s);
    QCOMPARE(fx.s.moves.gameRecord, QStringList{"1,60,0,0"});
    QCOMPARE(fx.at(pointIndex(10, 10)), PointContent::Empty);
    QCOMPARE(fx.at(pointIndex(3, 3)), PointContent::Black);
}

void TestRecording::onlyStoneRemoved()
{
    test::RecordFixture fx;
    record::onRecord(fx.s);
    fx.left(pointIndex(3, 3));
    fx.right(pointIndex(3, 3));
    QVERIFY(!fx.s.moves.recording);
    QVERIFY(fx.s.moves.gameRecord.isEmpty());
    QVERIFY(fx.dialogs.boxes() == 0);
    QCOMPARE(fx.form().cmdRec.caption, QStringLiteral("記録(&Q)"));
}

void TestRecording::startNumber50()
{
    test::RecordFixture fx;
    fx.form().chkNumberStones.setChecked(true);
    record::onRecord(fx.s);
    fx.form().UpDown5.setValue(50);
    QCOMPARE(fx.form().lblSnum.caption, QStringLiteral("50"));
    fx.left(pointIndex(5, 5));
    QCOMPARE(fx.numberAt(pointIndex(5, 5)), QStringLiteral("50"));
    QCOMPARE(fx.s.moves.gameRecord, QStringList{"1,100,0,50"});
}

void TestRecording::replayReadyAsks()
{
    test::RecordFixture fx;
    fx.writeFile(QStringLiteral("r.nig"), "1,60,0,0\r\n");
    fx.open(QStringLiteral("r.nig"));
    QVERIFY(fx.form().cmdF.enabled);

    fx.dialogs.answers = {Answer::No};
    record::onRecord(fx.s);
    QVERIFY(!fx.s.moves.recording);
    QVERIFY(fx.form().cmdF.enabled);

    fx.dialogs.answers = {Answer::Yes};
    record::onRecord(fx.s);
    QVERIFY(fx.s.moves.recording);
    QVERIFY(!fx.form().cmdF.enabled);
    QVERIFY(fx.s.moves.gameRecord.isEmpty());
    QCOMPARE(fx.dialogs.questions.last(), QStringLiteral("再生するファイルが開いてありますが記録を開始しますか？"));
}

// A game recorded after an opened file was discarded is a new record: saving it empties it.
void TestRecording::recordAfterOpenedFileIsSavedOnce()
{
    test::RecordFixture fx;
    fx.writeFile(QStringLiteral("r.nig"), "1,60,0,0\r\n");
    fx.open(QStringLiteral("r.nig"));
    fx.dialogs.answers = {Answer::Yes};
    record::onRecord(fx.s);
    fx.left(pointIndex(4, 4));
    fx.dialogs.answers = {Answer::Yes};
    fx.dialogs.fileNames = {fx.path(QStringLiteral("new.nig"))};
    record::onRecord(fx.s);
    QCOMPARE(fx.readFile(QStringLiteral("new.nig")), QByteArray("1,80,0,0\r\n"));
    QVERIFY(fx.s.moves.gameRecord.isEmpty());
    QVERIFY(!fx.s.moves.recordFileLoaded);
    QVERIFY(!fx.form().cmdNewSave.enabled);
    QVERIFY(!fx.form().cmdF.enabled);
}

void TestRecording::ignoredDuringNetworkGame()
{
    test::RecordFixture fx;
    fx.startGame();
    record::onRecord(fx.s);
    QVERIFY(!fx.s.moves.recording);
    QCOMPARE(fx.dialogs.boxes(), 0);
}

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
