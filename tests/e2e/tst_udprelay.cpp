// The lossy UDP relay as a child process between two plain sockets on 127.0.0.1.
#include "E2eProcesses.h"

#include <QNetworkDatagram>

using e2e::Relay;

class TestUdpRelay : public QObject {
    Q_OBJECT
private slots:
    void relaysEachWay_data();
    void relaysEachWay();
    void oneWayCut();
    void delaysReorder();
    void countsAddUpUnderMixedOdds();
    void queueIsBounded();
    void controlRefusesNonsense();
    void attackerCommands();
    void badOptionsAreRefused_data();
    void badOptionsAreRefused();
    void endsWithItsInput();
};

namespace {

// The two copies' sockets, on ports of their own.
struct Ends {
    QUdpSocket a, b;
    bool bind() { return a.bind(QHostAddress::LocalHost, 0) && b.bind(QHostAddress::LocalHost, 0); }
    bool startRelay(Relay &relay, const QStringList &options = {})
    {
        return bind() && relay.start(a.localPort(), b.localPort(), options);
    }
};

void sendNumbered(QUdpSocket &from, quint16 to, const QString &tag, int count)
{
    for (int i = 0; i < count; ++i)
        from.writeDatagram(QStringLiteral("%1%2").arg(tag).arg(i).toUtf8(), QHostAddress::LocalHost, to);
}

// What `socket` receives until `count` have come or `ms` has passed.
QStringList receive(QUdpSocket &socket, int count, int ms)
{
    QStringList got;
    QDeadlineTimer deadline(ms);
    while (got.size() < count && !deadline.hasExpired()) {
        while (socket.hasPendingDatagrams())
            got << QString::fromUtf8(socket.receiveDatagram().data());
        if (got.size() < count)
            socket.waitForReadyRead(int(std::min<qint64>(50, deadline.remainingTime())));
    }
    while (socket.hasPendingDatagrams())
        got << QString::fromUtf8(socket.receiveDatagram().data());
    return got;
}

qint64 count(const QJsonObject &stats, const char *name)
{
    return stats.value(QLatin1String(name)).toInteger(-1);
}

// The relay's counts of one direction once it has taken `received` and holds none back.
QJsonObject settled(Relay &relay, const QString &direction, int received, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    QJsonObject stats;
    do {
        stats = relay.stats(direction);
        if (count(stats, "received") == received && count(stats, "pending") == 0)
            return stats;
        QTest::qWait(20);
    } while (!deadline.hasExpired());
    return stats;
}

// Every datagram taken is forwarded, dropped or held; a duplicate adds one.
bool addsUp(const QJsonObject &s)
{
    return count(s, "received") + count(s, "duplicated")
           == count(s, "forwarded") + count(s, "dropped") + count(s, "pending");
}

QStringList numbered(const QString &tag, int count, int times = 1)
{
    QStringList list;
    for (int i = 0; i < count; ++i) {
        for (int t = 0; t < times; ++t)
            list << QStringLiteral("%1%2").arg(tag).arg(i);
    }
    return list;
}

}  // namespace

void TestUdpRelay::relaysEachWay_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<int>("times");  // how often each datagram arrives

    QTest::newRow("clear line") << QStringList{} << QStringList{} << 1;
    QTest::newRow("all lost") << QStringList{"--loss", "100"} << QStringList{} << 0;
    QTest::newRow("all twice") << QStringList{"--dup", "100"} << QStringList{} << 2;
    QTest::newRow("cut from the start") << QStringList{"--drop-all"} << QStringList{} << 0;
    QTest::newRow("mended at run time") << QStringList{"--drop-all"} << QStringList{"cut off"} << 1;
    QTest::newRow("lost at run time") << QStringList{} << QStringList{"loss 100"} << 0;
    QTest::newRow("twice at run time") << QStringList{} << QStringList{"dup 100"} << 2;
    QTest::newRow("cut at run time") << QStringList{} << QStringList{"cut on"} << 0;
    QTest::newRow("cut and mended") << QStringList{} << QStringList{"cut on", "cut off"} << 1;
    QTest::newRow("odds taken back") << QStringList{"--loss", "100", "--dup", "100"}
                                     << QStringList{"loss 0", "dup 0"} << 1;
}

void TestUdpRelay::relaysEachWay()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, commands);
    QFETCH(int, times);
    const int n = 40;
    Ends ends;
    Relay relay;
    QVERIFY(ends.startRelay(relay, options));
    for (const QString &command : commands)
        QVERIFY2(relay.control(command), qPrintable(command));

    sendNumbered(ends.a, relay.port1(), QStringLiteral("a"), n);
    sendNumbered(ends.b, relay.port2(), QStringLiteral("b"), n);
    // In order on a clear line; each copy of a duplicate follows its first.
    QCOMPARE(receive(ends.b, n * times, 5000), numbered(QStringLiteral("a"), n, times));
    QCOMPARE(receive(ends.a, n * times, 5000), numbered(QStringLiteral("b"), n, times));

    for (const char *direction : {"a2b", "b2a"}) {
        const QJsonObject stats = settled(relay, QLatin1String(direction), n);
        QCOMPARE(count(stats, "received"), n);
        QCOMPARE(count(stats, "forwarded"), n * times);
        QCOMPARE(count(stats, "duplicated"), times == 2 ? n : 0);
        QCOMPARE(count(stats, "dropped"), times == 0 ? n : 0);
    }
    // Nothing more comes later.
    QVERIFY(receive(ends.b, 1, 200).isEmpty());
    QVERIFY(relay.quit());
}

