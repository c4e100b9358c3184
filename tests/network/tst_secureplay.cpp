// Two window states over the secure session (fake channel, seeded relay):
// connecting, actions of both players that cross on the way, a game through
// loss, a wrong key, and a copy that is killed and comes back.
#include "BoardPicture.h"
#include "FakeSecure.h"
#include "MemoryWire.h"
#include "Chat.h"
#include "Cp932.h"
#include "MessageCipher.h"
#include "NetworkKifu.h"
#include "NetworkedActions.h"
#include "Panel.h"
#include "SecurePlay.h"
#include "SecureSession.h"

#include <QtTest>

#include <random>

using namespace moyuta;

namespace {

class SecureGame {
public:
    test::SecureWorld world;
    std::unique_ptr<test::Peer> side[2];

    explicit SecureGame(test::RelayOdds odds = {.minDelayMs = 5, .maxDelayMs = 5}, quint32 seed = 1)
        : world(odds, seed)
    {
        make(0);
        make(1);
    }

    void make(int i)
    {
        side[i].reset();
        side[i] = std::make_unique<test::Peer>(i == 0 ? QStringLiteral("2002") : QStringLiteral("2001"),
                                               i == 0 ? QStringLiteral("2001") : QStringLiteral("2002"));
        network::attachSecure(side[i]->s, world.channel[i], world.keys[i], world.timer[i], {});
    }
    AppState &a() { return side[0]->s; }
    AppState &b() { return side[1]->s; }

    // Presses "接続(&A)" on the sides whose button is on (a connected side's is off).
    bool connect()
    {
        for (AppState *s : {&b(), &a()})
            if (s->form.Command1.enabled)
                network::onConnect(*s);
        return world.runUntil([this] { return a().session.authenticated && b().session.authenticated; }, 20000);
    }
    [[nodiscard]] bool startGame(BoardSizeCode size = Size13)
    {
        if (!connect())
            return false;
        board::switchToSize(a(), size);
        a().form.Option3.setSelected(size);
        board::onStart(a());
        settle();
        return a().board.gameStarted && b().board.gameStarted;
    }
    // Until every resend, answer and whole game has gone through.
    void settle() { world.run(5000); }

    // A copy killed at once: nothing more leaves or reaches it, its state is gone.
    void kill(int i)
    {
        world.frozen[i] = true;
        world.relay.cutFrom[i] = true;
        side[i].reset();
    }
    void restart(int i)
    {
        world.frozen[i] = false;
        world.relay.cutFrom[i] = false;
        make(i);
    }
};

using Action = std::function<void(SecureGame &)>;

void press(AppState &s, int point)
{
    board::pressPoint(s, point, board::MouseButton::Left);
}

void yes(AppState &s)
{
    static_cast<test::ScriptedDialogs &>(s.ports.dialogs).answers.push_back(Answer::Yes);
}

void compareGames(SecureGame &g)
{
    QCOMPARE(test::pictureOf(g.a(), kGridSize), test::pictureOf(g.b(), kGridSize));
    QCOMPARE(g.a().moves.networkMoveLog, g.b().moves.networkMoveLog);
    QCOMPARE(g.a().board.blackPrisoners, g.b().board.blackPrisoners);
    QCOMPARE(g.a().board.whitePrisoners, g.b().board.whitePrisoners);
    // The side that resigned keeps its started flag until the clear; what counts is whether a game is on.
    auto inPlay = [](const AppState &s) { return s.board.gameStarted && !s.board.gameEnded; };
    QCOMPARE(inPlay(g.a()), inPlay(g.b()));
    QCOMPARE(g.a().board.gameEnded, g.b().board.gameEnded);
    QCOMPARE(g.a().board.boardSizeCode, g.b().board.boardSizeCode);
    QCOMPARE(g.a().form.UpDown1.value, g.a().board.whitePrisoners);
    QCOMPARE(g.b().form.UpDown1.value, g.b().board.whitePrisoners);
    for (AppState *s : {&g.a(), &g.b()})
        QVERIFY(!s->peerBlocks());
}

}  // namespace

Q_DECLARE_METATYPE(Action)

