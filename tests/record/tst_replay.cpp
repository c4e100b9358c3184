// Replay: one entry per press, the questions at its start and end, odd entries.
#include "RecordFixture.h"

#include <QtTest>

using namespace moyuta;

class TestReplay : public QObject {
    Q_OBJECT
private slots:
    void threeEntriesThenAgain_data();
    void threeEntriesThenAgain();
    void needs19Lines();
    void entries_data();
    void entries();
    void numbersFollowEntries();
    void boardRefusedDuringReplay();
    void waysOutGiveBackOtherMarks_data();
    void waysOutGiveBackOtherMarks();
};

namespace {

// Opens a record of these lines.
void openRecord(test::RecordFixture &fx, const QByteArray &lines)
{
    fx.writeFile(QStringLiteral("r.nig"), lines);
    fx.open(QStringLiteral("r.nig"));
    QVERIFY(fx.form().cmdF.enabled);
}

}  // namespace

void TestReplay::threeEntriesThenAgain_data()
{
    QTest::addColumn<bool>("again");
    QTest::newRow("yes: from the start") << true;
    QTest::newRow("no: leave the replay") << false;
}

void TestReplay::threeEntriesThenAgain()
{
    QFETCH(bool, again);

    test::RecordFixture fx;
    Form &f = fx.form();
    openRecord(fx, "1,60,0,0\r\n2,72,0,0\r\n1,300,0,0\r\n");
    const int a = 60, b = 72, c = 300;
    record::onReplay(fx.s);
    QCOMPARE(fx.at(a), PointContent::Black);
    QCOMPARE(fx.at(b), PointContent::Empty);
    QCOMPARE(fx.s.board.lastMovePoint, a);
    QVERIFY(!f.chkOtherMarks.enabled);
    QVERIFY(f.cmdClear.enabled);
    QVERIFY(!f.Option3[0].enabled && !f.Option3[2].enabled);
    record::onReplay(fx.s);
    record::onReplay(fx.s);
    QCOMPARE(fx.at(b), PointContent::White);
    QCOMPARE(fx.at(c), PointContent::Black);
    QCOMPARE(fx.sound.plays, 3);
    QVERIFY(fx.dialogs.questions.isEmpty());

    // The size selector ignores choices and take-back does nothing meanwhile.
    f.Option3.select(Size9);
    QCOMPARE(fx.s.board.boardSizeCode, int(Size19));
    QCOMPARE(f.Option3.selected, int(Size19));
    board::onTakeBack(fx.s);
    QCOMPARE(fx.at(c), PointContent::Black);

    fx.dialogs.answers = {again ? Answer::Yes : Answer::No};
    record::onReplay(fx.s);
    QCOMPARE(fx.dialogs.questions, QStringList{QStringLiteral("もう一度記録を再生しますか？")});
    if (again) {
        QCOMPARE(fx.at(a), PointContent::Black);
        QCOMPARE(fx.at(b), PointContent::Empty);
        QCOMPARE(fx.at(c), PointContent::Empty);
        QCOMPARE(fx.s.moves.replayStep, 1);
        QCOMPARE(fx.sound.plays, 4);
    } else {
        QVERIFY(!board::boardHasContent(fx.s));
        QVERIFY(fx.s.moves.gameRecord.isEmpty());
        QCOMPARE(fx.s.moves.replayStep, 0);
        QVERIFY(!f.cmdF.enabled && !f.cmdBack.enabled && !f.cmdClear.enabled);
        QVERIFY(f.chkOtherMarks.enabled);
        QVERIFY(f.Option3[0].enabled && f.Option3[1].enabled && f.Option3[2].enabled);
    }
    QVERIFY(!fx.s.flags.busy);
}

void TestReplay::needs19Lines()
{
    test::RecordFixture fx;
    Form &f = fx.form();
    f.Option3.select(Size13);
    openRecord(fx, "1,60,0,0\r\n");
    fx.dialogs.answers = {Answer::No};
    record::onReplay(fx.s);
    QCOMPARE(fx.dialogs.questions, QStringList{QStringLiteral("再生する場合は19路盤にする必要があります、変更しますか？")});
    QCOMPARE(fx.s.moves.replayStep, 0);
    QCOMPARE(fx.s.board.boardSizeCode, int(Size13));

    fx.dialogs.answers = {Answer::Yes};
    record::onReplay(fx.s);
    QCOMPARE(fx.s.board.boardSizeCode, int(Size19));
    QCOMPARE(f.Option3.selected, int(Size19));
    QCOMPARE(fx.s.moves.replayStep, 1);
    QCOMPARE(fx.at(60), PointContent::Black);
}

