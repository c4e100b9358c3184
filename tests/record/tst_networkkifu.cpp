// Every network game kept as a kifu: two connected window states, each with
// the kifu folder in memory, play; after every change each side's file holds
// the game as it stands.
#include "MemoryWire.h"
#include "NetworkKifu.h"
#include "NetworkedActions.h"
#include "Chat.h"
#include "Panel.h"

#include <QtTest>

using namespace moyuta;

namespace {

using Step = std::function<void(test::MemoryWire &)>;

// "dd": the SGF point of a board point.
QString at(int point)
{
    return QString(QChar(u'a' + pointColumn(point))) + QChar(u'a' + pointRow(point));
}

void press(test::Peer &p, int point, int colour = -1, board::MouseButton button = board::MouseButton::Left)
{
    if (colour >= 0)
        p.s.form.Option1.select(colour == ToolBlack ? 0 : 1);
    board::pressPoint(p.s, point, button);
}

// Both sides keep their kifu and are connected with a game started by a.
void startKept(test::MemoryWire &w)
{
    record::attachNetworkKifu(w.a.s);
    record::attachNetworkKifu(w.b.s);
    QVERIFY(w.startGame());
}

// a plays black at 60, b white at 61.
void firstMoves(test::MemoryWire &w)
{
    press(w.a, 60, ToolBlack);
    w.deliver();
    press(w.b, 61, ToolWhite);
    w.deliver();
}

}  // namespace

class TestNetworkKifu : public QObject {
    Q_OBJECT
private slots:
    void fileName_data();
    void fileName();
    void startTakesAFreeName_data();
    void startTakesAFreeName();
    void rewrittenAfterEveryChange_data();
    void rewrittenAfterEveryChange();
    void playersByTheirFirstStone_data();
    void playersByTheirFirstStone();
    void marksAndLettersStayLocal();
    void failureSaidOncePlayGoesOn_data();
    void failureSaidOncePlayGoesOn();
    void clearEndsTheKifuAndAStartBeginsAnother();
    void openFolder();
    void classicWireCarriesNoName();
    void floodKeptToItsStart();
};

void TestNetworkKifu::fileName_data()
{
    QTest::addColumn<QString>("peer");
    QTest::addColumn<QString>("expected");
    QTest::newRow("IPv4") << "192.168.1.20" << "2026-12-10_1530_192.168.1.20";
    QTest::newRow("spaces around") << " 10.0.0.2 " << "2026-12-10_1530_10.0.0.2";
    QTest::newRow("IPv6") << "::1" << "2026-12-10_1530_--1";
    QTest::newRow("IPv6 in brackets, zone") << "[fe80::1%eth0]" << "2026-12-10_1530_-fe80--1-eth0-";
    QTest::newRow("a name") << "go-board.local" << "2026-12-10_1530_go-board.local";
    QTest::newRow("a Japanese name") << "碁盤PC" << "2026-12-10_1530_碁盤PC";
    QTest::newRow("slashes, dots first") << "../x\\y" << "2026-12-10_1530_-.-x-y";
    QTest::newRow("nothing typed") << "" << "2026-12-10_1530_相手";
    QTest::newRow("very long") << QString(300, u'a') << "2026-12-10_1530_" + QString(64, u'a');
}

void TestNetworkKifu::fileName()
{
    QFETCH(QString, peer);
    QFETCH(QString, expected);
    QCOMPARE(record::kifuBaseName(QDateTime(QDate(2026, 12, 10), QTime(15, 30, 59)), peer), expected);
}

void TestNetworkKifu::startTakesAFreeName_data()
{
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("expected");
    const QString base = QStringLiteral("2026-12-10_1530_127.0.0.1");
    QTest::newRow("free") << QStringList() << base + ".sgf";
    QTest::newRow("taken once") << QStringList{base + ".sgf"} << base + "-2.sgf";
    QTest::newRow("taken twice") << QStringList{base + ".sgf", base + "-2.sgf"} << base + "-3.sgf";
    QTest::newRow("another peer's") << QStringList{"2026-12-10_1530_127.0.0.2.sgf"} << base + ".sgf";
}

