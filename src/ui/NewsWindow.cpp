#include "NewsWindow.h"

#include "News.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace moyuta::ui {

NewsWindow::NewsWindow(AppState &s)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint), s_(s)
{
    NewsForm &f = s_.newsForm;
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(QStringLiteral("Moyuta  お知らせ"));
    setAttribute(Qt::WA_QuitOnClose, false);  // the program ends through its main window

    // Plain text only: a notice is never read as HTML.
    text_ = new QPlainTextEdit;
    text_->setObjectName(f.Text1.name);
    text_->setAccessibleName(QStringLiteral("お知らせ"));
    text_->setReadOnly(true);
    check_ = new QCheckBox(f.Check1.caption);
    check_->setObjectName(f.Check1.name);
    close_ = new QPushButton(f.Command1.caption);
    close_->setObjectName(f.Command1.name);

    auto *v = new QVBoxLayout(this);
    v->addWidget(text_, 1);
    auto *row = new QHBoxLayout;
    row->addWidget(check_);
    row->addStretch(1);
    row->addWidget(close_);
    v->addLayout(row);

    connect(check_, &QCheckBox::toggled, this, [this](bool checked) {
        s_.newsForm.Check1.setChecked(checked);
        sync();
    });
    connect(close_, &QPushButton::clicked, this, [this] { shell::onNewsCloseButton(s_); });
    f.Check1.onClick = [this] { shell::onNoticeConfirmedClick(s_); };

    resize(480, 300);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    sync();
}

void NewsWindow::sync()
{
    const NewsForm &f = s_.newsForm;
    if (text_->toPlainText() != f.Text1.text)
        text_->setPlainText(f.Text1.text);
    const QSignalBlocker block(check_);
    check_->setChecked(f.Check1.checked);
}

void NewsWindow::closeEvent(QCloseEvent *event)
{
    shell::onNewsWindowClosing(s_);
    sync();
    event->accept();
    emit closed();
}

}  // namespace moyuta::ui
