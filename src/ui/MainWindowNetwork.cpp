// The network panel of the main window: its fields, the connect, disconnect
// and close buttons, in a frame over the centre of the window.
#include "MainWindow.h"

#include "NetworkKifu.h"
#include "OwnAddress.h"
#include "Panel.h"
#include "Session.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>

#include <algorithm>

namespace moyuta::ui {

QLineEdit *MainWindow::lineEdit(TextBox &model, const QString &accessibleName)
{
    auto *edit = new QLineEdit;
    bind(model, edit);
    edit->setAccessibleName(accessibleName);
    edit->setPlaceholderText(model.hint);
    // The model cuts by characters; the widget counts UTF-16 units, so it
    // leaves room for a full line of characters outside the basic plane.
    if (model.maxLength > 0)
        edit->setMaxLength(model.maxLength * 2);
    lineEdits_.emplace_back(&model, edit);
    // Any change of the text is the user's, whichever road it took: keys, the
    // input method, or the accessibility interface (dictation, on-screen
    // keyboards), which sets the text without textEdited. The window renders
    // the model with signals blocked, so its own text raises nothing.
    connect(edit, &QLineEdit::textChanged, this, [this, &model, edit](const QString &text) {
        if (syncing_ || text == model.text)
            return;
        if (model.enabled && !edit->isReadOnly())
            forward([&model, text] { model.setText(text); });
        else
            sync();  // a field the user may not change shows the model's text again
    });
    return edit;
}

QComboBox *MainWindow::comboBox(ComboBox &model, const QString &accessibleName)
{
    auto *combo = new QComboBox;
    bind(model, combo);
    combo->setAccessibleName(accessibleName);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    comboBoxes_.emplace_back(&model, combo);
    // A pick from the list and typing are two roads; text the program sets takes neither.
    connect(combo, &QComboBox::textActivated, this, [this, &model](const QString &text) {
        if (model.enabled)
            forward([&model, text] { model.pick(text); });
        else
            sync();
    });
    // Typing is any change of the field's text (see lineEdit), except the one a
    // pick makes: the list moves to the picked name, sets the text, then reports the pick.
    connect(combo->lineEdit(), &QLineEdit::textChanged, this, [this, &model, combo](const QString &text) {
        if (syncing_)
            return;
        if (combo->currentIndex() != comboIndexShown_.value(combo)) {
            comboIndexShown_.insert(combo, combo->currentIndex());
            return;
        }
        if (text == model.text)
            return;
        if (model.enabled)
            forward([&model, text] { model.type(text); });
        else
            sync();
    });
    return combo;
}

QFrame *MainWindow::buildNetworkPanel(QWidget *parent)
{
    Form &f = s_.form;
    QGridLayout *grid = nullptr;
    QFrame *panel = sidePanelFrame(parent, QStringLiteral("ネットワーク接続"), grid);

    struct Field {
        TextBox *model;
        const char *label;
    };
    const Field fields[] = {{&f.txtPeerAddress, "IPアドレス(相手側)"},
                            {&f.txtPeerPort, "相手側ポート"},
                            {&f.txtOwnPort, "自分側ポート"},
                            {&f.txtPassword, "合言葉"}};
    int row = 1;
    for (const Field &field : fields) {
        const QString name = QString::fromUtf8(field.label);
        auto *label = new QLabel(name + QStringLiteral("："));
        QLineEdit *edit = lineEdit(*field.model, name);
        edit->setMinimumWidth(240);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
    }
    auto *cipherLabel = new QLabel(QStringLiteral("暗号番号："));
    QComboBox *cipher = comboBox(f.cboCipherNumber, QStringLiteral("暗号番号"));
    cipher->setMaximumWidth(90);
    cipherLabel->setBuddy(cipher);
    grid->addWidget(cipherLabel, row, 0);
    grid->addWidget(cipher, row, 1, Qt::AlignLeft);
    ++row;
    addKifuRow(grid, row);
    grid->addWidget(checkBox(f.Check3), row++, 0, 1, 2);
    addClassicBox(grid, row);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(button(f.Command1, network::onConnect));
    buttons->addWidget(button(f.Command4, network::onDisconnect));
    buttons->addWidget(button(f.Command2, network::onNetworkPanelClose));
    grid->addLayout(buttons, row++, 0, 1, 2);
    addOwnAddressRows(grid, row);

    bind(f.fraNetwork, panel);
    panel->hide();
    return panel;
}

// Under the buttons, in a box of their own so that the rows above stay as
// they were: what the friend must type to reach this copy (one address a
// line), its copy button, and the router's notice.
void MainWindow::addOwnAddressRows(QGridLayout *grid, int &row)
{
    Form &f = s_.form;
    auto *lower = new QWidget;
    auto *rows = new QGridLayout(lower);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setHorizontalSpacing(grid->horizontalSpacing());
    const QString name = QStringLiteral("相手に伝えるアドレス");
    auto *label = new QLabel(name + QStringLiteral("："));
    auto *addresses = new QPlainTextEdit;
    bind(f.txtOwnAddress, addresses);
    addresses->setAccessibleName(name);
    addresses->setReadOnly(true);
    addresses->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    addresses->setTabChangesFocus(true);
    addresses->setLineWrapMode(QPlainTextEdit::NoWrap);
    addresses->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    addresses->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);  // the panel keeps its width
    // Only the program writes here; whatever else changes the text sees the model's again.
    connect(addresses, &QPlainTextEdit::textChanged, this, [this, addresses] {
        if (!syncing_ && addresses->toPlainText() != s_.form.txtOwnAddress.text)
            sync();
    });
    label->setBuddy(addresses);
    QPushButton *copy = button(f.cmdCopyAddress, network::onCopyAddress);
    copy->setAccessibleName(QStringLiteral("アドレスをコピー"));
    rows->addWidget(label, 0, 0, 1, 2);
    rows->addWidget(addresses, 1, 0);
    rows->addWidget(copy, 1, 1, Qt::AlignTop);
    rows->setColumnStretch(0, 1);
    QLabel *notice = this->label(f.lblMapping);
    notice->setWordWrap(true);
    notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Wraps inside the panel's width instead of widening it, at a height
    // fitNetworkRows sets: a height that follows the width would let the
    // panel's grid shift the rows above by a pixel.
    QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    policy.setHeightForWidth(false);
    notice->setSizePolicy(policy);
    rows->addWidget(notice, 2, 0, 1, 2);
    grid->addWidget(lower, row++, 0, 1, 2);
    networkLowerRows_ = lower;
    networkNotice_ = notice;
    ownAddresses_ = addresses;
}

