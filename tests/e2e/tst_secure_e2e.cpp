// The secure session between two real copies over real UDP on 127.0.0.1:
// a game over a bad line, a copy killed and rejoining, and an attacker on
// the line (wrong password, replays, bit flips, junk, classic forgeries).
#include "Cp932.h"
#include "E2eProcesses.h"
#include "MessageCipher.h"
#include "TestDoubles.h"

#include <QNetworkDatagram>
#include <QRandomGenerator>

#include <algorithm>
#include <map>

using namespace e2e;

class TestSecureEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void lossyGame_data();
    void lossyGame();
    void killAndRejoin();
    void wrongPassword();
    void replayedSessions();
    void flippedBits();
    void junkFlood_data();
    void junkFlood();
    void classicForgeriesWhileWaiting();
};

namespace {

const QString kSilent = QStringLiteral("overlay 1 相手からの応答がありません。再接続を待っています…");

// Two copies connected through the relay, each in its own folders.
struct Pair {
    Folders dir;
    Relay relay;
    Driver a, b;
    quint16 pa = freePort(), pb = freePort();

    // `keepPassword`: b ticks 次回起動時に合言葉を表示する, so its next start shows the password again.
    bool up(const QStringList &relayOptions = {}, bool keepPassword = false)
    {
        if (!dir.make() || !relay.start(pa, pb, relayOptions) || !a.start(dir("a"), dir("a-tmp"))
            || !b.start(dir("b"), dir("b-tmp")))
            return false;
        if (keepPassword) {
            b.send(QStringLiteral("click cmdNetwork"));
            if (!tick(b, QStringLiteral("Check3"), true))
                return false;
        }
        return connectBoth(a, pa, relay.port1(), b, pb, relay.port2());
    }
    // A game started by a, black on a and white on b.
    bool playing()
    {
        return startGame(a, b)
               && b.act(QStringLiteral("click Option1_1"), QStringLiteral("caption Option1_1"), has(QStringLiteral("白")));
    }
    void printStats()
    {
        for (const QString &direction : {QStringLiteral("a2b"), QStringLiteral("b2a")}) {
            const QJsonObject stats = relay.stats(direction);
            qInfo("%s: %s", qPrintable(direction), QJsonDocument(stats).toJson(QJsonDocument::Compact).constData());
        }
    }
};

QString points(const QString &game)
{
    return game.section(QStringLiteral("points="), 1).section(QLatin1Char(' '), 0, 0);
}

// Moves `want` (point -> content: 1 black from a, 2 white from b, 0 taken off by a)
// and the prisoner counts: once both sides agree, whatever a crossing lost is played again.
bool converge(Driver &a, Driver &b, const std::map<int, int> &want, int black, int white)
{
    int again = 0;
    const QString counts = QStringLiteral("black=%1 white=%2 ").arg(black).arg(white);
    for (int round = 0; round < 8; ++round) {
        const QString game = inStep(a, b, 15000);
        if (game.isEmpty())
            return false;
        const QString board = points(game);
        bool done = game.contains(counts);
        for (const auto &[p, content] : want) {
            if (board.at(p).digitValue() == content)
                continue;
            done = false;
            ++again;
            if (content == 0)
                a.send(QStringLiteral("rpress %1").arg(p));
            else if (board.at(p) == QLatin1Char('0'))
                (content == 1 ? a : b).send(QStringLiteral("press %1").arg(p));
        }
        if (done) {
            qInfo("played again after crossings: %d", again);
            return true;
        }
        if (!game.contains(QStringLiteral("black=%1 ").arg(black)))
            b.send(QStringLiteral("spin UpDown2 %1").arg(black));
        if (!game.contains(QStringLiteral("white=%1 ").arg(white)))
            a.send(QStringLiteral("spin UpDown1 %1").arg(white));
        QTest::qWait(500);
    }
    return false;
}

// `from` says `text` in the chat; it shows as its own line there and as the peer's on `to`.
bool chatReaches(Driver &from, Driver &to, const QString &text)
{
    return from.act(QStringLiteral("chat ") + text, QStringLiteral("chatlog"), has(QStringLiteral("△") + text))
           && to.poll(QStringLiteral("chatlog"), has(QStringLiteral("◇") + text));
}

// Whether the chat log of `d` shows every line in `lines` as the peer's.
bool heardAll(Driver &d, const QStringList &lines)
{
    return d.poll(QStringLiteral("chatlog"), [&lines](const QString &log) {
        return std::all_of(lines.begin(), lines.end(), [&log](const QString &l) { return log.contains(QStringLiteral("|◇") + l); });
    });
}

}  // namespace

