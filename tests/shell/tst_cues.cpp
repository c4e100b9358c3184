// The cue on every occasion, through the sound port: once per occasion with
// sound on, never with sound off.
#include "Chat.h"
#include "Clock.h"
#include "MemoryWire.h"
#include "NetworkedActions.h"
#include "Options.h"

#include <QtTest>

using namespace moyuta;

class TestCues : public QObject {
    Q_OBJECT
private slots:
    void everyOccasion_data();
    void everyOccasion();
};

namespace {

using Occasion = std::function<void(test::MemoryWire &)>;

// Connected, a game on 13 lines started by a, and one stone of a's on both boards.
void gameWithAStone(test::MemoryWire &w)
{
    w.connectBoth();
    board::switchToSize(w.a.s, Size13);
    w.a.s.form.Option3.setSelected(Size13);
    board::onStart(w.a.s);
    w.deliver();
    board::pressPoint(w.a.s, 60, board::MouseButton::Left);
    w.deliver();
}

}  // namespace

void TestCues::everyOccasion_data()
{
    QTest::addColumn<Occasion>("setUp");
    QTest::addColumn<Occasion>("occasion");  // what b hears
    QTest::addColumn<int>("cues");           // with sound on

    const Occasion nothing = [](test::MemoryWire &) {};
    QTest::newRow("own take-back") << Occasion([](test::MemoryWire &w) { board::pressPoint(w.b.s, 60, board::MouseButton::Left); })
                                   << Occasion([](test::MemoryWire &w) { board::onTakeBack(w.b.s); }) << 1;
    QTest::newRow("handshake completes") << nothing << Occasion([](test::MemoryWire &w) { w.connectBoth(); }) << 1;
    QTest::newRow("peer's board size") << Occasion([](test::MemoryWire &w) { w.connectBoth(); })
                                       << Occasion([](test::MemoryWire &w) {
                                              w.a.s.form.Option3.select(Size9);
                                              w.deliver();
                                          })
                                       << 1;
    QTest::newRow("peer's move") << Occasion(gameWithAStone) << Occasion([](test::MemoryWire &w) {
        board::pressPoint(w.a.s, 61, board::MouseButton::Left);
        w.deliver();
    }) << 1;
    QTest::newRow("peer's prisoner count") << Occasion(gameWithAStone) << Occasion([](test::MemoryWire &w) {
        w.a.s.form.UpDown2.setValue(2);
        w.deliver();
    }) << 1;
    QTest::newRow("peer removes stones, then stops") << Occasion(gameWithAStone) << Occasion([](test::MemoryWire &w) {
        w.a.s.form.Option1.select(2);
        w.deliver();
        w.a.s.form.Option1.select(0);
        w.deliver();
    }) << 2;
    QTest::newRow("peer away and back") << Occasion(gameWithAStone) << Occasion([](test::MemoryWire &w) {
        board::onPresence(w.a.s);
        w.deliver();
        board::onPresence(w.a.s);
        w.deliver();
    }) << 1;
    QTest::newRow("chat arrives") << Occasion([](test::MemoryWire &w) { w.connectBoth(); })
                                  << Occasion([](test::MemoryWire &w) {
                                         w.a.s.form.txtSend.text = QStringLiteral("こんにちは");
                                         network::onSend(w.a.s);
                                         w.deliver();
                                     })
                                  << 1;
    QTest::newRow("待った") << Occasion(gameWithAStone) << Occasion([](test::MemoryWire &w) {
        network::onWait(w.a.s);
        w.deliver();
    }) << 1;
    QTest::newRow("clock runs out") << nothing << Occasion([](test::MemoryWire &w) {
        w.b.clock.onTick = [&w] { shell::onClockEvent(w.b.s); };
        w.b.s.form.UpDown3.setValue(1);
        shell::onTimerButton(w.b.s);
        for (int i = 0; i < 70; ++i)
            w.b.clock.advance(1000);
    }) << 5;
}

void TestCues::everyOccasion()
{
    QFETCH(Occasion, setUp);
    QFETCH(Occasion, occasion);
    QFETCH(int, cues);

    for (const bool soundOff : {false, true}) {
        test::MemoryWire w;
        shell::installHandlers(w.b.s);
        setUp(w);
        w.b.s.shell.soundOff = soundOff;
        const int before = w.b.sound.plays;
        occasion(w);
        QCOMPARE(w.b.sound.plays - before, soundOff ? 0 : cues);
    }
}

QTEST_MAIN(TestCues)
#include "tst_cues.moc"
