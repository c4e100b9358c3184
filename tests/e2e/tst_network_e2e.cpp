// Two copies of the program as test drivers, each in a program folder and a
// temporary folder of its own, playing over real UDP on 127.0.0.1.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

class TestNetworkEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void connectPlayAndQuit();
};

namespace {

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
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
    // Waits, at most `ms`, for a printed line that starts with `prefix`.
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
    // Asks for a line until it reads `expected`, at most `ms`.
    bool poll(const QString &command, const QString &expected, int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            send(command);
            if (waitFor(command.section(QLatin1Char(' '), 0, 0), 2000) && lines.last() == expected)
                return true;
            QTest::qWait(50);
        }
        return false;
    }
};

}  // namespace

void TestNetworkEndToEnd::connectPlayAndQuit()
{
    QTemporaryDir dir;
    const quint16 pa = freePort(), pb = freePort();
    Driver a, b;
    for (const char *name : {"a", "a-tmp", "b", "b-tmp"})
        QVERIFY(QDir(dir.path()).mkpath(QString::fromLatin1(name)));
    QVERIFY(a.start(dir.filePath(QStringLiteral("a")), dir.filePath(QStringLiteral("a-tmp"))));
    QVERIFY(b.start(dir.filePath(QStringLiteral("b")), dir.filePath(QStringLiteral("b-tmp"))));

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
    QVERIFY(a.poll(QStringLiteral("state"), QStringLiteral("state auth=0 started=0 panel=1 hold=0")));
    a.send(QStringLiteral("click Command1"));
    b.send(QStringLiteral("click Command1"));
    QVERIFY(a.poll(QStringLiteral("state"), QStringLiteral("state auth=1 started=0 panel=0 hold=0")));
    QVERIFY(b.poll(QStringLiteral("state"), QStringLiteral("state auth=1 started=0 panel=0 hold=0")));

    // One side starts the game and places a stone; it appears on the other board.
    a.send(QStringLiteral("click cmdStart"));
    QVERIFY(a.waitFor(QStringLiteral("box inform 対局を開始しました")));
    // The other side shows its own notice, holding this board meanwhile.
    QVERIFY(b.waitFor(QStringLiteral("box inform 対局を開始しました。")));
    QVERIFY(b.poll(QStringLiteral("state"), QStringLiteral("state auth=1 started=1 panel=0 hold=0")));
    QVERIFY(a.poll(QStringLiteral("state"), QStringLiteral("state auth=1 started=1 panel=0 hold=0")));
    // A press while the other side still holds the board does nothing: press again, as a player would.
    bool placed = false;
    for (int i = 0; i < 20 && !placed; ++i) {
        a.send(QStringLiteral("press 60"));
        placed = a.poll(QStringLiteral("point 60"), QStringLiteral("point 60 1"), 500);
    }
    QVERIFY(placed);
    QVERIFY(b.poll(QStringLiteral("point 60"), QStringLiteral("point 60 1")));

    // Closing one ends the other.
    a.send(QStringLiteral("close"));
    QVERIFY(a.process.waitForFinished(10000));
    QVERIFY(b.waitFor(QStringLiteral("box inform 相手側ホストから接続がオフになりましたので、一旦終了します。")));
    QVERIFY(b.process.waitForFinished(10000));
    QCOMPARE(b.process.exitCode(), 0);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("b/AppData.dat"))));
}

QTEST_GUILESS_MAIN(TestNetworkEndToEnd)
#include "tst_network_e2e.moc"
