#include "BoardView.h"

#include "Coordinates.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace moyuta::ui {

namespace {

QColor colourOf(Rgb rgb) { return QColor::fromRgb(QRgb(0xFF000000u | rgb)); }

QColor mix(const QColor &a, const QColor &b, double t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// Fills a text so that the centre of its ink lies on `centre`.
void fillCentredText(QPainter &p, const QFont &font, const QString &text, QPointF centre, const QColor &colour)
{
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF ink = path.boundingRect();
    p.fillPath(path.translated(centre - ink.center()), colour);
}

void setTextColour(QWidget *w, const QColor &colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, colour);
    w->setPalette(pal);
}

}  // namespace

void MessagePanelFrame::paintEvent(QPaintEvent *)
{
    // A nearly opaque card, so stones beneath do not show through its text.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x5a, 0x46, 0x32), 2));
    p.setBrush(QColor(255, 255, 255, 248));
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 8, 8);
}

BoardGeometry::BoardGeometry(int sizeCode, bool coordinates)
{
    switch (sizeCode) {
    case Size13: lines = 13; lineLength = 5775; backgroundSide = 6255; maskStart = 6350; break;
    case Size9: lines = 9; lineLength = 3855; backgroundSide = 4335; maskStart = 4440; break;
    default: lines = 19; lineLength = 8655; backgroundSide = 9135; maskStart = 9240; break;
    }
    // The labels get a band of their own: the edge moves out, the lines stay.
    if (coordinates) {
        boardOrigin -= kLabelBand;
        backgroundSide += 2 * kLabelBand;
        maskStart += kLabelBand;
    }
}

bool BoardGeometry::isStarPoint(int column, int row) const
{
    auto on = [](int v, std::initializer_list<int> set) { return std::find(set.begin(), set.end(), v) != set.end(); };
    switch (lines) {
    case 13: return on(column, {3, 9}) && on(row, {3, 9});
    case 9: return column == 4 && row == 4;
    default: return on(column, {3, 9, 15}) && on(row, {3, 9, 15});
    }
}

BoardView::BoardView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("BoardView"));
    setAccessibleName(QStringLiteral("碁盤"));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMouseTracking(false);

    panel_ = new MessagePanelFrame(this);
    panel_->setObjectName(QStringLiteral("Frame8"));
    panel_->setAccessibleName(QStringLiteral("メッセージ"));
    panelText_ = new QLabel(panel_);
    panelText_->setObjectName(QStringLiteral("lbl2Message"));
    panelText_->setAlignment(Qt::AlignCenter);
    panelText_->setWordWrap(true);
    QFont panelFont = panelText_->font();
    panelFont.setPointSizeF(panelFont.pointSizeF() * 1.5);
    panelFont.setBold(true);
    panelText_->setFont(panelFont);
    setTextColour(panelText_, QColor(0x2b, 0x21, 0x18));
    auto *panelLayout = new QVBoxLayout(panel_);
    panelLayout->setContentsMargins(18, 12, 18, 12);
    panelLayout->addWidget(panelText_);
    panel_->installEventFilter(this);
    panelText_->installEventFilter(this);
    panel_->hide();

    startNumber_ = new QLabel(this);
    startNumber_->setObjectName(QStringLiteral("lblSnum"));
    startNumber_->setAccessibleName(QStringLiteral("開始番号"));
    startNumber_->setToolTip(QStringLiteral("開始番号"));
    setTextColour(startNumber_, Qt::white);
}

BoardGeometry BoardView::geometry() const
{
    return BoardGeometry(picture_.sizeCode, picture_.coordinateStyle != CoordinatesNone);
}

double BoardView::scale() const
{
    const BoardGeometry g = geometry();
    return std::min(width(), height()) / g.viewExtent();
}

QPointF BoardView::toWidget(double x, double y) const
{
    const BoardGeometry g = geometry();
    const double k = scale();
    const double side = g.viewExtent() * k;
    const QPointF origin((width() - side) / 2, (height() - side) / 2);
    return origin + QPointF((x - g.viewLow()) * k, (y - g.viewLow()) * k);
}

