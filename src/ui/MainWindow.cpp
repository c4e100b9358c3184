#include "MainWindow.h"

#include "Board.h"
#include "Clock.h"
#include "Options.h"
#include "BoardView.h"
#include "Chat.h"
#include "NetworkedActions.h"
#include "Panel.h"
#include "Record.h"
#include "SideScrollArea.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStylePainter>
#include <QVBoxLayout>

namespace moyuta::ui {

namespace {

QColor colourOf(Rgb rgb) { return QColor::fromRgb(QRgb(0xFF000000u | rgb)); }

// A button shows the model's back colour; the normal grey is the style's own button face.
void applyBack(QWidget *w, Rgb back)
{
    if (back == kButtonGrey) {
        if (w->testAttribute(Qt::WA_SetPalette))
            w->setPalette(QPalette());
        return;
    }
    const QColor face = colourOf(back);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Button, face);
    const QColor text = face.lightnessF() < 0.55 ? Qt::white : Qt::black;
    pal.setColor(QPalette::Active, QPalette::ButtonText, text);
    pal.setColor(QPalette::Inactive, QPalette::ButtonText, text);
    w->setPalette(pal);
}

// A small stone for the colour choices.
QIcon stoneIcon(Rgb fill, bool rim)
{
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(rim ? QPen(QColor(70, 70, 70), 4) : QPen(colourOf(fill), 1));
    p.setBrush(colourOf(fill));
    p.drawEllipse(QRectF(6, 6, 52, 52));
    p.end();
    pm.setDevicePixelRatio(4);
    return QIcon(pm);
}

// The chat log: only its drop-down button shows beside the display; the
// newest entry is already in the display, so the button carries no text.
class ChatLogBox : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText.clear();
        option.currentIcon = QIcon();
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
    }
};

QGroupBox *groupBox(const QString &title, const char *objectName)
{
    auto *box = new QGroupBox(title);
    box->setObjectName(QString::fromLatin1(objectName));
    return box;
}

}  // namespace

MainWindow::MainWindow(AppState &s, QWidget *parent) : QMainWindow(parent), s_(s)
{
    setObjectName(QStringLiteral("frmMain"));

    Form &f = s_.form;

    auto *central = new QWidget;
    auto *outer = new QHBoxLayout(central);
    outer->setContentsMargins(8, 8, 8, 8);
    outer->setSpacing(10);

    auto *left = new QVBoxLayout;
    left->addWidget(buildBoardView(), 1);
    left->addWidget(buildClockRow());
    left->addWidget(buildChatRow());
    outer->addLayout(left, 1);
    outer->addWidget(buildSideColumn());
    // The replay's steps under the board, where the eye is while replaying,
    // and where a short window still shows them. Built after the side column:
    // 記録を再生 steps by the same keys.
    auto *replayLine = new QHBoxLayout;
    replayLine->addStretch(1);
    QWidget *replay = buildReplayRow();
    replay->setFixedWidth(replay->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 34);
    replayLine->addWidget(replay);
    replayLine->addStretch(1);
    left->insertLayout(1, replayLine);
    setCentralWidget(central);
    panels_ = {{buildNetworkPanel(central), &f.fraNetwork, &f.txtPeerAddress},
               {buildOptionsPanel(central), &f.fraOptions, &f.Combo1}};
    resize(1100, 760);
    sync();
}

// The board only draws and reports presses; the board handlers act on them.
BoardView *MainWindow::buildBoardView()
{
    board_ = new BoardView;
    connect(board_, &BoardView::pointPressed, this, [this](int point, board::MouseButton button) {
        board::pressPoint(s_, point, button);
        sync();
    });
    // Play from the keyboard: the same press, and the board keeps the keyboard
    // (a press otherwise sends it to the chat input).
    connect(board_, &BoardView::pointKeyed, this, [this](int point, board::MouseButton button) {
        if (syncing_)
            return;
        board::pressPoint(s_, point, button);
        focusRequestsShown_ = s_.form.txtSend.focusRequests;
        sync();
    });
    connect(board_, &BoardView::messagePanelClicked, this, [this] {
        board::onMessagePanelClick(s_);
        sync();
    });
    return board_;
}

