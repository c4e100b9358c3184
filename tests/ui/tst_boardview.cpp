// The board view: which point a press lands on, and what is painted where.
#include "Board.h"
#include "BoardView.h"
#include "Options.h"
#include "TestDoubles.h"

#include <QLineEdit>
#include <QtTest>

using namespace moyuta;
using moyuta::ui::BoardView;

namespace {

int maxChannelDiff(const QColor &a, const QColor &b)
{
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

// A view showing the model's board.
void showModel(BoardView &view, const AppState &s) { view.setPicture(ui::boardPictureOf(s)); }

}  // namespace

class TestBoardView : public QObject {
    Q_OBJECT
private slots:
    void pressLandsOnPoint_data();
    void pressLandsOnPoint();
    void paintsLayers_data();
    void paintsLayers();
    void blackStoneFaceShowsItsColour_data();
    void blackStoneFaceShowsItsColour();
    void letterKeepsLastMoveMarker_data();
    void letterKeepsLastMoveMarker();
    void countPanelHidesOnLeftClick_data();
    void countPanelHidesOnLeftClick();
    void coordinatesInTheBand_data();
    void coordinatesInTheBand();
    void cursorShowsWithFocus();
};

void TestBoardView::pressLandsOnPoint_data()
{
    QTest::addColumn<int>("sizeCode");
    QTest::addColumn<QSize>("viewSize");
    QTest::addColumn<QPointF>("units");  // where the press lands, in board units
    QTest::addColumn<int>("point");      // -1: no point takes the press
    QTest::addColumn<int>("button");

    const QSize square(600, 600), wide(900, 500), tall(450, 800);
    const int left = Qt::LeftButton, right = Qt::RightButton, middle = Qt::MiddleButton;
    QTest::newRow("19 top-left") << int(Size19) << square << QPointF(360, 360) << 0 << left;
    QTest::newRow("19 bottom-right") << int(Size19) << square << QPointF(9000, 9000) << 360 << left;
    QTest::newRow("19 bottom-left, wide view") << int(Size19) << wide << QPointF(360, 9000) << pointIndex(18, 0) << left;
    QTest::newRow("19 top-right, tall view") << int(Size19) << tall << QPointF(9000, 360) << pointIndex(0, 18) << left;
    QTest::newRow("19 nearest point within half a step") << int(Size19) << square << QPointF(360 + 200, 1800 - 200)
                                                         << pointIndex(3, 0) << left;
    QTest::newRow("13 bottom-right") << int(Size13) << wide << QPointF(6120, 6120) << pointIndex(12, 12) << left;
    QTest::newRow("9 bottom-right") << int(Size9) << square << QPointF(4200, 4200) << 160 << left;
    QTest::newRow("9 top-right, tall view") << int(Size9) << tall << QPointF(4200, 360) << 8 << left;
    QTest::newRow("19 tray outside the board") << int(Size19) << square << QPointF(60, 60) << -1 << left;
    QTest::newRow("13 right mask") << int(Size13) << square << QPointF(6350 + 100, 3000) << -1 << left;
    QTest::newRow("9 bottom mask") << int(Size9) << wide << QPointF(2000, 4440 + 100) << -1 << left;
    QTest::newRow("19 right press") << int(Size19) << square << QPointF(1800, 1800) << pointIndex(3, 3) << right;
    QTest::newRow("19 middle press belongs to no point") << int(Size19) << square << QPointF(1800, 1800) << -1
                                                         << middle;
}

void TestBoardView::pressLandsOnPoint()
{
    QFETCH(int, sizeCode);
    QFETCH(QSize, viewSize);
    QFETCH(QPointF, units);
    QFETCH(int, point);
    QFETCH(int, button);

    test::Fixture fx;
    fx.s.form.Option3.select(sizeCode);
    QCOMPARE(fx.s.board.boardSizeCode, sizeCode);
    BoardView view;
    showModel(view, fx.s);
    view.resize(viewSize);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QSignalSpy pressed(&view, &BoardView::pointPressed);
    const int cursorBefore = view.cursorPoint();
    QTest::mouseClick(&view, Qt::MouseButton(button), {}, view.toWidget(units.x(), units.y()).toPoint());
    QCOMPARE(pressed.size(), point < 0 ? 0 : 1);
    QCOMPARE(view.cursorPoint(), point < 0 ? cursorBefore : point);  // the keyboard goes on from there
    if (point >= 0) {
        QCOMPARE(pressed.first().at(0).toInt(), point);
        const auto expected = button == Qt::LeftButton ? board::MouseButton::Left : board::MouseButton::Right;
        QCOMPARE(pressed.first().at(1).value<board::MouseButton>(), expected);
    }
    QVERIFY(!board::boardHasContent(fx.s));  // the view draws; it changes nothing itself
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
    // The last stone's ring: dark on the white stone, none on the black one.
    QTest::newRow("ring on the last stone") << int(Size19) << QPointF(79, 0) << QColor(20, 20, 20) << 90;
    QTest::newRow("no ring on an earlier stone") << int(Size19) << QPointF(960 + 79, 0) << QColor(0, 0, 0) << 90;
    QTest::newRow("last stone white inside its ring") << int(Size19) << QPointF(30, 0) << QColor(255, 255, 255) << 40;
    QTest::newRow("last-move square beside its stone") << int(Size19) << QPointF(205, 205) << QColor(255, 192, 255) << 4;
    QTest::newRow("no square before the stone's top-left") << int(Size19) << QPointF(-215, -215) << QColor(0xFF, 0xC0, 0x80) << 4;
    QTest::newRow("board between lines") << int(Size19) << QPointF(240, 960 + 240) << QColor(0xFF, 0xC0, 0x80) << 4;
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
    QCOMPARE(fx.s.board.lastMovePoint, pointIndex(3, 3));

    BoardView view;
    showModel(view, fx.s);
    view.resize(760, 760);
    const QImage image = view.grab().toImage();
    const QPointF at = view.toWidget(1800 + offset.x(), 1800 + offset.y()) * image.devicePixelRatio();
    const QColor got = image.pixelColor(at.toPoint());
    QVERIFY2(maxChannelDiff(got, expected) <= tolerance, qPrintable(QStringLiteral("got %1, expected %2").arg(got.name(), expected.name())));
}

void TestBoardView::blackStoneFaceShowsItsColour_data()
{
    QTest::addColumn<int>("colourIndex");  // into the black-stone colours of the options panel
    QTest::addColumn<bool>("rimDarker");   // pure black has nothing darker

    QTest::newRow("黒") << 0 << false;
    QTest::newRow("緑") << 1 << true;
    QTest::newRow("紺") << 2 << true;
    QTest::newRow("赤") << 3 << true;
    QTest::newRow("黄") << 4 << true;
}

// Most of a black stone's face shows the colour chosen for it, between a
// lighter highlight and a darker rim.
void TestBoardView::blackStoneFaceShowsItsColour()
{
    QFETCH(int, colourIndex);
    QFETCH(bool, rimDarker);

    test::Fixture fx;
    fx.s.form.Option5.setSelected(colourIndex);
    shell::onOptionsApply(fx.s);  // 適用(&I)
    const QColor given = QColor::fromRgb(QRgb(0xFF000000u | kBlackStoneColours[size_t(colourIndex)]));
    const int point = pointIndex(9, 9);
    board::pressPoint(fx.s, point, board::MouseButton::Left);
    QCOMPARE(fx.s.board.points[size_t(point)].content, PointContent::Black);
    board::pressPoint(fx.s, pointIndex(3, 3), board::MouseButton::Left);  // white: the last stone's ring goes there

    BoardView view;
    showModel(view, fx.s);
    view.resize(760, 760);
    const QImage image = view.grab().toImage();
    const double ratio = image.devicePixelRatio();
    const QPointF centre = view.pointCentre(point) * ratio;
    const double radius = (view.toWidget(ui::BoardGeometry::kGlyph / 2, 0) - view.toWidget(0, 0)).x() * ratio;
    QVERIFY(radius > 8);
    int face = 0, asGiven = 0, lighter = 0, darker = 0;
    const int reach = int(radius);
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            if (std::hypot(dx, dy) > radius * 0.9)  // inside the outline
                continue;
            const QColor got = image.pixelColor(centre.toPoint() + QPoint(dx, dy));
            ++face;
            asGiven += maxChannelDiff(got, given) <= 10;
            lighter += got.lightness() >= given.lightness() + 40;
            darker += got.lightness() <= given.lightness() - 12;
        }
    QVERIFY2(asGiven * 2 >= face, qPrintable(QStringLiteral("%1 of %2 pixels show %3").arg(asGiven).arg(face).arg(given.name())));
    QVERIFY(lighter > 0);
    QCOMPARE(darker > 0, rimDarker);
}

