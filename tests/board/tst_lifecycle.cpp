// Clear, start, resign/end and the prisoner counts.
#include "MemoryWire.h"
#include "Shell.h"
#include "TestDoubles.h"

#include <QTest>

using namespace moyuta;
using namespace moyuta::test;

class LifecycleTest : public QObject {
    Q_OBJECT
private slots:
    void initialState();
    void clearAsks_data();
    void clearAsks();
    void clearStartsWithBlack_data();
    void clearStartsWithBlack();
    void clearWhileRecordingEndsTheRecording();
    void startWhileRecordingOnlyEndsTheRecording();
    void startClearsAndSendsTheSize();
    void resignEndsTheGame();
    void clearAfterTheEndReturnsToNoGame();
    void heldBoardIgnoresTheCommands();
    void prisonerCountsAreSent();
};

void LifecycleTest::initialState()
{
    Fixture f;
    const Form &m = f.form();
    QCOMPARE(m.Option2.selected, 0);
    QCOMPARE(m.Option1.selected, 0);
    QCOMPARE(m.Option4.selected, 0);
    for (const Button *b : {&m.cmdBack, &m.cmdClear, &m.cmdStart, &m.cmdTouryou, &m.cmdWait, &m.cmdF, &m.cmdNewSave,
                            &m.cmdSankaku, &m.cmd1Rectang, &m.cmdDikazuClear})
        QVERIFY2(!b->enabled, qPrintable(b->name));
    QVERIFY(!m.UpDown1.enabled && !m.UpDown2.enabled);
    QCOMPARE(m.lbl2Message.caption, QString("退席中です…"));
    QCOMPARE(f.s.board.currentTool, int(ToolBlack));
}

void LifecycleTest::clearAsks_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("answer");
    QTest::newRow("local, yes") << false << int(Answer::Yes);
    QTest::newRow("local, cancel") << false << int(Answer::Cancel);
    QTest::newRow("connected, yes") << true << int(Answer::Yes);
    QTest::newRow("connected, no") << true << int(Answer::No);
}

void LifecycleTest::clearAsks()
{
    QFETCH(bool, connected);
    QFETCH(int, answer);
    Fixture f;
    if (connected) {
        f.startGame();
        f.form().Option1.select(1);
    }
    f.left(5);
    f.form().UpDown2.setValue(4);
    f.outbox.sent.clear();
    f.dialogs.answers = {Answer(answer)};
    board::onClear(f.s);
    QCOMPARE(f.dialogs.questions, QStringList{"すべてクリアーしますか？"});
    const bool yes = Answer(answer) == Answer::Yes;
    QCOMPARE(f.at(5) == PointContent::Empty, yes);
    QCOMPARE(f.s.board.blackPrisoners, yes ? 0 : 4);
    if (connected) {
        QStringList expected = {"ホールド" + kTerminator, "ホールド解除" + kTerminator};
        if (yes)
            expected << "クリア" + kTerminator;
        QCOMPARE(f.outbox.sent, expected);
        QCOMPARE(f.s.board.gameStarted, !yes);
        QCOMPARE(f.form().cmdStart.enabled, yes);
        if (yes)
            QCOMPARE(f.form().cmdStart.back, kStartGreen);
    } else if (yes) {
        QVERIFY(f.s.moves.takeBackHistory.isEmpty());
        QVERIFY(!f.form().cmdClear.enabled && !f.form().cmdBack.enabled);
        QVERIFY(f.form().cmdNetwork.enabled);
    }
}

void LifecycleTest::clearStartsWithBlack_data()
{
    QTest::addColumn<int>("stones");  // left presses in alternate mode, on points 0, 1, …
    QTest::addColumn<int>("colour");  // then this colour choice, -1 none
    QTest::addColumn<int>("mode");    // then this placement mode, -1 none
    QTest::addColumn<int>("mark");    // then this mark choice with the marks ticked, -1 none

    QTest::newRow("white to play after three stones") << 3 << -1 << -1 << -1;
    QTest::newRow("削除 chosen") << 2 << 2 << -1 << -1;
    QTest::newRow("letter chosen, white to play") << 1 << -1 << -1 << 3;
    QTest::newRow("white-only mode") << 1 << -1 << 2 << -1;
}

