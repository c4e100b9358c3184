// Take-back "1手戻る(&L)" over the take-back history and the record.
#include "TestDoubles.h"

#include <QTest>

using namespace moyuta;
using namespace moyuta::test;

class HistoryTest : public QObject {
    Q_OBJECT
private slots:
    void threeTakeBacksReturnToAnEmptyBoard();
    void takingBackARemovalRestoresTheNumberedStone();
    void recordingTakesBackBothListsOnce();
    void takeBackRemovesTheLastLetterOnly();
    void unreversibleEntriesAreDropped_data();
    void unreversibleEntriesAreDropped();
    void unreversibleMarkKeepsListsInStepWhileRecording();
    void emptyListsDoNothing();
};

void HistoryTest::threeTakeBacksReturnToAnEmptyBoard()
{
    Fixture f;
    f.form().chkNumberStones.setChecked(true);
    f.left(0);
    f.left(1);
    f.right(0);
    QCOMPARE(f.s.moves.takeBackHistory, QStringList({"1,0,0,1", "2,1,0,2", "0,0,1,1"}));

    board::onTakeBack(f.s);
    QCOMPARE(f.at(0), PointContent::Black);
    QCOMPARE(f.numberAt(0), QString("1"));
    QCOMPARE(f.s.board.lastMovePoint, 0);
    board::onTakeBack(f.s);
    QCOMPARE(f.at(1), PointContent::Empty);
    QCOMPARE(f.s.board.moveCounter, qint16(1));
    QVERIFY(f.form().cmdBack.enabled);
    board::onTakeBack(f.s);

    QVERIFY(!board::boardHasContent(f.s));
    QCOMPARE(f.s.board.moveCounter, qint16(0));
    QVERIFY(f.s.moves.takeBackHistory.isEmpty() && f.s.moves.gameRecord.isEmpty() && f.s.moves.networkMoveLog.isEmpty());
    QVERIFY(!f.form().cmdBack.enabled);
    QVERIFY(!f.form().cmdClear.enabled);
    QCOMPARE(f.s.board.lastMovePoint, -1);
    QCOMPARE(f.sound.plays, 3);
}

void HistoryTest::takingBackARemovalRestoresTheNumberedStone()
{
    Fixture f;
    f.form().chkNumberStones.setChecked(true);
    for (int p : {0, 1, 2, 3})
        f.left(p);  // white 2 and 4 at points 1 and 3
    f.right(1);
    QCOMPARE(f.s.moves.takeBackHistory.last(), QString("0,1,2,2"));
    board::onTakeBack(f.s);
    QCOMPARE(f.at(1), PointContent::White);
    QCOMPARE(f.numberAt(1), QString("2"));
    QCOMPARE(f.s.board.moveCounter, qint16(2));
    QCOMPARE(f.s.board.lastMovePoint, 1);
}

void HistoryTest::recordingTakesBackBothListsOnce()
{
    Fixture f;
    f.startRecording();
    f.left(0);
    f.left(1);
    QCOMPARE(f.s.moves.gameRecord.size(), 2);
    board::onTakeBack(f.s);
    QCOMPARE(f.s.moves.gameRecord, QStringList{"1,0,0,0"});
    QCOMPARE(f.s.moves.takeBackHistory, QStringList{"1,0,0,0"});
    QCOMPARE(f.at(1), PointContent::Empty);
    QCOMPARE(f.at(0), PointContent::Black);
    QCOMPARE(f.form().Option1.selected, 1);
}

void HistoryTest::takeBackRemovesTheLastLetterOnly()
{
    Fixture f;
    f.left(0);
    f.form().chkOtherMarks.setChecked(true);
    f.form().Option4.select(3);
    f.left(1);
    f.left(2);
    board::onTakeBack(f.s);
    QCOMPARE(f.at(2), PointContent::Empty);
    QCOMPARE(f.at(1), PointContent::LetterA);
    QCOMPARE(f.form().Option1.selected, 1);
    QCOMPARE(f.s.moves.takeBackHistory.size(), 2);
}

void HistoryTest::unreversibleEntriesAreDropped_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("two commas") << "1,5,0";
    QTest::newRow("no point") << "1,,0,0";
    QTest::newRow("point past 360") << "1,361,0,0";
    QTest::newRow("letter on an empty point") << "5,7,0,0";
    QTest::newRow("removal of nothing known") << "0,7,9,0";
}

void HistoryTest::unreversibleEntriesAreDropped()
{
    QFETCH(QString, entry);
    Fixture f;
    f.left(5);
    f.s.moves.takeBackHistory << entry;
    const auto before = f.s.board.points;
    board::onTakeBack(f.s);
    QCOMPARE(f.s.moves.takeBackHistory, QStringList{"1,5,0,0"});
    for (int p = 0; p < kPointCount; ++p)
        QCOMPARE(f.at(p), before[size_t(p)].content);
    board::onTakeBack(f.s);  // the command goes on to the real entry
    QCOMPARE(f.at(5), PointContent::Empty);
}

void HistoryTest::unreversibleMarkKeepsListsInStepWhileRecording()
{
    Fixture f;
    f.startRecording();
    f.left(0);
    f.form().chkOtherMarks.setChecked(true);
    f.form().Option4.select(4);  // "B"
    f.left(9);
    board::clearOtherMarks(f.s);  // the letter is gone, its entries stay
    board::onTakeBack(f.s);
    QCOMPARE(f.s.moves.gameRecord, QStringList{"1,0,0,0"});
    QCOMPARE(f.s.moves.takeBackHistory, QStringList{"1,0,0,0"});
    QCOMPARE(f.at(0), PointContent::Black);
}

void HistoryTest::emptyListsDoNothing()
{
    Fixture f;
    board::onTakeBack(f.s);
    QCOMPARE(f.sound.plays, 0);
    QVERIFY(f.outbox.sent.isEmpty());
    QVERIFY(!board::boardHasContent(f.s));
}

QTEST_GUILESS_MAIN(HistoryTest)
#include "tst_history.moc"
