// Two reliable links joined by a lossy relay, on a fake clock: exactly-once
// ordered delivery, the measured round trip, liveness, hostile frames and
// the bounds on what a link keeps.
#include "LossyRelay.h"
#include "ReliableLink.h"

#include <QtTest>

#include <algorithm>
#include <array>
#include <memory>

using namespace moyuta;
using network::ReliableLink;
using Frame = ReliableLink::Frame;
using FrameType = ReliableLink::FrameType;

namespace {

struct Side {
    std::unique_ptr<ReliableLink> link;
    QStringList got;
    QList<QPair<qint64, bool>> reports;  // (when, silent)
    int sent = 0;
    qint64 lastArrival = 0;
    std::vector<qint64> deliveredAt;
    qint64 lastDelivery() const { return deliveredAt.empty() ? -1 : deliveredAt.back(); }
    bool frozen = false;  // a stopped copy: no timers, nothing received
};

// Two links, the relay and a plan of actions at given times.
class LinkPair {
public:
    test::SimClock clock;
    test::LossyRelay relay;
    std::array<Side, 2> side;
    std::multimap<qint64, std::function<void()>> plan;

    LinkPair(test::RelayOdds odds, quint32 seed) : relay(clock.source(), odds, seed)
    {
        for (int i = 0; i < 2; ++i) {
            Side &s = side[i];
            ReliableLink::Callbacks out;
            out.sendDatagram = [this, i](const QByteArray &d) { ++side[i].sent, relay.post(i, d); };
            out.deliver = [this, &s](const QString &text) {
                s.got << text;
                s.deliveredAt.push_back(clock.now);
            };
            out.peerSilent = [this, &s](bool silent) { s.reports.append({clock.now, silent}); };
            s.link = std::make_unique<ReliableLink>(clock.source(), out);
            relay.attach(i, [this, &s](const QByteArray &d) {
                if (s.frozen)
                    return;
                s.lastArrival = clock.now;
                s.link->onDatagram(d);
            });
        }
    }

    ReliableLink &link(int i) { return *side[i].link; }

    // Runs the clock from event to event up to `until`, or until `done`
    // holds. False only when the step bound is hit.
    bool run(qint64 until, const std::function<bool()> &done = {})
    {
        for (int step = 0; step < 2000000; ++step) {
            if (done && done())
                return true;
            const qint64 t = nextEventAt(until);
            if (t > until) {
                clock.now = until;
                return !done;
            }
            clock.now = std::max(clock.now, t);
            handleDue();
        }
        return false;
    }

private:
    qint64 nextEventAt(qint64 until) const
    {
        qint64 t = until + 1;
        for (const Side &s : side)
            if (!s.frozen)
                t = std::min(t, clock.now + s.link->nextTimeoutMs());
        if (auto r = relay.nextDeliveryAt())
            t = std::min(t, *r);
        if (!plan.empty())
            t = std::min(t, plan.begin()->first);
        return t;
    }

    void handleDue()
    {
        while (!plan.empty() && plan.begin()->first <= clock.now) {
            auto action = std::move(plan.begin()->second);
            plan.erase(plan.begin());
            action();
        }
        relay.deliverDue();
        for (Side &s : side)
            if (!s.frozen && s.link->nextTimeoutMs() == 0)
                s.link->onTimer();
    }
};

QStringList messages(int from, int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("%1:%2 手 1,%3,0,0,0").arg(from).arg(i).arg(i % 361);
    return list;
}

test::RelayOdds fixedDelay(qint64 ms)
{
    test::RelayOdds odds;
    odds.minDelayMs = odds.maxDelayMs = ms;
    return odds;
}

}  // namespace

class TestReliableLink : public QObject {
    Q_OBJECT
private slots:
    void exactlyOnceInOrder_data();
    void exactlyOnceInOrder();
    void roundTripMeasured_data();
    void roundTripMeasured();
    void lostFrameResentEarly_data();
    void lostFrameResentEarly();
    void backoffOncePerTimeout();
    void silenceAndReturn_data();
    void silenceAndReturn();
    void hostileFramesIgnored_data();
    void hostileFramesIgnored();
    void sendingBoundedWithoutAcks_data();
    void sendingBoundedWithoutAcks();
    void heldFramesBounded();
};