void LifecycleTest::clearStartsWithBlack()
{
    QFETCH(int, stones);
    QFETCH(int, colour);
    QFETCH(int, mode);
    QFETCH(int, mark);
    Fixture f;
    Form &m = f.form();
    for (int i = 0; i < stones; ++i)
        f.left(i);
    if (colour >= 0)
        m.Option1.select(colour);
    if (mode >= 0)
        m.Option2.select(mode);
    if (mark >= 0) {
        m.chkOtherMarks.setChecked(true);
        m.Option4.select(mark);
    }

    f.dialogs.answers = {Answer::Yes};
    board::onClear(f.s);
    QVERIFY(!board::boardHasContent(f.s));
    QCOMPARE(m.Option2.selected, 0);
    QCOMPARE(f.s.board.placementMode, 0);
    QCOMPARE(m.Option1.selected, 0);
    QCOMPARE(f.s.board.currentTool, int(ToolBlack));
    QCOMPARE(m.Option1[2].back, kButtonGrey);
    QVERIFY(m.Option1[0].enabled && m.Option1[1].enabled && m.Option1[2].enabled);
    QCOMPARE(m.Option4.selected, 0);

    // The first stone on the cleared board is black, and white is next.
    f.left(40);
    QCOMPARE(f.at(40), PointContent::Black);
    QCOMPARE(m.Option1.selected, 1);
}

void LifecycleTest::clearWhileRecordingEndsTheRecording()
{
    Fixture f;
    f.startRecording();
    f.left(0);
    f.form().UpDown1.setValue(2);
    f.dialogs.answers = {Answer::Yes};
    board::onClear(f.s);
    QCOMPARE(f.dialogs.questions, QStringList{"記録中です、中止されますがよろしいですか？"});
    QVERIFY(!f.s.moves.recording);
    QCOMPARE(f.form().cmdRec.caption, QString("記録(&Q)"));
    QVERIFY(!board::boardHasContent(f.s));
    QVERIFY(f.s.moves.gameRecord.isEmpty() && f.s.moves.takeBackHistory.isEmpty());
    QCOMPARE(f.s.board.whitePrisoners, 0);
    QCOMPARE(f.form().lblWhitePrisoners.caption, QString("0"));
}

void LifecycleTest::startWhileRecordingOnlyEndsTheRecording()
{
    Fixture f;
    f.connect();
    f.startRecording();
    board::onStart(f.s);
    QCOMPARE(f.dialogs.notices, QStringList{"記録を中止します。"});
    QVERIFY(!f.s.moves.recording);
    QVERIFY(!f.s.board.gameStarted);
    QCOMPARE(f.outbox.sent, QStringList({"ホールド" + kTerminator, "ホールド解除" + kTerminator}));
    board::onStart(f.s);
    QVERIFY(f.s.board.gameStarted);
}

void LifecycleTest::startClearsAndSendsTheSize()
{
    Fixture f;
    f.form().Option3.select(2);
    board::setPointContent(f.s, 3, PointContent::Triangle);
    f.connect();
    f.form().Option1.select(1);
    f.outbox.sent.clear();
    board::onStart(f.s);
    QCOMPARE(f.dialogs.notices, QStringList{"対局を開始しました"});
    QCOMPARE(f.outbox.sent.last(), "2,開始" + kTerminator);
    QVERIFY(f.outbox.sent.contains("ホールド解除" + kTerminator));
    QVERIFY(!board::boardHasContent(f.s));
    QCOMPARE(f.form().Option1.selected, 0);
    for (int i = 0; i < 3; ++i)
        QVERIFY(!f.form().Option3[i].enabled);
    QVERIFY(!f.form().cmdStart.enabled);
    QCOMPARE(f.form().cmdStart.back, kButtonGrey);
    QVERIFY(f.form().cmdTouryou.enabled && f.form().cmdOff.enabled && f.form().UpDown1.enabled);
    board::onStart(f.s);  // a second press does nothing
    QCOMPARE(f.dialogs.notices.size(), 1);
}

