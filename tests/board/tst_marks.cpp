// Marks and letters, numbering, the mark counts and the message panel.
#include "BoardPicture.h"
#include "TestDoubles.h"

#include <QTest>

using namespace moyuta;
using namespace moyuta::test;

class MarksTest : public QObject {
    Q_OBJECT
private slots:
    void countingAfterTheEnd();
    void clearOtherMarksKeepsStonesAndNumbers();
    void lettersAndNumberingExcludeEachOther();
    void marksCheckBoxEnablesByPhase_data();
    void marksCheckBoxEnablesByPhase();
    void panelTextsOtherThanCountsStay();
    void letterChoiceStandsWhenTheTurnIsRestored();
};

void MarksTest::countingAfterTheEnd()
{
    Fixture f;
    f.startGame();
    f.dialogs.answers = {Answer::Yes};
    board::onResign(f.s);
    QVERIFY(f.s.board.gameEnded);
    f.form().chkOtherMarks.setChecked(true);
    f.form().Option4.select(2);  // "◆"
    for (int p : {10, 11, 12})
        f.left(p);
    QCOMPARE(f.at(11), PointContent::Diamond);
    QVERIFY(f.s.moves.networkMoveLog.isEmpty());  // marking after the end is not sent
    QVERIFY(f.form().cmd1Rectang.enabled);
    QVERIFY(!f.form().cmdSankaku.enabled);
    QVERIFY(f.form().cmdDikazuClear.enabled);

    board::countMarks(f.s, PointContent::Diamond);
    QCOMPARE(f.form().lbl2Message.caption, QString("◆の数は3個でした。"));
    QVERIFY(f.form().Frame8.visible);
    board::onMessagePanelClick(f.s);
    QVERIFY(!f.form().Frame8.visible);

    // A right press after the end erases a letter on the spot and sends nothing.
    board::setPointContent(f.s, 50, PointContent::LetterB);
    f.outbox.sent.clear();
    f.right(50);
    QCOMPARE(f.at(50), PointContent::Empty);
    QVERIFY(f.outbox.sent.isEmpty());
}

void MarksTest::clearOtherMarksKeepsStonesAndNumbers()
{
    Fixture f;
    f.form().chkNumberStones.setChecked(true);
    f.left(0);
    setBoard(f.s, {"X ^ * D"});
    board::clearOtherMarks(f.s);
    QCOMPARE(pictureOf(f.s, 4), (BoardPicture{{"X . . .",
                                               ". . . .",
                                               ". . . .",
                                               ". . . ."}}));
    QCOMPARE(f.numberAt(0), QString("1"));
    QCOMPARE(f.s.board.lastMovePoint, -1);
    QCOMPARE(f.s.moves.takeBackHistory.size(), 1);
}

void MarksTest::lettersAndNumberingExcludeEachOther()
{
    Fixture f;
    f.form().chkNumberStones.setChecked(true);
    f.form().UpDown5.setValue(20);
    f.form().chkOtherMarks.setChecked(true);
    f.form().Option4.select(4);  // "B"
    QVERIFY(!f.form().chkNumberStones.checked);
    QVERIFY(!f.s.board.numberStones);
    QCOMPARE(f.form().lblSnum.caption, QString("1"));
    QCOMPARE(f.s.board.moveCounter, qint16(0));
    QCOMPARE(f.form().Option4[4].back, kActiveRed);
    QCOMPARE(f.form().Option4[0].back, kButtonGrey);

    f.form().chkNumberStones.setChecked(true);
    QVERIFY(!f.form().chkOtherMarks.checked);
    QCOMPARE(f.form().Option4.selected, 0);
    QVERIFY(!f.form().Option4[3].enabled);
    QCOMPARE(f.form().Option4[4].back, kButtonGrey);
}

void MarksTest::marksCheckBoxEnablesByPhase_data()
{
    QTest::addColumn<int>("phase");  // 0 local, 1 connected no game, 2 game running
    QTest::addColumn<bool>("marks");
    QTest::addColumn<bool>("counts");
    QTest::newRow("local") << 0 << false << false;
    QTest::newRow("connected, no game") << 1 << true << true;
    QTest::newRow("game running") << 2 << false << false;
}

void MarksTest::marksCheckBoxEnablesByPhase()
{
    QFETCH(int, phase);
    QFETCH(bool, marks);
    QFETCH(bool, counts);
    Fixture f;
    if (phase == 1)
        f.connect();
    if (phase == 2)
        f.startGame();
    f.form().chkOtherMarks.setChecked(true);
    const OptionGroup &o = f.form().Option4;
    QVERIFY(o[0].enabled && o[3].enabled && o[6].enabled);
    QCOMPARE(o[1].enabled, marks);
    QCOMPARE(o[2].enabled, marks);
    QCOMPARE(f.form().cmdSankaku.enabled, counts);
    QCOMPARE(f.form().cmdDikazuClear.enabled, counts);

    f.form().Option4.select(5);
    f.form().chkOtherMarks.setChecked(false);
    QCOMPARE(o.selected, 0);
    for (int i = 0; i < 7; ++i)
        QVERIFY(!o[i].enabled);
    QVERIFY(!f.form().cmdSankaku.enabled);
}

void MarksTest::panelTextsOtherThanCountsStay()
{
    Fixture f;
    board::showMessagePanel(f.s, "相手がOKを押すまで待機中");
    board::onMessagePanelClick(f.s);
    QVERIFY(f.form().Frame8.visible);
}

void MarksTest::letterChoiceStandsWhenTheTurnIsRestored()
{
    Fixture f;
    f.left(0);                   // white to play
    f.form().Option1.select(0);  // black again, out of turn
    f.form().chkOtherMarks.setChecked(true);
    f.form().Option4.select(3);  // "A": the turn goes back to white
    QCOMPARE(f.form().Option1.selected, 1);
    QCOMPARE(f.form().Option4.selected, 3);
    QCOMPARE(f.form().Option4[3].back, kActiveRed);
    f.left(1);
    QCOMPARE(f.at(1), PointContent::LetterA);
}

QTEST_GUILESS_MAIN(MarksTest)
#include "tst_marks.moc"