// The clock's limit and commands, under the board whose band shows the time.
QWidget *MainWindow::buildClockRow()
{
    Form &f = s_.form;
    auto *clock = new QWidget;
    clock->setObjectName(QStringLiteral("clockRow"));
    auto *row = new QHBoxLayout(clock);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("タイマー")));
    QLabel *time = label(f.lblTime);
    time->setAccessibleName(QStringLiteral("残り時間"));
    QFont digits = time->font();
    digits.setPointSizeF(digits.pointSizeF() * 1.5);
    digits.setBold(true);
    time->setFont(digits);
    time->setMinimumWidth(QFontMetrics(digits).horizontalAdvance(QStringLiteral("00:00")) + 14);
    time->setAlignment(Qt::AlignCenter);
    time->setFrameShape(QFrame::StyledPanel);
    time->setFrameShadow(QFrame::Sunken);
    row->addWidget(time);
    row->addSpacing(10);
    auto *caption = new QLabel(QStringLiteral("制限時間"));
    caption->setObjectName(QStringLiteral("lblMaxCaption"));
    QLabel *limit = valueLabel(f.lblMax, 28);
    QSpinBox *updown = spinner(f.UpDown3, QStringLiteral("制限時間（分）"), true);
    caption->setBuddy(updown);
    row->addWidget(caption);
    row->addWidget(limit);
    row->addWidget(new QLabel(QStringLiteral("分")));
    row->addWidget(updown);
    row->addSpacing(8);
    row->addWidget(button(f.cmdTimer, shell::onTimerButton));
    row->addWidget(button(f.cmdResetTimer, shell::onResetTimer));
    row->addStretch(1);
    // The move count, at the row's end under the board.
    QLabel *moveCount = label(f.lblMoveCount);
    moveCount->setAccessibleName(QStringLiteral("手数"));
    row->addWidget(moveCount);
    return clock;
}

// The chat: the newest entry with the log's button beside it, the input and "送信(&Z)".
QWidget *MainWindow::buildChatRow()
{
    Form &f = s_.form;
    auto *chat = new QWidget;
    chat->setObjectName(QStringLiteral("chatRow"));
    auto *chatLayout = new QGridLayout(chat);
    chatLayout->setContentsMargins(0, 0, 0, 0);
    chatLayout->setHorizontalSpacing(6);
    chatLayout->setVerticalSpacing(4);
    QLineEdit *display = lineEdit(f.txtDisp, QStringLiteral("チャット"));
    display->setReadOnly(true);
    display->setFocusPolicy(Qt::NoFocus);  // shows the chat; typing goes to the input
    chatLog_ = new ChatLogBox;
    bind(f.Combo2, chatLog_);
    chatLog_->setAccessibleName(QStringLiteral("チャットのログ"));
    chatLog_->setFixedWidth(28);
    chatLog_->view()->setMinimumWidth(420);
    chatLayout->addWidget(display, 0, 0, 1, 2);
    chatLayout->addWidget(chatLog_, 0, 2);
    // The peer's typing shows at the display's right end, so nothing moves when it comes and goes.
    chatDisplay_ = display;
    chatStatus_ = label(f.lblStatus);
    chatStatus_->setParent(display);
    QPalette statusColours = chatStatus_->palette();
    statusColours.setColor(QPalette::WindowText, QColor(0x8a, 0x5a, 0x00));
    chatStatus_->setPalette(statusColours);
    auto *inside = new QHBoxLayout(display);
    inside->setContentsMargins(0, 0, 8, 0);
    inside->addStretch(1);
    inside->addWidget(chatStatus_);
    QLineEdit *input = lineEdit(f.txtSend, QStringLiteral("送信文"));
    input->setPlaceholderText(QStringLiteral("メッセージ（Enterで送信）"));
    connect(input, &QLineEdit::returnPressed, this, [this] {
        if (s_.form.txtSend.enabled)
            forward([this] { network::onSend(s_); });
    });
    chatLayout->addWidget(input, 1, 0);
    chatLayout->addWidget(button(f.cmdSend, network::onSend), 1, 1, 1, 2);
    chatLayout->setColumnStretch(0, 1);
    return chat;
}

