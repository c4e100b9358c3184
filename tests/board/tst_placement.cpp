// Pressing board points: tools, turn advance, numbering, right-button removal,
// the list-length limits and the connected-before-start rule.
#include "BoardPicture.h"
#include "MemoryWire.h"
#include "Options.h"
#include "Shell.h"
#include "TestDoubles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace moyuta;
using namespace moyuta::test;

class PlacementTest : public QObject {
    Q_OBJECT
private slots:
    void alternateModeFollowsTheLastStone();
    void turnAdvanceStepsBackPastLetters();
    void occupiedPointOrEmptyRemovalRecordsNothing();
    void numberingStopsAt999();
    void numberingOffHasNoLimit();
    void rightButtonRemovesANumberedStoneOnce();
    void removalRecordsTheKind_data();
    void removalRecordsTheKind();
    void removingTheLastStoneStartsAfresh();
    void removingTheLastStoneWhileRecordingEndsTheRecording();
    void rightButtonEraseOfAMarkPlacesNothing();
    void modeOverridesASelectedLetter();
    void connectedBeforeStartOnlyMarksGoOnTheBoard();
    void connectedMovesAreSentAndNotNumbered();
    void peerHoldBlocksTheBoard();
    void replayRunningRefusesWithNotice();
    void listLimitWarnings_data();
    void listLimitWarnings();
    void startNumberNumbersTheNextStone();
    void colourChoiceOverAMarkChoiceStands();
};

void PlacementTest::alternateModeFollowsTheLastStone()
{
    Fixture f;
    f.left(0);
    QCOMPARE(f.at(0), PointContent::Black);
    QCOMPARE(f.form().Option1.selected, 1);  // white to play

    f.form().chkOtherMarks.setChecked(true);
    f.form().Option4.select(3);  // "A"
    f.left(1);
    QCOMPARE(f.at(1), PointContent::LetterA);
    QCOMPARE(f.form().Option1.selected, 1);  // a letter does not change the turn

    f.form().Option4.select(0);
    f.left(2);
    QCOMPARE(pictureOf(f.s, 3), (BoardPicture{{"X A O",
                                               ". . .",
                                               ". . ."}}));
    QCOMPARE(f.form().Option1.selected, 0);
    QCOMPARE(f.s.board.currentTool, int(ToolBlack));

    board::onTakeBack(f.s);
    QCOMPARE(pictureOf(f.s, 3), (BoardPicture{{"X A .",
                                               ". . .",
                                               ". . ."}}));
    QCOMPARE(f.form().Option1.selected, 1);  // white again
    QCOMPARE(f.s.moves.takeBackHistory, QStringList({"1,0,0,0", "5,1,0,0"}));
}

void PlacementTest::turnAdvanceStepsBackPastLetters()
{
    Fixture f;
    f.s.moves.takeBackHistory = {"1,0,0,0", "5,1,0,0", "6,2,0,0"};
    f.form().Option1.select(0);
    board::selectNextColourFromHistory(f.s);
    QCOMPARE(f.form().Option1.selected, 1);
    QCOMPARE(f.s.board.currentTool, int(ToolWhite));

    // Only marks and removals in the list: the selection stays.
    f.s.moves.takeBackHistory = {"5,1,0,0", "0,2,1,0"};
    f.form().Option1.select(0);
    board::selectNextColourFromHistory(f.s);
    QCOMPARE(f.form().Option1.selected, 0);
}

void PlacementTest::occupiedPointOrEmptyRemovalRecordsNothing()
{
    Fixture f;
    f.left(10);
    f.form().Option1.select(0);
    f.left(10);  // black on black
    QCOMPARE(f.s.moves.takeBackHistory.size(), 1);
    f.form().Option1.select(2);
    f.left(11);  // removal on an empty point
    QCOMPARE(f.s.moves.takeBackHistory.size(), 1);
    QCOMPARE(f.at(10), PointContent::Black);
    QVERIFY(!f.s.flags.busy);
}

void PlacementTest::numberingStopsAt999()
{
    Fixture f;
    f.form().chkNumberStones.setChecked(true);
    f.form().UpDown5.setValue(999);
    QCOMPARE(f.s.board.moveCounter, qint16(998));
    f.left(0);
    QCOMPARE(f.numberAt(0), QString("999"));
    QCOMPARE(f.s.moves.takeBackHistory.last(), QString("1,0,0,999"));
    f.left(1);
    QCOMPARE(f.at(1), PointContent::Empty);
    QCOMPARE(f.dialogs.notices, QStringList{"999手以上の数値はカウント表示できません。"});

    shell::beginSessionEnd(f.s);  // quitting from now on: no box while quitting, still refused
    f.left(1);
    QCOMPARE(f.dialogs.notices.size(), 1);
    QCOMPARE(f.at(1), PointContent::Empty);
}