void TestUdpRelay::oneWayCut()
{
    Ends ends;
    Relay relay;
    QVERIFY(ends.startRelay(relay));
    QVERIFY(relay.control(QStringLiteral("cut a on")));
    sendNumbered(ends.a, relay.port1(), QStringLiteral("a"), 10);
    sendNumbered(ends.b, relay.port2(), QStringLiteral("b"), 10);
    QCOMPARE(receive(ends.a, 10, 5000), numbered(QStringLiteral("b"), 10));
    QCOMPARE(count(settled(relay, QStringLiteral("a2b"), 10), "dropped"), 10);
    QVERIFY(receive(ends.b, 1, 200).isEmpty());

    QVERIFY(relay.control(QStringLiteral("cut a off")));
    sendNumbered(ends.a, relay.port1(), QStringLiteral("a"), 10);
    QCOMPARE(receive(ends.b, 10, 5000), numbered(QStringLiteral("a"), 10));
}

void TestUdpRelay::delaysReorder()
{
    const int n = 100;
    Ends ends;
    Relay relay;
    QVERIFY(ends.startRelay(relay, {"--delay-ms", "0:60", "--seed", "7"}));
    QElapsedTimer took;
    took.start();
    sendNumbered(ends.a, relay.port1(), QStringLiteral("a"), n);
    const QStringList got = receive(ends.b, n, 5000);
    QCOMPARE(got.size(), n);
    QVERIFY2(got != numbered(QStringLiteral("a"), n), "the random delays should reorder");
    QStringList sorted = got;
    std::sort(sorted.begin(), sorted.end());
    QStringList expected = numbered(QStringLiteral("a"), n);
    std::sort(expected.begin(), expected.end());
    QCOMPARE(sorted, expected);  // every one, once
    QVERIFY(took.elapsed() >= 30);  // held back, not sent at once
    const QJsonObject stats = settled(relay, QStringLiteral("a2b"), n);
    QCOMPARE(count(stats, "forwarded"), n);
    QVERIFY(addsUp(stats));
}

void TestUdpRelay::countsAddUpUnderMixedOdds()
{
    const int n = 200;
    Ends ends;
    Relay relay;
    QVERIFY(ends.startRelay(relay, {"--loss", "30", "--dup", "30", "--delay-ms", "0:20", "--seed", "3"}));
    sendNumbered(ends.a, relay.port1(), QStringLiteral("a"), n);
    sendNumbered(ends.b, relay.port2(), QStringLiteral("b"), n);
    for (const auto &[direction, to] : {std::pair{"a2b", &ends.b}, std::pair{"b2a", &ends.a}}) {
        const QJsonObject stats = settled(relay, QLatin1String(direction), n);
        QVERIFY2(addsUp(stats), QJsonDocument(stats).toJson().constData());
        QVERIFY(count(stats, "dropped") > 0 && count(stats, "dropped") < n);
        QVERIFY(count(stats, "duplicated") > 0);
        QCOMPARE(receive(*to, int(count(stats, "forwarded")), 5000).size(), count(stats, "forwarded"));
    }
}

void TestUdpRelay::queueIsBounded()
{
    Ends ends;
    Relay relay;
    QVERIFY(ends.startRelay(relay, {"--queue", "10", "--delay-ms", "300:300"}));
    sendNumbered(ends.a, relay.port1(), QStringLiteral("a"), 50);
    QDeadlineTimer deadline(5000);
    QJsonObject stats;
    do {
        stats = relay.stats(QStringLiteral("a2b"));
    } while (count(stats, "received") < 50 && !deadline.hasExpired() && (QTest::qWait(10), true));
    QCOMPARE(count(stats, "received"), 50);
    QVERIFY(count(stats, "pending") <= 10);  // a full queue loses the rest
    QVERIFY(addsUp(stats));
    QCOMPARE(receive(ends.b, 10, 5000), numbered(QStringLiteral("a"), 10));
    QCOMPARE(count(settled(relay, QStringLiteral("a2b"), 50), "dropped"), 40);
}

void TestUdpRelay::controlRefusesNonsense()
{
    Ends ends;
    Relay relay;
    QVERIFY(ends.startRelay(relay));
    for (const char *line : {"loss", "loss 101", "loss x", "dup -1", "cut maybe", "cut c on", "delay 5:1",
                             "delay x", "frobnicate"})
        QVERIFY2(relay.LineProcess::query(QLatin1String(line), QStringLiteral("error "), 2000).startsWith("error "), line);
    relay.send(QString(100000, u'x'));  // an overlong line is dropped whole
    QCOMPARE(relay.LineProcess::query(QStringLiteral("cut on"), QString(), 2000), QStringLiteral("ok"));
    // Still relaying, with the settings the nonsense left alone.
    QVERIFY(relay.control(QStringLiteral("cut off")));
    sendNumbered(ends.a, relay.port1(), QStringLiteral("a"), 5);
    QCOMPARE(receive(ends.b, 5, 5000), numbered(QStringLiteral("a"), 5));
    QVERIFY(relay.quit());
}

