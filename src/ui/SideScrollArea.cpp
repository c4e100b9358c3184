#include "SideScrollArea.h"

#include <QScrollBar>

namespace moyuta::ui {

SideScrollArea::SideScrollArea(QWidget *content, QWidget *parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("sideScroll"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    setWidget(content);
    // The window's colour shows through, as it did behind the plain column.
    viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    // The bar comes beside the groups, never over them: the area widens by it.
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this](int, int maximum) { fitWidth(maximum > 0); });
    fitWidth(false);
}

void SideScrollArea::fitWidth(bool withBar)
{
    const int bar = withBar ? verticalScrollBar()->sizeHint().width() : 0;
    setFixedWidth(contentWidth() + bar);
}

// The groups' fixed width when they have one, else what their layout needs.
int SideScrollArea::contentWidth() const
{
    const QWidget *content = widget();
    return content->minimumWidth() > 0 ? content->minimumWidth() : content->minimumSizeHint().width();
}

QSize SideScrollArea::sizeHint() const
{
    return widget()->sizeHint();
}

// As narrow as the content, as short as a few lines: the rest scrolls.
QSize SideScrollArea::minimumSizeHint() const
{
    return {contentWidth(), 6 * fontMetrics().height()};
}

}  // namespace moyuta::ui