void MainWindow::fitScreen()
{
    const QScreen *screen = this->screen();
    if (!screen)
        return;
    const QSize room = screen->availableGeometry().size() - QSize(16, 48);
    resize(size().boundedTo(room).expandedTo(minimumSizeHint()));
}

MainWindow::~MainWindow()
{
    // The widgets outlive this window's members; what they report while they
    // go (a spin box commits its text when hidden) must not reach a handler.
    for (QObject *child : findChildren<QObject *>())
        child->disconnect(this);
}

void MainWindow::runShell(std::function<void()> ended)
{
    ended_ = std::move(ended);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!ended_) {
        QMainWindow::closeEvent(event);
        return;
    }
    if (!shell::closeRequest(s_)) {
        event->ignore();
        sync();
        // The peer ended the session while the question was open: end now.
        if (s_.session.peerQuit)
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    shell::shutDown(s_);
    event->accept();
    ended_();
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    // A click on the window's background (or off the board, or on a label).
    QMainWindow::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        forward([this] { shell::onBackgroundClick(s_); });
}

void MainWindow::forward(const std::function<void()> &handler)
{
    if (syncing_ || !handler)
        return;
    handler();
    sync();
}

void MainWindow::bind(Control &model, QWidget *widget)
{
    widget->setObjectName(model.name);
    widgets_.insert(&model, widget);
}

QPushButton *MainWindow::button(Button &model, const std::function<void(AppState &)> &handler)
{
    auto *b = new QPushButton(model.caption);
    bind(model, b);
    if (handler)
        connect(b, &QPushButton::clicked, this, [this, handler, &model] {
            if (model.enabled)
                forward([this, handler] { handler(s_); });
        });
    return b;
}

QCheckBox *MainWindow::checkBox(CheckBox &model)
{
    auto *c = new QCheckBox(model.caption);
    bind(model, c);
    checkBoxes_.emplace_back(&model, c);
    // toggled, not clicked: a screen reader's toggle action changes the tick
    // without a click, and it must reach the model like a click does.
    connect(c, &QCheckBox::toggled, this, [this, &model](bool checked) {
        if (syncing_)
            return;
        if (model.enabled)
            forward([&model, checked] { model.setChecked(checked); });
        else
            sync();
    });
    return c;
}

QSpinBox *MainWindow::spinner(Spinner &model, const QString &accessibleName, bool arrowsOnly)
{
    auto *box = new QSpinBox;
    bind(model, box);
    box->setAccessibleName(accessibleName);
    box->setRange(model.minimum, model.maximum);
    box->setValue(model.value);
    box->setKeyboardTracking(false);
    box->setAlignment(Qt::AlignRight);
    if (arrowsOnly) {
        // An up/down control: the count is shown in its own label.
        if (auto *edit = box->findChild<QLineEdit *>())
            edit->hide();
        box->setFixedWidth(24);
    }
    spinners_.emplace_back(&model, box);
    connect(box, &QSpinBox::valueChanged, this, [this, &model](int v) {
        if (model.enabled)
            forward([&model, v] { model.setValue(v); });
        else
            sync();
    });
    // Typed digits wait for Enter (no keyboard tracking); text put in from
    // elsewhere, through the accessibility interface, takes effect at once.
    if (auto *edit = box->findChild<QLineEdit *>())
        connect(edit, &QLineEdit::textChanged, this, [this, box] {
            if (!syncing_ && !box->hasFocus())
                box->interpretText();
        });
    return box;
}

QLabel *MainWindow::label(Label &model)
{
    auto *l = new QLabel(model.caption);
    bind(model, l);
    return l;
}

QLabel *MainWindow::valueLabel(Label &model, int minimumWidth)
{
    QLabel *l = label(model);
    l->setMinimumWidth(minimumWidth);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}

QButtonGroup *MainWindow::optionGroup(OptionGroup &group, bool pushButtons)
{
    auto *buttons = new QButtonGroup(this);
    buttons->setObjectName(group.name);
    buttons->setExclusive(true);
    for (int i = 0; i < group.size(); ++i) {
        QAbstractButton *b;
        if (pushButtons)
            b = new QPushButton(group[i].caption);
        else
            b = new QRadioButton(group[i].caption);
        b->setCheckable(true);
        bind(group[i], b);
        buttons->addButton(b, i);
    }
    groups_.emplace_back(&group, buttons);
    // The button that becomes checked, however that happened (mouse, keys,
    // mnemonic, accessibility toggle); the one unchecked meanwhile says nothing new.
    connect(buttons, &QButtonGroup::idToggled, this, [this, &group](int id, bool checked) {
        if (syncing_ || !checked)
            return;
        if (group[id].enabled)
            forward([&group, id] { group.select(id); });
        else
            sync();
    });
    return buttons;
}

