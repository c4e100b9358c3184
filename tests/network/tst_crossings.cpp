// Two connected window states whose actions cross on the wire: every send is
// followed by its wait, during which datagrams arrive and are handled and the
// other player may click. Both sides must end in the same game.
#include "BoardPicture.h"
#include "Cp932.h"
#include "MemoryWire.h"
#include "MessageCipher.h"
#include "NetworkedActions.h"

#include <QtTest>

using namespace moyuta;

class TestCrossings : public QObject {
    Q_OBJECT
private slots:
    void crossingMoves_data();
    void crossingMoves();
    void crossingPrisoners_data();
    void crossingPrisoners();
    void endAcceptedDuringWait();
    void peerEndsWhileAway();
    void awayDuringRemoval();
    void repeatedDatagram_data();
    void repeatedDatagram();
    void receiveTakenInByClickIsAnnounced();
};

namespace {

// Games here start on 13 lines, where 待った is on from the start.
using Action = std::function<void(test::MemoryWire &)>;

void press(AppState &s, int point, board::MouseButton button = board::MouseButton::Left)
{
    board::pressPoint(s, point, button);
}

void compareGames(const test::MemoryWire &w)
{
    QCOMPARE(test::pictureOf(w.a.s, kGridSize), test::pictureOf(w.b.s, kGridSize));
    QCOMPARE(w.a.s.moves.networkMoveLog, w.b.s.moves.networkMoveLog);
    QCOMPARE(w.a.s.board.blackPrisoners, w.b.s.board.blackPrisoners);
    QCOMPARE(w.a.s.board.whitePrisoners, w.b.s.board.whitePrisoners);
}

// The last datagram a sent whose plain text is `plain`.
QByteArray sentByA(test::MemoryWire &w, const QString &plain)
{
    for (qsizetype i = w.sent.size() - 1; i >= 0; --i)
        if (w.sent[i].first == 'a' && network::decipherMessage(w.b.s, fromCp932(w.sent[i].second)) == plain)
            return w.sent[i].second;
    return {};
}

}  // namespace

void TestCrossings::crossingMoves_data()
{
    QTest::addColumn<Action>("before");   // played in step before the crossing
    QTest::addColumn<Action>("actA");     // a's action
    QTest::addColumn<Action>("actB");     // b's action, clicked while a's datagram is on its way
    QTest::addColumn<Action>("after");    // once the crossing has settled
    const Action nothing = [](test::MemoryWire &) {};
    const Action a60 = [](test::MemoryWire &w) { press(w.a.s, 60); };
    const Action b62 = [](test::MemoryWire &w) { press(w.b.s, 62); };
    const Action b64 = [](test::MemoryWire &w) { press(w.b.s, 64); };
    const Action waitA = [](test::MemoryWire &w) { network::onWait(w.a.s); };
    const Action waitB = [](test::MemoryWire &w) { network::onWait(w.b.s); };
    QTest::newRow("two moves, then a takes back") << nothing << a60 << b62 << waitA;
    QTest::newRow("two moves, then b takes back") << nothing << a60 << b62 << waitB;
    QTest::newRow("take-back against a move") << Action([&](test::MemoryWire &w) { press(w.a.s, 60); press(w.b.s, 62); })
                                              << waitA << b64 << waitA;
}

void TestCrossings::crossingMoves()
{
    QFETCH(Action, before);
    QFETCH(Action, actA);
    QFETCH(Action, actB);
    QFETCH(Action, after);

    test::MemoryWire w;
    QVERIFY(w.startGame(Size13));
    w.pace();
    before(w);
    w.deliver();
    bool clicked = false;
    w.pace(&w.a, [&] {
        if (!std::exchange(clicked, true))
            actB(w);
    });
    actA(w);
    w.deliver();
    QVERIFY(clicked);
    compareGames(w);
    w.pace();
    after(w);
    w.deliver();
    compareGames(w);
    QVERIFY(!w.a.s.moves.networkMoveLog.isEmpty());
}