QPointF BoardView::pointCentre(int point) const
{
    const BoardGeometry g = geometry();
    return toWidget(g.line(pointColumn(point)), g.line(pointRow(point)));
}

int BoardView::pointAt(QPointF pos) const
{
    const BoardGeometry g = geometry();
    const double k = scale();
    if (k <= 0)
        return -1;
    const QPointF zero = toWidget(0, 0);
    const double ux = (pos.x() - zero.x()) / k;
    const double uy = (pos.y() - zero.y()) / k;
    // Presses on the masks or the tray belong to no point.
    if (ux >= g.maskStart || uy >= g.maskStart || ux < g.boardOrigin || uy < g.boardOrigin)
        return -1;
    const int column = int(std::lround((ux - BoardGeometry::kFirstLine) / BoardGeometry::kStep));
    const int row = int(std::lround((uy - BoardGeometry::kFirstLine) / BoardGeometry::kStep));
    if (column < 0 || row < 0 || column >= g.lines || row >= g.lines)
        return -1;
    const double half = BoardGeometry::kStep / 2;
    if (std::abs(ux - g.line(column)) > half || std::abs(uy - g.line(row)) > half)
        return -1;
    return pointIndex(row, column);
}

void BoardView::setPicture(const BoardPicture &picture)
{
    picture_ = picture;
    panelText_->setText(picture_.panelText);
    panel_->setAccessibleDescription(picture_.panelText);
    panel_->setVisible(picture_.panelShown);
    startNumber_->setText(picture_.startNumber);
    startNumber_->setVisible(picture_.startNumberShown);
    moveCursor(0, 0);  // kept on a smaller board
    describeCursor();
    placeOverlays();
    update();
}

void BoardView::moveCursor(int rows, int columns)
{
    const int last = geometry().lines - 1;
    if (cursor_ < 0)
        cursor_ = pointIndex(last / 2, last / 2);
    const int row = std::clamp(pointRow(cursor_) + rows, 0, last);
    const int column = std::clamp(pointColumn(cursor_) + columns, 0, last);
    cursor_ = pointIndex(row, column);
}

void BoardView::describeCursor()
{
    if (!isValidPoint(cursor_))
        return;
    const int style = picture_.coordinateStyle;
    const QString text = board::pointName(style, geometry().lines, cursor_) + QLatin1Char(' ')
                         + board::contentName(picture_.points[size_t(cursor_)].content);
    if (text == accessibleDescription())
        return;
    setAccessibleDescription(text);
    QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}

// Arrows move the cursor; the press keys act at it. Every other key (the
// replay's keys among them) goes on to the window.
void BoardView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left: moveCursor(0, -1); break;
    case Qt::Key_Right: moveCursor(0, 1); break;
    case Qt::Key_Up: moveCursor(-1, 0); break;
    case Qt::Key_Down: moveCursor(1, 0); break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: emit pointKeyed(cursor_, board::MouseButton::Left); return;
    case Qt::Key_Delete:
    case Qt::Key_Backspace: emit pointKeyed(cursor_, board::MouseButton::Right); return;
    default: QWidget::keyPressEvent(event); return;
    }
    describeCursor();
    update();
}

// The cursor shows only while the board has the keyboard.
void BoardView::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void BoardView::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

