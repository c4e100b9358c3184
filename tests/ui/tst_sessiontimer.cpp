// The session timer adapter: one wake-up at a time, on time, and a steady clock.
#include "QtSessionTimer.h"

#include <QtTest>

using moyuta::ui::QtSessionTimer;

class TestSessionTimer : public QObject {
    Q_OBJECT
private slots:
    void wakesOnce_data();
    void wakesOnce();
    void laterWakeReplacesEarlier_data();
    void laterWakeReplacesEarlier();
    void stopCancels();
    void wakeMayRearm();
};

void TestSessionTimer::wakesOnce_data()
{
    QTest::addColumn<int>("ms");
    QTest::newRow("now") << 0;
    QTest::newRow("short, precise") << 20;
    QTest::newRow("long, coarse") << 200;
}

void TestSessionTimer::wakesOnce()
{
    QFETCH(int, ms);
    QtSessionTimer timer;
    int wakes = 0;
    qint64 wokeAt = -1;
    timer.onWake = [&] {
        ++wakes;
        wokeAt = timer.nowMs();
    };
    const qint64 from = timer.nowMs();
    timer.wakeIn(ms);
    QVERIFY(timer.isWaiting());
    QCOMPARE(wakes, 0);  // never from inside wakeIn
    QVERIFY(QTest::qWaitFor([&] { return wakes > 0; }, 5000));
    // A coarse timer may be 5 % early.
    QVERIFY2(wokeAt - from >= ms - ms / 20 - 1, qPrintable(QString::number(wokeAt - from)));
    QTest::qWait(ms + 100);
    QCOMPARE(wakes, 1);
    QVERIFY(!timer.isWaiting());
}

void TestSessionTimer::laterWakeReplacesEarlier_data()
{
    QTest::addColumn<int>("firstMs");
    QTest::addColumn<int>("secondMs");
    QTest::newRow("sooner") << 2000 << 30;
    QTest::newRow("later") << 30 << 400;
}

void TestSessionTimer::laterWakeReplacesEarlier()
{
    QFETCH(int, firstMs);
    QFETCH(int, secondMs);
    QtSessionTimer timer;
    int wakes = 0;
    qint64 wokeAt = -1;
    timer.onWake = [&] {
        ++wakes;
        wokeAt = timer.nowMs();
    };
    const qint64 from = timer.nowMs();
    timer.wakeIn(firstMs);
    timer.wakeIn(secondMs);
    QVERIFY(QTest::qWaitFor([&] { return wakes > 0; }, 5000));
    QVERIFY(wokeAt - from >= secondMs - secondMs / 20 - 1);
    if (secondMs < firstMs)
        QVERIFY(wokeAt - from < firstMs / 2);
    QTest::qWait(std::min(firstMs, 500) + 100);
    QCOMPARE(wakes, 1);
}

void TestSessionTimer::stopCancels()
{
    QtSessionTimer timer;
    int wakes = 0;
    timer.onWake = [&] { ++wakes; };
    timer.wakeIn(20);
    timer.stop();
    QVERIFY(!timer.isWaiting());
    QTest::qWait(150);
    QCOMPARE(wakes, 0);
}

void TestSessionTimer::wakeMayRearm()
{
    QtSessionTimer timer;
    QList<qint64> wokeAt;
    timer.onWake = [&] {
        wokeAt << timer.nowMs();
        if (wokeAt.size() < 3)
            timer.wakeIn(10);
    };
    timer.wakeIn(10);
    QVERIFY(QTest::qWaitFor([&] { return wokeAt.size() == 3; }, 5000));
    QTest::qWait(100);
    QCOMPARE(wokeAt.size(), 3);
    QVERIFY(std::is_sorted(wokeAt.begin(), wokeAt.end()));
}

QTEST_MAIN(TestSessionTimer)
#include "tst_sessiontimer.moc"