class TestSecurePlay : public QObject {
    Q_OBJECT
private slots:
    void connectsAndPlays();
    void crossings_data();
    void crossings();
    void gameThroughLoss_data();
    void gameThroughLoss();
    void wrongKeyIsSaid();
    void classicBoxKeepsTheClassicWire();
    void killedCopyIsAwaitedAndRejoins();
    void disconnectedCopyReconnects();
    void quitEndsThePeer();
    void openFailureIsSaid_data();
    void openFailureIsSaid();
    void classicPeerIsSaid();
    void namesCarriedIntoTheKifu_data();
    void namesCarriedIntoTheKifu();
    void rejoinedCopyKeepsTheGameAgain();
};

void TestSecurePlay::connectsAndPlays()
{
    SecureGame g;
    QVERIFY(g.startGame());
    press(g.a(), 60);
    g.settle();
    QCOMPARE(g.b().moves.networkMoveLog, QStringList{QStringLiteral("1,60,0,0,0")});
    network::onWait(g.b());
    g.settle();
    QVERIFY(g.a().moves.networkMoveLog.isEmpty());
    compareGames(g);
    // No pacing wait anywhere: the pump was never asked to wait.
    QCOMPARE(g.a().shell.sendPacingCount, 0);
}

void TestSecurePlay::crossings_data()
{
    QTest::addColumn<Action>("before");
    QTest::addColumn<Action>("actA");
    QTest::addColumn<Action>("actB");  // at the same moment: neither has heard the other
    const Action nothing = [](SecureGame &) {};
    const Action twoMoves = [](SecureGame &g) {
        press(g.a(), 60);
        g.settle();
        press(g.b(), 62);
        g.settle();
    };
    const Action ended = [](SecureGame &g) {
        yes(g.a());
        board::onResign(g.a());
        g.settle();
    };
    auto at = [](int point) { return [point](AppState &s) { press(s, point); }; };
    auto onA = [](std::function<void(AppState &)> f) { return Action([f](SecureGame &g) { f(g.a()); }); };
    auto onB = [](std::function<void(AppState &)> f) { return Action([f](SecureGame &g) { f(g.b()); }); };
    const auto wait = [](AppState &s) { network::onWait(s); };
    const auto resign = [](AppState &s) {
        yes(s);
        board::onResign(s);
    };
    const auto clear = [](AppState &s) {
        yes(s);
        board::onClear(s);
    };
    QTest::newRow("moves on two points") << nothing << onA(at(60)) << onB(at(62));
    QTest::newRow("moves on one point") << nothing << onA(at(60)) << onB(at(60));
    QTest::newRow("two moves against one") << nothing << onA([&](AppState &s) { press(s, 60), press(s, 70); }) << onB(at(62));
    QTest::newRow("take-backs") << twoMoves << onA(wait) << onB(wait);
    QTest::newRow("take-back against a move") << twoMoves << onA(wait) << onB(at(64));
    QTest::newRow("move against a take-back") << twoMoves << onA(at(64)) << onB(wait);
    QTest::newRow("white prisoners") << nothing << onA([](AppState &s) { s.form.UpDown1.setValue(3); })
                                     << onB([](AppState &s) { s.form.UpDown1.setValue(5); });
    QTest::newRow("black and white prisoners") << nothing << onA([](AppState &s) { s.form.UpDown2.setValue(2); })
                                               << onB([](AppState &s) { s.form.UpDown1.setValue(4); });
    QTest::newRow("resign against a move") << twoMoves << onA(resign) << onB(at(64));
    QTest::newRow("move against a resign") << twoMoves << onA(at(64)) << onB(resign);
    QTest::newRow("both resign") << twoMoves << onA(resign) << onB(resign);
    QTest::newRow("clears") << ended << onA(clear) << onB(clear);
    QTest::newRow("clear against clear and start") << ended << onA(clear) << onB([clear](AppState &s) {
        clear(s);
        board::onStart(s);
    });
}

