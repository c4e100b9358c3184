// The move count "手数": stones placed in this game (local, network, replay)
// and the colour the next press puts down.
#include "Board.h"
#include "Record.h"
#include "TestDoubles.h"

#include <QtTest>

using namespace moyuta;

class TestMoveCount : public QObject {
    Q_OBJECT
private slots:
    void localPlay_data();
    void localPlay();
    void networkGame_data();
    void networkGame();
    void replay_data();
    void replay();
};

namespace {

// One step of a script: "L3.4" / "R3.4" a left / right press at row 3, column 4;
// "back" 1手戻る; "clear" クリアー answered Yes; "mode:N" the placement mode;
// "colour:N" 黒 / 白 / 削除; "marks" その他印 ticked; "mark:N" the mark choice;
// "peer:T:3.4" the peer's move of tool T; "wait" the network log's last move taken back.
void run(test::Fixture &fx, const QString &step)
{
    AppState &s = fx.s;
    auto pointOf = [](const QString &rc) {
        const QStringList p = rc.split(u'.');
        return pointIndex(p[0].toInt(), p[1].toInt());
    };
    if (step.startsWith(u'L') || step.startsWith(u'R'))
        board::pressPoint(s, pointOf(step.mid(1)), step.startsWith(u'L') ? board::MouseButton::Left : board::MouseButton::Right);
    else if (step == QLatin1String("back"))
        board::onTakeBack(s);
    else if (step == QLatin1String("clear")) {
        fx.dialogs.answers.push_back(Answer::Yes);
        board::onClear(s);
    } else if (step.startsWith(QLatin1String("mode:")))
        s.form.Option2.select(step.mid(5).toInt());
    else if (step.startsWith(QLatin1String("colour:")))
        s.form.Option1.select(step.mid(7).toInt());
    else if (step == QLatin1String("marks"))
        s.form.chkOtherMarks.setChecked(true);
    else if (step.startsWith(QLatin1String("mark:")))
        s.form.Option4.select(step.mid(5).toInt());
    else if (step.startsWith(QLatin1String("peer:"))) {
        const QStringList p = step.split(u':');
        board::applyReceivedMove(s, board::MoveEntry{.tool = p[1].toInt(), .point = pointOf(p[2])});
    } else if (step == QLatin1String("wait"))
        QVERIFY(board::takeBackNetworkMove(s));
    else
        QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
}

}  // namespace

void TestMoveCount::localPlay_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("caption");

    QTest::newRow("empty board") << "" << "手数 0　次は黒";
    QTest::newRow("alternating") << "L3.3 L3.15 L15.3" << "手数 3　次は白";
    QTest::newRow("a press on a stone places nothing") << "L3.3 L3.3" << "手数 1　次は白";
    QTest::newRow("1手戻る lowers it") << "L3.3 L3.15 L15.3 back" << "手数 2　次は黒";
    QTest::newRow("taken back to the start") << "L3.3 back" << "手数 0　次は黒";
    QTest::newRow("クリアー resets it") << "L3.3 L3.15 clear" << "手数 0　次は黒";
    QTest::newRow("a stone taken off stays counted") << "L3.3 L3.15 R3.3" << "手数 2　次は黒";
    QTest::newRow("black in a row") << "mode:1 L3.3 L3.4" << "手数 2　次は黒";
    QTest::newRow("white in a row") << "mode:2 L3.3" << "手数 1　次は白";
    QTest::newRow("removal in a row: no colour") << "L3.3 mode:3" << "手数 1";
    QTest::newRow("削除 chosen: no colour") << "L3.3 colour:2" << "手数 1";
    QTest::newRow("white chosen by hand") << "colour:1" << "手数 0　次は白";
    QTest::newRow("a letter after a stone") << "L3.3 marks mark:4 L4.4" << "手数 1";
    QTest::newRow("a letter is no stone") << "marks mark:3 L4.4 L5.5" << "手数 0";
}

void TestMoveCount::localPlay()
{
    QFETCH(QString, script);
    QFETCH(QString, caption);

    test::Fixture fx;
    for (const QString &step : script.split(u' ', Qt::SkipEmptyParts))
        run(fx, step);
    board::showMoveCount(fx.s);
    QCOMPARE(fx.s.form.lblMoveCount.caption, caption);
}

void TestMoveCount::networkGame_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("count");

    QTest::newRow("own and peer's stones") << "L3.3 peer:2:3.15 L15.3" << 3;
    QTest::newRow("待った lowers it") << "L3.3 peer:2:3.15 wait" << 1;
    QTest::newRow("a removal is no stone") << "L3.3 peer:0:3.3" << 1;
}

// Both sides' stones come from the network log.
void TestMoveCount::networkGame()
{
    QFETCH(QString, script);
    QFETCH(int, count);

    test::Fixture fx;
    fx.startGame();
    for (const QString &step : script.split(u' ', Qt::SkipEmptyParts))
        run(fx, step);
    QCOMPARE(board::stonesPlaced(fx.s), count);
    QVERIFY(board::moveCountCaption(fx.s).startsWith(QStringLiteral("手数 %1").arg(count)));
}

void TestMoveCount::replay_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QList<bool>>("setup");  // empty: a .nig record
    QTest::addColumn<int>("presses");
    QTest::addColumn<int>("count");

    const QStringList game = {"1,60,0,1", "2,72,0,2", "3,80,0,0", "1,100,0,3", "0,72,2,2"};
    QTest::newRow("first press") << game << QList<bool>{} << 1 << 1;
    QTest::newRow("a mark adds nothing") << game << QList<bool>{} << 3 << 2;
    QTest::newRow("a removal adds nothing") << game << QList<bool>{} << 5 << 3;
    const QStringList handicap = {"1,60,0,0", "1,72,0,0", "2,80,0,1", "1,100,0,2"};
    QTest::newRow("setup stones are no moves")
        << handicap << QList<bool>{true, true, false, false} << 3 << 1;
}

// A replay counts the stones it has shown so far.
void TestMoveCount::replay()
{
    QFETCH(QStringList, entries);
    QFETCH(QList<bool>, setup);
    QFETCH(int, presses);
    QFETCH(int, count);

    test::Fixture fx;
    if (setup.isEmpty())
        board::takeOpenedRecord(fx.s, entries);
    else
        board::takeOpenedSgf(fx.s, entries, {}, setup, Size19);
    for (int i = 0; i < presses; ++i)
        record::onReplay(fx.s);
    QCOMPARE(fx.s.moves.replayStep, presses);
    board::showMoveCount(fx.s);
    QCOMPARE(fx.s.form.lblMoveCount.caption, QStringLiteral("手数 %1").arg(count));
}

QTEST_MAIN(TestMoveCount)
#include "tst_movecount.moc"
