// Game actions between two connected window states: start, size, clear,
// take-back request, prisoner counts.
#include "MemoryWire.h"
#include "NetworkedActions.h"
#include "Chat.h"
#include "Options.h"
#include "Panel.h"
#include "Session.h"

#include <QtTest>

using namespace moyuta;

class TestNetworkedActions : public QObject {
    Q_OBJECT
private slots:
    void start_data();
    void start();
    void sizeEchoAbsorbed();
    void clearAndSecondGame();
    void takeBack_data();
    void takeBack();
    void prisonersOneEcho();
    void letterPlacedAgainNotRepeated();
    void heldBoardDoesNothing_data();
    void heldBoardDoesNothing();
    void chatAndAwayWhileHeld();
};

namespace {

// a starts a game on its current board.
void startFromA(test::MemoryWire &w)
{
    board::onStart(w.a.s);
    w.deliver();
}

// What an action of b may change: its board, game and panel, and what it sent or showed.
struct Snapshot {
    QList<int> points;
    QStringList log;
    bool started, ended, panel;
    int size, sizeShown, white, whiteShown, boxes;
    qsizetype sentByB;

    Snapshot(const test::MemoryWire &w)
    {
        const AppState &s = w.b.s;
        for (const BoardPoint &p : s.board.points)
            points << int(p.content);
        log = s.moves.networkMoveLog;
        started = s.board.gameStarted;
        ended = s.board.gameEnded;
        panel = s.flags.panelOpen;
        size = s.board.boardSizeCode;
        sizeShown = s.form.Option3.selected;
        white = s.board.whitePrisoners;
        whiteShown = s.form.UpDown1.value;
        boxes = w.b.dialogs.boxes();
        sentByB = std::count_if(w.sent.begin(), w.sent.end(), [](const auto &d) { return d.first == 'b'; });
    }
    bool operator==(const Snapshot &) const = default;
};

}  // namespace

void TestNetworkedActions::start_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("waitEnabled");
    QTest::newRow("19 lines") << int(Size19) << false;
    QTest::newRow("13 lines") << int(Size13) << true;
    QTest::newRow("9 lines") << int(Size9) << true;
}

void TestNetworkedActions::start()
{
    QFETCH(int, size);
    QFETCH(bool, waitEnabled);

    test::MemoryWire w;
    QVERIFY(w.connectBoth());
    // The receiver has a stone of its own and another size: both go.
    board::switchToSize(w.a.s, size);
    w.a.s.form.Option3.setSelected(size);
    board::switchToSize(w.b.s, size == Size9 ? Size19 : Size9);
    board::setPointContent(w.b.s, 5, PointContent::Black);
    startFromA(w);

    const AppState &b = w.b.s;
    QCOMPARE(w.b.dialogs.notices, QStringList{QStringLiteral("対局を開始しました。")});
    QCOMPARE(b.board.boardSizeCode, size);
    QCOMPARE(b.form.Option3.selected, size);
    QVERIFY(!board::boardHasContent(b));
    QVERIFY(b.board.gameStarted && w.a.s.board.gameStarted);
    QVERIFY(!b.form.cmdStart.enabled && !b.form.cmdClear.enabled && !b.form.Option3[0].enabled);
    QVERIFY(b.form.cmdTouryou.enabled && b.form.cmdOff.enabled && b.form.UpDown1.enabled);
    QCOMPARE(b.form.cmdStart.back, kButtonGrey);
    QCOMPARE(b.form.cmdWait.enabled, waitEnabled);
    QCOMPARE(w.a.s.board.boardSizeCode, size);  // the echo changed nothing on the starter
    QVERIFY(!w.a.s.board.peerHolding && !b.board.peerHolding);
}

void TestNetworkedActions::sizeEchoAbsorbed()
{
    test::MemoryWire w;
    QVERIFY(w.connectBoth());
    const qsizetype before = w.sent.size();
    w.a.s.form.Option3.select(Size13);
    w.deliver();
    QCOMPARE(w.a.s.board.boardSizeCode, int(Size13));
    QCOMPARE(w.b.s.board.boardSizeCode, int(Size13));
    QCOMPARE(w.b.s.form.Option3.selected, int(Size13));
    QCOMPARE(w.sent.size() - before, 2);  // the size, its echo, and nothing more
}