void TestBoardView::letterKeepsLastMoveMarker_data()
{
    QTest::addColumn<bool>("onMarker");   // the letter stands on the last-move point
    QTest::addColumn<QPointF>("offset");  // sample position from the letter's point, in units
    QTest::addColumn<QColor>("expected");

    const QColor pink(255, 192, 255), board(0xFF, 0xC0, 0x80);
    QTest::newRow("marker left of the letter") << true << QPointF(-125, 0) << pink;
    QTest::newRow("marker right of the letter, on the line") << true << QPointF(125, 0) << pink;
    QTest::newRow("marker above the letter") << true << QPointF(0, -125) << pink;
    QTest::newRow("marker below the letter") << true << QPointF(0, 125) << pink;
    QTest::newRow("marker's far corner") << true << QPointF(205, 205) << pink;
    QTest::newRow("away from the marker the line is covered") << false << QPointF(125, 0) << board;
}

void TestBoardView::letterKeepsLastMoveMarker()
{
    QFETCH(bool, onMarker);
    QFETCH(QPointF, offset);
    QFETCH(QColor, expected);

    // Black, then white on the marked point, taken back: the marker stays on
    // the emptied point, where a letter then goes.
    test::Fixture fx;
    const int marked = pointIndex(3, 3), letter = onMarker ? marked : pointIndex(3, 7);
    fx.left(pointIndex(3, 5));
    fx.left(marked);
    board::onTakeBack(fx.s);
    fx.form().chkOtherMarks.setChecked(true);
    fx.form().Option4.select(3);  // A
    fx.left(letter);
    QCOMPARE(fx.at(letter), PointContent::LetterA);
    QCOMPARE(fx.s.board.lastMovePoint, marked);

    BoardView view;
    showModel(view, fx.s);
    view.resize(960, 960);
    const QImage image = view.grab().toImage();
    const qreal dpr = image.devicePixelRatio();
    const ui::BoardGeometry g(fx.s.board.boardSizeCode);
    const double x = g.line(pointColumn(letter)), y = g.line(pointRow(letter));
    const QColor got = image.pixelColor((view.toWidget(x + offset.x(), y + offset.y()) * dpr).toPoint());
    QVERIFY2(maxChannelDiff(got, expected) <= 4,
             qPrintable(QStringLiteral("got %1, expected %2").arg(got.name(), expected.name())));

    // The letter itself is still drawn over whatever lies beneath.
    bool ink = false;
    for (double dy = -60; dy <= 60 && !ink; dy += 10)
        for (double dx = -60; dx <= 60 && !ink; dx += 10)
            ink = image.pixelColor((view.toWidget(x + dx, y + dy) * dpr).toPoint()).lightness() < 60;
    QVERIFY(ink);
}

