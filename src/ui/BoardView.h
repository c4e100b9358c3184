#pragma once
// The board: paints the picture it is given and turns mouse presses on the
// active board, and keys at its keyboard cursor, into signals for points; it
// changes no state itself. Board geometry is kept in the board's own layout
// units and scaled to the widget, which stays square.

#include "Board.h"
#include "BoardPicture.h"

#include <QFrame>
#include <QWidget>

class QLabel;

namespace moyuta::ui {

// Board layout in units, for one board size.
struct BoardGeometry {
    static constexpr double kBoardOrigin = 120;  // top-left corner of the background square without coordinates
    static constexpr double kFirstLine = 360;
    static constexpr double kStep = 480;         // distance between two lines
    static constexpr double kLineWidth = 15;
    static constexpr double kStarPoint = 135;    // diameter
    static constexpr double kGlyph = 375;        // side of a stone's square
    static constexpr double kMarker = 405;       // side of the last-move square
    static constexpr double kTray = 240;         // grey band shown around the background square
    static constexpr double kLabelBand = 360;    // the board's edge moves out this far for coordinates

    explicit BoardGeometry(int sizeCode, bool coordinates = false);

    int lines;
    double boardOrigin = kBoardOrigin;
    double lineLength;
    double backgroundSide;
    double maskStart;  // left edge of the right mask, top edge of the bottom mask

    double line(int k) const { return kFirstLine + kStep * k; }
    // The shown area: the background square and the tray around it.
    double viewLow() const { return boardOrigin - kTray; }
    double viewHigh() const { return maskStart + kTray; }
    double viewExtent() const { return viewHigh() - viewLow(); }
    bool isStarPoint(int column, int row) const;
};

// The message panel over the board: a rounded card.
class MessagePanelFrame : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent *event) override;
};

class BoardView : public QWidget {
    Q_OBJECT
public:
    explicit BoardView(QWidget *parent = nullptr);

    // The point under a widget position, or -1 when there is none on the active board.
    int pointAt(QPointF pos) const;
    // The widget position of a point's intersection.
    QPointF pointCentre(int point) const;
    // Widget position of a position in board units.
    QPointF toWidget(double x, double y) const;

    // Shows a new picture: the points, the message panel and the edge labels.
    void setPicture(const BoardPicture &picture);
    const BoardPicture &picture() const { return picture_; }

    // The keyboard cursor's point.
    int cursorPoint() const { return cursor_; }

    QSize sizeHint() const override { return {740, 740}; }
    QSize minimumSizeHint() const override { return {300, 300}; }
    bool hasHeightForWidth() const override { return false; }

signals:
    // A left or right press on a point of the active board.
    void pointPressed(int point, moyuta::board::MouseButton button);
    // Enter or Space (left), Delete or Backspace (right) at the keyboard cursor.
    void pointKeyed(int point, moyuta::board::MouseButton button);
    // A left click on the message panel.
    void messagePanelClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    BoardGeometry geometry() const;
    double scale() const;
    // The cursor moved by rows and columns, kept on the board.
    void moveCursor(int rows, int columns);
    // The cursor's point and content as its accessible description.
    void describeCursor();
    void placeOverlays();

    // The layers, painted in this order.
    struct Canvas;
    void paintBackground(Canvas &c) const;
    void paintGrid(Canvas &c) const;
    void paintMarker(Canvas &c) const;
    void paintStones(Canvas &c) const;
    void paintLastStone(Canvas &c) const;
    void paintMarks(Canvas &c) const;
    void paintLetters(Canvas &c) const;
    void paintNumbers(Canvas &c) const;
    void paintCoordinates(Canvas &c) const;
    void paintMasks(Canvas &c) const;
    void paintCursor(Canvas &c) const;

    BoardPicture picture_;
    QFrame *panel_;
    QLabel *panelText_;
    QLabel *startNumber_;
    bool panelPressed_ = false;  // the left button went down on the message panel
    int cursor_ = -1;  // -1 until the first picture: then the centre
};

}  // namespace moyuta::ui