void TestNetworkedActions::clearAndSecondGame()
{
    test::MemoryWire w;
    QVERIFY(w.startGame());
    board::pressPoint(w.a.s, 60, board::MouseButton::Left);
    w.deliver();
    w.a.dialogs.answers = {Answer::Yes};
    board::onResign(w.a.s);
    w.deliver();
    QVERIFY(w.a.s.board.gameEnded && w.b.s.board.gameEnded);

    w.a.dialogs.answers = {Answer::Yes};
    board::onClear(w.a.s);
    w.deliver();
    QVERIFY(w.b.dialogs.notices.contains(QStringLiteral("相手がクリアーしましたので、こちらもクリアーします。")));
    QVERIFY(!board::boardHasContent(w.b.s));
    QVERIFY(!w.b.s.board.gameEnded && !w.b.s.board.gameStarted);
    QCOMPARE(w.b.s.form.cmdStart.back, kStartGreen);

    // A second game, started from the other side, with moves both ways.
    board::onStart(w.b.s);
    w.deliver();
    board::pressPoint(w.b.s, 100, board::MouseButton::Left);
    w.deliver();
    w.a.s.form.Option1.select(1);  // white
    w.deliver();
    board::pressPoint(w.a.s, 120, board::MouseButton::Left);
    w.deliver();
    QCOMPARE(w.a.s.board.points[100].content, PointContent::Black);
    QCOMPARE(w.b.s.board.points[120].content, PointContent::White);
    QCOMPARE(w.a.s.moves.networkMoveLog, w.b.s.moves.networkMoveLog);
}

void TestNetworkedActions::takeBack_data()
{
    QTest::addColumn<bool>("removal");
    QTest::newRow("a stone") << false;
    QTest::newRow("a removal") << true;
}

void TestNetworkedActions::takeBack()
{
    QFETCH(bool, removal);

    test::MemoryWire w;
    QVERIFY(w.startGame(Size13));
    board::pressPoint(w.a.s, 61, board::MouseButton::Left);
    board::pressPoint(w.a.s, 60, board::MouseButton::Left);
    w.deliver();
    if (removal) {
        board::pressPoint(w.a.s, 60, board::MouseButton::Right);  // taken off again
        w.deliver();
        QCOMPARE(w.b.s.board.points[60].content, PointContent::Empty);
    }
    const int playsA = w.a.sound.plays, playsB = w.b.sound.plays;
    network::onWait(w.a.s);
    w.deliver();
    const PointContent expected = removal ? PointContent::Black : PointContent::Empty;
    QCOMPARE(w.a.s.board.points[60].content, expected);
    QCOMPARE(w.b.s.board.points[60].content, expected);
    QCOMPARE(w.a.s.moves.networkMoveLog, w.b.s.moves.networkMoveLog);
    QCOMPARE(w.a.sound.plays - playsA, 1);  // once on each side
    QCOMPARE(w.b.sound.plays - playsB, 1);

    // Nothing left to take back: nothing is sent.
    if (!removal) {
        network::onWait(w.a.s);  // the stone at 61
        w.deliver();
        QVERIFY(w.a.s.moves.networkMoveLog.isEmpty() && w.b.s.moves.networkMoveLog.isEmpty());
        const qsizetype before = w.sent.size();
        network::onWait(w.a.s);
        QCOMPARE(w.sent.size(), before);
    }
}

void TestNetworkedActions::prisonersOneEcho()
{
    test::MemoryWire w;
    QVERIFY(w.startGame());
    const qsizetype before = w.sent.size();
    w.a.s.form.UpDown1.setValue(3);
    w.deliver();
    for (const test::Peer *p : {&w.a, &w.b}) {
        QCOMPARE(p->s.board.whitePrisoners, 3);
        QCOMPARE(p->s.form.UpDown1.value, 3);
        QCOMPARE(p->s.form.lblWhitePrisoners.caption, QStringLiteral("3"));
    }
    QCOMPARE(w.sent.size() - before, 2);  // one message each way
}

