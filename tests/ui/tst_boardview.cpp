// The board view: which point a press lands on, and what is painted where.
#include "BoardView.h"
#include "TestDoubles.h"

#include <QtTest>

using namespace moyuta;
using moyuta::ui::BoardView;

namespace {

// The first point that shows anything, or -1.
int firstOccupied(const AppState &s)
{
    for (int i = 0; i < kPointCount; ++i)
        if (s.points[size_t(i)].content != PointContent::Empty)
            return i;
    return -1;
}

}  // namespace

class TestBoardView : public QObject {
    Q_OBJECT
private slots:
    void pressLandsOnPoint_data();
    void pressLandsOnPoint();
    void paintsLayers_data();
    void paintsLayers();
};

void TestBoardView::pressLandsOnPoint_data()
{
    QTest::addColumn<int>("sizeCode");
    QTest::addColumn<QSize>("viewSize");
    QTest::addColumn<QPointF>("units");  // where the press lands, in board units
    QTest::addColumn<int>("point");      // -1: no point takes the press

    const QSize square(600, 600), wide(900, 500), tall(450, 800);
    QTest::newRow("19 top-left") << int(Size19) << square << QPointF(360, 360) << 0;
    QTest::newRow("19 bottom-right") << int(Size19) << square << QPointF(9000, 9000) << 360;
    QTest::newRow("19 bottom-left, wide view") << int(Size19) << wide << QPointF(360, 9000) << pointIndex(18, 0);
    QTest::newRow("19 top-right, tall view") << int(Size19) << tall << QPointF(9000, 360) << pointIndex(0, 18);
    QTest::newRow("19 nearest point within half a step") << int(Size19) << square << QPointF(360 + 200, 1800 - 200)
                                                         << pointIndex(3, 0);
    QTest::newRow("13 bottom-right") << int(Size13) << wide << QPointF(6120, 6120) << pointIndex(12, 12);
    QTest::newRow("9 bottom-right") << int(Size9) << square << QPointF(4200, 4200) << 160;
    QTest::newRow("9 top-right, tall view") << int(Size9) << tall << QPointF(4200, 360) << 8;
    QTest::newRow("19 tray outside the board") << int(Size19) << square << QPointF(60, 60) << -1;
    QTest::newRow("13 right mask") << int(Size13) << square << QPointF(6350 + 100, 3000) << -1;
    QTest::newRow("9 bottom mask") << int(Size9) << wide << QPointF(2000, 4440 + 100) << -1;
}

void TestBoardView::pressLandsOnPoint()
{
    QFETCH(int, sizeCode);
    QFETCH(QSize, viewSize);
    QFETCH(QPointF, units);
    QFETCH(int, point);

    test::Fixture fx;
    fx.s.form.Option3.select(sizeCode);
    QCOMPARE(fx.s.boardSizeCode, sizeCode);
    BoardView view(fx.s);
    view.resize(viewSize);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QSignalSpy changed(&view, &BoardView::stateChanged);
    QTest::mouseClick(&view, Qt::LeftButton, {}, view.toWidget(units.x(), units.y()).toPoint());
    QCOMPARE(firstOccupied(fx.s), point);
    QCOMPARE(changed.isEmpty(), point < 0);
    if (point >= 0)
        QCOMPARE(fx.s.points[size_t(point)].content, PointContent::Black);
}

void TestBoardView::paintsLayers_data()
{
    QTest::addColumn<int>("sizeCode");
    QTest::addColumn<QPointF>("offset");  // sample position from the intersection (3,3), in units
    QTest::addColumn<QColor>("expected");
    QTest::addColumn<int>("tolerance");

    // A white stone at (3,3) is the last move; a black stone stands at (5,3).
    QTest::newRow("white stone") << int(Size19) << QPointF(0, 0) << QColor(255, 255, 255) << 30;
    QTest::newRow("black stone") << int(Size19) << QPointF(960, 0) << QColor(0, 0, 0) << 90;
    QTest::newRow("last-move square beside its stone") << int(Size19) << QPointF(205, 205) << QColor(255, 192, 255) << 4;
    QTest::newRow("no square before the stone's top-left") << int(Size19) << QPointF(-215, -215) << QColor(0xFF, 0xE0, 0xC0) << 4;
    QTest::newRow("board between lines") << int(Size19) << QPointF(240, 960 + 240) << QColor(0xFF, 0xE0, 0xC0) << 4;
    QTest::newRow("13-line mask") << int(Size13) << QPointF(6350 + 150 - 1800, 0) << QColor(128, 128, 128) << 2;
}

void TestBoardView::paintsLayers()
{
    QFETCH(int, sizeCode);
    QFETCH(QPointF, offset);
    QFETCH(QColor, expected);
    QFETCH(int, tolerance);

    test::Fixture fx;
    fx.s.form.Option3.select(sizeCode);
    board::pressPoint(fx.s, pointIndex(3, 5), board::MouseButton::Left);  // black
    board::pressPoint(fx.s, pointIndex(3, 3), board::MouseButton::Left);  // white
    QCOMPARE(fx.s.lastMovePoint, pointIndex(3, 3));

    BoardView view(fx.s);
    view.resize(760, 760);
    const QImage image = view.grab().toImage();
    const QPointF at = view.toWidget(1800 + offset.x(), 1800 + offset.y()) * image.devicePixelRatio();
    const QColor got = image.pixelColor(at.toPoint());
    const int diff = std::max({std::abs(got.red() - expected.red()), std::abs(got.green() - expected.green()),
                               std::abs(got.blue() - expected.blue())});
    QVERIFY2(diff <= tolerance, qPrintable(QStringLiteral("got %1, expected %2").arg(got.name(), expected.name())));
}

QTEST_MAIN(TestBoardView)
#include "tst_boardview.moc"