void TestNetworkKifu::startTakesAFreeName()
{
    QFETCH(QStringList, taken);
    QFETCH(QString, expected);
    test::MemoryWire w;
    for (const QString &name : taken)
        w.a.kifu.files[name] = "(;)";
    startKept(w);
    QCOMPARE(w.a.kifu.writes, QStringList{expected});  // written at once: the empty game
    QVERIFY(w.a.kifu.folderThere);
    for (const QString &name : taken)
        QCOMPARE(w.a.kifu.files[name], QByteArray("(;)"));  // never overwritten
    const QString text = w.a.kifu.last();
    QVERIFY2(text.startsWith(QStringLiteral("(;FF[4]GM[1]")) && text.contains(QStringLiteral("SZ[19]")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("DT[2026-12-10]")), qPrintable(text));
}

void TestNetworkKifu::rewrittenAfterEveryChange_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<QStringList>("present");  // on both sides, after the step
    QTest::addColumn<QStringList>("absent");

    const QString result = QStringLiteral("RE[");
    QTest::newRow("own stone") << Step([](test::MemoryWire &w) { press(w.a, 62); })
                               << QStringList{";B[" + at(62) + "]"} << QStringList{result};
    QTest::newRow("peer's stone") << Step([](test::MemoryWire &w) { press(w.b, 63); })
                                  << QStringList{";W[" + at(63) + "]"} << QStringList{result};
    QTest::newRow("removal") << Step([](test::MemoryWire &w) { press(w.a, 61, -1, board::MouseButton::Right); })
                             << QStringList{";W[" + at(61) + "]", ";AE[" + at(61) + "]"} << QStringList{result};
    QTest::newRow("待った") << Step([](test::MemoryWire &w) { network::onWait(w.a.s); })
                          << QStringList{";B[" + at(60) + "]"} << QStringList{"W[" + at(61) + "]", result};
    QTest::newRow("own prisoner count") << Step([](test::MemoryWire &w) { w.a.s.form.UpDown1.setValue(2); })
                                        << QStringList{"C[アゲハマ 黒石 0 白石 2]"} << QStringList{result};
    QTest::newRow("peer's prisoner count") << Step([](test::MemoryWire &w) { w.b.s.form.UpDown2.setValue(1); })
                                           << QStringList{"C[アゲハマ 黒石 1 白石 0]"} << QStringList{result};
    QTest::newRow("resign or end") << Step([](test::MemoryWire &w) {
        w.a.dialogs.answers = {Answer::Yes};
        board::onResign(w.a.s);
    }) << QStringList{"RE[投了または終局]", ";W[" + at(61) + "]"}
                                   << QStringList{};
}

void TestNetworkKifu::rewrittenAfterEveryChange()
{
    QFETCH(Step, step);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    test::MemoryWire w;
    startKept(w);
    firstMoves(w);
    for (test::Peer *p : {&w.a, &w.b}) {
        const QString text = p->kifu.last();
        QVERIFY2(text.contains(";B[" + at(60) + "]") && text.contains(";W[" + at(61) + "]"), qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("RE[")), qPrintable(text));  // not before the end
        QVERIFY2(text.contains(QStringLiteral("C[アゲハマ 黒石 0 白石 0]")), qPrintable(text));
    }
    const qsizetype writesA = w.a.kifu.writes.size(), writesB = w.b.kifu.writes.size();

    step(w);
    w.deliver();
    QVERIFY(w.a.kifu.writes.size() > writesA);
    QVERIFY(w.b.kifu.writes.size() > writesB);
    QCOMPARE(w.a.kifu.files.size(), 1);  // one file a game, rewritten
    for (test::Peer *p : {&w.a, &w.b}) {
        const QString text = p->kifu.last();
        QCOMPARE(p->kifu.files.first(), text.toUtf8());
        for (const QString &piece : present)
            QVERIFY2(text.contains(piece), qPrintable(piece + " not in " + text));
        for (const QString &piece : absent)
            QVERIFY2(!text.contains(piece), qPrintable(piece + " in " + text));
    }
}

void TestNetworkKifu::playersByTheirFirstStone_data()
{
    QTest::addColumn<int>("aColour");  // of a's first stone; b plays the other
    QTest::addColumn<QString>("aName");
    QTest::addColumn<QString>("aPlayers");  // PB and PW in a's file
    QTest::addColumn<QString>("bPlayers");
    QTest::newRow("a black") << int(ToolBlack) << "山田" << "PB[山田]PW[相手]" << "PB[相手]PW[鈴木]";
    QTest::newRow("a white") << int(ToolWhite) << "山田" << "PB[相手]PW[山田]" << "PB[鈴木]PW[相手]";
    QTest::newRow("a without a name") << int(ToolBlack) << "" << "PW[相手]" << "PB[相手]PW[鈴木]";
    QTest::newRow("a name to escape") << int(ToolWhite) << "a]b\\" << "PB[相手]PW[a\\]b\\\\]" << "PB[鈴木]PW[相手]";
}