// Short games here; the long run sets MOYUTA_LOSSY_PAIRS=100 (200 moves) and MOYUTA_LOSSY_SEEDS=1,2,3,...
void TestSecureEndToEnd::lossyGame_data()
{
    QTest::addColumn<QString>("seed");
    const QString seeds = qEnvironmentVariable("MOYUTA_LOSSY_SEEDS", QStringLiteral("1,7"));
    for (const QString &seed : seeds.split(QLatin1Char(','), Qt::SkipEmptyParts))
        QTest::newRow(qPrintable(QStringLiteral("seed ") + seed)) << seed.trimmed();
}

void TestSecureEndToEnd::lossyGame()
{
    QFETCH(QString, seed);
    Pair p;
    QVERIFY(p.up({QStringLiteral("--loss"), QStringLiteral("10"), QStringLiteral("--dup"), QStringLiteral("5"),
                  QStringLiteral("--delay-ms"), QStringLiteral("1:30"), QStringLiteral("--seed"), seed}));
    QVERIFY(p.playing());
    std::map<int, int> want;
    QStringList fromA, fromB;
    QRandomGenerator random(seed.toUInt());
    // Both play at once, as quick players do; a crossing loses a move, played again later.
    const int pairs = std::clamp(qEnvironmentVariableIntValue("MOYUTA_LOSSY_PAIRS"), 30, 120);
    for (int i = 0; i < pairs; ++i) {
        const int black = 40 + 2 * i, white = 41 + 2 * i;
        want[black] = 1;
        want[white] = 2;
        p.a.send(QStringLiteral("press %1").arg(black));
        p.b.send(QStringLiteral("press %1").arg(white));
        if (i % 6 == 0) {
            fromA << QStringLiteral("黒より%1手目").arg(i);
            fromB << QStringLiteral("白より%1手目").arg(i);
            p.a.send(QStringLiteral("chat ") + fromA.last());
            p.b.send(QStringLiteral("chat ") + fromB.last());
        }
        QTest::qWait(int(random.bounded(10, 60)));
        if (i % 50 == 15) {
            // 待った in a quiet moment: b's stone goes from both boards.
            const bool agreed = converge(p.a, p.b, want, 0, 0);
            if (!agreed)
                p.printStats();
            QVERIFY(agreed);
            const Shows stone = [](const QString &l) { return l == point(300, 2); };
            QVERIFY(p.b.act(QStringLiteral("press 300"), QStringLiteral("point 300"), stone));
            QVERIFY(p.a.poll(QStringLiteral("point 300"), stone));
            QVERIFY(p.b.act(QStringLiteral("click cmdWait"), QStringLiteral("point 300"), is(point(300, 0))));
            QVERIFY(p.a.poll(QStringLiteral("point 300"), is(point(300, 0))));
        }
    }
    // Prisoners counted on both sides at once, and one of b's stones taken off by a.
    p.a.send(QStringLiteral("spin UpDown1 3"));
    p.b.send(QStringLiteral("spin UpDown2 2"));
    const bool settled = converge(p.a, p.b, want, 2, 3);
    if (!settled)
        p.printStats();
    QVERIFY(settled);
    want[41] = 0;
    QVERIFY(p.a.act(QStringLiteral("rpress 41"), QStringLiteral("point 41"), is(point(41, 0))));
    QVERIFY(converge(p.a, p.b, want, 2, 3));
    const QString game = inStep(p.a, p.b);
    QVERIFY(game.contains(QStringLiteral("black=2 white=3 ")));
    QCOMPARE(points(game).at(300), QLatin1Char('0'));
    // The chat log keeps 10 entries: a long game checks each side's last four lines.
    const auto kept = [](const QStringList &lines) { return lines.size() <= 5 ? lines : lines.mid(lines.size() - 4); };
    QVERIFY(heardAll(p.b, kept(fromA)));
    QVERIFY(heardAll(p.a, kept(fromB)));
    p.printStats();
    const QJsonObject a2b = p.relay.stats(QStringLiteral("a2b"));
    QVERIFY(a2b.value(QStringLiteral("dropped")).toInteger() > 0);
    QVERIFY(a2b.value(QStringLiteral("duplicated")).toInteger() > 0);
}