void TestReliableLink::exactlyOnceInOrder_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("burst");  // all 200 at once, past the window
    QTest::newRow("seed 1, interleaved") << 1u << false;
    QTest::newRow("seed 2, interleaved") << 2u << false;
    QTest::newRow("seed 3, interleaved") << 3u << false;
    QTest::newRow("seed 4, interleaved") << 4u << false;
    QTest::newRow("seed 5, burst") << 5u << true;
    QTest::newRow("seed 6, burst") << 6u << true;
}

// 10 % loss, 5 % duplicates and reordering: every message arrives once, in
// order, on both sides, in bounded time and with a bounded number of sends;
// and a lost frame holds the ones behind it only briefly.
void TestReliableLink::exactlyOnceInOrder()
{
    QFETCH(quint32, seed);
    QFETCH(bool, burst);
    test::RelayOdds odds{0.10, 0.05, 0.10, 5, 40};
    LinkPair p(odds, seed);
    const int count = 200;
    const std::array<QStringList, 2> wanted{messages(0, count), messages(1, count)};
    const auto sentAt = [burst](int from, int i) { return burst ? 0 : i * 15 + from * 7; };
    for (int from = 0; from < 2; ++from)
        for (int i = 0; i < count; ++i)
            p.plan.emplace(sentAt(from, i),
                           [&p, &wanted, from, i] { QVERIFY(p.link(from).send(wanted[from][i])); });

    const auto allThere = [&] { return p.side[0].got.size() >= count && p.side[1].got.size() >= count; };
    QVERIFY2(p.run(10000, allThere),
             qPrintable(QStringLiteral("after 10 s: %1 and %2 of %3")
                            .arg(p.side[1].got.size()).arg(p.side[0].got.size()).arg(count)));
    // The 95th percentile of send-to-delivery, head-of-line waits included.
    std::vector<qint64> waits;
    for (int from = 0; from < 2; ++from)
        for (int i = 0; i < count; ++i)
            waits.push_back(p.side[1 - from].deliveredAt[i] - sentAt(from, i));
    std::sort(waits.begin(), waits.end());
    const qint64 p95 = waits[waits.size() * 95 / 100];
    QVERIFY2(p95 <= 500, qPrintable(QStringLiteral("95th percentile %1 ms").arg(p95)));
    QVERIFY(p.run(p.clock.now + 5000));  // late duplicates and resends change nothing
    QCOMPARE(p.side[1].got, wanted[0]);
    QCOMPARE(p.side[0].got, wanted[1]);
    QCOMPARE(p.link(0).inFlight() + p.link(1).inFlight(), 0);
    QCOMPARE(p.link(0).heldOutOfOrder() + p.link(1).heldOutOfOrder(), 0);
    const int least = 2 * count;
    const int total = p.side[0].sent + p.side[1].sent;
    QVERIFY2(total <= 2 * least, qPrintable(QString::number(total)));
}

void TestReliableLink::roundTripMeasured_data()
{
    QTest::addColumn<qint64>("oneWayMs");
    QTest::addColumn<bool>("loseFirstCopy");
    QTest::addColumn<qint64>("srttAfterFirst");  // -1: no sample taken
    QTest::addColumn<qint64>("rtoLeast");
    QTest::addColumn<qint64>("rtoMost");
    const qint64 ack = ReliableLink::kAckDelayMs;
    // A fast link's timeout stays at the floor; a steady one's settles near the round trip.
    const qint64 floor = ReliableLink::kMinRtoMs;
    QTest::newRow("5 ms") << qint64(5) << false << 10 + ack << floor << floor;
    QTest::newRow("100 ms") << qint64(100) << false << 200 + ack << 200 + ack << 200 + ack + 20;
    QTest::newRow("300 ms") << qint64(300) << false << 600 + ack << 600 + ack << 600 + ack + 20;
    // Karn: the ack of a resent frame may answer either copy, so it is no sample.
    QTest::newRow("300 ms, first copy lost") << qint64(300) << true << qint64(-1) << 600 + ack
                                             << 600 + ack + 20;
}