void LifecycleTest::resignEndsTheGame()
{
    Fixture f;
    f.startGame();
    board::onResign(f.s);  // declined
    QVERIFY(!f.s.board.gameEnded);
    f.dialogs.answers = {Answer::Yes};
    f.outbox.sent.clear();
    board::onResign(f.s);
    QCOMPARE(f.dialogs.questions.last(), QString("投了または終局しますか？"));
    QVERIFY(f.s.board.gameEnded);
    QCOMPARE(f.outbox.sent.last(), "終局" + kTerminator);
    QCOMPARE(f.form().lbl2Message.caption, QString("相手がOKを押すまで待機中"));
    QVERIFY(f.form().Frame8.visible);
    QVERIFY(!f.form().cmdTouryou.enabled);
    QVERIFY(f.form().cmdClear.enabled && f.form().chkOtherMarks.enabled);
    QVERIFY(!f.form().Option4[3].enabled);
}

void LifecycleTest::clearAfterTheEndReturnsToNoGame()
{
    Fixture f;
    f.startGame();
    f.dialogs.answers = {Answer::Yes, Answer::Yes};
    board::onResign(f.s);
    board::onClear(f.s);
    QVERIFY(!f.s.board.gameEnded && !f.s.board.gameStarted);
    QVERIFY(!f.form().Frame8.visible);
    QVERIFY(f.form().cmdStart.enabled);
    QVERIFY(f.form().Option3[1].enabled);
    QVERIFY(!f.form().chkOtherMarks.enabled);
    f.left(0);  // connected, no game: stones do not go on
    QCOMPARE(f.at(0), PointContent::Empty);
}

void LifecycleTest::heldBoardIgnoresTheCommands()
{
    test::MemoryWire w;
    QVERIFY(w.startGame());
    AppState &s = w.a.s;
    board::pressPoint(s, 0, board::MouseButton::Left);
    w.b.s.sendHold();  // a question is open on the peer's side
    w.deliver();
    QVERIFY(s.board.peerHolding);
    const int boxes = w.a.dialogs.boxes();
    const qsizetype sent = w.sentBy('a');
    w.a.dialogs.answers = {Answer::Yes, Answer::Yes};
    board::onClear(s);
    board::onResign(s);
    s.form.UpDown1.setValue(3);
    QCOMPARE(w.a.dialogs.boxes(), boxes);
    QCOMPARE(w.sentBy('a'), sent);
    QCOMPARE(s.board.points[0].content, PointContent::Black);
    QCOMPARE(s.board.whitePrisoners, 0);

    w.b.s.sendHoldRelease();
    w.deliver();
    QVERIFY(!s.board.peerHolding);
    shell::beginSessionEnd(s);  // quitting from now on: no question while quitting, and nothing happens
    board::onClear(s);
    QCOMPARE(s.board.points[0].content, PointContent::Black);
    QCOMPARE(w.a.dialogs.boxes(), boxes);
}

void LifecycleTest::prisonerCountsAreSent()
{
    Fixture f;
    f.startGame();
    f.form().UpDown1.setValue(3);
    f.form().UpDown2.setValue(12);
    QCOMPARE(f.outbox.sent, QStringList({"3,白ハマ" + kTerminator, "12,黒石ハマ" + kTerminator}));
    QCOMPARE(f.form().lblWhitePrisoners.caption, QString("3"));
    QCOMPARE(f.s.board.blackPrisoners, 12);
    f.form().UpDown1.setValue(3);  // same value: no change, nothing sent
    QCOMPARE(f.outbox.sent.size(), 2);
}

QTEST_GUILESS_MAIN(LifecycleTest)
#include "tst_lifecycle.moc"