namespace {

// After a kill or a disconnection b comes back with the panel as it was
// saved at the connection; a holds the board meanwhile and hands the game over.
bool rejoins(Pair &p, const QString &before)
{
    p.b.send(QStringLiteral("click cmdNetwork"));
    const std::pair<const char *, QString> fields[] = {{"peer", QStringLiteral("127.0.0.1")},
                                                       {"peerport", QString::number(p.relay.port2())},
                                                       {"ownport", QString::number(p.pb)},
                                                       {"password", QStringLiteral("abcdef")},
                                                       {"cipher", QStringLiteral("9")}};
    for (const auto &[name, value] : fields) {
        const QString field = QStringLiteral("get ") + QLatin1String(name);
        if (p.b.query(field) != field + QLatin1Char(' ') + value) {
            qWarning("%s", qPrintable(p.b.lines.last()));
            return false;
        }
    }
    p.b.send(QStringLiteral("click Command1"));
    return p.b.poll(QStringLiteral("state"), has(QStringLiteral("auth=1 started=1 ended=0 panel=0")))
           && p.a.poll(QStringLiteral("overlay"), is(QStringLiteral("overlay 0"))) && inStep(p.a, p.b) == before;
}

// a's board says why it waits and takes nothing meanwhile.
bool holdsBoard(Pair &p)
{
    if (!p.a.poll(QStringLiteral("overlay"), is(kSilent), 12000))
        return false;
    p.a.send(QStringLiteral("press 200"));
    QTest::qWait(300);
    return p.a.query(QStringLiteral("point 200")) == point(200, 0);
}

// Whether the last move of the log in `game` put a stone of `colour` on `p`.
bool lastMove(const QString &game, int colour, int p)
{
    const QString move = QStringLiteral("%1,%2,0,0,0").arg(colour).arg(p);
    return game.endsWith(QLatin1Char('=') + move) || game.endsWith(QLatin1Char(';') + move);
}

// One more move each way, both sides in step.
bool movesOn(Pair &p, int black, int white)
{
    const QString P = QStringLiteral("point %1");
    return p.a.act(QStringLiteral("press %1").arg(black), P.arg(black), is(point(black, 1)))
           && lastMove(inStep(p.a, p.b), 1, black)
           && p.b.act(QStringLiteral("click Option1_1"), QStringLiteral("caption Option1_1"), has(QStringLiteral("白")))
           && p.b.act(QStringLiteral("press %1").arg(white), P.arg(white), is(point(white, 2)))
           && lastMove(inStep(p.a, p.b), 2, white);
}

}  // namespace

void TestSecureEndToEnd::killAndRejoin()
{
    Pair p;
    QVERIFY(p.up({}, true));
    QVERIFY(p.playing());
    QVERIFY(movesOn(p, 60, 61));
    QVERIFY(movesOn(p, 62, 63));
    const QString before = inStep(p.a, p.b);

    p.b.kill();
    QVERIFY(holdsBoard(p));
    QVERIFY(p.b.start(p.dir("b"), p.dir("b-tmp")));
    QVERIFY(rejoins(p, before));
    QVERIFY(movesOn(p, 64, 65));

    // Once connected the panel stays shut (ネットワーク接続 is off), so 接続オフ is met while
    // b waits: killed again, b starts, connects over a cut line, turns it off and connects again.
    QCOMPARE(p.b.query(QStringLiteral("enabled cmdNetwork")), QStringLiteral("enabled cmdNetwork 0"));
    const QString again = inStep(p.a, p.b);
    p.b.kill();
    QVERIFY(holdsBoard(p));
    QVERIFY(p.relay.control(QStringLiteral("cut on")));
    QVERIFY(p.b.start(p.dir("b"), p.dir("b-tmp")));
    p.b.send(QStringLiteral("click cmdNetwork"));
    p.b.send(QStringLiteral("click Command1"));
    QVERIFY(p.b.poll(QStringLiteral("enabled Command4"), is(QStringLiteral("enabled Command4 1"))));
    p.b.send(QStringLiteral("click Command4"));
    QVERIFY(p.b.saw(QStringLiteral("box ask 接続をオフにします、よろしいですか？")));
    QVERIFY(p.b.poll(QStringLiteral("enabled Command1"), is(QStringLiteral("enabled Command1 1"))));
    QVERIFY(p.relay.control(QStringLiteral("cut off")));
    QVERIFY(rejoins(p, again));
    QVERIFY(movesOn(p, 66, 67));
}