void TestNetworkKifu::playersByTheirFirstStone()
{
    QFETCH(int, aColour);
    QFETCH(QString, aName);
    QFETCH(QString, aPlayers);
    QFETCH(QString, bPlayers);
    test::MemoryWire w;
    w.a.s.form.txtOwnName.setText(aName);
    w.b.s.form.txtOwnName.setText(QStringLiteral("鈴木"));
    startKept(w);
    const int bColour = aColour == ToolBlack ? ToolWhite : ToolBlack;
    w.a.s.form.chkOtherMarks.setChecked(true);
    w.a.s.form.Option4.select(1);  // a mark first tells nothing
    press(w.a, 80);
    w.a.s.form.Option4.select(0);
    w.deliver();
    for (test::Peer *p : {&w.a, &w.b})
        QVERIFY2(!p->kifu.last().contains(QStringLiteral("PB[")) && !p->kifu.last().contains(QStringLiteral("PW[")),
                 qPrintable(p->kifu.last()));

    press(w.a, 60, aColour);
    w.deliver();
    press(w.b, 61, bColour);
    w.deliver();
    press(w.a, 62, bColour);  // later stones of the other colour change nothing
    w.deliver();
    QVERIFY2(w.a.kifu.last().contains(aPlayers), qPrintable(w.a.kifu.last()));
    QVERIFY2(w.b.kifu.last().contains(bPlayers), qPrintable(w.b.kifu.last()));
    if (aName.isEmpty())
        QVERIFY(!w.a.kifu.last().contains(QStringLiteral("PB[")));
}

void TestNetworkKifu::marksAndLettersStayLocal()
{
    test::MemoryWire w;
    startKept(w);
    Form &f = w.a.s.form;
    f.chkOtherMarks.setChecked(true);
    f.Option4.select(1);  // ▲
    press(w.a, 80);
    f.Option4.select(2);  // ◆
    press(w.a, 81);
    f.Option4.select(3);  // A
    press(w.a, 82);
    f.Option4.select(0);
    press(w.a, 60, ToolBlack);
    w.deliver();
    QCOMPARE(w.a.s.moves.networkMoveLog.size(), 4);  // the marks are in the game
    QCOMPARE(w.b.s.moves.networkMoveLog, w.a.s.moves.networkMoveLog);
    for (test::Peer *p : {&w.a, &w.b}) {
        const QString text = p->kifu.last();
        QVERIFY2(text.contains(";B[" + at(60) + "]"), qPrintable(text));
        for (const char *markup : {"TR[", "SQ[", "LB[", "AE["})
            QVERIFY2(!text.contains(QLatin1String(markup)), qPrintable(text));
    }
}

void TestNetworkKifu::failureSaidOncePlayGoesOn_data()
{
    QTest::addColumn<bool>("folderRefused");
    QTest::newRow("the folder cannot be made") << true;
    QTest::newRow("the file cannot be written") << false;
}

void TestNetworkKifu::failureSaidOncePlayGoesOn()
{
    QFETCH(bool, folderRefused);
    test::MemoryWire w;
    w.a.kifu.refuseFolder = folderRefused;
    w.a.kifu.refuseWrite = !folderRefused;
    startKept(w);
    const QString notice = QStringLiteral("棋譜を保存できませんでした（/home/player/Documents/Moyuta/棋譜）");
    QCOMPARE(w.a.s.form.txtDisp.text, notice);
    QVERIFY(w.a.kifu.files.isEmpty());

    w.b.s.form.txtSend.setText(QStringLiteral("よろしく"));
    network::onSend(w.b.s);
    w.deliver();
    QVERIFY(w.a.s.form.txtDisp.text != notice);
    const QString chatLine = w.a.s.form.txtDisp.text;
    firstMoves(w);
    QCOMPARE(w.a.s.form.txtDisp.text, chatLine);  // said once
    QCOMPARE(w.b.s.board.points[60].content, PointContent::Black);  // play goes on
    QCOMPARE(w.a.s.board.points[61].content, PointContent::White);
    QCOMPARE(w.b.kifu.files.size(), 1);

    // The folder comes back: the next change writes the whole game.
    w.a.kifu.refuseFolder = w.a.kifu.refuseWrite = false;
    press(w.a, 62);
    w.deliver();
    const QString text = w.a.kifu.last();
    for (int p : {60, 61, 62})
        QVERIFY2(text.contains("[" + at(p) + "]"), qPrintable(text));
    QCOMPARE(w.a.s.form.txtDisp.text, chatLine);
}