void TestBoardView::countPanelHidesOnLeftClick_data()
{
    QTest::addColumn<QString>("target");  // the panel or its text
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("releaseInside");
    QTest::addColumn<bool>("hides");

    QTest::newRow("left click on the panel") << "Frame8" << int(Qt::LeftButton) << true << true;
    QTest::newRow("left click on the text") << "lbl2Message" << int(Qt::LeftButton) << true << true;
    QTest::newRow("right click on the panel") << "Frame8" << int(Qt::RightButton) << true << false;
    QTest::newRow("middle click on the text") << "lbl2Message" << int(Qt::MiddleButton) << true << false;
    QTest::newRow("left press, released off the panel") << "Frame8" << int(Qt::LeftButton) << false << false;
}

void TestBoardView::countPanelHidesOnLeftClick()
{
    QFETCH(QString, target);
    QFETCH(int, button);
    QFETCH(bool, releaseInside);
    QFETCH(bool, hides);

    // A black stone under the panel's centre and one ▲ counted.
    test::Fixture fx;
    const int centre = pointIndex(9, 9);
    fx.left(centre);
    board::setPointContent(fx.s, 0, PointContent::Triangle);
    board::countMarks(fx.s, PointContent::Triangle);
    QVERIFY(fx.s.form.Frame8.visible);

    BoardView view;
    showModel(view, fx.s);
    view.resize(760, 760);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy clicked(&view, &BoardView::messagePanelClicked);
    QSignalSpy pressed(&view, &BoardView::pointPressed);
    auto *panel = view.findChild<QWidget *>(QStringLiteral("Frame8"));
    auto *widget = view.findChild<QWidget *>(target);
    QVERIFY(panel && widget && panel->isVisible());

    const QPoint inside = widget->rect().center();
    const QPoint outside = widget->mapFrom(panel, QPoint(-20, -20));
    QTest::mousePress(widget, Qt::MouseButton(button), {}, inside);
    QVERIFY(fx.s.form.Frame8.visible);  // a press alone is no click
    QTest::mouseRelease(widget, Qt::MouseButton(button), {}, releaseInside ? inside : outside);
    QCOMPARE(clicked.size(), hides ? 1 : 0);
    QVERIFY(pressed.isEmpty());  // the board beneath took nothing

    // The window hands a click to the board handler and shows the result.
    if (!clicked.isEmpty()) {
        board::onMessagePanelClick(fx.s);
        showModel(view, fx.s);
    }
    QCOMPARE(fx.s.form.Frame8.visible, !hides);
    QCOMPARE(panel->isVisible(), !hides);
    QCOMPARE(fx.at(centre), PointContent::Black);
}