void TestSecureEndToEnd::wrongPassword()
{
    Pair p;
    QVERIFY(p.dir.make() && p.relay.start(p.pa, p.pb));
    QVERIFY(p.a.start(p.dir("a"), p.dir("a-tmp")) && p.b.start(p.dir("b"), p.dir("b-tmp")));
    p.a.fillNetworkPanel(p.pa, p.relay.port1(), QStringLiteral("abcdef"));
    p.b.fillNetworkPanel(p.pb, p.relay.port2(), QStringLiteral("abcdeg"));
    for (Driver *d : {&p.a, &p.b})
        QVERIFY(d->poll(QStringLiteral("state"), has(QStringLiteral("panel=1"))));
    p.a.send(QStringLiteral("click Command1"));
    QTest::qWait(1000);
    p.b.send(QStringLiteral("click Command1"));
    const QString box = QStringLiteral("box inform 鍵が違います。合言葉と暗号番号が相手と同じか確かめて下さい。");
    for (Driver *d : {&p.a, &p.b}) {
        QVERIFY2(d->saw(box, 20000), qPrintable(d->lines.filter(QStringLiteral("box")).join(QLatin1Char('|'))));
        QVERIFY(d->poll(QStringLiteral("state"), is(QStringLiteral("state auth=0 started=0 ended=0 panel=1 hold=0"))));
        QVERIFY(d->poll(QStringLiteral("enabled Command1"), is(QStringLiteral("enabled Command1 1"))));
    }
    // The panel is usable: the right password connects.
    p.b.send(QStringLiteral("set password abcdef"));
    p.a.send(QStringLiteral("click Command1"));
    QTest::qWait(1000);
    p.b.send(QStringLiteral("click Command1"));
    for (Driver *d : {&p.a, &p.b})
        QVERIFY(d->poll(QStringLiteral("state"), is(QStringLiteral("state auth=1 started=0 ended=0 panel=0 hold=0"))));
}

void TestSecureEndToEnd::replayedSessions()
{
    Pair p;
    QVERIFY(p.dir.make() && p.relay.start(p.pa, p.pb));
    QVERIFY(p.relay.control(QStringLiteral("capture on")));
    QVERIFY(p.a.start(p.dir("a"), p.dir("a-tmp")) && p.b.start(p.dir("b"), p.dir("b-tmp")));
    QVERIFY(connectBoth(p.a, p.pa, p.relay.port1(), p.b, p.pb, p.relay.port2()));
    QVERIFY(p.playing());
    QVERIFY(movesOn(p, 60, 61));
    QVERIFY(chatReaches(p.a, p.b, QStringLiteral("最初の対局")));
    // b takes a move back and a resigns: the captured session holds both.
    QVERIFY(p.b.act(QStringLiteral("click cmdWait"), QStringLiteral("point 61"), is(point(61, 0))));
    QVERIFY(p.a.act(QStringLiteral("click cmdTouryou"), QStringLiteral("state"), has(QStringLiteral("ended=1"))));
    QVERIFY(p.b.poll(QStringLiteral("state"), has(QStringLiteral("ended=1"))));

    // The session ends (a quits, b follows); both start again and connect with the same password.
    p.a.send(QStringLiteral("close"));
    QVERIFY(p.a.process.waitForFinished(10000));
    QVERIFY(p.b.process.waitForFinished(10000));
    QVERIFY(p.a.start(p.dir("a"), p.dir("a-tmp")) && p.b.start(p.dir("b"), p.dir("b-tmp")));
    QVERIFY(connectBoth(p.a, p.pa, p.relay.port1(), p.b, p.pb, p.relay.port2()));
    QVERIFY(p.playing());
    QVERIFY(movesOn(p, 100, 101));
    QVERIFY(chatReaches(p.b, p.a, QStringLiteral("二局目")));
    const QString game = inStep(p.a, p.b);
    const QString logA = p.a.query(QStringLiteral("chatlog")), logB = p.b.query(QStringLiteral("chatlog"));

    // Every datagram of both sessions, handshakes included, into both copies.
    QVERIFY(p.relay.control(QStringLiteral("capture off")));
    QVERIFY(p.relay.control(QStringLiteral("replay a2b")));
    QVERIFY(p.relay.control(QStringLiteral("replay b2a")));
    QTest::qWait(3000);
    QCOMPARE(inStep(p.a, p.b), game);
    QCOMPARE(p.a.query(QStringLiteral("chatlog")), logA);
    QCOMPARE(p.b.query(QStringLiteral("chatlog")), logB);
    for (Driver *d : {&p.a, &p.b}) {
        QCOMPARE(d->query(QStringLiteral("state")), QStringLiteral("state auth=1 started=1 ended=0 panel=0 hold=0"));
        QVERIFY(!d->lines.contains(QStringLiteral("box inform 相手側ホストから接続がオフになりましたので、一旦終了します。")));
    }
    QVERIFY(movesOn(p, 102, 103));
    p.printStats();
}