// The name written into the kifu of every network game, and the button that
// shows where those kifu lie, on one row.
void MainWindow::addKifuRow(QGridLayout *grid, int &row)
{
    Form &f = s_.form;
    const QString name = QStringLiteral("あなたの名前");
    auto *label = new QLabel(name + QStringLiteral("："));
    QLineEdit *edit = lineEdit(f.txtOwnName, name);
    label->setBuddy(edit);
    QPushButton *open = button(f.cmdOpenKifuFolder, record::onOpenKifuFolder);
    open->setAccessibleName(f.cmdOpenKifuFolder.caption);
    auto *line = new QHBoxLayout;
    line->addWidget(edit, 1);
    line->addWidget(open);
    grid->addWidget(label, row, 0);
    grid->addLayout(line, row++, 1);
}

// "従来方式で接続(&K)" and, under its caption, why it is the exception.
void MainWindow::addClassicBox(QGridLayout *grid, int &row)
{
    QCheckBox *classic = checkBox(s_.form.chkClassic);
    classic->setAccessibleName(QStringLiteral("従来方式で接続"));
    auto *hint = new QLabel(QStringLiteral("暗号化されません。従来版のMoyutaと接続する場合のみ"));
    hint->setObjectName(QStringLiteral("lblClassicHint"));
    classic->setAccessibleDescription(hint->text());
    QFont smaller = hint->font();
    smaller.setPointSizeF(smaller.pointSizeF() * 0.9);
    hint->setFont(smaller);
    hint->setForegroundRole(QPalette::PlaceholderText);
    // Lined up with the box's caption, not with the box.
    const QStyle *style = classic->style();
    hint->setIndent(style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, classic)
                    + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, classic));
    grid->addWidget(classic, row++, 0, 1, 2);
    grid->addWidget(hint, row++, 0, 1, 2);
}

