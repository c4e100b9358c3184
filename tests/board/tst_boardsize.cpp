// The three board sizes and the size selector.
#include "MemoryWire.h"
#include "Shell.h"
#include "TestDoubles.h"

#include <QTest>

using namespace moyuta;
using namespace moyuta::test;

class BoardSizeTest : public QObject {
    Q_OBJECT
private slots:
    void pointIndexIsTheSameOnEverySize();
    void switchWithContentAsks_data();
    void switchWithContentAsks();
    void switchOnAnEmptyBoardAsksNothing();
    void connectedSwitchSendsTheSize();
    void sameSizeSendsNothing();
    void peerStartForThisSizeClearsWithoutAsking();
    void ignoredWhileGameRunsOrRecording();
    void busySelectorIsPutBack();
    void quittingCountsAsNo();
};

void BoardSizeTest::pointIndexIsTheSameOnEverySize()
{
    QCOMPARE(pointIndex(8, 8), 160);   // bottom-right of the 9-line board
    QCOMPARE(pointIndex(12, 12), 240); // bottom-right of the 13-line board
    QCOMPARE(pointIndex(18, 18), 360);
    QVERIFY(!isValidPoint(361) && !isValidPoint(-1));
}

void BoardSizeTest::switchWithContentAsks_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("connectedGame");
    QTest::addColumn<QString>("question");
    QTest::newRow("13") << 1 << false << "盤面に石または文字または記号などがある場合は消えてしまいます、13路盤にしますか？";
    QTest::newRow("9") << 2 << false << "盤面に石または文字または記号などがある場合は消えてしまいます、9路盤にしますか？";
    QTest::newRow("13, game") << 1 << true
                              << "ネットワーク大戦中です。盤面の石または文字または記号などがある場合は消えてしまいますが13路盤にしますか？";
}

void BoardSizeTest::switchWithContentAsks()
{
    QFETCH(int, size);
    QFETCH(bool, connectedGame);
    QFETCH(QString, question);
    for (Answer answer : {Answer::No, Answer::Cancel, Answer::Yes}) {
        Fixture f;
        if (connectedGame)
            f.startGame();
        board::setPointContent(f.s, pointIndex(3, 3), PointContent::Black);
        f.s.moves.takeBackHistory = {"1,60,0,0"};
        f.dialogs.answers = {answer};
        board::switchToSize(f.s, size);
        QCOMPARE(f.dialogs.questions, QStringList{question});
        if (answer == Answer::Yes) {
            QCOMPARE(f.s.board.boardSizeCode, size);
            QVERIFY(!board::boardHasContent(f.s));
            QVERIFY(f.s.moves.takeBackHistory.isEmpty());
        } else {
            QCOMPARE(f.s.board.boardSizeCode, int(Size19));
            QCOMPARE(f.form().Option3.selected, 0);
            QCOMPARE(f.at(pointIndex(3, 3)), PointContent::Black);
            QCOMPARE(f.s.moves.takeBackHistory.size(), 1);
        }
        if (connectedGame)  // the peer's board is held while the question is open
            QCOMPARE(f.outbox.sent, QStringList({"ホールド" + kTerminator, "ホールド解除" + kTerminator}));
    }
}

void BoardSizeTest::switchOnAnEmptyBoardAsksNothing()
{
    Fixture f;
    f.form().Option3.select(2);
    QCOMPARE(f.s.board.boardSizeCode, int(Size9));
    QCOMPARE(f.dialogs.boxes(), 0);
    QVERIFY(!f.s.flags.busy);

    // Declining the switch back to 19 lines sets the declined flag.
    board::setPointContent(f.s, 0, PointContent::White);
    f.form().Option3.select(0);
    QVERIFY(f.s.board.sizeSwitchDeclined);
    QCOMPARE(f.form().Option3.selected, 2);
    QCOMPARE(f.s.board.boardSizeCode, int(Size9));
}

void BoardSizeTest::connectedSwitchSendsTheSize()
{
    Fixture f;
    f.connect();
    board::setPointContent(f.s, 30, PointContent::Triangle);
    f.form().Option3.select(1);
    QCOMPARE(f.dialogs.boxes(), 0);  // connected, no game: no question
    QCOMPARE(f.s.board.boardSizeCode, int(Size13));
    QVERIFY(!board::boardHasContent(f.s));
    QCOMPARE(f.outbox.sent, QStringList{"13路" + kTerminator});
    f.form().Option3.select(0);
    QCOMPARE(f.outbox.sent.last(), "19路" + kTerminator);
}

void BoardSizeTest::sameSizeSendsNothing()
{
    Fixture f;
    f.connect();
    board::onSizeOption(f.s, 0);
    QVERIFY(f.outbox.sent.isEmpty());
    QCOMPARE(f.s.board.boardSizeCode, int(Size19));
}

void BoardSizeTest::peerStartForThisSizeClearsWithoutAsking()
{
    Fixture f;
    board::setPointContent(f.s, 100, PointContent::Black);
    f.s.session.incomingMessage = "2,開始" + kTerminator;
    // Only while that message is being handled.
    board::switchToSize(f.s, 2);
    QCOMPARE(f.dialogs.questions.size(), 1);
    QCOMPARE(f.at(100), PointContent::Black);

    f.s.session.handlingPeerMessage = 1;
    board::switchToSize(f.s, 2);
    QCOMPARE(f.dialogs.questions.size(), 1);
    QCOMPARE(f.s.board.boardSizeCode, int(Size9));
    QCOMPARE(f.at(100), PointContent::Empty);
}

void BoardSizeTest::ignoredWhileGameRunsOrRecording()
{
    for (int state = 0; state < 2; ++state) {
        Fixture f;
        if (state == 0)
            f.startGame();
        else
            f.startRecording();
        f.outbox.sent.clear();
        f.form().Option3.select(1);
        QCOMPARE(f.s.board.boardSizeCode, int(Size19));
        QCOMPARE(f.form().Option3.selected, 0);
        QVERIFY(f.outbox.sent.isEmpty());
    }
    // Connected, and the peer holds the board (a question is open there).
    test::MemoryWire w;
    QVERIFY(w.connectBoth());
    w.b.s.sendHold();
    w.deliver();
    QVERIFY(w.a.s.board.peerHolding);
    const qsizetype sent = w.sentBy('a');
    w.a.s.form.Option3.select(1);
    QCOMPARE(w.a.s.board.boardSizeCode, int(Size19));
    QCOMPARE(w.a.s.form.Option3.selected, 0);
    QCOMPARE(w.sentBy('a'), sent);
}

void BoardSizeTest::busySelectorIsPutBack()
{
    Fixture f;
    f.s.flags.busy = true;
    f.s.board.lastRequestedOption = 0;
    f.form().Option3.select(2);
    QCOMPARE(f.form().Option3.selected, 0);
    QCOMPARE(f.s.board.boardSizeCode, int(Size19));
}

void BoardSizeTest::quittingCountsAsNo()
{
    Fixture f;
    shell::beginSessionEnd(f.s);  // quitting from now on
    board::setPointContent(f.s, 0, PointContent::Black);
    f.form().Option3.select(1);
    QCOMPARE(f.dialogs.boxes(), 0);
    QCOMPARE(f.s.board.boardSizeCode, int(Size19));
    QCOMPARE(f.at(0), PointContent::Black);
}

QTEST_GUILESS_MAIN(BoardSizeTest)
#include "tst_boardsize.moc"