void TestSecurePlay::crossings()
{
    QFETCH(Action, before);
    QFETCH(Action, actA);
    QFETCH(Action, actB);
    SecureGame g;
    QVERIFY(g.startGame());
    before(g);
    compareGames(g);
    actA(g);
    actB(g);
    g.settle();
    compareGames(g);
    // Play goes on from the settled game on both sides.
    for (int point : {100, 102})
        if (g.a().board.gameStarted && !g.a().board.gameEnded) {
            press(g.a(), point);
            g.settle();
        }
    compareGames(g);
}

void TestSecurePlay::gameThroughLoss_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {11u, 12u, 13u})
        QTest::addRow("seed %u", seed) << seed;
}

// Both players act at random, often before the other's last action arrived,
// through 10 % loss, 5 % duplicates and reordering.
void TestSecurePlay::gameThroughLoss()
{
    QFETCH(quint32, seed);
    SecureGame g({.loss = 0.1, .duplicate = 0.05, .reorder = 0.1, .minDelayMs = 2, .maxDelayMs = 40}, seed);
    QVERIFY(g.startGame());
    std::mt19937 random(seed);
    int crossings = 0;
    for (int step = 0; step < 200; ++step) {
        AppState &s = random() % 2 ? g.a() : g.b();
        const int roll = int(random() % 100);
        if (roll < 80)
            press(s, int(random() % 169 / 13 * 19 + random() % 13));
        else if (roll < 88)
            network::onWait(s);
        else if (roll < 94)
            (random() % 2 ? s.form.UpDown1 : s.form.UpDown2).setValue(int(random() % 20));
        else {
            s.form.txtSend.text = QStringLiteral("チャット%1").arg(step);
            network::onSend(s);
        }
        crossings += g.a().session.awaitingGame || g.b().session.awaitingGame;
        g.world.run(random() % 60);
    }
    g.settle();
    g.world.run(20000);
    compareGames(g);
    QVERIFY(g.a().moves.networkMoveLog.size() > 20);
    qInfo() << "moves" << g.a().moves.networkMoveLog.size() << "steps held for a crossing" << crossings;
}

void TestSecurePlay::wrongKeyIsSaid()
{
    SecureGame g;
    g.b().form.txtPassword.text = QStringLiteral("sakura");
    QVERIFY(!g.connect());
    g.world.run(30000);
    for (auto *side : {g.side[0].get(), g.side[1].get()}) {
        QVERIFY(!side->s.session.authenticated);
        QVERIFY2(side->dialogs.notices.join(QString()).contains(QStringLiteral("鍵が違います")),
                 qPrintable(side->dialogs.notices.join(QLatin1Char('|'))));
        QVERIFY(side->s.form.Command1.enabled);  // the panel is back for another try
        QVERIFY(!side->s.form.Command4.enabled);
    }
}

void TestSecurePlay::classicBoxKeepsTheClassicWire()
{
    SecureGame g;  // only its ports: the classic side never touches them
    test::MemoryWire w;
    network::attachSecure(w.a.s, g.world.channel[0], g.world.keys[0], g.world.timer[0], {});
    network::attachSecure(w.b.s, g.world.channel[1], g.world.keys[1], g.world.timer[1], {});
    g.side[0].reset();
    g.side[1].reset();
    network::restoreClassicProtocol(w.a.s, true);
    network::restoreClassicProtocol(w.b.s, true);
    QVERIFY(w.startGame(Size13));
    QVERIFY(!g.world.channel[0].isOpen() && !g.world.channel[1].isOpen());
    QVERIFY(w.sentBy('a') > 0);
}

void TestSecurePlay::killedCopyIsAwaitedAndRejoins()
{
    SecureGame g;
    QVERIFY(g.startGame());
    press(g.a(), 60);
    g.settle();
    press(g.b(), 62);
    g.settle();
    g.a().form.UpDown1.setValue(2);
    g.settle();
    const QStringList log = g.a().moves.networkMoveLog;

    g.kill(1);
    g.world.run(11000);
    QVERIFY(g.a().form.Frame8.visible);
    QCOMPARE(g.a().form.lbl2Message.caption, QStringLiteral("相手からの応答がありません。再接続を待っています…"));
    QVERIFY(g.a().peerBlocks());
    press(g.a(), 64);  // the board is held
    QCOMPARE(g.a().moves.networkMoveLog, log);

    g.restart(1);
    QVERIFY(!g.b().board.gameStarted);
    QVERIFY(g.connect());
    g.settle();
    QVERIFY(!g.a().form.Frame8.visible);
    compareGames(g);
    QCOMPARE(g.b().moves.networkMoveLog, log);
    QVERIFY(g.b().board.gameStarted);
    QCOMPARE(g.b().board.whitePrisoners, 2);
    press(g.b(), 64);
    g.settle();
    compareGames(g);
    QCOMPARE(g.a().moves.networkMoveLog.size(), log.size() + 1);
}