void TestReplay::entries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("point");      // checked point
    QTest::addColumn<int>("content");    // PointContent there afterwards
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("marker");     // last-move point afterwards
    QTest::addColumn<bool>("sound");

    // Before each entry: a numbered black stone 1 stands at 60 and is the last move.
    const int black = int(PointContent::Black), white = int(PointContent::White), empty = 0;
    QTest::newRow("bottom-right corner") << "1,360,0,5" << 360 << black << "5" << 360 << true;
    QTest::newRow("point 361 changes nothing") << "1,361,0,5" << 360 << empty << "" << 60 << false;
    QTest::newRow("number 0 shows none") << "2,72,0,0" << 72 << white << "" << 72 << true;
    QTest::newRow("number above 999 skipped") << "2,72,0,1000" << 72 << empty << "" << 60 << false;
    QTest::newRow("cut to 11 characters") << "2,72,0,99999" << 72 << empty << "" << 60 << false;
    QTest::newRow("too few commas") << "2,72,0" << 72 << empty << "" << 60 << false;
    QTest::newRow("removal of a black stone") << "0,60,1,1" << 60 << empty << "" << 60 << true;
    QTest::newRow("removal of a mark removes nothing") << "0,60,3,0" << 60 << black << "1" << 60 << true;
    QTest::newRow("mark on a numbered stone keeps the number") << "3,60,0,1" << 60 << int(PointContent::Triangle) << "1"
                                                               << 60 << true;
    QTest::newRow("letter on a numbered stone keeps the number") << "8,60,0,1" << 60 << int(PointContent::LetterD)
                                                                 << "1" << 60 << true;
    QTest::newRow("letter keeps the marker") << "6,80,0,1" << 80 << int(PointContent::LetterB) << "" << 60 << true;
    QTest::newRow("unknown tool") << "9,80,0,1" << 80 << empty << "" << 60 << true;
}

void TestReplay::entries()
{
    QFETCH(QString, entry);
    QFETCH(int, point);
    QFETCH(int, content);
    QFETCH(QString, number);
    QFETCH(int, marker);
    QFETCH(bool, sound);

    test::RecordFixture fx;
    openRecord(fx, "1,60,0,1\r\n" + entry.toLatin1() + "\r\n");
    QVERIFY(fx.s.board.numberStones);
    record::onReplay(fx.s);
    QCOMPARE(fx.numberAt(60), QStringLiteral("1"));
    const int plays = fx.sound.plays;
    record::onReplay(fx.s);
    QCOMPARE(fx.s.moves.replayStep, 2);  // a skipped entry is a step too
    QCOMPARE(int(fx.at(point)), content);
    QCOMPARE(fx.numberAt(point), number);
    QCOMPARE(fx.s.board.lastMovePoint, marker);
    QCOMPARE(fx.sound.plays - plays, sound ? 1 : 0);
}

void TestReplay::numbersFollowEntries()
{
    test::RecordFixture fx;
    openRecord(fx, "1,60,0,0\r\n2,72,0,0\r\n");  // nothing numbered: numbering stays off
    test::keepRecord(fx.s, QStringList{"1,60,0,7", "2,72,0,8"});
    record::onReplay(fx.s);
    QCOMPARE(fx.numberAt(60), QString());
    QCOMPARE(fx.s.board.moveCounter, 7);
    fx.form().chkNumberStones.setChecked(true);
    record::onReplay(fx.s);
    QCOMPARE(fx.numberAt(72), QStringLiteral("8"));
}

void TestReplay::boardRefusedDuringReplay()
{
    test::RecordFixture fx;
    openRecord(fx, "1,60,0,0\r\n");
    record::onReplay(fx.s);
    fx.left(100);
    QCOMPARE(fx.at(100), PointContent::Empty);
    QCOMPARE(fx.dialogs.notices.last(), QStringLiteral("再生中は盤面を操作出来ません。"));

    // Clearing leaves the replay and gives the size options back.
    fx.dialogs.answers = {Answer::Yes};
    board::onClear(fx.s);
    QCOMPARE(fx.s.moves.replayStep, 0);
    QVERIFY(fx.form().Option3[1].enabled);
}

void TestReplay::waysOutGiveBackOtherMarks_data()
{
    QTest::addColumn<int>("way");
    QTest::addColumn<QList<Answer>>("answers");

    QTest::newRow("end of the record, not again") << 0 << QList<Answer>{Answer::No};
    QTest::newRow("another file opened") << 1 << QList<Answer>{Answer::Yes};
    QTest::newRow("recording started") << 2 << QList<Answer>{Answer::Yes, Answer::Yes};
    QTest::newRow("board cleared") << 3 << QList<Answer>{Answer::Yes};
}

void TestReplay::waysOutGiveBackOtherMarks()
{
    QFETCH(int, way);
    QFETCH(QList<Answer>, answers);

    test::RecordFixture fx;
    Form &f = fx.form();
    openRecord(fx, "1,60,0,0\r\n");
    record::onReplay(fx.s);
    QVERIFY(!f.chkOtherMarks.enabled);
    QVERIFY(f.cmdReplayBack.enabled && f.UpDownReplayStep.enabled);
    fx.dialogs.answers.assign(answers.cbegin(), answers.cend());
    switch (way) {
    case 0:
        record::onReplay(fx.s);
        break;
    case 1:
        fx.writeFile(QStringLiteral("next.nig"), "2,72,0,0\r\n");
        fx.open(QStringLiteral("next.nig"));
        QVERIFY(f.cmdF.enabled);
        break;
    case 2:
        record::onRecord(fx.s);
        QVERIFY(fx.s.moves.recording);
        break;
    default:
        board::onClear(fx.s);
        break;
    }
    QVERIFY(fx.dialogs.answers.empty());
    QCOMPARE(fx.s.moves.replayStep, 0);
    QVERIFY(f.chkOtherMarks.enabled);
    QVERIFY(!f.cmdReplayBack.enabled && !f.cmdReplayLast.enabled && !f.UpDownReplayStep.enabled);
    QCOMPARE(f.Option3[0].enabled, !fx.s.moves.recording);  // recording keeps them for 19 lines
}

QTEST_MAIN(TestReplay)
#include "tst_replay.moc"
