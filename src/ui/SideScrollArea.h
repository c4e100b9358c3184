#pragma once
// The side column's groups in a scroll area that asks for their whole height,
// so that with room to spare it looks like a plain column, and on a short
// screen (1280×720, or 2560×1440 at 200 %) lets the window shrink: the groups
// then scroll instead of pushing the window's lower rows off the screen.

#include <QScrollArea>

namespace moyuta::ui {

class SideScrollArea : public QScrollArea {
public:
    explicit SideScrollArea(QWidget *content, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    int contentWidth() const;
    void fitWidth(bool withBar);
};

}  // namespace moyuta::ui
