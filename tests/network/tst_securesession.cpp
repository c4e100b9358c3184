// Two secure sessions on the fake channel and relay: the hello, who serves,
// delivery through loss, a wrong key, a classic peer, forged hellos, and a
// peer that is killed, closed or cut off and comes back.
#include "FakeSecure.h"
#include "SecureSession.h"
#include "SessionKey.h"

#include <QtTest>

using namespace moyuta;
using network::SecureSession;

namespace {

struct Side {
    std::unique_ptr<SecureSession> session;
    QStringList got;
    QList<SecureSession::Established> established;
    QList<bool> silence;
    QList<SecureSession::Trouble> failures;
    bool hasGame = false;
    bool classicSeen = false;
};

class Pair {
public:
    test::SecureWorld world;
    Side side[2];
    QString password[2] = {QStringLiteral("sakura7"), QStringLiteral("sakura7")};
    int cipher[2] = {7, 7};

    explicit Pair(test::RelayOdds odds = {}, quint32 seed = 1) : world(odds, seed)
    {
        make(0);
        make(1);
    }

    void make(int i)
    {
        Side &s = side[i];
        s.session.reset();
        SecureSession::Callbacks out;
        out.established = [&s](const SecureSession::Established &e) { s.established << e; };
        out.message = [&s](const QString &t) { s.got << t; };
        out.peerSilent = [&s](bool silent) { s.silence << silent; };
        out.failed = [&s](SecureSession::Trouble t) { s.failures << t; };
        out.isClassicText = [&s](const QByteArray &d) { return s.classicSeen = d.startsWith("CLASSIC"); };
        out.hasGame = [&s] { return s.hasGame; };
        s.session = std::make_unique<SecureSession>(world.channel[i], world.keys[i], world.timer[i], out);
    }

    void start(int i) { side[i].session->start(QStringLiteral("127.0.0.1"), 2000 + quint16(1 - i), 2000 + quint16(i), password[i], cipher[i]); }
    void startBoth()
    {
        start(0);
        start(1);
    }
    bool up(int i) const { return side[i].session->phase() == SecureSession::Phase::Established; }
    bool bothUp() { return world.runUntil([this] { return up(0) && up(1); }, 20000); }

    // A copy killed at once: nothing more leaves or reaches it.
    void kill(int i)
    {
        world.frozen[i] = true;
        world.relay.cutFrom[i] = true;
        side[i].session.reset();
    }
    void restart(int i, bool hasGame)
    {
        world.frozen[i] = false;
        world.relay.cutFrom[i] = false;
        side[i] = Side{};
        side[i].hasGame = hasGame;
        make(i);
        start(i);
    }
};

}  // namespace

class TestSecureSession : public QObject {
    Q_OBJECT
private slots:
    void establishesWithOneServer();
    void keyIsFreshPerSession();
    void deliversThroughLoss_data();
    void deliversThroughLoss();
    void wrongKeyFailsOnBothSides_data();
    void wrongKeyFailsOnBothSides();
    void classicPeerIsNamed();
    void forgedHelloLeavesLiveSessionAlone();
    void killedPeerIsNoticedAndRejoins();
    void closedPeerIsNoticedAtOnce();
    void shortCutIsBridged();
    void bindFailureIsReported();
};

void TestSecureSession::establishesWithOneServer()
{
    Pair p;
    p.startBoth();
    QVERIFY(p.bothUp());
    QCOMPARE(p.side[0].established.size(), 1);
    QCOMPARE(p.side[1].established.size(), 1);
    QVERIFY(p.side[0].established[0].asServer != p.side[1].established[0].asServer);
    QVERIFY(!p.side[0].established[0].resumed);
    QVERIFY(p.side[0].session->send(QStringLiteral("こんにちは")));
    QVERIFY(p.side[1].session->send(QStringLiteral("よろしく")));
    QVERIFY(p.world.runUntil([&] { return !p.side[0].got.isEmpty() && !p.side[1].got.isEmpty(); }, 1000));
    QCOMPARE(p.side[1].got, QStringList{QStringLiteral("こんにちは")});
    QCOMPARE(p.side[0].got, QStringList{QStringLiteral("よろしく")});
    // One derivation each: the hello's repeats do not start new ones.
    QCOMPARE(p.world.keys[0].derivations, 1);
    QCOMPARE(p.world.keys[1].derivations, 1);
}

void TestSecureSession::keyIsFreshPerSession()
{
    Pair p;
    p.startBoth();
    QVERIFY(p.bothUp());
    const QByteArray first = p.world.channel[0].lastPsk();
    QCOMPARE(p.world.channel[1].lastPsk(), first);
    p.side[0].session->stop();
    p.side[1].session->stop();
    p.startBoth();
    QVERIFY(p.bothUp());
    QVERIFY(p.world.channel[0].lastPsk() != first);
    // The hello carries no trace of the password.
    for (const QByteArray &hello : p.world.channel[0].sentPlain)
        QVERIFY(!hello.contains("sakura"));
}

void TestSecureSession::deliversThroughLoss_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 2u, 3u, 4u, 5u})
        QTest::addRow("seed %u", seed) << seed;
}

