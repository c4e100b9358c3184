#include "GameInfoDialog.h"

#include "SgfRead.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace moyuta::ui {

namespace {

// Each field is named by its label, for screen readers as on screen.
void nameField(QWidget *field, const QString &label, const char *objectName)
{
    field->setObjectName(QString::fromLatin1(objectName));
    field->setAccessibleName(label);
}

}  // namespace

GameInfoDialog::GameInfoDialog(const GameInfo &info, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGameInfo"));
    setWindowTitle(QStringLiteral("対局情報"));
    auto *outer = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    outer->addLayout(form);
    auto row = [&](const QString &label, const char *name, const QString &text) {
        QLineEdit *edit = field(label, name, text);
        auto *caption = new QLabel(label + QStringLiteral("："));
        caption->setBuddy(edit);
        form->addRow(caption, edit);
        return edit;
    };
    black_ = row(QStringLiteral("黒番"), "txtInfoBlack", info.black);
    white_ = row(QStringLiteral("白番"), "txtInfoWhite", info.white);
    date_ = row(QStringLiteral("日付"), "txtInfoDate", info.date);
    date_->setPlaceholderText(QStringLiteral("2026-12-10"));
    komi_ = row(QStringLiteral("コミ"), "txtInfoKomi", info.komi);
    komi_->setPlaceholderText(QStringLiteral("6.5"));
    handicap_ = row(QStringLiteral("置石"), "txtInfoHandicap", info.handicap);
    result_ = row(QStringLiteral("結果"), "txtInfoResult", info.result);
    result_->setPlaceholderText(QStringLiteral("B+R, W+2.5"));
    gameName_ = row(QStringLiteral("対局名"), "txtInfoGameName", info.gameName);
    place_ = row(QStringLiteral("場所"), "txtInfoPlace", info.place);

    comment_ = new QPlainTextEdit(info.comment);
    nameField(comment_, QStringLiteral("メモ"), "txtInfoComment");
    comment_->setTabChangesFocus(true);
    comment_->setFixedHeight(comment_->fontMetrics().lineSpacing() * 4 + 12);
    auto *commentLabel = new QLabel(QStringLiteral("メモ："));
    commentLabel->setBuddy(comment_);
    form->addRow(commentLabel, comment_);

    auto *buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("cmdInfoOk"));
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cmdInfoCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    outer->addWidget(buttons);
    setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 36);
}

QLineEdit *GameInfoDialog::field(const QString &label, const char *objectName, const QString &text)
{
    auto *edit = new QLineEdit(text);
    nameField(edit, label, objectName);
    edit->setMaxLength(record::kMaxInfoChars);
    return edit;
}

GameInfo GameInfoDialog::info() const
{
    GameInfo info;
    info.black = black_->text().trimmed();
    info.white = white_->text().trimmed();
    info.date = date_->text().trimmed();
    info.komi = komi_->text().trimmed();
    info.handicap = handicap_->text().trimmed();
    info.result = result_->text().trimmed();
    info.gameName = gameName_->text().trimmed();
    info.place = place_->text().trimmed();
    info.comment = comment_->toPlainText().trimmed();
    return record::boundedInfo(info);
}

}  // namespace moyuta::ui