void TestSecureEndToEnd::flippedBits()
{
    Pair p;
    QVERIFY(p.up());
    QVERIFY(p.playing());
    QVERIFY(movesOn(p, 60, 61));
    // From here every datagram comes after a copy of it with one bit flipped.
    QVERIFY(p.relay.control(QStringLiteral("flip 100000")));
    const qsizetype seen[] = {p.a.lines.size(), p.b.lines.size()};
    for (int i = 0; i < 5; ++i)
        QVERIFY(movesOn(p, 80 + 2 * i, 81 + 2 * i));
    QVERIFY(p.a.act(QStringLiteral("chat 化けても平気"), QStringLiteral("chatlog"), has(QStringLiteral("△化けても平気"))));
    QVERIFY(p.b.poll(QStringLiteral("chatlog"), is(QStringLiteral("chatlog ◇化けても平気|◇化けても平気"))));
    const QString game = inStep(p.a, p.b);
    QCOMPARE(game.count(QLatin1Char(';')), 11);  // the 12 moves, nothing more
    for (Driver *d : {&p.a, &p.b}) {
        QCOMPARE(d->query(QStringLiteral("state")), QStringLiteral("state auth=1 started=1 ended=0 panel=0 hold=0"));
        const QStringList boxes = d->lines.mid(seen[d == &p.b]).filter(QStringLiteral("box "));
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(QLatin1Char('\n'))));  // no trouble reported
    }
    p.printStats();
}

void TestSecureEndToEnd::junkFlood_data()
{
    QTest::addColumn<bool>("fromPeer");
    QTest::newRow("a stranger's port") << false;
    QTest::newRow("the peer's port") << true;
}

// Junk at b while both play: from a stranger (the channel hears only its peer),
// or through the relay, from the very address and port b takes for a's.
// Moves made during the flood may wait for it to pass; none is lost.
void TestSecureEndToEnd::junkFlood()
{
    QFETCH(bool, fromPeer);
    Pair p;
    QVERIFY(p.up());
    QVERIFY(p.playing());
    QVERIFY(movesOn(p, 40, 41));
    QUdpSocket stranger;
    QVERIFY(stranger.bind(QHostAddress::LocalHost, 0));
    QRandomGenerator random(3);
    if (fromPeer)
        QVERIFY(p.relay.control(QStringLiteral("junk 25000")));
    std::map<int, int> want{{40, 1}, {41, 2}};
    QElapsedTimer took;
    took.start();
    for (int burst = 0; burst < 50; ++burst) {
        for (int n = 0; n < 1000 && !fromPeer; ++n) {
            QByteArray junk(int(random.bounded(1, 600)), Qt::Uninitialized);
            for (char &c : junk)
                c = char(random.generate());
            stranger.writeDatagram(junk, QHostAddress::LocalHost, p.pb);
        }
        if (burst % 5 == 0) {
            want[60 + burst] = 1;
            want[61 + burst] = 2;
            p.a.send(QStringLiteral("press %1").arg(60 + burst));
            p.b.send(QStringLiteral("press %1").arg(61 + burst));
        }
        QTest::qWait(10);
    }
    qInfo("flood sent in %lld ms", took.elapsed());
    QTest::qWait(2000);
    const bool settled = converge(p.a, p.b, want, 0, 0);
    for (Driver *d : {&p.a, &p.b})
        qInfo("%s | %s", qPrintable(d->query(QStringLiteral("game")).section(QStringLiteral("log="), 1)),
              qPrintable(d->query(QStringLiteral("overlay"))));
    p.printStats();
    QVERIFY(settled);
    QVERIFY(movesOn(p, 200, 201));
    for (Driver *d : {&p.a, &p.b})
        QCOMPARE(d->query(QStringLiteral("state")), QStringLiteral("state auth=1 started=1 ended=0 panel=0 hold=0"));
    p.printStats();
}

