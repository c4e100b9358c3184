// Two copies of the program as test drivers, each in a program folder and a
// temporary folder of its own, playing over real UDP on 127.0.0.1 or ::1, directly
// or through the lossy relay; and a driver killed and started again.
#include "E2eProcesses.h"

#include <QDir>
#include <QTemporaryDir>

using namespace e2e;

class TestNetworkEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void wholeGame_data();
    void wholeGame();
    void refusedWhileAnotherRuns();
    void restartsAtOnceAfterKill();
    void playsThroughRelay_data() { protocols(); }
    void playsThroughRelay();

private:
    // The secure session (the default) and the classic protocol, ticked on both sides.
    static void protocols()
    {
        QTest::addColumn<bool>("classic");
        QTest::newRow("secure") << false;
        QTest::newRow("classic") << true;
    }
};

// Each protocol over IPv4, over IPv6 and by a name.
void TestNetworkEndToEnd::wholeGame_data()
{
    QTest::addColumn<bool>("classic");
    QTest::addColumn<QString>("peer");
    QTest::newRow("secure") << false << "127.0.0.1";
    QTest::newRow("classic") << true << "127.0.0.1";
    QTest::newRow("secure, IPv6") << false << "::1";
    QTest::newRow("classic, IPv6 in brackets") << true << "[::1]";
    QTest::newRow("secure, name") << false << "localhost";
    QTest::newRow("classic, name") << true << "localhost";
}

