// The main window on small screens: a 1280×720 screen at 100 %, and
// 2560×1440 at 200 % (the same room in device-independent pixels; CTest runs
// this suite at both scale factors). The window must fit with its title bar
// and a task bar, the board must shrink with it, and no caption may be cut.
#include "Board.h"
#include "BoardView.h"
#include "MainWindow.h"
#include "Options.h"
#include "OwnAddress.h"
#include "Panel.h"
#include "TestDoubles.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

using namespace moyuta;

class TestWindowSize : public QObject {
    Q_OBJECT
private slots:
    void fitsSmallScreen();
    void roomyWindowDoesNotScroll();
    void firstSizeFitsScreen();
    void panelsFitShortWindow_data();
    void panelsFitShortWindow();
};

namespace {

// 720 less a title bar and a task bar.
const QSize kSmallScreen(1280, 640);

// What a control needs to show its whole caption. A push button's own hint
// asks for a style's default width, which the mark buttons rightly go below.
QSize captionNeeds(QWidget *w)
{
    auto *push = qobject_cast<QPushButton *>(w);
    if (!push)
        return w->minimumSizeHint();
    const QString text = QString(push->text()).remove(QLatin1Char('&'));
    const QFontMetrics metrics(push->font());
    const int icon = push->icon().isNull() ? 0 : push->iconSize().width() + 4;
    return {metrics.horizontalAdvance(text) + icon + 4, metrics.height()};
}

// Every caption in sight is as wide and tall as its text needs.
void verifyNothingClipped(QWidget &window)
{
    for (QWidget *w : window.findChildren<QWidget *>()) {
        if (!w->isVisible() || !(qobject_cast<QAbstractButton *>(w) || qobject_cast<QLabel *>(w)))
            continue;
        const QSize need = captionNeeds(w);
        QVERIFY2(w->width() >= need.width() && w->height() >= need.height(),
                 qPrintable(QStringLiteral("%1 \"%2\" is %3×%4, needs %5×%6")
                                .arg(w->objectName(), w->property("text").toString())
                                .arg(w->width()).arg(w->height()).arg(need.width()).arg(need.height())));
    }
}

// The board's side: it is drawn as the largest square the view holds.
int boardSide(QWidget &window)
{
    const QSize view = window.findChild<ui::BoardView *>()->size();
    return qMin(view.width(), view.height());
}

}  // namespace

void TestWindowSize::fitsSmallScreen()
{
    test::Fixture fx;
    ui::MainWindow window(fx.s);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.resize(1600, 1000);
    QTRY_COMPARE(window.size(), QSize(1600, 1000));
    const int roomyBoard = boardSide(window);

    const QSize minimum = window.minimumSizeHint();
    QVERIFY2(minimum.width() <= kSmallScreen.width() && minimum.height() <= kSmallScreen.height(),
             qPrintable(QStringLiteral("minimum %1×%2").arg(minimum.width()).arg(minimum.height())));
    window.resize(kSmallScreen);
    QTRY_COMPARE(window.size(), kSmallScreen);
    QVERIFY(boardSide(window) < roomyBoard);
    verifyNothingClipped(window);

    // The shell's commands, the replay's steps and the move count stay in the
    // window; the groups of the side column scroll.
    for (const QString &name : {QStringLiteral("cmdNetwork"), QStringLiteral("cmdOpt"), QStringLiteral("cmdEnd"),
                                QStringLiteral("cmdReplayFirst"), QStringLiteral("cmdReplayLast"),
                                QStringLiteral("UpDownReplayStep"), QStringLiteral("lblMoveCount")}) {
        auto *b = window.findChild<QWidget *>(name);
        QVERIFY(b);
        const QRect inWindow(b->mapTo(&window, QPoint(0, 0)), b->size());
        QVERIFY2(window.rect().contains(inWindow), qPrintable(name));
    }
}

// With room to spare the side column is a plain column, as it always was.
void TestWindowSize::roomyWindowDoesNotScroll()
{
    test::Fixture fx;
    ui::MainWindow window(fx.s);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *side = window.findChild<QScrollArea *>(QStringLiteral("sideScroll"));
    QVERIFY(side);
    QCOMPARE(side->verticalScrollBar()->maximum(), 0);
    QCOMPARE(side->width(), side->widget()->width());

    // Shrunk, it scrolls, and the bar comes beside the groups rather than over them.
    window.resize(window.minimumSizeHint());
    QTRY_VERIFY(side->verticalScrollBar()->maximum() > 0);
    QTRY_COMPARE(side->viewport()->width(), side->widget()->width());
    verifyNothingClipped(window);
}

// Shown on a screen smaller than its usual first size, the window starts
// within the screen's free area, as far as its minimum allows.
void TestWindowSize::firstSizeFitsScreen()
{
    test::Fixture fx;
    ui::MainWindow window(fx.s);
    const QSize room = window.screen()->availableGeometry().size() - QSize(16, 48);
    QVERIFY2(window.height() > room.height(), "the test screen is larger than the window's first size");
    window.fitScreen();
    QCOMPARE(window.height(), qMax(room.height(), window.minimumSizeHint().height()));
    QCOMPARE(window.width(), qMax(qMin(1100, room.width()), window.minimumSizeHint().width()));
}

void TestWindowSize::panelsFitShortWindow_data()
{
    QTest::addColumn<QString>("panel");
    QTest::newRow("network") << QStringLiteral("fraNetwork");
    QTest::newRow("options") << QStringLiteral("fraOptions");
}

// A side panel opened over the smallest window shows all of its rows.
void TestWindowSize::panelsFitShortWindow()
{
    QFETCH(QString, panel);
    test::Fixture fx;
    network::installPanelHandlers(fx.s);
    if (panel == QStringLiteral("fraNetwork")) {
        network::onNetworkPanelOpen(fx.s);
        // At its tallest: addresses to tell, and the router would not forward the port.
        fx.addresses.addresses = {QStringLiteral("2001:db8::10"), QStringLiteral("2001:db8::11")};
        fx.s.form.txtOwnPort.text = QStringLiteral("50000");
        fx.s.session.mapping.asked = fx.s.session.mapping.answered = true;
        fx.s.session.mapping.ownPort = 50000;
        network::showOwnAddress(fx.s);
    } else {
        shell::onOptionsOpen(fx.s);
    }
    ui::MainWindow window(fx.s);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.resize(window.minimumSizeHint());
    auto *frame = window.findChild<QWidget *>(panel);
    QVERIFY(frame && frame->isVisible());
    QTRY_VERIFY2(window.rect().contains(QRect(frame->mapTo(&window, QPoint(0, 0)), frame->size())),
                 qPrintable(QStringLiteral("panel %1×%2 in window %3×%4")
                                .arg(frame->width()).arg(frame->height()).arg(window.width()).arg(window.height())));
    verifyNothingClipped(*frame);
}

QTEST_MAIN(TestWindowSize)
#include "tst_windowsize.moc"