void PlacementTest::numberingOffHasNoLimit()
{
    Fixture f;
    f.s.board.moveCounter = 999;
    f.left(0);
    QCOMPARE(f.at(0), PointContent::Black);
    QVERIFY(f.numberAt(0).isEmpty());
    QCOMPARE(f.dialogs.boxes(), 0);
}

void PlacementTest::rightButtonRemovesANumberedStoneOnce()
{
    Fixture f;
    f.form().chkNumberStones.setChecked(true);
    f.left(60);
    f.left(61);
    f.right(60);
    QCOMPARE(f.at(60), PointContent::Empty);
    QCOMPARE(f.s.moves.takeBackHistory.last(), QString("0,60,1,1"));
    QCOMPARE(f.s.board.lastMovePoint, -1);
    f.right(60);  // nothing left to remove
    QCOMPARE(f.s.moves.takeBackHistory.size(), 3);

    // The next left press places the colour to play again (black, after white 2).
    f.left(62);
    QCOMPARE(f.at(62), PointContent::Black);
    QCOMPARE(f.numberAt(62), QString("3"));
}

void PlacementTest::removalRecordsTheKind_data()
{
    QTest::addColumn<int>("content");
    QTest::addColumn<int>("blackColour");
    QTest::addColumn<bool>("rightButton");
    QTest::addColumn<QString>("entry");
    QTest::newRow("black, red stones") << int(PointContent::Black) << 3 << false << "0,5,1,0";
    QTest::newRow("black, yellow stones, right") << int(PointContent::Black) << 4 << true << "0,5,1,0";
    QTest::newRow("white") << int(PointContent::White) << 0 << false << "0,5,2,0";
    QTest::newRow("letter C") << int(PointContent::LetterC) << 0 << false << "0,5,7,0";
    QTest::newRow("letter D, right") << int(PointContent::LetterD) << 0 << true << "0,5,8,0";
    QTest::newRow("triangle") << int(PointContent::Triangle) << 0 << false << "0,5,3,0";
    QTest::newRow("diamond") << int(PointContent::Diamond) << 0 << false << "0,5,4,0";
}

void PlacementTest::removalRecordsTheKind()
{
    QFETCH(int, content);
    QFETCH(int, blackColour);
    QFETCH(bool, rightButton);
    QFETCH(QString, entry);
    Fixture f;
    f.s.form.Option5.setSelected(blackColour);
    shell::onOptionsApply(f.s);
    f.left(100);  // keeps the board non-empty
    board::setPointContent(f.s, 5, PointContent(content));
    if (rightButton) {
        f.right(5);
    } else {
        f.form().Option1.select(2);
        f.left(5);
    }
    QCOMPARE(f.at(5), PointContent::Empty);
    QCOMPARE(f.s.moves.takeBackHistory.last(), entry);

    board::onTakeBack(f.s);  // puts it back
    QCOMPARE(f.at(5), PointContent(content));
}

void PlacementTest::removingTheLastStoneStartsAfresh()
{
    Fixture f;
    f.form().chkNumberStones.setChecked(true);
    f.left(40);
    f.form().Option2.select(3);  // continuous removal
    f.left(40);
    QVERIFY(f.s.moves.takeBackHistory.isEmpty());
    QCOMPARE(f.s.board.moveCounter, qint16(0));
    QCOMPARE(f.form().lblSnum.caption, QString("1"));
    QVERIFY(!f.form().cmdBack.enabled);
    QVERIFY(!f.form().cmdClear.enabled);
    QCOMPARE(f.form().Option2.selected, 0);
    QCOMPARE(f.form().Option1.selected, 0);
    QCOMPARE(f.s.board.currentTool, int(ToolBlack));
    QCOMPARE(f.form().Option1[2].back, kButtonGrey);
}

void PlacementTest::removingTheLastStoneWhileRecordingEndsTheRecording()
{
    Fixture f;
    f.startRecording();
    f.left(40);
    QCOMPARE(f.s.moves.gameRecord, QStringList{"1,40,0,0"});
    QCOMPARE(f.s.moves.takeBackHistory, QStringList{"1,40,0,0"});
    f.right(40);
    QVERIFY(!f.s.moves.recording);
    QVERIFY(f.s.moves.gameRecord.isEmpty());
    QVERIFY(f.s.moves.takeBackHistory.isEmpty());
    QCOMPARE(f.form().cmdRec.caption, QString("記録(&Q)"));
    QCOMPARE(f.form().cmdRec.back, kButtonGrey);
    QVERIFY(f.form().cmdNetwork.enabled && f.form().cmdOpt.enabled && f.form().cmdFileOpen.enabled);
    QVERIFY(f.form().Option3[0].enabled && f.form().Option3[2].enabled);
}