void TestSecurePlay::disconnectedCopyReconnects()
{
    SecureGame g;
    QVERIFY(g.startGame());
    press(g.a(), 60);
    g.settle();
    yes(g.b());
    network::onDisconnect(g.b());
    g.world.run(200);
    QVERIFY(g.a().peerBlocks());
    QVERIFY(g.a().form.Frame8.visible);
    QVERIFY(g.connect());
    g.settle();
    compareGames(g);
    QVERIFY(!g.a().form.Frame8.visible);
}

// The quit message closes the receiver's session from inside its delivery.
void TestSecurePlay::quitEndsThePeer()
{
    SecureGame g;
    QVERIFY(g.startGame());
    network::leaveSession(g.a());
    g.world.run(1000);
    QVERIFY(g.b().session.peerQuit);
    QVERIFY(g.side[1]->dialogs.notices.contains(QStringLiteral("相手側ホストから接続がオフになりましたので、一旦終了します。")));
    QVERIFY(!g.b().session.secureActive);
    QVERIFY(!g.world.channel[1].isOpen());
}

void TestSecurePlay::openFailureIsSaid_data()
{
    using F = network::SecureChannelPort::Failure;
    QTest::addColumn<F>("failure");
    QTest::addColumn<QString>("said");
    QTest::newRow("port taken") << F::BindFailed << QStringLiteral("自分側ポートを開けませんでした");
    QTest::newRow("unknown host") << F::HostNotFound << QStringLiteral("「IPアドレス(相手側)」を確認して下さい。");
    QTest::newRow("no TLS library") << F::BackendMissing << QStringLiteral("「従来方式で接続」にチェックを入れると");
}

void TestSecurePlay::openFailureIsSaid()
{
    QFETCH(network::SecureChannelPort::Failure, failure);
    QFETCH(QString, said);
    SecureGame g;
    g.world.channel[0].failOpen = failure;
    network::onConnect(g.a());
    g.world.run(100);
    QVERIFY2(g.side[0]->dialogs.notices.join(QString()).contains(said), qPrintable(g.side[0]->dialogs.notices.join(u'|')));
    QVERIFY(!g.a().session.secureActive && !g.a().session.authenticated);
    QVERIFY(g.a().form.Command1.enabled && g.a().form.txtPassword.enabled && !g.a().form.Command4.enabled);
}

// A classic copy's first handshake message reaches a secure copy that waits:
// the user is told, and nothing is sent in the classic way.
void TestSecurePlay::classicPeerIsSaid()
{
    SecureGame g;
    network::onConnect(g.a());
    g.world.run(300);
    test::MemoryWire classic;
    AppState &c = classic.b.s;
    c.session.sessionPassword = QStringLiteral("abcdef");
    c.session.activeCipherNumber = 30;
    const QByteArray datagram = toCp932(network::encipherMessage(c, network::connectText(c)));
    QVERIFY(!datagram.isEmpty());
    g.world.relay.post(1, "P" + datagram);
    g.world.run(300);
    QVERIFY2(g.side[0]->dialogs.notices.join(QString()).contains(QStringLiteral("相手は従来方式で接続しようとしています")),
             qPrintable(g.side[0]->dialogs.notices.join(u'|')));
    QVERIFY(!g.a().session.authenticated && !g.world.channel[0].isOpen());
    QVERIFY(g.a().form.Command1.enabled);
    for (const QByteArray &sent : g.world.channel[0].sentPlain)
        QVERIFY(!sent.contains("abcdef") && !sent.contains(datagram));
}