void BoardView::placeOverlays()
{
    const BoardGeometry g = geometry();
    const double k = scale();

    // The message panel sits centred over the active board's background. A
    // hidden one is laid out when it shows (its bold face need not load before).
    if (panel_->isVisibleTo(this)) {
        const QPointF a = toWidget(g.boardOrigin, g.boardOrigin);
        const QPointF b = toWidget(g.maskStart, g.maskStart);
        const QRectF board(a, b);
        // As wide as the text on one line, when the board leaves room for that.
        const int maxWidth = std::max(120, int(board.width() * 0.8));
        const int margins = 36 + 4;
        const int oneLine = panelText_->fontMetrics().horizontalAdvance(panelText_->text()) + margins;
        const int width = std::clamp(oneLine, std::min(maxWidth, 220), maxWidth);
        panelText_->setMaximumWidth(width - 36);
        const int height = panel_->hasHeightForWidth() ? panel_->heightForWidth(width) : panel_->sizeHint().height();
        const QSize size(width, std::min(height, int(board.height())));
        panel_->resize(size);
        panel_->move((board.center() - QPointF(size.width() / 2.0, size.height() / 2.0)).toPoint());
    }

    // The edge labels stand in the band below the board.
    QFont small = font();
    small.setPixelSize(std::max(9, int(BoardGeometry::kTray * k * 0.62)));
    startNumber_->setFont(small);
    const QPointF bandTop = toWidget(g.boardOrigin, g.maskStart);
    const int bandHeight = std::max(12, int(std::ceil(BoardGeometry::kTray * k)));
    startNumber_->adjustSize();
    startNumber_->setGeometry(int(bandTop.x()), int(bandTop.y()), std::max(startNumber_->width(), 40), bandHeight);
}

void BoardView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeOverlays();
}

bool BoardView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != panel_ && watched != panelText_)
        return QWidget::eventFilter(watched, event);
    // The panel takes every mouse button, so nothing reaches the board beneath
    // it; only a left click (press and release on the panel) is a click on it.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            panelPressed_ = true;
        return true;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return true;
        const QPoint at = static_cast<QWidget *>(watched)->mapTo(panel_, mouse->position().toPoint());
        const bool click = panelPressed_ && panel_->rect().contains(at);
        panelPressed_ = false;
        if (click)
            emit messagePanelClicked();
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void BoardView::mousePressEvent(QMouseEvent *event)
{
    board::MouseButton button;
    if (event->button() == Qt::LeftButton)
        button = board::MouseButton::Left;
    else if (event->button() == Qt::RightButton)
        button = board::MouseButton::Right;
    else
        return QWidget::mousePressEvent(event);
    const int point = pointAt(event->position());
    if (point < 0) {
        event->ignore();  // off the board: the window's background takes it
        return;
    }
    cursor_ = point;  // the keyboard goes on from the point last pressed
    describeCursor();
    emit pointPressed(point, button);
}

// What every layer paints with: the painter and the board's scale.
struct BoardView::Canvas {
    QPainter &p;
    const BoardView &view;
    BoardGeometry g;
    double k;    // widget pixels per board unit
    double dpr;
    QColor boardColour;

    // Snaps a length or position to the device pixel grid, so lines stay sharp.
    double snap(double v) const { return std::round(v * dpr) / dpr; }
    QRectF unitRect(double x, double y, double w, double h) const
    {
        const QPointF tl = view.toWidget(x, y), br = view.toWidget(x + w, y + h);
        return QRectF(QPointF(snap(tl.x()), snap(tl.y())), QPointF(snap(br.x()), snap(br.y())));
    }
};

namespace {

const QColor kLineColour(40, 32, 24);

}  // namespace

void BoardView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    Canvas c{p, *this, geometry(), scale(), devicePixelRatioF(), colourOf(picture_.boardColour)};
    paintBackground(c);
    paintGrid(c);
    paintMarker(c);
    paintStones(c);
    paintLastStone(c);
    paintMarks(c);
    paintLetters(c);
    paintNumbers(c);
    paintCoordinates(c);
    paintMasks(c);
    paintCursor(c);
}

// The window behind, the tray, then the board's own square.
void BoardView::paintBackground(Canvas &c) const
{
    const BoardGeometry &g = c.g;
    c.p.fillRect(rect(), palette().window());
    c.p.fillRect(c.unitRect(g.viewLow(), g.viewLow(), g.viewExtent(), g.viewExtent()), colourOf(kMaskGrey));
    c.p.fillRect(c.unitRect(g.boardOrigin, g.boardOrigin, g.backgroundSide, g.backgroundSide),
                 c.boardColour);
}