// Board size.
QGroupBox *MainWindow::buildSizeBox()
{
    Form &f = s_.form;
    auto *box = groupBox(QStringLiteral("碁盤"), "grpSize");
    auto *row = new QHBoxLayout(box);
    QButtonGroup *sizes = optionGroup(f.Option3, false);
    for (QAbstractButton *b : sizes->buttons())
        row->addWidget(b);
    return box;
}

// Colour to place and placement mode.
QGroupBox *MainWindow::buildStonesBox()
{
    Form &f = s_.form;
    auto *box = groupBox(QStringLiteral("石"), "grpStones");
    auto *grid = new QGridLayout(box);
    QButtonGroup *colours = optionGroup(f.Option1, true);
    const QIcon icons[2] = {stoneIcon(0x000000, false), stoneIcon(kWhiteStone, true)};
    for (int i = 0; i < 3; ++i) {
        QAbstractButton *b = colours->button(i);
        if (i < 2)
            b->setIcon(icons[i]);
        b->setMinimumHeight(30);
        grid->addWidget(b, 0, i);
    }
    QButtonGroup *modes = optionGroup(f.Option2, false);
    for (int i = 0; i < 4; ++i)
        grid->addWidget(modes->button(i), 1 + i / 2, (i % 2) * 3 / 2, 1, i % 2 ? 2 : 1);
    return box;
}

// Marks, letters and numbering.
QGroupBox *MainWindow::buildMarksBox()
{
    Form &f = s_.form;
    auto *box = groupBox(QStringLiteral("印"), "grpMarks");
    auto *grid = new QVBoxLayout(box);
    auto *ticks = new QHBoxLayout;
    ticks->addWidget(checkBox(f.chkNumberStones));
    ticks->addWidget(checkBox(f.chkOtherMarks));
    grid->addLayout(ticks);
    auto *marks = new QHBoxLayout;
    marks->setSpacing(3);
    QButtonGroup *choices = optionGroup(f.Option4, true);
    for (QAbstractButton *b : choices->buttons()) {
        b->setMinimumWidth(0);
        b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        b->setMinimumHeight(28);
        marks->addWidget(b, b == choices->button(0) ? 2 : 1);
    }
    grid->addLayout(marks);
    auto *counts = new QHBoxLayout;
    counts->addWidget(button(f.cmdSankaku, [](AppState &s) { board::countMarks(s, PointContent::Triangle); }));
    counts->addWidget(button(f.cmd1Rectang, [](AppState &s) { board::countMarks(s, PointContent::Diamond); }));
    counts->addWidget(button(f.cmdDikazuClear, board::clearOtherMarks));
    grid->addLayout(counts);
    return box;
}

// Game commands.
QGroupBox *MainWindow::buildGameBox()
{
    Form &f = s_.form;
    auto *box = groupBox(QStringLiteral("対局"), "grpGame");
    auto *grid = new QGridLayout(box);
    grid->addWidget(button(f.cmdBack, board::onTakeBack), 0, 0);
    grid->addWidget(button(f.cmdClear, board::onClear), 0, 1);
    grid->addWidget(button(f.cmdStart, board::onStart), 1, 0);
    grid->addWidget(button(f.cmdTouryou, board::onResign), 1, 1);
    grid->addWidget(button(f.cmdWait, network::onWait), 2, 0);
    grid->addWidget(button(f.cmdOff, board::onPresence), 2, 1);
    return box;
}

