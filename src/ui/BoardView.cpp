#include "BoardView.h"

#include "Board.h"

#include <QFontMetricsF>
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

BoardGeometry::BoardGeometry(int sizeCode)
{
    switch (sizeCode) {
    case Size13: lines = 13; lineLength = 5775; backgroundSide = 6255; maskStart = 6350; break;
    case Size9: lines = 9; lineLength = 3855; backgroundSide = 4335; maskStart = 4440; break;
    default: lines = 19; lineLength = 8655; backgroundSide = 9135; maskStart = 9240; break;
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

BoardView::BoardView(AppState &s, QWidget *parent) : QWidget(parent), s_(s)
{
    setObjectName(QStringLiteral("BoardView"));
    setAccessibleName(QStringLiteral("碁盤"));
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

double BoardView::scale() const
{
    const BoardGeometry g(s_.boardSizeCode);
    return std::min(width(), height()) / g.viewExtent();
}

QPointF BoardView::toWidget(double x, double y) const
{
    const BoardGeometry g(s_.boardSizeCode);
    const double k = scale();
    const double side = g.viewExtent() * k;
    const QPointF origin((width() - side) / 2, (height() - side) / 2);
    return origin + QPointF((x - g.viewLow()) * k, (y - g.viewLow()) * k);
}

QPointF BoardView::pointCentre(int point) const
{
    const BoardGeometry g(s_.boardSizeCode);
    return toWidget(g.line(pointColumn(point)), g.line(pointRow(point)));
}

int BoardView::pointAt(QPointF pos) const
{
    const BoardGeometry g(s_.boardSizeCode);
    const double k = scale();
    if (k <= 0)
        return -1;
    const QPointF zero = toWidget(0, 0);
    const double ux = (pos.x() - zero.x()) / k;
    const double uy = (pos.y() - zero.y()) / k;
    // Presses on the masks or the tray belong to no point.
    if (ux >= g.maskStart || uy >= g.maskStart || ux < BoardGeometry::kBoardOrigin || uy < BoardGeometry::kBoardOrigin)
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

void BoardView::syncFromModel()
{
    const Form &f = s_.form;
    panelText_->setText(f.lbl2Message.caption);
    panel_->setAccessibleDescription(f.lbl2Message.caption);
    panel_->setVisible(f.Frame8.visible && f.lbl2Message.visible);
    startNumber_->setText(f.lblSnum.caption);
    startNumber_->setVisible(f.lblSnum.visible);
    placeOverlays();
    update();
}

void BoardView::placeOverlays()
{
    const BoardGeometry g(s_.boardSizeCode);
    const double k = scale();

    // The message panel sits centred over the active board's background. A
    // hidden one is laid out when it shows (its bold face need not load before).
    if (panel_->isVisibleTo(this)) {
        const QPointF a = toWidget(BoardGeometry::kBoardOrigin, BoardGeometry::kBoardOrigin);
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
    const QPointF bandTop = toWidget(BoardGeometry::kBoardOrigin, g.maskStart);
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
        if (click) {
            board::onMessagePanelClick(s_);
            emit stateChanged();
        }
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
    board::pressPoint(s_, point, button);
    emit stateChanged();
}

void BoardView::paintEvent(QPaintEvent *)
{
    const BoardGeometry g(s_.boardSizeCode);
    const double k = scale();
    const double dpr = devicePixelRatioF();
    // Snaps a length or position to the device pixel grid, so lines stay sharp.
    auto snap = [dpr](double v) { return std::round(v * dpr) / dpr; };
    auto unitRect = [&](double x, double y, double w, double h) {
        const QPointF tl = toWidget(x, y), br = toWidget(x + w, y + h);
        return QRectF(QPointF(snap(tl.x()), snap(tl.y())), QPointF(snap(br.x()), snap(br.y())));
    };

    QPainter p(this);
    p.fillRect(rect(), palette().window());

    const QColor maskGrey = colourOf(kMaskGrey);
    const QColor boardColour = colourOf(s_.boardColour());
    const QColor lineColour(40, 32, 24);

    // Background: the tray, then the board's own square.
    p.fillRect(unitRect(g.viewLow(), g.viewLow(), g.viewExtent(), g.viewExtent()), maskGrey);
    p.fillRect(unitRect(BoardGeometry::kBoardOrigin, BoardGeometry::kBoardOrigin, g.backgroundSide, g.backgroundSide),
               boardColour);

    // Grid lines and star points.
    const double linePx = std::max(1.0, std::round(BoardGeometry::kLineWidth * k * dpr)) / dpr;
    const double first = g.line(0), last = g.line(g.lines - 1);
    for (int i = 0; i < g.lines; ++i) {
        const QPointF h0 = toWidget(first, g.line(i)), h1 = toWidget(last, g.line(i));
        const double y = snap(h0.y() - linePx / 2);
        p.fillRect(QRectF(QPointF(snap(h0.x() - linePx / 2), y), QPointF(snap(h1.x() - linePx / 2) + linePx, y + linePx)),
                   lineColour);
        const QPointF v0 = toWidget(g.line(i), first), v1 = toWidget(g.line(i), last);
        const double x = snap(v0.x() - linePx / 2);
        p.fillRect(QRectF(QPointF(x, snap(v0.y() - linePx / 2)), QPointF(x + linePx, snap(v1.y() - linePx / 2) + linePx)),
                   lineColour);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(lineColour);
    const double starRadius = std::max(1.5, BoardGeometry::kStarPoint * k / 2);
    for (int row = 0; row < g.lines; ++row)
        for (int column = 0; column < g.lines; ++column)
            if (g.isStarPoint(column, row)) {
                const QPointF c = pointCentre(pointIndex(row, column));
                p.drawEllipse(QPointF(snap(c.x()), snap(c.y())), starRadius, starRadius);
            }

    // Last-move marker: behind the stone, its top-left corner on the stone square's.
    const double glyph = BoardGeometry::kGlyph;
    if (isValidPoint(s_.lastMovePoint)) {
        const int row = pointRow(s_.lastMovePoint), column = pointColumn(s_.lastMovePoint);
        p.fillRect(unitRect(g.line(column) - glyph / 2, g.line(row) - glyph / 2, BoardGeometry::kMarker, BoardGeometry::kMarker),
                   colourOf(kLastMovePink));
    }

    // Glyphs.
    const double radius = glyph * k / 2;
    const QColor black = colourOf(s_.blackStoneColour());
    const QColor white = colourOf(kWhiteStone);
    QFont letterFont = font();
    letterFont.setBold(true);
    letterFont.setPixelSize(std::max(6, int(glyph * k * 0.62)));
    for (int i = 0; i < kPointCount; ++i) {
        const PointContent content = s_.points[size_t(i)].content;
        if (content == PointContent::Empty)
            continue;
        const QPointF c = pointCentre(i);
        switch (content) {
        case PointContent::Black: {
            // The face shows the colour as given; the highlight and the shaded
            // rim stay narrow bands around it.
            QRadialGradient shade(c + QPointF(-radius * 0.35, -radius * 0.4), radius * 1.1);
            shade.setColorAt(0, mix(black, Qt::white, 0.32));
            shade.setColorAt(0.3, black);
            shade.setColorAt(0.85, black);
            shade.setColorAt(1, mix(black, Qt::black, 0.2));
            p.setPen(QPen(mix(black, Qt::black, 0.5), std::max(0.6, radius * 0.04)));
            p.setBrush(shade);
            p.drawEllipse(c, radius, radius);
            break;
        }
        case PointContent::White: {
            QRadialGradient shade(c + QPointF(-radius * 0.35, -radius * 0.4), radius * 1.25);
            shade.setColorAt(0, white);
            shade.setColorAt(0.6, QColor(242, 242, 238));
            shade.setColorAt(1, QColor(205, 205, 200));
            p.setPen(QPen(QColor(70, 70, 70), std::max(0.8, radius * 0.06)));
            p.setBrush(shade);
            p.drawEllipse(c, radius, radius);
            break;
        }
        case PointContent::Triangle: {
            const double h = radius * 1.3;       // height of the triangle
            const double half = h / std::sqrt(3.0);
            QPolygonF tri;
            tri << QPointF(c.x(), c.y() - h * 2 / 3) << QPointF(c.x() + half, c.y() + h / 3)
                << QPointF(c.x() - half, c.y() + h / 3);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            p.drawPolygon(tri);
            break;
        }
        case PointContent::Diamond: {
            const double d = radius * 0.72;
            QPolygonF dia;
            dia << QPointF(c.x(), c.y() - d) << QPointF(c.x() + d, c.y()) << QPointF(c.x(), c.y() + d)
                << QPointF(c.x() - d, c.y());
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            p.drawPolygon(dia);
            break;
        }
        default: {
            // A letter: the lines under it are covered so it reads clearly. On
            // the last-move point the marker lies beneath and stays in sight.
            p.setPen(Qt::NoPen);
            p.setBrush(i == s_.lastMovePoint ? colourOf(kLastMovePink) : boardColour);
            p.drawEllipse(c, radius * 0.8, radius * 0.8);
            fillCentredText(p, letterFont, glyphOf(content), c, Qt::black);
            break;
        }
        }
    }

    // Numbers: one size for all, so that three digits fit inside a stone.
    // The font is measured only when there is a number to draw.
    QFont numberFont;
    bool numberFontReady = false;
    for (int i = 0; i < kPointCount; ++i) {
        const BoardPoint &pt = s_.points[size_t(i)];
        if (pt.number.isEmpty())
            continue;
        if (!numberFontReady) {
            numberFont = font();
            numberFont.setWeight(QFont::DemiBold);
            numberFont.setPixelSize(100);
            const double wide = QFontMetricsF(numberFont).tightBoundingRect(QStringLiteral("888")).width();
            const double tall = QFontMetricsF(numberFont).tightBoundingRect(QStringLiteral("8")).height();
            const double fit = std::min(glyph * k * 0.74 / wide, glyph * k * 0.42 / tall);
            numberFont.setPixelSize(std::max(5, int(100 * fit)));
            numberFontReady = true;
        }
        const QColor ink = pt.content == PointContent::Black ? Qt::white : Qt::black;
        fillCentredText(p, numberFont, pt.number, pointCentre(i), ink);
    }

    // The masks over the rest of the 19 x 19 area.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(unitRect(g.maskStart, g.viewLow(), g.viewHigh() - g.maskStart, g.viewExtent()), maskGrey);
    p.fillRect(unitRect(g.viewLow(), g.maskStart, g.viewExtent(), g.viewHigh() - g.maskStart), maskGrey);

    // A soft shadow where the board meets the masks.
    const QRectF boardRect = unitRect(BoardGeometry::kBoardOrigin, BoardGeometry::kBoardOrigin,
                                      g.maskStart - BoardGeometry::kBoardOrigin, g.maskStart - BoardGeometry::kBoardOrigin);
    // Layers of a translucent band: darkest next to the board's edge.
    const double shadow = std::max(2.0, 60 * k);
    for (int step = 1; step <= 4; ++step) {
        const double o = shadow * step / 4;
        const QColor shade(0, 0, 0, 14);
        p.fillRect(QRectF(boardRect.right(), boardRect.top() + o, o, boardRect.height()), shade);
        p.fillRect(QRectF(boardRect.left() + o, boardRect.bottom(), boardRect.width() - o, o), shade);
    }
}

}  // namespace moyuta::ui