void TestBoardView::coordinatesInTheBand_data()
{
    QTest::addColumn<int>("sizeCode");
    QTest::addColumn<int>("style");
    QTest::addColumn<qreal>("scaleFactor");  // device pixels per widget pixel

    for (int size : {int(Size19), int(Size13), int(Size9)})
        for (int style : {int(CoordinatesJapanese), int(CoordinatesLetters)})
            QTest::addRow("%d lines, style %d", linesOf(size), style) << size << style << 1.0;
    QTest::newRow("19 lines, 日本式, twice the pixels") << int(Size19) << int(CoordinatesJapanese) << 2.0;
}

// Every label stands in the band on all four sides, in ink, clear of the
// stones on the outer lines; with なし the band is plain board and the grid
// keeps its size.
void TestBoardView::coordinatesInTheBand()
{
    QFETCH(int, sizeCode);
    QFETCH(int, style);
    QFETCH(qreal, scaleFactor);

    test::Fixture fx;
    fx.s.form.Option3.select(sizeCode);
    const int lines = linesOf(sizeCode);
    for (int i = 0; i < lines; ++i)  // stones all round the edge
        for (int point : {pointIndex(0, i), pointIndex(lines - 1, i), pointIndex(i, 0), pointIndex(i, lines - 1)})
            board::setPointContent(fx.s, point, i % 2 ? PointContent::White : PointContent::Black);

    BoardView view;
    view.resize(760, 760);
    // Ink in a band cell: the label's box between the board's edge and the stones.
    auto inkAt = [&](const QImage &image, const ui::BoardGeometry &g, double x, double y) {
        const double band = ui::BoardGeometry::kFirstLine - ui::BoardGeometry::kGlyph / 2 - g.boardOrigin;
        const double half = band * 0.35;
        const qreal dpr = image.devicePixelRatio();
        const QRect box = QRectF(view.toWidget(x - half, y - half) * dpr, view.toWidget(x + half, y + half) * dpr).toRect();
        int ink = 0;
        for (int py = box.top(); py <= box.bottom(); ++py)
            for (int px = box.left(); px <= box.right(); ++px)
                ink += image.pixelColor(px, py).lightness() < 110;
        return ink;
    };
    auto grab = [&] {
        QPixmap pm(view.size() * scaleFactor);
        pm.setDevicePixelRatio(scaleFactor);
        view.render(&pm);
        return pm.toImage();
    };
    auto cells = [&](const ui::BoardGeometry &g) {
        const double band = ui::BoardGeometry::kFirstLine - ui::BoardGeometry::kGlyph / 2 - g.boardOrigin;
        const double nearMid = g.boardOrigin + band / 2;
        const double farMid = g.line(lines - 1) + ui::BoardGeometry::kGlyph / 2 + band / 2;
        QList<QPointF> all;
        for (int i = 0; i < lines; ++i)
            all << QPointF(g.line(i), nearMid) << QPointF(g.line(i), farMid) << QPointF(nearMid, g.line(i))
                << QPointF(farMid, g.line(i));
        return all;
    };

    showModel(view, fx.s);
    const QImage plain = grab();
    const ui::BoardGeometry plainGeometry(sizeCode);
    const QColor boardColour(0xFF, 0xC0, 0x80);
    for (const QPointF &cell : cells(plainGeometry)) {
        const QColor got = plain.pixelColor((view.toWidget(cell.x(), cell.y()) * scaleFactor).toPoint());
        QVERIFY2(maxChannelDiff(got, boardColour) <= 4, qPrintable(got.name()));
    }
    const double plainSpan = view.pointCentre(pointIndex(0, lines - 1)).x() - view.pointCentre(0).x();
    QCOMPARE(plainSpan, 760.0 * ui::BoardGeometry::kStep * (lines - 1) / plainGeometry.viewExtent());

    fx.s.form.OptCoords.setSelected(style);
    shell::onOptionsApply(fx.s);  // 適用(&I)
    showModel(view, fx.s);
    const QImage labelled = grab();
    const ui::BoardGeometry g(sizeCode, true);
    for (const QPointF &cell : cells(g))
        QVERIFY2(inkAt(labelled, g, cell.x(), cell.y()) > 0,
                 qPrintable(QStringLiteral("no label at (%1, %2)").arg(cell.x()).arg(cell.y())));
    // The lines stay where a press finds them; the grid is a little smaller.
    const int corner = pointIndex(lines - 1, lines - 1);
    QCOMPARE(view.pointAt(view.pointCentre(corner)), corner);
    QVERIFY(view.pointCentre(pointIndex(0, lines - 1)).x() - view.pointCentre(0).x() < plainSpan);
    QCOMPARE(view.pointAt(view.toWidget(g.boardOrigin + 20, g.line(3))), -1);  // the band is no point
}