void TestReliableLink::roundTripMeasured()
{
    QFETCH(qint64, oneWayMs);
    QFETCH(bool, loseFirstCopy);
    QFETCH(qint64, srttAfterFirst);
    QFETCH(qint64, rtoLeast);
    QFETCH(qint64, rtoMost);
    LinkPair p(fixedDelay(oneWayMs), 7);
    bool lost = !loseFirstCopy;
    p.relay.dropIf = [&lost](int from, const QByteArray &d) {
        const auto f = ReliableLink::decode(d);
        const bool drop = !lost && from == 0 && f && f->type == FrameType::Data;
        lost = lost || drop;
        return drop;
    };
    QVERIFY(p.link(0).send(QStringLiteral("first")));
    QVERIFY(p.run(5000));
    QCOMPARE(p.side[1].got, QStringList{QStringLiteral("first")});
    QCOMPARE(p.link(0).smoothedRttMs(), srttAfterFirst);

    for (int i = 0; i < 30; ++i) {
        QVERIFY(p.link(0).send(QString::number(i)));
        QVERIFY(p.run(p.clock.now + 3000));
    }
    QCOMPARE(p.link(0).smoothedRttMs(), 2 * oneWayMs + ReliableLink::kAckDelayMs);
    QVERIFY2(p.link(0).rtoMs() >= rtoLeast && p.link(0).rtoMs() <= rtoMost,
             qPrintable(QString::number(p.link(0).rtoMs())));
}

void TestReliableLink::lostFrameResentEarly_data()
{
    QTest::addColumn<int>("burst");
    QTest::addColumn<qint64>("deliveredFrom");
    QTest::addColumn<qint64>("deliveredBy");
    // Overtaken by three: resent on the ack that shows it, a few round trips in.
    QTest::newRow("overtaken by three") << 4 << qint64(0) << qint64(100);
    // Overtaken by two only: that could be reordering, so it waits for the timeout.
    const qint64 timeout = ReliableLink::kInitialRtoMs;
    QTest::newRow("overtaken by two") << 3 << timeout << timeout + 100;
}

// The first frame of a burst is lost once.
void TestReliableLink::lostFrameResentEarly()
{
    QFETCH(int, burst);
    QFETCH(qint64, deliveredFrom);
    QFETCH(qint64, deliveredBy);
    LinkPair p(fixedDelay(10), 5);
    bool lost = false;
    p.relay.dropIf = [&lost](int from, const QByteArray &d) {
        const auto f = ReliableLink::decode(d);
        const bool drop = !lost && from == 0 && f && f->type == FrameType::Data;
        lost = lost || drop;
        return drop;
    };
    for (const QString &text : messages(0, burst))
        QVERIFY(p.link(0).send(text));
    QVERIFY(p.run(3000));
    QCOMPARE(p.side[1].got, messages(0, burst));
    QVERIFY2(p.side[1].lastDelivery() >= deliveredFrom && p.side[1].lastDelivery() <= deliveredBy,
             qPrintable(QString::number(p.side[1].lastDelivery())));
}

// Frames lost one after another within one timeout double it once, as a
// single connection timer would; a second doubling waits a whole timeout.
void TestReliableLink::backoffOncePerTimeout()
{
    LinkPair p(fixedDelay(10), 9);
    QVERIFY(p.link(0).send(QStringLiteral("measure")));
    QVERIFY(p.run(1000));
    const qint64 rto = p.link(0).rtoMs();
    QVERIFY(4 * rto <= ReliableLink::kMaxRtoMs);  // room to see each doubling
    p.relay.cutFrom[0] = true;
    for (int i = 0; i < 3; ++i) {
        QVERIFY(p.link(0).send(QString::number(i)));
        QVERIFY(p.run(p.clock.now + 10));
    }
    QVERIFY(p.run(p.clock.now + rto + 10));
    QCOMPARE(p.link(0).rtoMs(), 2 * rto);
    QVERIFY(p.run(p.clock.now + 2 * rto));
    QCOMPARE(p.link(0).rtoMs(), 4 * rto);
}

