#include "SplashWindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace moyuta::ui {

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmLogo"));
    setWindowTitle(QStringLiteral("Moyuta"));
    setAttribute(Qt::WA_ShowWithoutActivating);

    auto *title = new QLabel(QStringLiteral("Moyuta"));
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 2.6);
    big.setBold(true);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);

    auto *wait = new QLabel(QStringLiteral("しばらくお待ち下さい…"));
    wait->setObjectName(QStringLiteral("lblWait"));
    wait->setAlignment(Qt::AlignCenter);

    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("lblServer"));
    status_->setAlignment(Qt::AlignCenter);
    QFont small = status_->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    status_->setFont(small);

    for (QLabel *l : {title, wait, status_}) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, QColor(0x2b, 0x21, 0x18));
        l->setPalette(pal);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 22, 28, 18);
    layout->setSpacing(6);
    layout->addWidget(title);
    layout->addSpacing(4);
    layout->addWidget(wait);
    layout->addWidget(status_);

    setFixedSize(340, 170);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void SplashWindow::setStatus(const QString &text)
{
    status_->setText(text);
}

QString SplashWindow::status() const
{
    return status_->text();
}

void SplashWindow::paintEvent(QPaintEvent *)
{
    // A piece of board: the deep orange of the default board colour, a few lines and two stones.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient wood(r.topLeft(), r.bottomRight());
    wood.setColorAt(0, QColor(255, 214, 160));
    wood.setColorAt(1, QColor(240, 180, 118));
    p.fillRect(rect(), wood);
    p.setPen(QPen(QColor(90, 66, 40, 60), 1));
    for (int x = 20; x < width(); x += 40)
        p.drawLine(QPointF(x, 0), QPointF(x, height()));
    for (int y = 25; y < height(); y += 40)
        p.drawLine(QPointF(0, y), QPointF(width(), y));
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.setBrush(QColor(25, 25, 25));
    p.drawEllipse(QPointF(width() - 60, 25), 15, 15);
    p.setBrush(QColor(250, 250, 246));
    p.drawEllipse(QPointF(width() - 20, 65), 15, 15);
    p.setPen(QPen(QColor(90, 66, 40), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

}  // namespace moyuta::ui