// Grid lines, sharp on the pixel grid, and star points.
void BoardView::paintGrid(Canvas &c) const
{
    const BoardGeometry &g = c.g;
    QPainter &p = c.p;
    p.setRenderHint(QPainter::Antialiasing, false);
    const double linePx = std::max(1.0, std::round(BoardGeometry::kLineWidth * c.k * c.dpr)) / c.dpr;
    const double first = g.line(0), last = g.line(g.lines - 1);
    for (int i = 0; i < g.lines; ++i) {
        const QPointF h0 = toWidget(first, g.line(i)), h1 = toWidget(last, g.line(i));
        const double y = c.snap(h0.y() - linePx / 2);
        p.fillRect(QRectF(QPointF(c.snap(h0.x() - linePx / 2), y), QPointF(c.snap(h1.x() - linePx / 2) + linePx, y + linePx)),
                   kLineColour);
        const QPointF v0 = toWidget(g.line(i), first), v1 = toWidget(g.line(i), last);
        const double x = c.snap(v0.x() - linePx / 2);
        p.fillRect(QRectF(QPointF(x, c.snap(v0.y() - linePx / 2)), QPointF(x + linePx, c.snap(v1.y() - linePx / 2) + linePx)),
                   kLineColour);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(kLineColour);
    const double starRadius = std::max(1.5, BoardGeometry::kStarPoint * c.k / 2);
    for (int row = 0; row < g.lines; ++row)
        for (int column = 0; column < g.lines; ++column)
            if (g.isStarPoint(column, row)) {
                const QPointF centre = pointCentre(pointIndex(row, column));
                p.drawEllipse(QPointF(c.snap(centre.x()), c.snap(centre.y())), starRadius, starRadius);
            }
}

// The last-move marker: behind the stone, its top-left corner on the stone square's.
void BoardView::paintMarker(Canvas &c) const
{
    if (!isValidPoint(picture_.lastMovePoint))
        return;
    const double glyph = BoardGeometry::kGlyph;
    const int row = pointRow(picture_.lastMovePoint), column = pointColumn(picture_.lastMovePoint);
    c.p.setRenderHint(QPainter::Antialiasing, true);
    c.p.fillRect(c.unitRect(c.g.line(column) - glyph / 2, c.g.line(row) - glyph / 2, BoardGeometry::kMarker, BoardGeometry::kMarker),
                 colourOf(kLastMovePink));
}

void BoardView::paintStones(Canvas &c) const
{
    QPainter &p = c.p;
    p.setRenderHint(QPainter::Antialiasing, true);
    const double radius = BoardGeometry::kGlyph * c.k / 2;
    const QColor black = colourOf(picture_.blackStoneColour);
    const QColor white = colourOf(kWhiteStone);
    for (int i = 0; i < kPointCount; ++i) {
        const PointContent content = picture_.points[size_t(i)].content;
        if (!isStone(content))
            continue;
        const QPointF centre = pointCentre(i);
        if (content == PointContent::Black) {
            // The face shows the colour as given; the highlight and the shaded
            // rim stay narrow bands around it.
            QRadialGradient shade(centre + QPointF(-radius * 0.35, -radius * 0.4), radius * 1.1);
            shade.setColorAt(0, mix(black, Qt::white, 0.32));
            shade.setColorAt(0.3, black);
            shade.setColorAt(0.85, black);
            shade.setColorAt(1, mix(black, Qt::black, 0.2));
            p.setPen(QPen(mix(black, Qt::black, 0.5), std::max(0.6, radius * 0.04)));
            p.setBrush(shade);
        } else {
            QRadialGradient shade(centre + QPointF(-radius * 0.35, -radius * 0.4), radius * 1.25);
            shade.setColorAt(0, white);
            shade.setColorAt(0.6, QColor(242, 242, 238));
            shade.setColorAt(1, QColor(205, 205, 200));
            p.setPen(QPen(QColor(70, 70, 70), std::max(0.8, radius * 0.06)));
            p.setBrush(shade);
        }
        p.drawEllipse(centre, radius, radius);
    }
}

// The last stone itself carries a ring in the other colour, seen at a glance
// whatever the board and stone colours; around the number on a numbered stone.
void BoardView::paintLastStone(Canvas &c) const
{
    const int last = picture_.lastMovePoint;
    if (!isValidPoint(last) || !isStone(picture_.points[size_t(last)].content))
        return;
    const BoardPoint &pt = picture_.points[size_t(last)];
    const double radius = BoardGeometry::kGlyph * c.k / 2;
    const bool black = pt.content == PointContent::Black;
    QPainter &p = c.p;
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(black ? colourOf(kWhiteStone) : QColor(20, 20, 20), std::max(1.5, radius * 0.12)));
    p.setBrush(Qt::NoBrush);
    const double ring = radius * (pt.number.isEmpty() ? 0.42 : 0.84);
    p.drawEllipse(pointCentre(last), ring, ring);
}