void TestNetworkEndToEnd::wholeGame()
{
    QFETCH(bool, classic);
    QFETCH(QString, peer);
    Folders dir;
    QVERIFY(dir.make());
    const quint16 pa = freePort(), pb = freePort();
    Driver a, b;
    QVERIFY(a.start(dir("a"), dir("a-tmp")));
    QVERIFY(b.start(dir("b"), dir("b-tmp")));
    const QString P = QStringLiteral("point "), G = QStringLiteral("game");

    QVERIFY(connectBoth(a, pa, pb, b, pb, pa, classic, peer));

    // 13 lines on both boards, then the start.
    QVERIFY(a.act(QStringLiteral("click Option3_1"), G, has(QStringLiteral("size=1"))));
    QVERIFY(inStep(a, b).contains(QStringLiteral("size=1")));
    QVERIFY(a.act(QStringLiteral("click cmdStart"), QStringLiteral("state"), has(QStringLiteral("started=1"))));
    QVERIFY(a.saw(QStringLiteral("box inform 対局を開始しました")));
    QVERIFY(b.saw(QStringLiteral("box inform 対局を開始しました。")));
    QVERIFY(b.poll(QStringLiteral("state"), has(QStringLiteral("started=1"))));
    QVERIFY(!inStep(a, b).isEmpty());

    // Moves both ways: black from a, white from b.
    QVERIFY(a.act(QStringLiteral("press 60"), P + "60", is(point(60, 1))));
    QVERIFY(inStep(a, b).contains(QStringLiteral("log=1,60,")));
    QVERIFY(b.act(QStringLiteral("click Option1_1"), QStringLiteral("caption Option1_1"), has(QStringLiteral("白"))));
    QVERIFY(b.act(QStringLiteral("press 61"), P + "61", is(point(61, 2))));
    QVERIFY(!inStep(a, b).isEmpty());
    QVERIFY(a.poll(P + "61", is(point(61, 2))));

    // a takes the white stone off and counts it as a prisoner.
    QVERIFY(a.act(QStringLiteral("rpress 61"), P + "61", is(point(61, 0))));
    QVERIFY(a.act(QStringLiteral("spin UpDown1 1"), G, has(QStringLiteral("white=1"))));
    QVERIFY(inStep(a, b).contains(QStringLiteral("black=0 white=1")));
    QVERIFY(b.poll(P + "61", is(point(61, 0))));

    // Chat both ways, in Japanese.
    QVERIFY(a.act(QStringLiteral("chat よろしくお願いします"), QStringLiteral("chatlog"),
                  is(QStringLiteral("chatlog △よろしくお願いします|△よろしくお願いします"))));
    QVERIFY(b.poll(QStringLiteral("chatlog"), is(QStringLiteral("chatlog ◇よろしくお願いします|◇よろしくお願いします"))));
    QVERIFY(b.act(QStringLiteral("chat こちらこそ、お手柔らかに"), QStringLiteral("chatlog"), has(QStringLiteral("△こちらこそ"))));
    QVERIFY(a.poll(QStringLiteral("chatlog"),
                   is(QStringLiteral("chatlog ◇こちらこそ、お手柔らかに|△よろしくお願いします|◇こちらこそ、お手柔らかに"))));
    // Dictation fills the input through the accessibility interface; 送信(&Z), pressed the same way, sends it.
    a.send(QStringLiteral("aset txtSend 音声で入力しました"));
    QVERIFY(a.act(QStringLiteral("apress cmdSend"), QStringLiteral("chatlog"), has(QStringLiteral("|△音声で入力しました"))));
    QVERIFY(b.poll(QStringLiteral("chatlog"), has(QStringLiteral("chatlog ◇音声で入力しました|"))));

    // 待った: b places a stone and takes it back; it goes on both boards.
    const QString before = inStep(a, b);
    const Shows stone62 = [](const QString &l) { return l.startsWith(QLatin1String("point 62 ")) && l != point(62, 0); };
    QVERIFY(b.act(QStringLiteral("press 62"), P + "62", stone62));
    QVERIFY(a.poll(P + "62", stone62));
    QVERIFY(b.act(QStringLiteral("click cmdWait"), P + "62", is(point(62, 0))));
    QCOMPARE(inStep(a, b), before);

    // Away and back: a's board does nothing meanwhile.
    QVERIFY(b.act(QStringLiteral("click cmdOff"), QStringLiteral("caption cmdOff"), has(QStringLiteral("退席中"))));
    QVERIFY(a.poll(QStringLiteral("overlay"), is(QStringLiteral("overlay 1 退席中…"))));
    a.send(QStringLiteral("press 100"));
    QCOMPARE(a.query(P + "100"), point(100, 0));
    QVERIFY(b.act(QStringLiteral("click cmdOff"), QStringLiteral("caption cmdOff"), has(QStringLiteral("着席中"))));
    QVERIFY(a.poll(QStringLiteral("overlay"), is(QStringLiteral("overlay 0"))));
    QCOMPARE(inStep(a, b), before);

    // a resigns; b's notice is answered with 投了OK, which takes a's waiting notice away.
    QVERIFY(a.act(QStringLiteral("click cmdTouryou"), QStringLiteral("state"), has(QStringLiteral("ended=1"))));
    QVERIFY(a.saw(QStringLiteral("box ask 投了または終局しますか？")));
    QVERIFY(b.saw(QStringLiteral("box inform 投了または終局しました。")));
    QVERIFY(b.poll(QStringLiteral("state"), has(QStringLiteral("started=0 ended=1"))));
    QVERIFY(a.poll(QStringLiteral("overlay"), is(QStringLiteral("overlay 0"))));
    QCOMPARE(inStep(a, b), before);

    // a clears; b clears too.
    QVERIFY(a.act(QStringLiteral("click cmdClear"), P + "60", is(point(60, 0))));
    QVERIFY(b.saw(QStringLiteral("box inform 相手がクリアーしましたので、こちらもクリアーします。")));
    const QString cleared = inStep(a, b);
    QVERIFY(cleared.contains(QStringLiteral("black=0 white=0 points=") + QString(361, u'0') + QStringLiteral(" log=")));
    for (Driver *d : {&a, &b})
        QVERIFY(d->poll(QStringLiteral("state"), has(QStringLiteral("started=0 ended=0"))));

    // A second game, started by b, with moves both ways.
    QVERIFY(b.act(QStringLiteral("click cmdStart"), QStringLiteral("state"), has(QStringLiteral("started=1"))));
    QVERIFY(a.poll(QStringLiteral("state"), has(QStringLiteral("started=1"))));
    QVERIFY(b.act(QStringLiteral("press 80"), P + "80", is(point(80, 1))));
    QVERIFY(inStep(a, b).contains(QStringLiteral("log=1,80,")));
    QVERIFY(a.act(QStringLiteral("click Option1_1"), QStringLiteral("caption Option1_1"), has(QStringLiteral("白"))));
    QVERIFY(a.act(QStringLiteral("press 81"), P + "81", is(point(81, 2))));
    const QString second = inStep(a, b);
    QVERIFY(second.contains(QStringLiteral("size=1")));
    QVERIFY(second.endsWith(QStringLiteral(";2,81,0,0,0")));

    // Quitting one ends the other.
    a.send(QStringLiteral("close"));
    QVERIFY(a.process.waitForFinished(10000));
    QVERIFY(b.saw(QStringLiteral("box inform 相手側ホストから接続がオフになりましたので、一旦終了します。")));
    QVERIFY(b.process.waitForFinished(10000));
    QCOMPARE(a.process.exitCode(), 0);
    QCOMPARE(b.process.exitCode(), 0);
    QVERIFY(QFile::exists(dir("a/AppData.dat")));
    QVERIFY(QFile::exists(dir("b/AppData.dat")));
}