void TestNetworkedActions::letterPlacedAgainNotRepeated()
{
    test::MemoryWire w;
    QVERIFY(w.startGame());
    Form &f = w.a.s.form;
    f.chkOtherMarks.setChecked(true);
    f.Option4.select(3);  // A
    board::pressPoint(w.a.s, 80, board::MouseButton::Left);
    w.deliver();
    f.Option1.select(2);  // 削除: a letter is erased on the spot, no move
    w.deliver();
    board::pressPoint(w.a.s, 80, board::MouseButton::Left);
    QCOMPARE(w.a.s.board.points[80].content, PointContent::Empty);
    f.Option4.select(3);
    const qsizetype before = w.sent.size();
    board::pressPoint(w.a.s, 80, board::MouseButton::Left);  // and placed again
    w.deliver();
    QCOMPARE(w.a.s.board.points[80].content, PointContent::LetterA);
    QCOMPARE(w.sent.size(), before);
    QCOMPARE(w.a.s.moves.networkMoveLog, w.b.s.moves.networkMoveLog);
}

void TestNetworkedActions::heldBoardDoesNothing_data()
{
    QTest::addColumn<bool>("inGame");  // a has started a game and placed a stone
    QTest::addColumn<std::function<void(AppState &)>>("action");

    using Action = std::function<void(AppState &)>;
    QTest::newRow("board") << true << Action([](AppState &s) { board::pressPoint(s, 70, board::MouseButton::Left); });
    QTest::newRow("removal") << true << Action([](AppState &s) { board::pressPoint(s, 60, board::MouseButton::Right); });
    QTest::newRow("対局開始") << false << Action(board::onStart);
    QTest::newRow("クリアー") << true << Action(board::onClear);
    QTest::newRow("投了、終局") << true << Action(board::onResign);
    QTest::newRow("待った") << true << Action(network::onWait);
    QTest::newRow("ネットワーク接続") << false << Action(network::onNetworkPanelOpen);
    QTest::newRow("オプション") << true << Action(shell::onOptionsOpen);
    QTest::newRow("size option") << false << Action([](AppState &s) { s.form.Option3.select(Size9); });
    QTest::newRow("prisoner spinner") << true << Action([](AppState &s) { s.form.UpDown1.setValue(3); });
}

void TestNetworkedActions::heldBoardDoesNothing()
{
    QFETCH(bool, inGame);
    QFETCH(std::function<void(AppState &)>, action);

    test::MemoryWire w;
    QVERIFY(w.connectBoth());
    board::switchToSize(w.a.s, Size13);  // 待った is open on 13 lines
    board::switchToSize(w.b.s, Size13);
    w.a.s.form.Option3.setSelected(Size13);
    w.b.s.form.Option3.setSelected(Size13);
    if (inGame) {
        startFromA(w);
        board::pressPoint(w.a.s, 60, board::MouseButton::Left);
        w.deliver();
        QCOMPARE(w.b.s.board.points[60].content, PointContent::Black);
    }
    w.b.dialogs.answers = {Answer::Yes, Answer::Yes};

    // b acts while a asks its question, so a holds b's board.
    bool held = false, unchanged = false;
    w.a.dialogs.whileOpen = [&] {
        w.deliver();
        held = w.b.s.board.peerHolding;
        const Snapshot before(w);
        action(w.b.s);
        w.deliver();
        unchanged = Snapshot(w) == before;
    };
    w.a.dialogs.answers = {Answer::No};
    board::onResign(w.a.s);
    w.deliver();
    QVERIFY(held);
    QVERIFY(unchanged);
    QVERIFY(!w.b.s.board.peerHolding);
    QCOMPARE(w.a.s.moves.networkMoveLog, w.b.s.moves.networkMoveLog);
}

void TestNetworkedActions::chatAndAwayWhileHeld()
{
    test::MemoryWire w;
    QVERIFY(w.startGame());
    w.a.dialogs.whileOpen = [&] {
        w.deliver();
        w.b.s.form.txtSend.setText(QStringLiteral("待ってます"));
        network::onSend(w.b.s);
        board::onPresence(w.b.s);
        w.deliver();
    };
    board::onResign(w.a.s);  // answered No
    QVERIFY(w.a.dialogs.whileOpen);
    QCOMPARE(w.a.s.form.txtDisp.text, QStringLiteral("◇待ってます"));
    QVERIFY(w.a.s.board.overlayShown());
    QCOMPARE(w.a.s.form.lbl2Message.caption, QStringLiteral("退席中…"));
    QCOMPARE(w.b.s.form.cmdOff.caption, QStringLiteral("退席中(&P)"));
}

QTEST_MAIN(TestNetworkedActions)
#include "tst_networkedactions.moc"
