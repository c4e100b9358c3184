// The game clock on a clock the test moves: the countdown, its alarms and
// stop, pause and resume, reset, and ticks that come early, late or not at all.
#include "Clock.h"
#include "Options.h"
#include "TestDoubles.h"

#include <QtTest>

using namespace moyuta;

class TestClock : public QObject {
    Q_OBJECT
private slots:
    void runsOut_data();
    void runsOut();
    void pauseAndResume();
    void limitAppliesToTheNextStart();
    void lateEarlyAndMissedTicks();
    void neverRingsAgainAfterRunningOut();
};

namespace {

struct ClockFixture : test::Fixture {
    ClockFixture()
    {
        shell::installHandlers(s);
        clock.onTick = [this] { shell::onClockEvent(s); };
        s.form.UpDown3.setValue(3);
    }
    QString shown() const { return s.form.lblTime.caption; }
    void seconds(int n)
    {
        for (int i = 0; i < n; ++i)
            clock.advance(1000);
    }
};

}  // namespace

void TestClock::runsOut_data()
{
    QTest::addColumn<bool>("soundOff");
    QTest::newRow("sound on") << false;
    QTest::newRow("sound off") << true;
}

void TestClock::runsOut()
{
    QFETCH(bool, soundOff);
    ClockFixture fx;
    fx.s.shell.soundOff = soundOff;
    fx.s.form.UpDown3.setValue(1);
    QCOMPARE(fx.s.form.lblMax.caption, QStringLiteral("1"));
    shell::onTimerButton(fx.s);
    QCOMPARE(fx.s.form.cmdTimer.caption, QStringLiteral("タイマーストップ"));
    QCOMPARE(fx.shown(), QString());
    fx.seconds(1);
    QCOMPARE(fx.shown(), QStringLiteral("00:59"));
    fx.seconds(58);
    QCOMPARE(fx.shown(), QStringLiteral("00:01"));
    QCOMPARE(fx.sound.plays, 0);
    fx.seconds(1);
    QCOMPARE(fx.shown(), QStringLiteral("00:00"));
    QCOMPARE(fx.sound.plays, soundOff ? 0 : 1);
    fx.seconds(4);  // five alarms, once a second
    QCOMPARE(fx.sound.plays, soundOff ? 0 : 5);
    QVERIFY(fx.clock.ticking);
    fx.seconds(1);  // the sixth tick at 00:00 stops the clock
    QVERIFY(!fx.clock.ticking);
    QCOMPARE(fx.s.gameClock.interval, 0);
    QCOMPARE(fx.sound.plays, soundOff ? 0 : 5);
    QCOMPARE(fx.shown(), QStringLiteral("00:00"));
    QCOMPARE(fx.s.form.cmdTimer.caption, QStringLiteral("タイマーストップ"));  // as it was
}

void TestClock::pauseAndResume()
{
    ClockFixture fx;
    shell::onTimerButton(fx.s);
    fx.seconds(10);
    QCOMPARE(fx.shown(), QStringLiteral("02:50"));
    shell::onTimerButton(fx.s);  // stop
    QCOMPARE(fx.s.form.cmdTimer.caption, QStringLiteral("タイマースタート"));
    QVERIFY(!fx.clock.ticking);
    fx.clock.now += 30000;  // a long pause
    QCOMPARE(fx.shown(), QStringLiteral("02:50"));
    shell::onTimerButton(fx.s);  // resume from where it stood
    fx.seconds(1);
    QCOMPARE(fx.shown(), QStringLiteral("02:49"));

    shell::onResetTimer(fx.s);
    QCOMPARE(fx.shown(), QString());
    QCOMPARE(fx.s.form.cmdTimer.caption, QStringLiteral("タイマースタート"));
    QVERIFY(!fx.clock.ticking);
    shell::onTimerButton(fx.s);  // a fresh start counts the whole limit again
    fx.seconds(1);
    QCOMPARE(fx.shown(), QStringLiteral("02:59"));
}

void TestClock::limitAppliesToTheNextStart()
{
    ClockFixture fx;
    shell::onTimerButton(fx.s);
    fx.seconds(1);
    fx.s.form.UpDown3.setValue(5);
    QCOMPARE(fx.s.form.lblMax.caption, QStringLiteral("5"));
    fx.seconds(1);
    QCOMPARE(fx.shown(), QStringLiteral("02:58"));
    shell::onResetTimer(fx.s);
    shell::onTimerButton(fx.s);
    fx.seconds(1);
    QCOMPARE(fx.shown(), QStringLiteral("04:59"));
    fx.s.form.UpDown3.setValue(11);  // the spinner keeps to 1–10
    QCOMPARE(fx.s.gameClock.limitMinutes, 10);
}

void TestClock::lateEarlyAndMissedTicks()
{
    ClockFixture fx;
    shell::onTimerButton(fx.s);
    fx.clock.advance(998);  // a little early still counts
    QCOMPARE(fx.shown(), QStringLiteral("02:59"));
    fx.clock.advance(1005);  // a little late counts once
    QCOMPARE(fx.shown(), QStringLiteral("02:58"));
    fx.clock.advance(400);  // an extra event in between counts nothing
    QCOMPARE(fx.shown(), QStringLiteral("02:58"));
    fx.clock.advance(4597);  // the event loop was blocked: five seconds at once
    QCOMPARE(fx.shown(), QStringLiteral("02:53"));

    // Blocked across the end: the alarms are counted, one cue for the event.
    fx.clock.advance(180000);
    QCOMPARE(fx.shown(), QStringLiteral("00:00"));
    QCOMPARE(fx.sound.plays, 1);
    QVERIFY(!fx.clock.ticking);
}

void TestClock::neverRingsAgainAfterRunningOut()
{
    ClockFixture fx;
    fx.s.form.UpDown3.setValue(1);
    shell::onTimerButton(fx.s);
    fx.seconds(65);
    QCOMPARE(fx.sound.plays, 5);
    QVERIFY(!fx.clock.ticking);
    for (int i = 0; i < 300; ++i) {
        shell::onTimerButton(fx.s);  // stop (the caption still says タイマーストップ)
        shell::onTimerButton(fx.s);  // and start: a resume at 00:00
        fx.seconds(1);
        QVERIFY(!fx.clock.ticking);
    }
    QCOMPARE(fx.sound.plays, 5);
    QCOMPARE(fx.shown(), QStringLiteral("00:00"));
}

QTEST_MAIN(TestClock)
#include "tst_clock.moc"