namespace {

// A datagram as a classic copy sends it: enciphered with cipher number 30's fixed key, in cp932.
QByteArray forged(const QString &plain, int cipherNumber = 30)
{
    moyuta::test::Fixture f;
    f.s.session.activeCipherNumber = cipherNumber;
    return moyuta::toCp932(moyuta::network::encipherMessage(f.s, plain));
}

// Whether `datagram` shows `password` in any encoding or classic cipher we can check.
bool shows(const QByteArray &datagram, const QString &password)
{
    if (datagram.contains(password.toUtf8()) || datagram.contains(moyuta::toCp932(password)))
        return true;
    for (int number = 1; number <= 30; ++number) {
        moyuta::test::Fixture f;
        f.s.session.activeCipherNumber = number;
        f.s.session.sessionPassword = password;
        if (moyuta::network::decipherMessage(f.s, moyuta::fromCp932(datagram)).contains(password))
            return true;
    }
    return false;
}

}  // namespace

void TestSecureEndToEnd::classicForgeriesWhileWaiting()
{
    Folders dir;
    QVERIFY(dir.make());
    QUdpSocket peer;  // the attacker, on the port a expects its peer on
    QVERIFY(peer.bind(QHostAddress::LocalHost, 0));
    const quint16 pa = freePort();
    const QString password = QStringLiteral("合言葉abc");
    Driver a;
    QVERIFY(a.start(dir("a"), dir("a-tmp")));
    a.fillNetworkPanel(pa, peer.localPort(), password);
    QVERIFY(a.poll(QStringLiteral("state"), has(QStringLiteral("panel=1"))));
    a.send(QStringLiteral("click Command1"));
    QVERIFY(a.poll(QStringLiteral("enabled Command4"), is(QStringLiteral("enabled Command4 1"))));

    QList<QByteArray> heard;
    auto listen = [&](int ms) {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            while (peer.hasPendingDatagrams() && heard.size() < 10000)
                heard << peer.receiveDatagram().data();
            peer.waitForReadyRead(int(std::min<qint64>(100, deadline.remainingTime())));
        }
    };
    listen(500);
    for (int round = 0; round < 3; ++round) {
        const QByteArray ok = forged(QStringLiteral("鍵OK") + moyuta::kTerminator);
        QVERIFY(!ok.isEmpty());
        peer.writeDatagram(ok, QHostAddress::LocalHost, pa);
        listen(100);
        for (int nn = 1; nn <= 29; ++nn) {
            const QString confirm = QStringLiteral("%1接続確認1").arg(nn, 2, 10, QLatin1Char('0')) + moyuta::kTerminator;
            peer.writeDatagram(forged(confirm), QHostAddress::LocalHost, pa);
            peer.writeDatagram(forged(confirm, nn), QHostAddress::LocalHost, pa);
        }
        listen(300);
    }
    listen(1500);
    QCOMPARE(a.query(QStringLiteral("state")), QStringLiteral("state auth=0 started=0 ended=0 panel=1 hold=0"));
    QVERIFY(!heard.isEmpty());  // it does call its peer: with its hello, not the password
    for (const QByteArray &datagram : heard)
        QVERIFY2(!shows(datagram, password), datagram.toHex().constData());
}

QTEST_GUILESS_MAIN(TestSecureEndToEnd)
#include "tst_secure_e2e.moc"
