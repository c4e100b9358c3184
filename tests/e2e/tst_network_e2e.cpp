// Two copies of the program as test drivers, each in a program folder and a
// temporary folder of its own, playing a whole game over real UDP on 127.0.0.1.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <functional>

class TestNetworkEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void wholeGame();
};

namespace {

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

using Shows = std::function<bool(const QString &)>;

Shows is(const QString &expected)
{
    return [expected](const QString &line) { return line == expected; };
}

Shows has(const QString &part)
{
    return [part](const QString &line) { return line.contains(part); };
}

// One driver process and the lines it has printed.
class Driver {
public:
    QProcess process;
    QStringList lines;

    bool start(const QString &folder, const QString &tmp)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), tmp);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(MOYUTA_DRIVER), {folder});
        return process.waitForStarted(10000) && waitFor(QStringLiteral("ready"));
    }
    void send(const QString &command) { process.write((command + QLatin1Char('\n')).toUtf8()); }
    // Waits, at most `ms`, for a new printed line that starts with `prefix`.
    bool waitFor(const QString &prefix, int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            while (process.canReadLine()) {
                lines << QString::fromUtf8(process.readLine()).trimmed();
                if (lines.last().startsWith(prefix))
                    return true;
            }
            if (process.state() != QProcess::Running)
                return false;
            process.waitForReadyRead(int(std::min<qint64>(200, deadline.remainingTime())));
        }
        return false;
    }
    // Whether the driver has printed `line`, now or within `ms`.
    bool saw(const QString &line, int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        while (!lines.contains(line)) {
            if (deadline.hasExpired() || !waitFor(line, int(deadline.remainingTime())))
                return lines.contains(line);
        }
        return true;
    }
    // Sends a query and returns its answer (empty when none came).
    QString query(const QString &command)
    {
        send(command);
        return waitFor(command.section(QLatin1Char(' '), 0, 0), 2000) ? lines.last() : QString();
    }
    // Asks until the answer shows what is expected, at most `ms`.
    bool poll(const QString &command, const Shows &shows, int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            if (shows(query(command)))
                return true;
            QTest::qWait(20);
        }
        return false;
    }
    // Takes an action until this side shows its effect: an action taken while
    // the other side holds the board does nothing, so a player takes it again.
    bool act(const QString &command, const QString &query, const Shows &shows)
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            send(command);
            if (poll(query, shows, 500))
                return true;
        }
        return false;
    }
};

// Both boards, prisoner counts and move logs, once they agree (empty when they never do).
QString inStep(Driver &a, Driver &b)
{
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        const QString ga = a.query(QStringLiteral("game")), gb = b.query(QStringLiteral("game"));
        if (!ga.isEmpty() && ga == gb)
            return ga;
        QTest::qWait(20);
    }
    return {};
}

QString point(int p, int content)
{
    return QStringLiteral("point %1 %2").arg(p).arg(content);
}

}  // namespace

void TestNetworkEndToEnd::wholeGame()
{
    QTemporaryDir dir;
    const quint16 pa = freePort(), pb = freePort();
    Driver a, b;
    for (const char *name : {"a", "a-tmp", "b", "b-tmp"})
        QVERIFY(QDir(dir.path()).mkpath(QString::fromLatin1(name)));
    QVERIFY(a.start(dir.filePath(QStringLiteral("a")), dir.filePath(QStringLiteral("a-tmp"))));
    QVERIFY(b.start(dir.filePath(QStringLiteral("b")), dir.filePath(QStringLiteral("b-tmp"))));
    const QString P = QStringLiteral("point "), G = QStringLiteral("game");

    // Connect, the second side a second after the first.
    struct Side {
        Driver &d;
        quint16 own, peer;
    };
    for (const Side &side : {Side{a, pa, pb}, Side{b, pb, pa}}) {
        side.d.send(QStringLiteral("click cmdNetwork"));
        side.d.send(QStringLiteral("set peer 127.0.0.1"));
        side.d.send(QStringLiteral("set peerport %1").arg(side.peer));
        side.d.send(QStringLiteral("set ownport %1").arg(side.own));
        side.d.send(QStringLiteral("set password abcdef"));
        side.d.send(QStringLiteral("set cipher 9"));
    }
    QVERIFY(a.poll(QStringLiteral("state"), has(QStringLiteral("auth=0 started=0 ended=0 panel=1"))));
    a.send(QStringLiteral("click Command1"));
    QTest::qWait(1000);
    b.send(QStringLiteral("click Command1"));
    for (Driver *d : {&a, &b})
        QVERIFY(d->poll(QStringLiteral("state"), is(QStringLiteral("state auth=1 started=0 ended=0 panel=0 hold=0"))));

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
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("a/AppData.dat"))));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("b/AppData.dat"))));
}

QTEST_GUILESS_MAIN(TestNetworkEndToEnd)
#include "tst_network_e2e.moc"