void TestNetworkEndToEnd::refusedWhileAnotherRuns()
{
    Folders dir;
    QVERIFY(dir.make());
    Driver a, b;
    QVERIFY(a.start(dir("a"), dir("a-tmp")));
    // Another program folder, but the same temporary folder: the same lock.
    QVERIFY(!b.start(dir("b"), dir("a-tmp"), 5000));
    QVERIFY(b.process.state() == QProcess::NotRunning || b.process.waitForFinished(5000));
    QCOMPARE(b.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(b.process.exitCode(), 1);
    QVERIFY(b.lines.contains(QStringLiteral("box warn Moyutaはすでに起動しています。")));
    QVERIFY(!b.lines.contains(QStringLiteral("ready")));
    QVERIFY(!QFile::exists(dir("b/AppData.dat")));  // a refused start saves nothing
    QVERIFY(!a.query(QStringLiteral("state")).isEmpty());
}

void TestNetworkEndToEnd::restartsAtOnceAfterKill()
{
    Folders dir;
    QVERIFY(dir.make());
    Driver a;
    QVERIFY(a.start(dir("a"), dir("a-tmp")));
    a.kill();
    QCOMPARE(a.process.exitStatus(), QProcess::CrashExit);
    // The dead copy's lock is left behind; it must not hold the next start up.
    QCOMPARE(QDir(dir("a-tmp")).entryList({QStringLiteral("moyuta-*.lock")}, QDir::Files).size(), 1);
    QElapsedTimer took;
    took.start();
    QVERIFY(a.start(dir("a"), dir("a-tmp")));
    QVERIFY2(took.elapsed() < 5000, qPrintable(QString::number(took.elapsed())));
    QCOMPARE(a.query(QStringLiteral("state")), QStringLiteral("state auth=0 started=0 ended=0 panel=0 hold=0"));
    // And the new copy holds the lock again.
    Driver b;
    QVERIFY(!b.start(dir("b"), dir("a-tmp"), 5000));
}

void TestNetworkEndToEnd::playsThroughRelay()
{
    QFETCH(bool, classic);
    Folders dir;
    QVERIFY(dir.make());
    const quint16 pa = freePort(), pb = freePort();
    Relay relay;
    QVERIFY(relay.start(pa, pb));
    Driver a, b;
    QVERIFY(a.start(dir("a"), dir("a-tmp")));
    QVERIFY(b.start(dir("b"), dir("b-tmp")));
    // Each copy has the relay for its peer.
    QVERIFY(connectBoth(a, pa, relay.port1(), b, pb, relay.port2(), classic));
    QVERIFY(startGame(a, b));
    const QString P = QStringLiteral("point ");
    // Each move once the other side has it, as players take turns.
    QVERIFY(a.act(QStringLiteral("press 60"), P + "60", is(point(60, 1))));
    QVERIFY(inStep(a, b).contains(QStringLiteral("log=1,60,")));
    QVERIFY(b.act(QStringLiteral("click Option1_1"), QStringLiteral("caption Option1_1"), has(QStringLiteral("白"))));
    QVERIFY(b.act(QStringLiteral("press 72"), P + "72", is(point(72, 2))));
    QVERIFY(inStep(a, b).endsWith(QStringLiteral(";2,72,0,0,0")));
    QVERIFY(a.act(QStringLiteral("press 100"), P + "100", is(point(100, 1))));
    QVERIFY(inStep(a, b).endsWith(QStringLiteral(";1,100,0,0,0")));
    for (const QString &direction : {QStringLiteral("a2b"), QStringLiteral("b2a")}) {
        const QJsonObject stats = relay.stats(direction);
        QVERIFY(stats.value(QStringLiteral("forwarded")).toInteger() > 0);
        QCOMPARE(stats.value(QStringLiteral("dropped")).toInteger(-1), 0);
    }

    // Both killed, both started again in their folders on the same ports: they connect again.
    a.kill();
    b.kill();
    QVERIFY(a.start(dir("a"), dir("a-tmp")));
    QVERIFY(b.start(dir("b"), dir("b-tmp")));
    QVERIFY(connectBoth(a, pa, relay.port1(), b, pb, relay.port2(), classic));
    QVERIFY(startGame(b, a));
    QVERIFY(b.act(QStringLiteral("press 40"), P + "40", is(point(40, 1))));
    QVERIFY(inStep(a, b).contains(QStringLiteral("log=1,40,0,0,0")));
    QVERIFY(relay.quit());
}

QTEST_GUILESS_MAIN(TestNetworkEndToEnd)
#include "tst_network_e2e.moc"