void TestSecurePlay::namesCarriedIntoTheKifu_data()
{
    QTest::addColumn<QString>("typed");     // b's name, typed while connected
    QTest::addColumn<bool>("pastTheField"); // put in the model past the field's limit, as a changed copy could send
    QTest::addColumn<QString>("expected");  // the name a takes
    QTest::newRow("Japanese") << "佐藤" << false << "佐藤";
    QTest::newRow("spaces around") << "  佐藤 " << false << "佐藤";
    QTest::newRow("control and format characters") << QString(QStringLiteral("a") + QChar(0x01) + QStringLiteral("b\u200Bc\n")) << false << "abc";
    QTest::newRow("far too long") << QString(500, u'x') << true << QString(32, u'x');
    QTest::newRow("taken away again") << "" << false << "";
}

// Each side's あなたの名前 reaches the other over the secure session, once
// it stands and whenever it changes, and names that player in the kifu.
void TestSecurePlay::namesCarriedIntoTheKifu()
{
    QFETCH(QString, typed);
    QFETCH(bool, pastTheField);
    QFETCH(QString, expected);
    SecureGame g;
    for (AppState *s : {&g.a(), &g.b()}) {
        network::installPanelHandlers(*s);
        record::attachNetworkKifu(*s);
    }
    g.a().form.txtOwnName.setText(QStringLiteral("山田"));
    g.b().form.txtOwnName.setText(QStringLiteral("鈴木"));
    QVERIFY(g.startGame());
    QCOMPARE(g.a().session.peerName, QStringLiteral("鈴木"));
    QCOMPARE(g.b().session.peerName, QStringLiteral("山田"));
    press(g.a(), 60);  // a plays black
    g.settle();
    QVERIFY2(g.side[0]->kifu.last().contains(QStringLiteral("PB[山田]PW[鈴木]")), qPrintable(g.side[0]->kifu.last()));

    if (pastTheField) {
        g.b().form.txtOwnName.text = typed;
        network::sendOwnName(g.b());
    } else {
        g.b().form.txtOwnName.setText(typed);
    }
    g.settle();
    QCOMPARE(g.a().session.peerName, expected);
    const QString players = QStringLiteral("PB[山田]") + (expected.isEmpty() ? QStringLiteral("PW[相手]")
                                                                             : QStringLiteral("PW[%1]").arg(expected));
    QVERIFY2(g.side[0]->kifu.last().contains(players), qPrintable(g.side[0]->kifu.last()));
}

// A copy killed in the game left its kifu; back in the game it keeps the
// game again, whole, in a file of its own; the other side's kifu goes on.
void TestSecurePlay::rejoinedCopyKeepsTheGameAgain()
{
    SecureGame g;
    for (AppState *s : {&g.a(), &g.b()})
        record::attachNetworkKifu(*s);
    QVERIFY(g.startGame());
    press(g.a(), 60);
    g.settle();
    press(g.b(), 62);
    g.settle();
    const auto left = g.side[1]->kifu.files;
    QCOMPARE(left.size(), 1);

    g.kill(1);
    g.world.run(11000);
    g.restart(1);
    g.side[1]->kifu.files = left;  // the folder on disk outlives the copy
    record::attachNetworkKifu(g.b());
    QVERIFY(g.connect());
    g.settle();
    press(g.b(), 64);
    g.settle();

    const auto &kept = g.side[1]->kifu;
    QCOMPARE(kept.files.size(), 2);
    QCOMPARE(kept.files.value(left.firstKey()), left.first());
    QVERIFY(kept.writes.last() != left.firstKey());
    for (int p : {60, 62, 64}) {
        const QString point = QString(QChar(u'a' + pointColumn(p))) + QChar(u'a' + pointRow(p));
        QVERIFY2(kept.last().contains("[" + point + "]"), qPrintable(kept.last()));
    }
    QCOMPARE(kept.last().count(u';'), 4);  // the root and the three stones
    QCOMPARE(g.side[0]->kifu.files.size(), 1);
    QCOMPARE(g.side[0]->kifu.last().count(u';'), 4);
}

QTEST_GUILESS_MAIN(TestSecurePlay)
#include "tst_secureplay.moc"