// Prisoners.
QGroupBox *MainWindow::buildPrisonersBox()
{
    Form &f = s_.form;
    auto *box = groupBox(QStringLiteral("アゲハマ"), "grpPrisoners");
    auto *row = new QHBoxLayout(box);
    auto addCount = [&](Label &caption, Label &value, Spinner &spin, const QString &name) {
        QLabel *c = label(caption);
        QLabel *n = valueLabel(value, 44);
        QFont big = n->font();
        big.setPointSizeF(big.pointSizeF() * 1.4);
        n->setFont(big);
        QSpinBox *updown = spinner(spin, name, true);
        c->setBuddy(updown);
        row->addWidget(c);
        row->addWidget(n);
        row->addWidget(updown);
    };
    addCount(f.lblBlackPrisonersCaption, f.lblBlackPrisoners, f.UpDown2, QStringLiteral("黒石"));
    row->addSpacing(16);
    addCount(f.lblWhitePrisonersCaption, f.lblWhitePrisoners, f.UpDown1, QStringLiteral("白石"));
    row->addStretch(1);
    return box;
}

// Record.
QGroupBox *MainWindow::buildRecordBox()
{
    Form &f = s_.form;
    auto *box = groupBox(QStringLiteral("記録"), "grpRecord");
    auto *grid = new QGridLayout(box);
    grid->addWidget(button(f.cmdRec, record::onRecord), 0, 0);
    grid->addWidget(button(f.cmdNewSave, record::onSaveAs), 0, 1);
    grid->addWidget(button(f.cmdFileOpen, record::onOpen), 1, 0);
    grid->addWidget(button(f.cmdF, record::onReplay), 1, 1);
    auto *caption = new QLabel(QStringLiteral("開始番号"));
    caption->setObjectName(QStringLiteral("lblSnumCaption"));
    QSpinBox *start = spinner(f.UpDown5, QStringLiteral("開始番号"), false);
    caption->setBuddy(start);
    auto *startRow = new QHBoxLayout;
    startRow->addWidget(caption);
    startRow->addWidget(start);
    startRow->addStretch(1);
    // Game information, beside the start number: the box keeps its height.
    startRow->addWidget(button(f.cmdGameInfo, record::onGameInfo));
    grid->addLayout(startRow, 2, 0, 1, 2);
    return box;
}

QWidget *MainWindow::buildSideColumn()
{
    Form &f = s_.form;
    auto *column = new QWidget;
    column->setObjectName(QStringLiteral("sideColumn"));
    auto *outer = new QVBoxLayout(column);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(6);
    auto *groups = new QWidget;
    groups->setObjectName(QStringLiteral("sideGroups"));
    groups->setFixedWidth(340);
    auto *v = new QVBoxLayout(groups);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(6);
    v->addWidget(buildSizeBox());
    v->addWidget(buildStonesBox());
    v->addWidget(buildMarksBox());
    v->addWidget(buildGameBox());
    v->addWidget(buildPrisonersBox());
    v->addWidget(buildRecordBox());

    v->addStretch(1);
    for (QGroupBox *box : groups->findChildren<QGroupBox *>()) {
        box->layout()->setContentsMargins(8, 4, 8, 6);
        box->layout()->setSpacing(4);
    }

    // On a short screen the groups scroll; the shell's commands stay in sight below them.
    outer->addWidget(new SideScrollArea(groups), 1);

    // Shell.
    auto *shell = new QHBoxLayout;
    shell->addWidget(button(f.cmdNetwork, network::onNetworkPanelOpen));
    shell->addWidget(button(f.cmdOpt, shell::onOptionsOpen));
    QPushButton *end = button(f.cmdEnd, {});
    connect(end, &QPushButton::clicked, this, &QWidget::close);
    shell->addWidget(end);
    outer->addLayout(shell);
    return column;
}

void MainWindow::sync()
{
    syncing_ = true;
    // Every change of the board ends in a sync: the count follows it here.
    board::showMoveCount(s_);
    renderControls();
    renderChat();
    moveFocus();
    renderCounts();
    syncing_ = false;
}

