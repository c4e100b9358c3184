// The replay's step buttons, its counter, its keys and the wheel over the
// board reach the replay's handlers, and only while a replay runs.
#include "BoardView.h"
#include "MainWindow.h"
#include "Record.h"
#include "TestDoubles.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace moyuta;

class TestReplayControls : public QObject {
    Q_OBJECT
private slots:
    void namesAndStates();
    void buttonsReachHandlers_data();
    void buttonsReachHandlers();
    void keys_data();
    void keys();
    void wheelOverBoard_data();
    void wheelOverBoard();
    void typedStepJumps();
};

namespace {

constexpr int kSteps = 25;

const QStringList kButtons = {QStringLiteral("cmdReplayFirst"), QStringLiteral("cmdReplayBack10"),
                              QStringLiteral("cmdReplayBack"),  QStringLiteral("cmdReplayForward"),
                              QStringLiteral("cmdReplayForward10"), QStringLiteral("cmdReplayLast")};

// A window over a record of kSteps stones, numbered 1 on.
struct ReplayWindow {
    test::Fixture fx;
    ui::MainWindow w{fx.s};

    ReplayWindow()
    {
        record::installReplayHandlers(fx.s);
        QStringList entries;
        for (int n = 1; n <= kSteps; ++n)
            entries << QStringLiteral("%1,%2,0,%3").arg(2 - n % 2).arg(n * 7).arg(n);
        board::takeOpenedRecord(fx.s, entries);
        fx.s.form.cmdF.enabled = true;  // as opening the file leaves it
        w.sync();
        w.show();
    }
    int step() const { return fx.s.form.UpDownReplayStep.value; }
    QSpinBox *counter() { return w.findChild<QSpinBox *>(QStringLiteral("UpDownReplayStep")); }
    // 記録を再生 by the mouse, then the step `to` through the model.
    void replayTo(int to)
    {
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdF")), Qt::LeftButton);
        record::goToReplayStep(fx.s, to);
        w.sync();
    }
};

int stepAfter(int start, int moved) { return std::clamp(start + moved, 1, kSteps); }

}  // namespace

void TestReplayControls::namesAndStates()
{
    ReplayWindow r;
    QVERIFY(QTest::qWaitForWindowExposed(&r.w));
    const QStringList names = {QStringLiteral("最初へ"), QStringLiteral("10手戻す"), QStringLiteral("一手戻す"),
                               QStringLiteral("一手進む"), QStringLiteral("10手進む"), QStringLiteral("最後へ")};
    QList<QWidget *> controls;
    for (int i = 0; i < kButtons.size(); ++i) {
        auto *b = r.w.findChild<QPushButton *>(kButtons[i]);
        QVERIFY(b);
        QCOMPARE(b->accessibleName(), names[i]);
        controls << b;
    }
    QVERIFY(r.counter());
    QCOMPARE(r.counter()->accessibleName(), QStringLiteral("手数"));
    controls << r.counter();
    QVERIFY(r.counter()->parentWidget()->isAncestorOf(controls.first()));
    auto enabledCount = [&] { return std::count_if(controls.cbegin(), controls.cend(), [](QWidget *c) { return c->isEnabled(); }); };
    QCOMPARE(enabledCount(), 0);

    r.replayTo(1);
    QCOMPARE(enabledCount(), controls.size());
    QCOMPARE(r.counter()->text(), QStringLiteral("1 / %1").arg(kSteps));
    r.replayTo(kSteps);
    QCOMPARE(r.counter()->text(), QStringLiteral("%1 / %1").arg(kSteps));

    // 記録を再生 at the end, not again: the replay is left.
    r.fx.dialogs.answers = {Answer::No};
    QTest::mouseClick(r.w.findChild<QPushButton *>(QStringLiteral("cmdF")), Qt::LeftButton);
    QCOMPARE(r.fx.s.moves.replayStep, 0);
    QCOMPARE(enabledCount(), 0);
}

void TestReplayControls::buttonsReachHandlers_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("accessible");  // the accessibility press, else the mouse
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected");

    for (const bool accessible : {false, true}) {
        const char *road = accessible ? "accessible" : "mouse";
        QTest::addRow("%s: first", road) << kButtons[0] << accessible << 12 << 1;
        QTest::addRow("%s: ten back", road) << kButtons[1] << accessible << 12 << 2;
        QTest::addRow("%s: ten back near the first", road) << kButtons[1] << accessible << 4 << 1;
        QTest::addRow("%s: one back", road) << kButtons[2] << accessible << 12 << 11;
        QTest::addRow("%s: one forward", road) << kButtons[3] << accessible << 12 << 13;
        QTest::addRow("%s: ten forward", road) << kButtons[4] << accessible << 12 << 22;
        QTest::addRow("%s: ten forward near the last", road) << kButtons[4] << accessible << 20 << kSteps;
        QTest::addRow("%s: last", road) << kButtons[5] << accessible << 12 << kSteps;
    }
}

