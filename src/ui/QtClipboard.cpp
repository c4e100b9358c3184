#include "QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace moyuta::ui {

void QtClipboard::setText(const QString &text)
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(text);
}

}  // namespace moyuta::ui