void TestCrossings::crossingPrisoners_data()
{
    QTest::addColumn<bool>("white");
    QTest::newRow("white") << true;
    QTest::newRow("black") << false;
}

void TestCrossings::crossingPrisoners()
{
    QFETCH(bool, white);
    test::MemoryWire w;
    QVERIFY(w.startGame(Size13));
    auto spinner = [white](test::Peer &p) -> Spinner & { return white ? p.s.form.UpDown1 : p.s.form.UpDown2; };
    bool changed = false;
    w.pace(&w.a, [&] {
        if (!std::exchange(changed, true))
            spinner(w.b).setValue(5);
    });
    spinner(w.a).setValue(3);
    w.deliver();
    QVERIFY(changed);
    compareGames(w);
    for (test::Peer *p : {&w.a, &w.b}) {
        const int count = white ? p->s.board.whitePrisoners : p->s.board.blackPrisoners;
        QCOMPARE(spinner(*p).value, count);
        QCOMPARE((white ? p->s.form.lblWhitePrisoners : p->s.form.lblBlackPrisoners).caption, QString::number(count));
    }
    QCOMPARE(w.b.s.board.whitePrisoners + w.b.s.board.blackPrisoners, 5);  // b's change came last
}

void TestCrossings::endAcceptedDuringWait()
{
    test::MemoryWire w;
    QVERIFY(w.startGame(Size13));
    w.a.dialogs.answers = {Answer::Yes, Answer::Yes};
    int pressedAgain = 0;
    w.pace(&w.a, [&] {
        // The resign button, pressed again while "終局" is on its way.
        if (w.a.s.board.gameEnded && !pressedAgain++)
            board::onResign(w.a.s);
    });
    board::onResign(w.a.s);
    w.deliver();
    QVERIFY(pressedAgain > 0);
    QCOMPARE(w.a.dialogs.questions.size(), 1);
    QCOMPARE(w.b.dialogs.notices.count(QStringLiteral("投了または終局しました。")), 1);
    QVERIFY(!w.a.s.form.Frame8.visible);  // the OK came during the wait and took the notice down
    QVERIFY(!w.a.s.form.cmdTouryou.enabled);
    QVERIFY(w.a.s.board.gameEnded && w.b.s.board.gameEnded);
}

void TestCrossings::peerEndsWhileAway()
{
    test::MemoryWire w;
    QVERIFY(w.startGame(Size13));
    w.pace();
    // a goes away while b's resign question is open; b then answers Yes.
    w.b.dialogs.answers = {Answer::Yes};
    w.b.dialogs.whileOpen = [&] {
        board::onPresence(w.a.s);
        w.deliver();
    };
    board::onResign(w.b.s);
    w.b.dialogs.whileOpen = {};
    w.deliver();
    QVERIFY(w.a.s.board.gameEnded && w.b.s.board.gameEnded);
    QCOMPARE(w.a.s.form.cmdOff.caption, QStringLiteral("退席中(&P)"));
    QVERIFY(w.a.s.form.cmdOff.enabled);  // the way back stays open
    QVERIFY(w.b.s.board.overlayShown() && w.b.s.form.Frame8.visible);
    QCOMPARE(w.b.s.form.lbl2Message.caption, QStringLiteral("退席中…"));

    board::onPresence(w.a.s);  // back
    w.deliver();
    QVERIFY(!w.b.s.board.overlayShown() && !w.b.s.form.Frame8.visible);
    w.b.dialogs.answers = {Answer::Yes};
    board::onClear(w.b.s);
    w.deliver();
    QVERIFY(!w.a.s.board.gameEnded && !w.b.s.board.gameEnded);
    QCOMPARE(w.a.dialogs.notices.last(), QStringLiteral("相手がクリアーしましたので、こちらもクリアーします。"));
}