QFrame *MainWindow::sidePanelFrame(QWidget *parent, const QString &title, QGridLayout *&grid)
{
    auto *panel = new QFrame(parent);
    panel->setAccessibleName(title);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAutoFillBackground(true);
    grid = new QGridLayout(panel);
    grid->setContentsMargins(16, 14, 16, 14);
    grid->setHorizontalSpacing(10);
    auto *heading = new QLabel(title);
    QFont bigger = heading->font();
    bigger.setPointSizeF(bigger.pointSizeF() * 1.2);
    heading->setFont(bigger);
    grid->addWidget(heading, 0, 0, 1, 2);
    return panel;
}

void MainWindow::fitNetworkRows()
{
    QWidget *panel = networkLowerRows_ ? networkLowerRows_->parentWidget() : nullptr;
    if (!panel)
        return;
    const QMargins margins = panel->layout()->contentsMargins();
    const int width = std::max(1, panel->sizeHint().width() - margins.left() - margins.right());
    const int notice = networkNotice_->fontMetrics()
                           .boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, networkNotice_->text())
                           .height();
    // One line for each address (one at least), the whole list without scrolling.
    const int lines = std::max<int>(1, s_.form.txtOwnAddress.text.count(QLatin1Char('\n')) + 1);
    const int frame = 2 * (ownAddresses_->frameWidth() + int(ownAddresses_->document()->documentMargin()));
    const int line = ownAddresses_->fontMetrics().lineSpacing();
    const int addresses = lines * line + frame + line / 2;
    if (networkNotice_->minimumHeight() != notice || ownAddresses_->minimumHeight() != addresses) {
        networkNotice_->setFixedHeight(notice);
        ownAddresses_->setFixedHeight(addresses);
        networkLowerRows_->layout()->activate();  // the panel's grid learns the new heights now
    }
}

void MainWindow::placePanel(QFrame *panel, bool keepTop)
{
    fitNetworkRows();
    panel->adjustSize();
    QWidget *area = panel->parentWidget();
    int centred = panel->height();
    // The network panel is centred without its address rows, which hang below.
    if (networkLowerRows_ && networkLowerRows_->parentWidget() == panel) {
        QLayout *grid = panel->layout();
        grid->setGeometry(panel->contentsRect());  // now, not when the panel is next shown
        centred = networkLowerRows_->y() - grid->spacing() + grid->contentsMargins().bottom();
    }
    // A short window grows to hold the whole panel rather than cut its lower rows.
    if (area->minimumHeight() < panel->height())
        area->setMinimumHeight(panel->height());
    const int top = keepTop ? panel->y() : (area->height() - centred) / 2;
    const int y = std::max(0, std::min(top, area->height() - panel->height()));
    panel->move((area->width() - panel->width()) / 2, y);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!shownBefore_) {
        shownBefore_ = true;
        // The keyboard starts on the window itself (its mnemonics work), not in a
        // field whose blinking cursor would keep an idle program awake.
        setFocus(Qt::OtherFocusReason);
    }
    if (!syncing_)
        sync();  // gives the focus a request made while the window was hidden
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    for (const SidePanel &panel : panels_)
        placePanel(panel.frame);
}

}  // namespace moyuta::ui