void TestReplayControls::buttonsReachHandlers()
{
    QFETCH(QString, button);
    QFETCH(bool, accessible);
    QFETCH(int, start);
    QFETCH(int, expected);

    ReplayWindow r;
    QVERIFY(QTest::qWaitForWindowExposed(&r.w));
    r.replayTo(start);
    const int plays = r.fx.sound.plays;
    auto *b = r.w.findChild<QPushButton *>(button);
    if (accessible) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(b);
        QVERIFY(iface && iface->actionInterface());
        iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(r.step(), expected);
    } else {
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QCOMPARE(r.step(), expected);
    QCOMPARE(r.counter()->value(), expected);
    QCOMPARE(r.fx.at(expected * 7), expected % 2 ? PointContent::Black : PointContent::White);
    QCOMPARE(r.fx.at(expected * 7 + 7), PointContent::Empty);
    QCOMPARE(r.fx.sound.plays, plays);
    QVERIFY(r.fx.dialogs.questions.isEmpty());
}

void TestReplayControls::keys_data()
{
    QTest::addColumn<QString>("focus");  // the widget with the focus: "board" or a control's name
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("moved");  // presses forward; ±100: to the last or the first

    const QStringList widgets = {QStringLiteral("board"), QStringLiteral("cmdReplayBack"),
                                 QStringLiteral("UpDownReplayStep"), QStringLiteral("cmdF")};
    const std::pair<int, int> keys[] = {{Qt::Key_Left, -1},     {Qt::Key_Right, 1}, {Qt::Key_PageUp, -10},
                                        {Qt::Key_PageDown, 10}, {Qt::Key_Home, -100}, {Qt::Key_End, 100}};
    for (const QString &focus : widgets)
        for (const auto &[key, moved] : keys)
            QTest::addRow("%s, %s", qPrintable(focus), qPrintable(QKeySequence(key).toString())) << focus << key << moved;
}

void TestReplayControls::keys()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, moved);

    ReplayWindow r;
    QWidget *target = focus == QLatin1String("board") ? static_cast<QWidget *>(r.w.boardView())
                                                      : r.w.findChild<QWidget *>(focus);
    QVERIFY(target);
    // Outside a replay the keys do nothing here.
    QTest::keyClick(target, Qt::Key(key));
    QCOMPARE(r.step(), 0);
    QVERIFY(!board::boardHasContent(r.fx.s));

    r.replayTo(12);
    QTest::keyClick(target, Qt::Key(key));
    QCOMPARE(r.step(), stepAfter(12, moved));
    QCOMPARE(r.fx.at(r.step() * 7), r.step() % 2 ? PointContent::Black : PointContent::White);
    QCOMPARE(r.fx.at(r.step() * 7 + 7), PointContent::Empty);
    QCOMPARE(r.counter()->value(), r.step());
}

void TestReplayControls::wheelOverBoard_data()
{
    QTest::addColumn<QList<int>>("deltas");  // angleDelta of each wheel event
    QTest::addColumn<int>("moved");

    QTest::newRow("a notch away: back") << QList<int>{120} << -1;
    QTest::newRow("a notch towards: forward") << QList<int>{-120} << 1;
    QTest::newRow("three notches in one event") << QList<int>{-360} << 3;
    QTest::newRow("fine steps gather into a notch") << QList<int>{-40, -40, -40, -40} << 1;
    QTest::newRow("turning back drops the rest") << QList<int>{-100, 60, 60} << -1;
    QTest::newRow("less than a notch") << QList<int>{90} << 0;
    QTest::newRow("a huge delta stops at the first") << QList<int>{2147483647} << -100;
}

void TestReplayControls::wheelOverBoard()
{
    QFETCH(QList<int>, deltas);
    QFETCH(int, moved);

    ReplayWindow r;
    QVERIFY(QTest::qWaitForWindowExposed(&r.w));
    ui::BoardView *board = r.w.boardView();
    const QPointF centre = board->rect().center();
    auto roll = [&](int delta) {
        QWheelEvent wheel(centre, board->mapToGlobal(centre), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(board, &wheel);
    };
    for (int delta : deltas)
        roll(delta);  // no replay yet: nothing
    QCOMPARE(r.step(), 0);

    r.replayTo(12);
    for (int delta : deltas)
        roll(delta);
    QCOMPARE(r.step(), stepAfter(12, moved));
    QCOMPARE(r.counter()->value(), r.step());
}

// A step typed into the counter and Enter: the board of that step.
void TestReplayControls::typedStepJumps()
{
    ReplayWindow r;
    QVERIFY(QTest::qWaitForWindowExposed(&r.w));
    r.w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&r.w));
    r.replayTo(3);
    QSpinBox *counter = r.counter();
    counter->setFocus();
    QTRY_VERIFY(counter->hasFocus());
    counter->selectAll();
    QTest::keyClicks(counter, QStringLiteral("20"));
    QCOMPARE(r.step(), 3);  // not before Enter
    QTest::keyClick(counter, Qt::Key_Return);
    QCOMPARE(r.step(), 20);
    QCOMPARE(r.fx.at(20 * 7), PointContent::White);
    QCOMPARE(r.fx.at(21 * 7), PointContent::Empty);
    QCOMPARE(counter->text(), QStringLiteral("20 / %1").arg(kSteps));
}

QTEST_MAIN(TestReplayControls)
#include "tst_replaycontrols.moc"