void TestReliableLink::silenceAndReturn_data()
{
    QTest::addColumn<bool>("bStops");      // B's copy stops: no timers, hears nothing
    QTest::addColumn<bool>("fromALost");
    QTest::addColumn<bool>("fromBLost");
    QTest::addColumn<bool>("aReports");    // A reports silent, then back
    QTest::addColumn<bool>("bReports");
    QTest::newRow("peer stops") << true << true << true << true << true;
    QTest::newRow("peer's datagrams lost") << false << false << true << true << false;
    QTest::newRow("lost both ways") << false << true << true << true << true;
}

// Idle links keep each other alive through 10 % loss; a peer heard from for
// 10 s is reported silent then and not before; when heard again it is
// reported back and what was sent meanwhile arrives at once, in order.
void TestReliableLink::silenceAndReturn()
{
    QFETCH(bool, bStops);
    QFETCH(bool, fromALost);
    QFETCH(bool, fromBLost);
    QFETCH(bool, aReports);
    QFETCH(bool, bReports);
    test::RelayOdds odds{0.10, 0.05, 0.10, 5, 40};
    LinkPair p(odds, 11);
    QVERIFY(p.link(0).send(QStringLiteral("before A")));
    QVERIFY(p.link(1).send(QStringLiteral("before B")));
    QVERIFY(p.run(30000));
    QVERIFY(p.side[0].reports.isEmpty() && p.side[1].reports.isEmpty());

    p.relay.setOdds(fixedDelay(10));
    p.relay.cutFrom = {fromALost, fromBLost};
    p.side[1].frozen = bStops;
    const QStringList duringA = messages(0, 5);
    for (const QString &text : duringA)
        QVERIFY(p.link(0).send(text));
    if (!bStops)
        QVERIFY(p.link(1).send(QStringLiteral("during B")));
    QVERIFY(p.run(60000));
    for (int i = 0; i < 2; ++i) {
        const bool reports = i == 0 ? aReports : !bStops && bReports;
        QCOMPARE(p.side[i].reports.size(), reports ? 1 : 0);
        if (reports) {
            QCOMPARE(p.side[i].reports[0].second, true);
            QCOMPARE(p.side[i].reports[0].first, p.side[i].lastArrival + ReliableLink::kSilenceMs);
        }
    }
    const int quietSends = p.side[0].sent;
    QVERIFY(p.run(80000));
    QVERIFY2(p.side[0].sent - quietSends <= 20, "a silent peer gets probes, not the whole window");

    p.relay.cutFrom = {false, false};
    p.side[1].frozen = false;
    QVERIFY(p.run(90000));
    const QList<bool> silentThenBack{true, false};
    QList<bool> aSeen, bSeen;
    for (const auto &r : p.side[0].reports)
        aSeen << r.second;
    for (const auto &r : p.side[1].reports)
        bSeen << r.second;
    QCOMPARE(aSeen, aReports ? silentThenBack : QList<bool>{});
    QCOMPARE(bSeen, bReports ? silentThenBack : QList<bool>{});
    QCOMPARE(p.side[1].got, QStringList{QStringLiteral("before A")} + duringA);
    if (aReports)  // what waited goes as soon as the peer is heard, not at the next timeout
        QVERIFY(p.side[1].lastDelivery() <= p.side[0].reports[1].first + 100);
    QStringList fromB{QStringLiteral("before B")};
    if (!bStops)
        fromB << QStringLiteral("during B");
    QCOMPARE(p.side[0].got, fromB);
}