// Captions, enabled and shown states, selections, ticks, texts and lists.
void MainWindow::renderControls()
{
    Form &f = s_.form;
    if (windowTitle() != f.frmMain.caption)
        setWindowTitle(f.frmMain.caption);
    for (Control *c : f.controls()) {
        QWidget *w = widgets_.value(c);
        if (!w)
            continue;
        const QSignalBlocker block(w);
        w->setEnabled(c->enabled);
        w->setVisible(c->visible);
        if (auto *b = qobject_cast<QAbstractButton *>(w)) {
            if (b->text() != c->caption)
                b->setText(c->caption);
            if (qobject_cast<QPushButton *>(w))
                applyBack(w, c->back);
        } else if (auto *l = qobject_cast<QLabel *>(w)) {
            if (l->text() != c->caption)
                l->setText(c->caption);
        }
    }
    for (auto &[group, buttons] : groups_) {
        const QSignalBlocker block(buttons);
        if (QAbstractButton *b = buttons->button(group->selected)) {
            const QSignalBlocker blockButton(b);
            b->setChecked(true);
        }
    }
    for (auto &[model, box] : checkBoxes_) {
        const QSignalBlocker block(box);
        box->setChecked(model->checked);
    }
    for (auto &[model, edit] : lineEdits_) {
        const QSignalBlocker block(edit);
        if (edit->text() != model->text)
            edit->setText(model->text);
    }
    if (ownAddresses_ && ownAddresses_->toPlainText() != f.txtOwnAddress.text) {
        const QSignalBlocker block(ownAddresses_);
        ownAddresses_->setPlainText(f.txtOwnAddress.text);
    }
    for (auto &[model, combo] : comboBoxes_) {
        const QSignalBlocker block(combo);
        if (combo->count() != model->items.size()) {
            combo->clear();
            combo->addItems(model->items);
        }
        if (combo->currentText() != model->text) {
            // The list opens on the name shown, when it is one of its names.
            combo->setCurrentIndex(combo->findText(model->text));
            combo->setEditText(model->text);
        }
        comboIndexShown_.insert(combo, combo->currentIndex());
    }
}

// The peer's typing notice keeps room at the display's end; the log shows every entry.
void MainWindow::renderChat()
{
    Form &f = s_.form;
    if (chatStatus_) {
        const int reserved = chatStatus_->text().isEmpty() ? 0 : chatStatus_->sizeHint().width() + 12;
        chatDisplay_->setTextMargins(0, 0, reserved, 0);
    }
    if (chatLog_ && chatLogShown_ != f.Combo2.items) {
        chatLogShown_ = f.Combo2.items;
        const QSignalBlocker block(chatLog_);
        chatLog_->clear();
        chatLog_->addItems(f.Combo2.items);
        chatLog_->setCurrentIndex(chatLog_->count() - 1);
    }
}

void MainWindow::moveFocus()
{
    Form &f = s_.form;
    // A request made while the window is still hidden (start-up) waits until it shows.
    if (QWidget *w = widgets_.value(&f.txtSend);
        f.txtSend.focusRequests != focusRequestsShown_ && w && w->isVisible()) {
        focusRequestsShown_ = f.txtSend.focusRequests;
        w->setFocus(Qt::OtherFocusReason);
    }
    // A panel that opens takes the focus after that.
    for (SidePanel &panel : panels_) {
        const bool opened = panel.model->visible && !panel.shown;
        panel.shown = panel.model->visible;
        panel.frame->setVisible(panel.model->visible);
        // A row that appeared or went (the router's notice) changes the panel's height.
        if (panel.shown && !opened) {
            fitNetworkRows();
            if (panel.frame->sizeHint().height() != panel.frame->height())
                placePanel(panel.frame, true);
        }
        if (opened) {
            placePanel(panel.frame);
            panel.frame->raise();
            if (QWidget *first = widgets_.value(panel.firstControl))
                first->setFocus(Qt::OtherFocusReason);
        }
    }
}

// The spinners, the prisoner counts' spoken names and the board's picture.
void MainWindow::renderCounts()
{
    Form &f = s_.form;
    for (auto &[model, box] : spinners_) {
        const QSignalBlocker block(box);
        box->setRange(model->minimum, model->maximum);
        box->setValue(model->value);
    }
    renderReplayCounter();
    if (QWidget *w = widgets_.value(&f.lblBlackPrisoners))
        w->setAccessibleName(QStringLiteral("黒石 ") + f.lblBlackPrisoners.caption);
    if (QWidget *w = widgets_.value(&f.lblWhitePrisoners))
        w->setAccessibleName(QStringLiteral("白石 ") + f.lblWhitePrisoners.caption);
    board_->setPicture(boardPictureOf(s_));
}

}  // namespace moyuta::ui
