// Moving about in a running replay: every step, reached back or forward, by
// one, by ten, to the ends or through the counter, is the board that many
// presses of 記録を再生 showed; jumps are silent and never ask.
#include "GnuGo.h"
#include "RecordFixture.h"

#include <QtTest>
#include <functional>

using namespace moyuta;

class TestReplaySteps : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void forwardReplayIsGnuGosGame();
    void everyStepAsTheForwardReplayShowedIt_data();
    void everyStepAsTheForwardReplayShowedIt();
    void pressAfterGoingBackGoesOn();
    void counterCountsPressesNotEntries();
    void savedAsNigCountsEntries();
    void controlsOnlyWhileReplaying_data();
    void controlsOnlyWhileReplaying();
    void theEndNeverAsks();

private:
    QByteArray game_;
    QStringList boards_;  // boards_[k]: the board after k presses of 記録を再生 (boards_[0] unused)
};

namespace {

const QString kGameFile = QStringLiteral("gnugo-13.sgf");
// A setup node and two moves, the first capturing two stones: three presses of eight entries.
const QByteArray kCaptureGame = "(;SZ[19]AB[ca][bb]AW[aa][ba];B[ab];W[ee])";
constexpr int kLines = 13;

// Everything replay shows: each point's content and number, the last-move
// marker, the move counter and both prisoner counts.
QString boardText(const AppState &s)
{
    QString text;
    for (int p = 0; p < kPointCount; ++p) {
        const BoardPoint &point = s.board.points[size_t(p)];
        if (point.content != PointContent::Empty || !point.number.isEmpty())
            text += QStringLiteral("%1:%2/%3 ").arg(p).arg(int(point.content)).arg(point.number);
    }
    return text + QStringLiteral("marker %1 counter %2 prisoners %3/%4 %5/%6")
                      .arg(s.board.lastMovePoint)
                      .arg(s.board.moveCounter)
                      .arg(s.board.blackPrisoners)
                      .arg(s.board.whitePrisoners)
                      .arg(s.form.lblBlackPrisoners.caption, s.form.lblWhitePrisoners.caption);
}

// The fixture's game opened and its first press made, the board switched to 13 lines.
void startReplay(test::RecordFixture &fx, const QByteArray &game)
{
    fx.writeFile(kGameFile, game);
    fx.open(kGameFile);
    QVERIFY(fx.dialogs.warnings.isEmpty());
    fx.dialogs.answers = {Answer::Yes};
    record::onReplay(fx.s);
    QVERIFY(fx.s.moves.replayStep >= 1);
    QCOMPARE(fx.s.board.boardSizeCode, int(Size13));
    QCOMPARE(fx.dialogs.questions.size(), 1);  // the size
    fx.dialogs.questions.clear();
}

}  // namespace

void TestReplaySteps::initTestCase()
{
    QFile file(QStringLiteral(MOYUTA_REPLAY_GAME));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    game_ = file.readAll();

    test::RecordFixture fx;
    startReplay(fx, game_);
    boards_ = {QString(), boardText(fx.s)};
    const int entries = int(fx.s.moves.gameRecord.size());
    while (fx.s.moves.replayStep < entries && boards_.size() <= entries) {
        record::onReplay(fx.s);
        boards_ << boardText(fx.s);
    }
    QCOMPARE(fx.s.moves.replayStep, entries);
    QCOMPARE(fx.sound.plays, int(boards_.size()) - 1);
    QVERIFY(fx.dialogs.questions.isEmpty());
}