void TestCrossings::awayDuringRemoval()
{
    test::MemoryWire w;
    QVERIFY(w.startGame(Size13));
    w.pace();
    press(w.a.s, 60);
    w.deliver();
    w.a.s.form.Option1.select(2);  // 削除: "石削除中"
    w.deliver();
    QVERIFY(w.b.s.board.overlayShown());
    board::onPresence(w.a.s);  // away
    w.deliver();
    QCOMPARE(w.b.s.form.lbl2Message.caption, QStringLiteral("退席中…"));
    board::onPresence(w.a.s);  // and back, still removing
    w.deliver();
    QVERIFY(w.b.s.board.overlayShown() && w.b.s.form.Frame8.visible);
    QCOMPARE(w.b.s.form.lbl2Message.caption, QStringLiteral("石を削除しています…"));
    press(w.b.s, 62);
    QCOMPARE(w.b.s.board.points[62].content, PointContent::Empty);  // the gate holds
    w.a.s.form.Option1.select(0);  // 黒: "石削除終了"
    w.deliver();
    QVERIFY(!w.b.s.board.overlayShown() && !w.b.s.form.Frame8.visible);
}

void TestCrossings::repeatedDatagram_data()
{
    QTest::addColumn<Action>("play");    // a's action whose datagram comes twice
    QTest::addColumn<QString>("plain");  // that datagram's text
    QTest::addColumn<Action>("later");   // what happens before the repeat arrives
    const Action nothing = [](test::MemoryWire &) {};
    const Action b100 = [](test::MemoryWire &w) { press(w.b.s, 100); };
    QTest::newRow("a stone") << Action([](test::MemoryWire &w) { press(w.a.s, 60); }) << QStringLiteral("1,60,0,0,0") << b100;
    QTest::newRow("a stone taken off") << Action([](test::MemoryWire &w) {
        press(w.a.s, 60);
        w.deliver();
        press(w.a.s, 60, board::MouseButton::Right);
    }) << QStringLiteral("0,60,0,0,1") << b100;
    QTest::newRow("the start") << nothing << QStringLiteral("1,開始") + kTerminator << b100;
    QTest::newRow("the end") << Action([](test::MemoryWire &w) {
        w.a.dialogs.answers = {Answer::Yes};
        board::onResign(w.a.s);
    }) << QStringLiteral("終局") + kTerminator << nothing;
}

void TestCrossings::repeatedDatagram()
{
    QFETCH(Action, play);
    QFETCH(QString, plain);
    QFETCH(Action, later);
    test::MemoryWire w;
    QVERIFY(w.startGame(Size13));
    play(w);
    w.deliver();
    later(w);  // the repeat comes late
    w.deliver();
    const QByteArray again = sentByA(w, plain);
    QVERIFY(!again.isEmpty());
    const QStringList boxes = w.b.dialogs.notices;
    const test::BoardPicture before = test::pictureOf(w.b.s, kGridSize);
    w.b.end.inbox.push_back(again);
    w.b.end.onReadable();
    w.deliver();
    QCOMPARE(test::pictureOf(w.b.s, kGridSize), before);
    compareGames(w);
    QCOMPARE(w.b.dialogs.notices, boxes);
}

QTEST_MAIN(TestCrossings)
#include "tst_crossings.moc"

// A click that takes in what has arrived is a receive like the socket's own:
// the program shows it and acts on a peer that quit, whichever road read it.
void TestCrossings::receiveTakenInByClickIsAnnounced()
{
    test::MemoryWire w;
    QVERIFY(w.startGame(Size13));
    int announced = 0;
    w.b.outbox.afterReceive = [&] { ++announced; };
    w.a.s.sendKeyword(QStringLiteral("終了"));  // as a shut-down sends it
    w.arrive();  // in b's socket, not yet read
    QCOMPARE(announced, 0);
    press(w.b.s, 40);
    QVERIFY(w.b.s.session.peerQuit);
    QCOMPARE(announced, 1);
}