// capture and replay, flipped copies and junk: what an attacker on the line could send.
void TestUdpRelay::attackerCommands()
{
    Ends ends;
    Relay relay;
    QVERIFY(ends.startRelay(relay));
    QVERIFY(relay.control(QStringLiteral("capture on")));
    sendNumbered(ends.a, relay.port1(), QStringLiteral("a"), 5);
    sendNumbered(ends.b, relay.port2(), QStringLiteral("b"), 3);
    QCOMPARE(receive(ends.b, 5, 5000), numbered(QStringLiteral("a"), 5));
    QCOMPARE(receive(ends.a, 3, 5000), numbered(QStringLiteral("b"), 3));
    QVERIFY(relay.control(QStringLiteral("capture off")));
    sendNumbered(ends.a, relay.port1(), QStringLiteral("late"), 2);  // not kept
    QCOMPARE(receive(ends.b, 2, 5000), numbered(QStringLiteral("late"), 2));
    // Each direction again, in order, to its own side only.
    QVERIFY(relay.control(QStringLiteral("replay a2b")));
    QCOMPARE(receive(ends.b, 5, 5000), numbered(QStringLiteral("a"), 5));
    QVERIFY(relay.control(QStringLiteral("replay b2a")));
    QCOMPARE(receive(ends.a, 3, 5000), numbered(QStringLiteral("b"), 3));
    QVERIFY(relay.control(QStringLiteral("capture clear")));
    QVERIFY(relay.control(QStringLiteral("replay a2b")));
    QCOMPARE(receive(ends.b, 1, 300), QStringList{});

    // flip 2: the next two come after a copy that differs in exactly one bit.
    QVERIFY(relay.control(QStringLiteral("flip 2")));
    sendNumbered(ends.a, relay.port1(), QStringLiteral("f"), 3);
    QList<QByteArray> flipped;
    for (QDeadlineTimer deadline(5000); flipped.size() < 5 && !deadline.hasExpired();) {
        while (ends.b.hasPendingDatagrams())
            flipped << ends.b.receiveDatagram().data();
        ends.b.waitForReadyRead(50);
    }
    QCOMPARE(flipped.size(), 5);
    QCOMPARE((QList<QByteArray>{flipped[1], flipped[3], flipped[4]}), (QList<QByteArray>{"f0", "f1", "f2"}));
    for (int i : {0, 2}) {
        const QByteArray &bad = flipped[i], &good = flipped[i + 1];
        int bits = 0;
        for (qsizetype k = 0; k < good.size() && bad.size() == good.size(); ++k)
            bits += qPopulationCount(quint8(bad[k] ^ good[k]));
        QCOMPARE(bits, 1);
    }

    // junk N: N random datagrams to each side.
    QVERIFY(relay.control(QStringLiteral("junk 50")));
    QCOMPARE(receive(ends.a, 50, 5000).size(), 50);
    QCOMPARE(receive(ends.b, 50, 5000).size(), 50);
    for (const char *line : {"capture", "capture maybe", "replay a2c", "flip -1", "flip x", "junk 10000000"})
        QVERIFY2(relay.LineProcess::query(QLatin1String(line), QStringLiteral("error "), 2000).startsWith("error "), line);
    QVERIFY(relay.quit());
}

void TestUdpRelay::badOptionsAreRefused_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("loss over 100") << QStringList{"--loss", "150"};
    QTest::newRow("dup not a number") << QStringList{"--dup", "lots"};
    QTest::newRow("delay backwards") << QStringList{"--delay-ms", "50:10"};
    QTest::newRow("port too big") << QStringList{"--p1", "70000"};
    QTest::newRow("host not an address") << QStringList{"--host", "somewhere"};
    QTest::newRow("queue of none") << QStringList{"--queue", "0"};
}

void TestUdpRelay::badOptionsAreRefused()
{
    QFETCH(QStringList, options);
    QProcess relay;
    relay.start(QStringLiteral(MOYUTA_UDPRELAY), options);
    QVERIFY(relay.waitForFinished(5000));
    QCOMPARE(relay.exitCode(), 2);
    QVERIFY(relay.readAllStandardOutput().isEmpty());
}

void TestUdpRelay::endsWithItsInput()
{
    Ends ends;
    Relay relay;
    QVERIFY(ends.startRelay(relay, {"--delay-ms", "10000:10000"}));
    sendNumbered(ends.a, relay.port1(), QStringLiteral("a"), 5);
    settled(relay, QStringLiteral("a2b"), 5, 300);  // held for ten seconds
    QElapsedTimer took;
    took.start();
    QVERIFY(relay.quit(3000));  // at once, not when the held ones are due
    QVERIFY(took.elapsed() < 3000);
}

QTEST_GUILESS_MAIN(TestUdpRelay)
#include "tst_udprelay.moc"