// The fixture is a real game with captures, and the forward replay shows
// GNU Go's own stones after every move.
void TestReplaySteps::forwardReplayIsGnuGosGame()
{
    test::RecordFixture fx;
    fx.writeFile(kGameFile, game_);
    const QString path = fx.path(kGameFile);
    QString error;
    const QStringList captures = test::gnuGoAnswers(path, {"captures black", "captures white"}, error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2(captures.value(0).toInt() + captures.value(1).toInt() >= 10, "the game has too few captures");

    QByteArrayList commands;
    for (int step = 1; step < boards_.size(); ++step)
        commands << "loadsgf " + kGameFile.toUtf8() + ' ' + QByteArray::number(step + 1) << "list_stones black"
                 << "list_stones white";
    const QStringList answers = test::gnuGoAnswers(path, commands, error);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    startReplay(fx, game_);
    for (int step = 1; step < boards_.size(); ++step) {
        if (step > 1)
            record::onReplay(fx.s);
        test::Stones gnugo;
        gnugo.black = answers.value(3 * (step - 1) + 1).split(u' ', Qt::SkipEmptyParts);
        gnugo.white = answers.value(3 * (step - 1) + 2).split(u' ', Qt::SkipEmptyParts);
        gnugo.black.sort();
        gnugo.white.sort();
        QCOMPARE(test::boardStones(fx.s, kLines), gnugo);
    }
}

void TestReplaySteps::everyStepAsTheForwardReplayShowedIt_data()
{
    QTest::addColumn<int>("start");  // 1: the first step, 0: the last
    QTest::addColumn<int>("presses");  // each move: so many presses; 0: through the counter

    QTest::newRow("one back, from the last") << 0 << -1;
    QTest::newRow("one forward, from the first") << 1 << 1;
    QTest::newRow("ten back, from the last") << 0 << -10;
    QTest::newRow("ten forward, from the first") << 1 << 10;
    QTest::newRow("typed steps, last and first in turn") << 1 << 0;
}

void TestReplaySteps::everyStepAsTheForwardReplayShowedIt()
{
    QFETCH(int, start);
    QFETCH(int, presses);

    const int last = int(boards_.size()) - 1;
    test::RecordFixture fx;
    startReplay(fx, game_);
    Spinner &counter = fx.form().UpDownReplayStep;
    QCOMPARE(counter.maximum, last);
    if (start == 0)
        record::onReplayLast(fx.s);
    int step = start == 0 ? last : 1;
    QCOMPARE(boardText(fx.s), boards_[step]);

    // The typed steps: last, first, last - 1, second, ... every one once.
    QList<int> typed;
    for (int low = 1, high = last; low <= high; ++low, --high)
        typed << high << low;
    for (int move = 0; move <= last; ++move) {  // one move past either end too
        if (presses != 0) {
            record::stepReplay(fx.s, presses);
            step = std::clamp(step + presses, 1, last);
        } else if (move < typed.size()) {
            step = typed[move];
            counter.setValue(step);
        }
        QCOMPARE(boardText(fx.s), boards_[step]);
        QCOMPARE(counter.value, step);
        QCOMPARE(counter.maximum, last);
    }
    QCOMPARE(fx.sound.plays, 1);  // the first press's cue only
    QVERIFY(fx.dialogs.questions.isEmpty());
    QVERIFY(fx.s.moves.replayStep >= 1);
    QVERIFY(!fx.s.flags.busy);
}

// 記録を再生 goes on from the step shown, with its cue.
void TestReplaySteps::pressAfterGoingBackGoesOn()
{
    test::RecordFixture fx;
    startReplay(fx, game_);
    record::onReplayLast(fx.s);
    record::stepReplay(fx.s, -30);
    const int step = int(boards_.size()) - 1 - 30;
    record::onReplay(fx.s);
    QCOMPARE(boardText(fx.s), boards_[step + 1]);
    QCOMPARE(fx.form().UpDownReplayStep.value, step + 1);
    QCOMPARE(fx.sound.plays, 2);
}

void TestReplaySteps::counterCountsPressesNotEntries()
{
    test::RecordFixture fx;
    fx.writeFile(QStringLiteral("capture.sgf"), kCaptureGame);
    fx.open(QStringLiteral("capture.sgf"));
    QCOMPARE(fx.s.moves.gameRecord.size(), 8);
    record::onReplay(fx.s);
    Spinner &counter = fx.form().UpDownReplayStep;
    QCOMPARE(counter.value, 1);
    QCOMPARE(counter.maximum, 3);
    const QString setup = boardText(fx.s);
    record::onReplay(fx.s);
    QCOMPARE(counter.value, 2);
    QCOMPARE(fx.at(0), PointContent::Empty);  // taken
    const QString capture = boardText(fx.s);
    record::onReplayLast(fx.s);
    QCOMPARE(counter.value, 3);
    QCOMPARE(fx.at(4 * 19 + 4), PointContent::White);
    record::stepReplay(fx.s, -1);
    QCOMPARE(boardText(fx.s), capture);
    record::onReplayFirst(fx.s);
    QCOMPARE(boardText(fx.s), setup);
    QCOMPARE(counter.value, 1);
    QCOMPARE(fx.at(0), PointContent::White);
}

// Saved as ".nig" while it replays, the record goes on one entry per press:
// the counter counts entries from then on.
void TestReplaySteps::savedAsNigCountsEntries()
{
    test::RecordFixture fx;
    fx.writeFile(QStringLiteral("capture.sgf"), kCaptureGame);
    fx.open(QStringLiteral("capture.sgf"));
    record::onReplay(fx.s);
    record::onReplay(fx.s);  // the setup, then the move and its two captures
    Spinner &counter = fx.form().UpDownReplayStep;
    QCOMPARE(counter.maximum, 3);
    fx.saveAs(QStringLiteral("capture.nig"));
    QCOMPARE(fx.readFile(QStringLiteral("capture.nig")).count('\n'), 8);
    QCOMPARE(counter.maximum, 8);
    QCOMPARE(counter.value, 7);
    record::stepReplay(fx.s, 1);
    QCOMPARE(counter.value, 8);
    QCOMPARE(fx.at(4 * 19 + 4), PointContent::White);
}

void TestReplaySteps::controlsOnlyWhileReplaying_data()
{
    QTest::addColumn<int>("size");      // the board's size before the first press
    QTest::addColumn<bool>("stone");    // a stone on it
    QTest::addColumn<Answer>("answer");  // to the first press's question
    QTest::addColumn<bool>("replaying");

    QTest::newRow("size question declined") << int(Size13) << false << Answer::No << false;
    QTest::newRow("size question answered") << int(Size13) << false << Answer::Yes << true;
    QTest::newRow("clear question declined") << int(Size19) << true << Answer::No << false;
    QTest::newRow("clear question answered") << int(Size19) << true << Answer::Yes << true;
}

void TestReplaySteps::controlsOnlyWhileReplaying()
{
    QFETCH(int, size);
    QFETCH(bool, stone);
    QFETCH(Answer, answer);
    QFETCH(bool, replaying);

    test::RecordFixture fx;
    Form &f = fx.form();
    const std::vector<Control *> controls = {&f.cmdReplayFirst, &f.cmdReplayBack10, &f.cmdReplayBack,
                                             &f.cmdReplayForward, &f.cmdReplayForward10, &f.cmdReplayLast,
                                             &f.UpDownReplayStep};
    auto enabled = [&] {
        return std::count_if(controls.cbegin(), controls.cend(), [](const Control *c) { return c->enabled; });
    };
    f.Option3.select(size);
    fx.writeFile(QStringLiteral("r.nig"), "1,60,0,1\r\n2,72,0,2\r\n");
    fx.open(QStringLiteral("r.nig"));
    if (stone)
        board::setPointContent(fx.s, 100, PointContent::Black);
    QCOMPARE(enabled(), 0);
    fx.dialogs.answers = {answer};
    record::onReplay(fx.s);
    QCOMPARE(fx.dialogs.questions.size(), 1);
    QCOMPARE(enabled(), replaying ? int(controls.size()) : 0);
    QCOMPARE(f.UpDownReplayStep.value, replaying ? 1 : 0);
    if (!replaying)
        return;

    // Leaving at the end of the record turns them off again.
    record::onReplayLast(fx.s);
    fx.dialogs.answers = {Answer::No};
    record::onReplay(fx.s);
    QCOMPARE(fx.s.moves.replayStep, 0);
    QCOMPARE(enabled(), 0);
    QCOMPARE(f.UpDownReplayStep.value, 0);
    QCOMPARE(f.UpDownReplayStep.maximum, 0);
    record::goToReplayStep(fx.s, 2);  // no replay: nothing happens
    QVERIFY(!board::boardHasContent(fx.s));
}

// Past the end the new steps stay at the last; only 記録を再生 asks to start again.
void TestReplaySteps::theEndNeverAsks()
{
    test::RecordFixture fx;
    startReplay(fx, game_);
    const int last = int(boards_.size()) - 1;
    record::onReplayLast(fx.s);
    record::stepReplay(fx.s, 1);
    record::stepReplay(fx.s, 10);
    fx.form().UpDownReplayStep.setValue(last + 5);
    QVERIFY(fx.dialogs.questions.isEmpty());
    QCOMPARE(boardText(fx.s), boards_[last]);
    fx.dialogs.answers = {Answer::Yes};
    record::onReplay(fx.s);
    QCOMPARE(fx.dialogs.questions, QStringList{QStringLiteral("もう一度記録を再生しますか？")});
    QCOMPARE(boardText(fx.s), boards_[1]);
    QCOMPARE(fx.form().UpDownReplayStep.value, 1);
}

QTEST_GUILESS_MAIN(TestReplaySteps)
#include "tst_replaysteps.moc"