namespace {

// A has delivered 3 frames from B (0..2) and numbered 5 of its own (0..4),
// the last 2 not yet acknowledged. Each row is what an attacker sends A;
// the data rows carry a text at the next number, so acceptance would show.
enum class Hostile {
    Empty, ShortHeader, Oversized, UnknownType, AckWithText, NotUtf8, RandomBytes,
    FarAhead, FarBehind, AckNeverSent, SackNeverSent
};

Frame nextFromB()
{
    Frame f;
    f.type = FrameType::Data;
    f.seq = 3;
    f.ack = 3;
    f.payload = "forged";
    return f;
}

QList<QByteArray> hostileDatagrams(Hostile kind)
{
    Frame f = nextFromB();
    QByteArray bytes = ReliableLink::encode(f);
    switch (kind) {
    case Hostile::Empty: return {QByteArray()};
    case Hostile::ShortHeader: return {bytes.left(ReliableLink::kHeaderBytes - 1), bytes.left(1)};
    case Hostile::Oversized:
        f.payload = QByteArray(ReliableLink::kMaxPayloadBytes + 1, 'x');
        return {ReliableLink::encode(f)};
    case Hostile::UnknownType: {
        QByteArray below = bytes, above = bytes;
        below[0] = char(0);
        above[0] = char(int(FrameType::Heartbeat) + 1);
        return {below, above};
    }
    case Hostile::AckWithText: f.type = FrameType::Ack; return {ReliableLink::encode(f)};
    case Hostile::NotUtf8: f.payload = "\xff\xfe\x80"; return {ReliableLink::encode(f)};
    case Hostile::FarAhead: f.seq = 3 + 1000; return {ReliableLink::encode(f)};
    case Hostile::FarBehind: f.seq = 3 - 1000; return {ReliableLink::encode(f)};
    case Hostile::AckNeverSent: f.ack = 6; return {ReliableLink::encode(f)};
    case Hostile::SackNeverSent: f.sack = 0b11; return {ReliableLink::encode(f)};
    case Hostile::RandomBytes: break;
    }
    QList<QByteArray> list;
    std::mt19937 random(5);
    for (int i = 0; i < 500; ++i) {
        QByteArray junk(int(random() % 5000), '\0');
        for (char &c : junk)
            c = char(random());
        list << junk;
    }
    return list;
}

}  // namespace

Q_DECLARE_METATYPE(Hostile)

void TestReliableLink::hostileFramesIgnored_data()
{
    QTest::addColumn<Hostile>("kind");
    QTest::newRow("empty") << Hostile::Empty;
    QTest::newRow("truncated header") << Hostile::ShortHeader;
    QTest::newRow("oversized") << Hostile::Oversized;
    QTest::newRow("unknown frame type") << Hostile::UnknownType;
    QTest::newRow("ack carrying text") << Hostile::AckWithText;
    QTest::newRow("text not UTF-8") << Hostile::NotUtf8;
    QTest::newRow("random bytes") << Hostile::RandomBytes;
    QTest::newRow("number far ahead") << Hostile::FarAhead;
    QTest::newRow("number far behind") << Hostile::FarBehind;
    QTest::newRow("ack of data never sent") << Hostile::AckNeverSent;
    QTest::newRow("selective ack of data never sent") << Hostile::SackNeverSent;
}

void TestReliableLink::hostileFramesIgnored()
{
    QFETCH(Hostile, kind);
    LinkPair p(fixedDelay(10), 3);
    for (const QString &text : messages(1, 3))
        QVERIFY(p.link(1).send(text));
    for (const QString &text : messages(0, 3))
        QVERIFY(p.link(0).send(text));
    QVERIFY(p.run(1000));
    p.relay.cutFrom[0] = true;
    QVERIFY(p.link(0).send(QStringLiteral("unacked 1")));
    QVERIFY(p.link(0).send(QStringLiteral("unacked 2")));
    QCOMPARE(p.link(0).inFlight(), 2);
    const int sentBefore = p.side[0].sent;

    for (const QByteArray &d : hostileDatagrams(kind))
        p.link(0).onDatagram(d);
    QCOMPARE(p.side[0].got, messages(1, 3));
    QCOMPARE(p.link(0).inFlight(), 2);
    QCOMPARE(p.link(0).heldOutOfOrder(), 0);
    QCOMPARE(p.side[0].sent, sentBefore);  // not even an ack goes out

    // The real session carries on.
    p.relay.cutFrom[0] = false;
    QVERIFY(p.link(1).send(QStringLiteral("after")));
    QVERIFY(p.run(p.clock.now + 5000));
    QCOMPARE(p.side[0].got, messages(1, 3) << QStringLiteral("after"));
    QCOMPARE(p.side[1].got, messages(0, 3) << QStringLiteral("unacked 1") << QStringLiteral("unacked 2"));
    QVERIFY(p.side[0].reports.isEmpty());
}