void PlacementTest::rightButtonEraseOfAMarkPlacesNothing()
{
    Fixture f;
    f.left(0);
    board::setPointContent(f.s, 20, PointContent::Diamond);
    f.right(20);
    QCOMPARE(f.at(20), PointContent::Empty);
    QCOMPARE(f.s.moves.takeBackHistory, QStringList{"1,0,0,0"});  // erase is not recorded, nothing placed
    QVERIFY(!f.s.board.eraseHandled);
}

void PlacementTest::modeOverridesASelectedLetter()
{
    Fixture f;
    f.form().chkOtherMarks.setChecked(true);
    f.form().Option4.select(3);
    f.form().Option2.select(1);  // black only; resets the mark selector
    f.form().Option4.select(3);  // choose "A" again
    f.left(0);
    f.left(1);
    QCOMPARE(f.at(0), PointContent::Black);
    QCOMPARE(f.at(1), PointContent::Black);
    QVERIFY(!f.form().Option1[0].enabled);
}

void PlacementTest::connectedBeforeStartOnlyMarksGoOnTheBoard()
{
    Fixture f;
    f.connect();
    f.left(30);
    QCOMPARE(f.at(30), PointContent::Empty);

    f.form().chkOtherMarks.setChecked(true);
    QVERIFY(f.form().Option4[1].enabled);
    f.form().Option4.select(3);  // a letter is not enough
    f.left(30);
    QCOMPARE(f.at(30), PointContent::Empty);

    f.form().Option4.select(1);
    f.left(30);
    QCOMPARE(f.at(30), PointContent::Triangle);
    QCOMPARE(f.outbox.sent, QStringList{"3,30,0,0,0"});
    QVERIFY(f.s.moves.takeBackHistory.isEmpty());
}

void PlacementTest::connectedMovesAreSentAndNotNumbered()
{
    Fixture f;
    f.form().chkNumberStones.setChecked(true);
    f.startGame();
    f.s.board.blackPrisoners = 3;
    f.s.board.whitePrisoners = 1;
    f.form().Option1.select(1);
    f.outbox.sent.clear();
    f.left(60);
    QCOMPARE(f.at(60), PointContent::White);
    QVERIFY(f.numberAt(60).isEmpty());
    QCOMPARE(f.outbox.sent, QStringList{"2,60,3,1,0"});
    QCOMPARE(f.s.moves.networkMoveLog, QStringList{"2,60,3,1,0"});
    QVERIFY(f.form().cmdWait.enabled);
    QVERIFY(!f.form().cmdBack.enabled);
    QCOMPARE(f.form().Option1.selected, 1);  // each side keeps its colour

    // Away: a move brings the player back to the seat.
    board::onPresence(f.s);
    QCOMPARE(f.form().cmdOff.caption, QString("退席中(&P)"));
    f.outbox.sent.clear();
    f.left(61);
    QCOMPARE(f.outbox.sent, QStringList({"2,61,3,1,0", "着席中" + kTerminator}));
    QCOMPARE(f.form().cmdOff.caption, QString("着席中(&P)"));
}

void PlacementTest::peerHoldBlocksTheBoard()
{
    test::MemoryWire w;
    QVERIFY(w.startGame());
    const qsizetype before = w.sentBy('a');
    // A question is open on the peer's side: it holds the board.
    w.b.s.sendHold();
    w.deliver();
    QVERIFY(w.a.s.board.peerHolding);
    board::pressPoint(w.a.s, 0, board::MouseButton::Left);
    QCOMPARE(w.a.s.board.points[0].content, PointContent::Empty);
    // The peer is away: its notice covers the board.
    w.b.s.sendHoldRelease();
    board::onPresence(w.b.s);
    w.deliver();
    QVERIFY(!w.a.s.board.peerHolding && w.a.s.board.overlayShown());
    board::pressPoint(w.a.s, 0, board::MouseButton::Left);
    QCOMPARE(w.a.s.board.points[0].content, PointContent::Empty);
    QCOMPARE(w.sentBy('a'), before);
}