void TestSecureSession::deliversThroughLoss()
{
    QFETCH(quint32, seed);
    Pair p({.loss = 0.2, .duplicate = 0.05, .reorder = 0.1, .minDelayMs = 1, .maxDelayMs = 30}, seed);
    p.startBoth();
    QVERIFY(p.bothUp());
    QStringList sent[2];
    for (int n = 0; n < 100; ++n) {
        for (int i = 0; i < 2; ++i) {
            sent[i] << QStringLiteral("%1-%2").arg(i).arg(n);
            QVERIFY(p.side[i].session->send(sent[i].last()));
        }
        p.world.run(7);
    }
    QVERIFY(p.world.runUntil([&] { return p.side[0].got.size() == 100 && p.side[1].got.size() == 100; }, 30000));
    p.world.run(3000);
    QCOMPARE(p.side[1].got, sent[0]);
    QCOMPARE(p.side[0].got, sent[1]);
    QVERIFY(p.side[0].silence.isEmpty() && p.side[1].silence.isEmpty());
}

void TestSecureSession::wrongKeyFailsOnBothSides_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("cipher");
    QTest::newRow("password") << QStringLiteral("sakura8") << 7;
    QTest::newRow("cipher number") << QStringLiteral("sakura7") << 8;
}

void TestSecureSession::wrongKeyFailsOnBothSides()
{
    QFETCH(QString, password);
    QFETCH(int, cipher);
    Pair p;
    p.password[1] = password;
    p.cipher[1] = cipher;
    p.startBoth();
    QVERIFY(p.world.runUntil([&] { return !p.side[0].failures.isEmpty() && !p.side[1].failures.isEmpty(); }, 30000));
    for (const Side &s : p.side) {
        QCOMPARE(s.failures, QList<SecureSession::Trouble>{SecureSession::Trouble::KeyMismatch});
        QVERIFY(s.established.isEmpty());
        QCOMPARE(s.session->phase(), SecureSession::Phase::Idle);
    }
}

void TestSecureSession::classicPeerIsNamed()
{
    Pair p;
    p.start(0);
    p.world.run(100);
    p.world.relay.post(1, "PCLASSIC 30接続");
    p.world.run(100);
    QVERIFY(p.side[0].classicSeen);
    QCOMPARE(p.side[0].failures, QList<SecureSession::Trouble>{SecureSession::Trouble::ClassicPeer});
}

void TestSecureSession::forgedHelloLeavesLiveSessionAlone()
{
    Pair p;
    p.startBoth();
    QVERIFY(p.bothUp());
    // Someone replays the peer's last hello, then a made-up one with a new nonce.
    const QByteArray replayed = p.world.channel[1].sentPlain.last();
    QByteArray forged = replayed;
    forged[6] = char(forged[6] ^ 0x5a);
    for (const QByteArray &d : {replayed, forged})
        p.world.relay.post(1, "P" + d);
    p.world.run(500);
    QVERIFY(p.up(0));
    QCOMPARE(p.world.keys[0].derivations, 1);
    QVERIFY(p.side[0].session->send(QStringLiteral("まだ")));
    QVERIFY(p.world.runUntil([&] { return p.side[1].got.size() == 1; }, 1000));
}

void TestSecureSession::killedPeerIsNoticedAndRejoins()
{
    Pair p;
    p.startBoth();
    QVERIFY(p.bothUp());
    p.side[0].hasGame = true;
    const qint64 killedAt = p.world.clock.now;
    p.kill(1);
    QVERIFY(p.world.runUntil([&] { return !p.side[0].silence.isEmpty(); }, 15000));
    QCOMPARE(p.side[0].silence.last(), true);
    QVERIFY(p.world.clock.now - killedAt <= 11000);
    p.world.run(5000);
    p.restart(1, false);
    QVERIFY(p.bothUp());
    QCOMPARE(p.side[0].silence.last(), false);
    QCOMPARE(p.side[0].established.size(), 2);
    QVERIFY(p.side[0].established.last().resumed);
    QVERIFY(!p.side[1].established.last().resumed);
    QVERIFY(p.side[1].established.last().peerHasGame);
    QVERIFY(!p.side[0].established.last().peerHasGame);
    QVERIFY(p.side[1].session->send(QStringLiteral("戻りました")));
    QVERIFY(p.world.runUntil([&] { return p.side[0].got.contains(QStringLiteral("戻りました")); }, 1000));
}

void TestSecureSession::closedPeerIsNoticedAtOnce()
{
    Pair p;
    p.startBoth();
    QVERIFY(p.bothUp());
    p.side[1].session->stop();
    p.world.run(100);
    QCOMPARE(p.side[0].silence, QList<bool>{true});
    p.start(1);
    QVERIFY(p.bothUp());
    QCOMPARE(p.side[0].silence, (QList<bool>{true, false}));
    QVERIFY(p.side[0].established.last().resumed);
}

void TestSecureSession::shortCutIsBridged()
{
    Pair p;
    p.startBoth();
    QVERIFY(p.bothUp());
    p.world.relay.cutFrom[0] = p.world.relay.cutFrom[1] = true;
    QVERIFY(p.side[0].session->send(QStringLiteral("途中")));
    p.world.run(6000);
    p.world.relay.cutFrom[0] = p.world.relay.cutFrom[1] = false;
    QVERIFY(p.world.runUntil([&] { return p.side[1].got.size() == 1; }, 5000));
    QVERIFY(p.side[0].silence.isEmpty() && p.side[1].silence.isEmpty());
    QCOMPARE(p.side[0].established.size(), 1);
}

void TestSecureSession::bindFailureIsReported()
{
    Pair p;
    p.world.channel[0].failOpen = network::SecureChannelPort::Failure::BindFailed;
    p.start(0);
    p.world.run(10);
    QCOMPARE(p.side[0].failures, QList<SecureSession::Trouble>{SecureSession::Trouble::BindFailed});
}

QTEST_GUILESS_MAIN(TestSecureSession)
#include "tst_securesession.moc"