void TestReliableLink::sendingBoundedWithoutAcks_data()
{
    QTest::addColumn<int>("textBytes");
    QTest::newRow("short texts") << 10;
    QTest::newRow("longest texts") << int(ReliableLink::kMaxPayloadBytes);
}

// A peer that never acknowledges: the link keeps a window and a queue, then
// refuses; its resends back off to the ceiling and shrink to a probe.
void TestReliableLink::sendingBoundedWithoutAcks()
{
    QFETCH(int, textBytes);
    test::SimClock clock;
    QList<qint64> firstFrameSends;
    int sends = 0;
    ReliableLink::Callbacks out;
    out.sendDatagram = [&](const QByteArray &d) {
        ++sends;
        if (const auto f = ReliableLink::decode(d); f && f->type == FrameType::Data && f->seq == 0)
            firstFrameSends << clock.now;
    };
    ReliableLink link(clock.source(), out);
    QVERIFY(!link.send(QString(ReliableLink::kMaxPayloadBytes + 1, QLatin1Char('x'))));
    int accepted = 0;
    for (int i = 0; i < 5000; ++i)
        accepted += link.send(QString(textBytes, QLatin1Char('a' + i % 26)));
    QCOMPARE(accepted, ReliableLink::kWindow + ReliableLink::kQueueLimit);
    QCOMPARE(link.inFlight(), ReliableLink::kWindow);
    QCOMPARE(link.queued(), ReliableLink::kQueueLimit);

    for (int step = 0; step < 100000 && clock.now < 120000; ++step) {
        clock.now += link.nextTimeoutMs();
        link.onTimer();
    }
    QCOMPARE(link.inFlight(), ReliableLink::kWindow);
    QCOMPARE(link.queued(), ReliableLink::kQueueLimit);
    QCOMPARE(link.rtoMs(), ReliableLink::kMaxRtoMs);
    QVERIFY(link.isPeerSilent());
    QVERIFY2(sends <= ReliableLink::kWindow * 6 + 120, qPrintable(QString::number(sends)));
    QVERIFY(firstFrameSends.size() >= 3);
    QCOMPARE(firstFrameSends[1] - firstFrameSends[0], ReliableLink::kInitialRtoMs);
    for (int i = 2; i < firstFrameSends.size(); ++i)
        QVERIFY(firstFrameSends[i] - firstFrameSends[i - 1] >= ReliableLink::kMaxRtoMs);
}

// Frames past a gap are held only within the window; filling the gap
// delivers what was held, in order.
void TestReliableLink::heldFramesBounded()
{
    test::SimClock clock;
    QStringList got;
    ReliableLink::Callbacks out;
    out.deliver = [&got](const QString &text) { got << text; };
    ReliableLink link(clock.source(), out);
    Frame f;
    for (quint32 seq = 1; seq < 5000; ++seq) {
        f.seq = seq;
        f.payload = QByteArray::number(seq);
        link.onDatagram(ReliableLink::encode(f));
    }
    QVERIFY(got.isEmpty());
    QCOMPARE(link.heldOutOfOrder(), ReliableLink::kWindow - 1);
    f.seq = 0;
    f.payload = "0";
    link.onDatagram(ReliableLink::encode(f));
    QStringList wanted;
    for (int i = 0; i < ReliableLink::kWindow; ++i)
        wanted << QString::number(i);
    QCOMPARE(got, wanted);
    QCOMPARE(link.heldOutOfOrder(), 0);
}

QTEST_GUILESS_MAIN(TestReliableLink)
#include "tst_reliablelink.moc"