void TestNetworkKifu::clearEndsTheKifuAndAStartBeginsAnother()
{
    test::MemoryWire w;
    startKept(w);
    firstMoves(w);
    w.a.dialogs.answers = {Answer::Yes};
    board::onResign(w.a.s);
    w.deliver();
    w.a.dialogs.answers = {Answer::Yes};
    board::onClear(w.a.s);
    w.deliver();
    const auto firstGame = w.a.kifu.files, firstGameB = w.b.kifu.files;
    QCOMPARE(firstGame.size(), 1);
    QVERIFY(QString::fromUtf8(firstGame.first()).contains(QStringLiteral("RE[投了または終局]")));

    // Between games: the kept game stays as it was.
    press(w.a, 70, ToolBlack);
    w.a.s.form.UpDown2.setValue(4);
    w.deliver();
    QCOMPARE(w.a.kifu.files, firstGame);
    QCOMPARE(w.b.kifu.files, firstGameB);

    // The next game, started by b in the same minute on a, five minutes later on b.
    w.b.kifu.now = w.b.kifu.now.addSecs(300);
    board::onStart(w.b.s);
    w.deliver();
    QCOMPARE(w.a.kifu.files.size(), 2);
    QCOMPARE(w.a.kifu.writes.last(), QStringLiteral("2026-12-10_1530_127.0.0.1-2.sgf"));
    QCOMPARE(w.b.kifu.writes.last(), QStringLiteral("2026-12-10_1535_127.0.0.1.sgf"));
    for (test::Peer *p : {&w.a, &w.b}) {
        const QString text = p->kifu.last();
        QVERIFY2(!text.contains(QStringLiteral("RE[")) && !text.contains("[" + at(60) + "]"), qPrintable(text));
    }
    QCOMPARE(w.a.kifu.files.value(firstGame.firstKey()), firstGame.first());
}

void TestNetworkKifu::openFolder()
{
    test::MemoryWire w;
    record::onOpenKifuFolder(w.a.s);
    QCOMPARE(w.a.kifu.opens, 1);
    QVERIFY(w.a.kifu.folderThere);
    QVERIFY(w.a.kifu.files.isEmpty());
}

// The classic protocol stays as it was: a name typed is not sent, and the peer is "相手".
void TestNetworkKifu::classicWireCarriesNoName()
{
    test::MemoryWire w;
    network::installPanelHandlers(w.a.s);
    w.a.s.form.txtOwnName.setText(QStringLiteral("山田"));
    startKept(w);
    const qsizetype sent = w.sent.size();
    w.b.s.form.txtOwnName.setText(QStringLiteral("鈴木"));
    w.a.s.form.txtOwnName.setText(QStringLiteral("山田太郎"));
    w.deliver();
    QCOMPARE(w.sent.size(), sent);
    QVERIFY(w.a.s.session.peerName.isEmpty() && w.b.s.session.peerName.isEmpty());
    press(w.a, 60, ToolBlack);
    w.deliver();
    QVERIFY2(w.a.kifu.last().contains(QStringLiteral("PB[山田太郎]PW[相手]")), qPrintable(w.a.kifu.last()));
}

// A peer that sends move after move: each rewrite stays as long as the kept start.
void TestNetworkKifu::floodKeptToItsStart()
{
    test::MemoryWire w;
    startKept(w);
    for (int i = 0; i < record::kMaxKifuEntries + 500; ++i)
        w.a.s.moves.networkMoveLog << board::MoveEntry{.tool = ToolBlack + i % 2, .point = i % kPointCount}.wireText();
    w.b.s.form.UpDown1.setValue(7);  // a change from the peer after the flood
    w.deliver();
    const QString text = w.a.kifu.last();
    QCOMPARE(text.count(QStringLiteral(";B[")) + text.count(QStringLiteral(";W[")), record::kMaxKifuEntries);
    QVERIFY2(text.contains(QStringLiteral("C[アゲハマ 黒石 0 白石 7]")), qPrintable(text.right(80)));
}

QTEST_GUILESS_MAIN(TestNetworkKifu)
#include "tst_networkkifu.moc"