// The ▲ and ◆ marks.
void BoardView::paintMarks(Canvas &c) const
{
    QPainter &p = c.p;
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    const double radius = BoardGeometry::kGlyph * c.k / 2;
    for (int i = 0; i < kPointCount; ++i) {
        const PointContent content = picture_.points[size_t(i)].content;
        const QPointF centre = pointCentre(i);
        QPolygonF shape;
        if (content == PointContent::Triangle) {
            const double h = radius * 1.3;  // height of the triangle
            const double half = h / std::sqrt(3.0);
            shape << QPointF(centre.x(), centre.y() - h * 2 / 3) << QPointF(centre.x() + half, centre.y() + h / 3)
                  << QPointF(centre.x() - half, centre.y() + h / 3);
        } else if (content == PointContent::Diamond) {
            const double d = radius * 0.72;
            shape << QPointF(centre.x(), centre.y() - d) << QPointF(centre.x() + d, centre.y())
                  << QPointF(centre.x(), centre.y() + d) << QPointF(centre.x() - d, centre.y());
        } else {
            continue;
        }
        p.drawPolygon(shape);
    }
}

// A letter covers the lines under it so it reads clearly. On the last-move
// point the marker lies beneath and stays in sight.
void BoardView::paintLetters(Canvas &c) const
{
    QPainter &p = c.p;
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    const double radius = BoardGeometry::kGlyph * c.k / 2;
    QFont letterFont = font();
    letterFont.setBold(true);
    letterFont.setPixelSize(std::max(6, int(BoardGeometry::kGlyph * c.k * 0.62)));
    for (int i = 0; i < kPointCount; ++i) {
        const PointContent content = picture_.points[size_t(i)].content;
        if (content < PointContent::LetterA)
            continue;
        const QPointF centre = pointCentre(i);
        p.setBrush(i == picture_.lastMovePoint ? colourOf(kLastMovePink) : c.boardColour);
        p.drawEllipse(centre, radius * 0.8, radius * 0.8);
        fillCentredText(p, letterFont, glyphOf(content), centre, Qt::black);
    }
}

// Numbers: one size for all, so that three digits fit inside a stone. The
// font is measured only when there is a number to draw.
void BoardView::paintNumbers(Canvas &c) const
{
    c.p.setRenderHint(QPainter::Antialiasing, true);
    const double glyph = BoardGeometry::kGlyph;
    QFont numberFont;
    bool numberFontReady = false;
    for (int i = 0; i < kPointCount; ++i) {
        const BoardPoint &pt = picture_.points[size_t(i)];
        if (pt.number.isEmpty())
            continue;
        if (!numberFontReady) {
            numberFont = font();
            numberFont.setWeight(QFont::DemiBold);
            numberFont.setPixelSize(100);
            const double wide = QFontMetricsF(numberFont).tightBoundingRect(QStringLiteral("888")).width();
            const double tall = QFontMetricsF(numberFont).tightBoundingRect(QStringLiteral("8")).height();
            const double fit = std::min(glyph * c.k * 0.74 / wide, glyph * c.k * 0.42 / tall);
            numberFont.setPixelSize(std::max(5, int(100 * fit)));
            numberFontReady = true;
        }
        const QColor ink = pt.content == PointContent::Black ? Qt::white : Qt::black;
        fillCentredText(c.p, numberFont, pt.number, pointCentre(i), ink);
    }
}