void PlacementTest::replayRunningRefusesWithNotice()
{
    QTemporaryDir dir;
    // Opens a ".nig" file of `entries` through "ファイルを開く(&S)".
    const auto open = [&dir](Fixture &f, const QByteArray &entries) {
        QFile file(dir.filePath(QStringLiteral("r.nig")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(entries) == entries.size());
        file.close();
        f.dialogs.fileNames = {file.fileName()};
        record::onOpen(f.s);
        QVERIFY(f.form().cmdF.enabled);
        f.dialogs.notices.clear();
    };
    {
        Fixture f;
        open(f, "1,40,0,0\r\n2,41,0,0\r\n1,42,0,0\r\n2,43,0,0\r\n");
        for (int press = 0; press < 3; ++press)
            record::onReplay(f.s);  // "記録を再生(&T)"
        QCOMPARE(f.s.moves.replayStep, 3);
        f.left(0);
        QCOMPARE(f.at(0), PointContent::Empty);
        QCOMPARE(f.dialogs.notices, QStringList{"再生中は盤面を操作出来ません。"});
    }

    // A record ready for replay: the press asks first; No keeps the record.
    Fixture f;
    open(f, "1,0,0,0\r\n");
    QCOMPARE(f.s.moves.replayStep, 0);
    f.left(1);
    QCOMPARE(f.dialogs.questions.last(), QString("再生出来る準備が出来ていますがクリアーしますか？"));
    QCOMPARE(f.at(1), PointContent::Empty);
    QCOMPARE(f.s.moves.gameRecord.size(), 1);
    f.dialogs.answers = {Answer::Yes};
    f.left(1);
    QCOMPARE(f.at(1), PointContent::Black);
    QVERIFY(f.s.moves.gameRecord.isEmpty());
    QVERIFY(!f.form().cmdF.enabled);
}

void PlacementTest::listLimitWarnings_data()
{
    QTest::addColumn<bool>("recording");
    QTest::addColumn<int>("before");  // entries already in the lists
    QTest::addColumn<QString>("warning");
    QTest::addColumn<bool>("turnAdvanced");
    QTest::newRow("record full") << true << 65535 << "65534を超える手数です、一度記録を中止して下さい。" << false;
    QTest::newRow("history full") << false << 65535 << "65534を超える手数の場合「1手戻る」コマンドは行えません。" << false;
    QTest::newRow("history past 60000")
        << false << 60001 << "60000手を超えました、65534を超える手数の場合「1手戻る」コマンドは行えません、一度クリアーコマンドを実行して下さい。"
        << true;
}

void PlacementTest::listLimitWarnings()
{
    QFETCH(bool, recording);
    QFETCH(int, before);
    QFETCH(QString, warning);
    QFETCH(bool, turnAdvanced);
    Fixture f;
    if (recording)
        f.startRecording();
    board::setPointContent(f.s, 200, PointContent::LetterA);
    QStringList filler(before, QStringLiteral("5,200,0,0"));
    f.s.moves.takeBackHistory = filler;
    if (recording)
        f.s.moves.gameRecord = filler;
    f.left(0);
    QCOMPARE(f.at(0), PointContent::Black);
    QCOMPARE(f.dialogs.warnings, QStringList{warning});
    QCOMPARE(f.form().Option1.selected, turnAdvanced ? 1 : 0);
    QVERIFY(!f.s.flags.busy);
}

void PlacementTest::startNumberNumbersTheNextStone()
{
    Fixture f;
    f.startRecording();
    f.form().chkNumberStones.setChecked(true);
    f.form().UpDown5.setValue(50);
    QCOMPARE(f.form().lblSnum.caption, QString("50"));
    f.left(0);
    QCOMPARE(f.numberAt(0), QString("50"));
    QCOMPARE(f.s.moves.gameRecord.last(), QString("1,0,0,50"));

    // Unnumbered stones carry 0 in the record.
    f.form().chkNumberStones.setChecked(false);
    f.left(1);
    QCOMPARE(f.s.moves.gameRecord.last(), QString("2,1,0,0"));
}

void PlacementTest::colourChoiceOverAMarkChoiceStands()
{
    // After the end, with "◆" chosen, the removal tool takes dead stones off.
    Fixture f;
    f.startGame();
    f.left(40);
    f.dialogs.answers = {Answer::Yes};
    board::onResign(f.s);
    f.form().chkOtherMarks.setChecked(true);
    f.form().Option4.select(2);
    f.form().Option1.select(2);
    QCOMPARE(f.form().Option1.selected, 2);
    QCOMPARE(f.form().Option4.selected, 0);
    QCOMPARE(f.form().Option4[2].back, kButtonGrey);
    f.left(40);
    QCOMPARE(f.at(40), PointContent::Empty);

    // Locally, choosing black out of turn while a letter is chosen gives black.
    Fixture g;
    g.left(0);
    g.form().chkOtherMarks.setChecked(true);
    g.form().Option4.select(3);
    QCOMPARE(g.form().Option1.selected, 1);
    g.form().Option1.select(0);
    QCOMPARE(g.form().Option1.selected, 0);
    QCOMPARE(g.form().Option4.selected, 0);
    g.left(1);
    QCOMPARE(g.at(1), PointContent::Black);
}

QTEST_GUILESS_MAIN(PlacementTest)
#include "tst_placement.moc"