// The keyboard cursor is drawn only while the board has the keyboard.
void TestBoardView::cursorShowsWithFocus()
{
    test::Fixture fx;
    QWidget window;
    auto *other = new QLineEdit(&window);
    auto *view = new BoardView(&window);
    view->setGeometry(0, 30, 760, 760);
    window.resize(760, 800);
    showModel(*view, fx.s);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const int cursor = view->cursorPoint();
    QCOMPARE(cursor, pointIndex(9, 9));
    // A point of the cursor's square, off the lines.
    const QPointF edge = view->toWidget(ui::BoardGeometry::kFirstLine + 9 * ui::BoardGeometry::kStep + 0.44 * ui::BoardGeometry::kStep,
                                        ui::BoardGeometry::kFirstLine + 9 * ui::BoardGeometry::kStep + 0.2 * ui::BoardGeometry::kStep);
    auto colourAt = [&] {
        const QImage image = view->grab().toImage();
        return image.pixelColor((edge * image.devicePixelRatio()).toPoint());
    };

    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    const QColor board(0xFF, 0xC0, 0x80);
    QVERIFY2(maxChannelDiff(colourAt(), board) <= 4, qPrintable(colourAt().name()));

    QTest::keyClick(other, Qt::Key_Tab);
    QTRY_VERIFY(view->hasFocus());
    QVERIFY2(colourAt().blue() > 150 && colourAt().red() < 80, qPrintable(colourAt().name()));
}

QTEST_MAIN(TestBoardView)
#include "tst_boardview.moc"
