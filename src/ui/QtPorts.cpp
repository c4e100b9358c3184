#include "QtPorts.h"
#include "GameInfoDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace moyuta::ui {

namespace {

const QString kTitle = QStringLiteral("Moyuta");

void notice(QWidget *parent, QMessageBox::Icon icon, const QString &text)
{
    QMessageBox box(icon, kTitle, text, QMessageBox::Ok, parent);
    const NestedEvents nested;
    box.exec();
}

}  // namespace

void QtDialogs::prepareBox() const
{
    if (beforeBox_)
        beforeBox_();
}

Answer QtDialogs::ask(const QString &question)
{
    prepareBox();
    QMessageBox box(QMessageBox::Question, kTitle, question, QMessageBox::NoButton, parent_);
    QPushButton *yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    QPushButton *cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    {
        const NestedEvents nested;
        box.exec();
    }
    const QAbstractButton *chosen = box.clickedButton();
    if (chosen == yes)
        return Answer::Yes;
    if (chosen == no)
        return Answer::No;
    return Answer::Cancel;
}

void QtDialogs::inform(const QString &text)
{
    prepareBox();
    notice(parent_, QMessageBox::Information, text);
}

void QtDialogs::warn(const QString &text)
{
    prepareBox();
    notice(parent_, QMessageBox::Warning, text);
}

QString QtDialogs::startFolder() const
{
    return lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_;
}

QString QtDialogs::fileName(bool save, const QStringList &filters)
{
    prepareBox();
    const NestedEvents nested;
    const QString filter = filters.join(QStringLiteral(";;"));
    const QString name = save ? QFileDialog::getSaveFileName(parent_, QStringLiteral("名前を付けて保存"), startFolder(), filter)
                              : QFileDialog::getOpenFileName(parent_, QStringLiteral("ファイルを開く"), startFolder(), filter);
    if (!name.isEmpty())
        lastFolder_ = QFileInfo(name).absolutePath();
    return name;
}

QString QtDialogs::openFileName(const QStringList &filters)
{
    return fileName(false, filters);
}

QString QtDialogs::saveFileName(const QStringList &filters)
{
    return fileName(true, filters);
}

bool QtDialogs::askGameInfo(GameInfo &info)
{
    prepareBox();
    GameInfoDialog dialog(info, parent_);
    {
        const NestedEvents nested;
        if (dialog.exec() != QDialog::Accepted)
            return false;
    }
    info = dialog.info();
    return true;
}

void QtEventPump::processEvents()
{
    const NestedEvents nested;
    QCoreApplication::processEvents();
}

void QtEventPump::pace(qint64 turns)
{
    const NestedEvents nested;
    const qint64 ms = turns / 10000;
    if (ms <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(ms), &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace moyuta::ui