// The labels stand in the band between the board's edge and the stones of
// the outer lines, on all four sides, in a font that grows with the board.
// Drawn as text (not paths) at a whole pixel size, so hinting keeps them sharp.
void BoardView::paintCoordinates(Canvas &c) const
{
    const int style = picture_.coordinateStyle;
    if (style == CoordinatesNone)
        return;
    const BoardGeometry &g = c.g;
    const double band = BoardGeometry::kFirstLine - BoardGeometry::kGlyph / 2 - g.boardOrigin;  // free of stones
    const double nearMid = g.boardOrigin + band / 2;
    const double farMid = g.line(g.lines - 1) + BoardGeometry::kGlyph / 2 + band / 2;

    QFont labelFont = font();
    labelFont.setPixelSize(100);
    double widest = 0;
    for (int i = 0; i < g.lines; ++i)
        widest = std::max(widest, QFontMetricsF(labelFont).horizontalAdvance(board::rowLabel(style, g.lines, i)));
    const double fit = std::min(BoardGeometry::kStep * 0.4 * c.k / 100, band * 0.9 * c.k / std::max(1.0, widest));
    labelFont.setPixelSize(std::max(6, int(100 * fit)));

    QPainter &p = c.p;
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(labelFont);
    p.setPen(kLineColour);
    const double cell = BoardGeometry::kStep;
    auto put = [&](double x, double y, const QString &text) {
        const QPointF centre = toWidget(x, y);
        const QRectF box(centre - QPointF(cell * c.k / 2, cell * c.k / 2), QSizeF(cell * c.k, cell * c.k));
        p.drawText(box, Qt::AlignCenter, text);
    };
    for (int i = 0; i < g.lines; ++i) {
        const QString column = board::columnLabel(style, g.lines, i), row = board::rowLabel(style, g.lines, i);
        put(g.line(i), nearMid, column);
        put(g.line(i), farMid, column);
        put(nearMid, g.line(i), row);
        put(farMid, g.line(i), row);
    }
}

// The masks over the rest of the 19 x 19 area, and a soft shadow where the
// board meets them.
void BoardView::paintMasks(Canvas &c) const
{
    const BoardGeometry &g = c.g;
    QPainter &p = c.p;
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor maskGrey = colourOf(kMaskGrey);
    p.fillRect(c.unitRect(g.maskStart, g.viewLow(), g.viewHigh() - g.maskStart, g.viewExtent()), maskGrey);
    p.fillRect(c.unitRect(g.viewLow(), g.maskStart, g.viewExtent(), g.viewHigh() - g.maskStart), maskGrey);

    const QRectF boardRect = c.unitRect(g.boardOrigin, g.boardOrigin, g.maskStart - g.boardOrigin, g.maskStart - g.boardOrigin);
    // Layers of a translucent band: darkest next to the board's edge.
    const double shadow = std::max(2.0, 60 * c.k);
    for (int step = 1; step <= 4; ++step) {
        const double o = shadow * step / 4;
        const QColor shade(0, 0, 0, 14);
        p.fillRect(QRectF(boardRect.right(), boardRect.top() + o, o, boardRect.height()), shade);
        p.fillRect(QRectF(boardRect.left() + o, boardRect.bottom(), boardRect.width() - o, o), shade);
    }
}

// The keyboard cursor: a square around its point in two colours, so that it
// shows on the board, on black and on white stones.
void BoardView::paintCursor(Canvas &c) const
{
    if (!hasFocus() || !isValidPoint(cursor_))
        return;
    QPainter &p = c.p;
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    const double side = BoardGeometry::kStep * 0.92 * c.k;
    const double width = std::max(2.0, side * 0.08);
    const QRectF square(pointCentre(cursor_) - QPointF(side / 2, side / 2), QSizeF(side, side));
    p.setPen(QPen(QColor(0, 70, 200), width));
    p.drawRect(square);
    p.setPen(QPen(Qt::white, std::max(1.0, width / 3)));
    p.drawRect(square.adjusted(width, width, -width, -width));
}

}  // namespace moyuta::ui
