// The main window renders the form model and forwards the user's input;
// the message boxes carry the program's own buttons.
#include "Board.h"
#include "BoardView.h"
#include "MainWindow.h"
#include "MemoryWire.h"
#include "NetworkKifu.h"
#include "Options.h"
#include "OwnAddress.h"
#include "Panel.h"
#include "QtPorts.h"
#include "Record.h"
#include "TestDoubles.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QButtonGroup>
#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace moyuta;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void identity();
    void boardPressesReachHandlers();
    void syncRendersModel_data();
    void syncRendersModel();
    void mnemonicsReachHandlers_data();
    void mnemonicsReachHandlers();
    void accessibleActionsReachHandlers_data();
    void accessibleActionsReachHandlers();
    void questionBox_data();
    void questionBox();
    void recordControls();
    void gameInfoButton_data();
    void gameInfoButton();
    void networkPanel();
    void classicBoxReachesHandler_data();
    void classicBoxReachesHandler();
    void kifuRowReachesModel_data();
    void kifuRowReachesModel();
    void copyAddressReachesHandler_data();
    void copyAddressReachesHandler();
    void ownAddressRows();
    void accessibleTextReachesModel_data();
    void accessibleTextReachesModel();
    void renderedTextRaisesNothing_data();
    void renderedTextRaisesNothing();
    void backgroundClickFocusesChat_data();
    void backgroundClickFocusesChat();
    void chatRow();
    void optionsPanel();
    void keyboardPlay_data();
    void keyboardPlay();
    void moveCountFollowsBoard();
};

namespace {

Control *controlNamed(Form &f, const QString &name)
{
    for (Control *c : f.controls())
        if (c->name == name)
            return c;
    return nullptr;
}

// Presses `button` by one road a user has: "mouse" (a click on its left end,
// where a check box's box is), "space" (the focus, then Space), "mnemonic"
// (Alt+`key` on the window), "toggle" or "press" (the accessibility actions).
// False when the accessibility interface offers no actions.
bool pressByRoad(QWidget &window, QAbstractButton *button, const QString &road, Qt::Key key = Qt::Key_unknown)
{
    if (road == QLatin1String("mouse")) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->height() / 2, button->height() / 2));
    } else if (road == QLatin1String("space")) {
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Space);
    } else if (road == QLatin1String("mnemonic")) {
        QTest::keyClick(&window, key, Qt::AltModifier);
    } else {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(button);
        if (!iface || !iface->actionInterface())
            return false;
        iface->actionInterface()->doAction(road == QLatin1String("toggle") ? QAccessibleActionInterface::toggleAction()
                                                                          : QAccessibleActionInterface::pressAction());
    }
    return true;
}

OptionGroup *groupNamed(Form &f, const QString &name)
{
    for (OptionGroup *g : f.optionGroups())
        if (g->name == name)
            return g;
    return nullptr;
}

// A text control of the model: a field, an editable list, or a spinner's number.
struct TextControl {
    QString *text = nullptr;
    Spinner *spinner = nullptr;
    QString get() const { return spinner ? QString::number(spinner->value) : *text; }
    void set(const QString &t) const
    {
        if (spinner)
            spinner->value = t.toInt();
        else
            *text = t;
    }
};

TextControl textControlNamed(Form &f, const QString &name)
{
    for (TextBox *t : {&f.txtSend, &f.txtDisp, &f.txtPeerAddress, &f.txtPeerPort, &f.txtOwnPort, &f.txtPassword})
        if (t->name == name)
            return {&t->text, nullptr};
    for (ComboBox *c : {&f.cboCipherNumber, &f.Combo1, &f.Combo3})
        if (c->name == name)
            return {&c->text, nullptr};
    return {nullptr, static_cast<Spinner *>(controlNamed(f, name))};
}

// The line edit that shows a text control: the field itself, a list's or a spinner's edit field.
QLineEdit *editOf(ui::MainWindow &w, const QString &name)
{
    if (auto *combo = w.findChild<QComboBox *>(name))
        return combo->lineEdit();
    if (auto *box = w.findChild<QSpinBox *>(name))
        return box->findChild<QLineEdit *>();
    return w.findChild<QLineEdit *>(name);
}

// What an assistive tool talks to: a spin box is one text object with its field.
QAccessibleInterface *accessibleTextOf(ui::MainWindow &w, const QString &name)
{
    if (auto *box = w.findChild<QSpinBox *>(name))
        return QAccessible::queryAccessibleInterface(box);
    return QAccessible::queryAccessibleInterface(editOf(w, name));
}

// A window state with every text control's handlers and the options panel's names.
void installTextHandlers(AppState &s)
{
    network::installPanelHandlers(s);
    shell::installHandlers(s);
    for (const QString &name : kBoardColourNames)
        s.form.Combo1.items << name;
    for (const LineSpeed &speed : kLineSpeeds)
        s.form.Combo3.items << speed.name;
    for (int n = 1; n <= 29; ++n)
        s.form.cboCipherNumber.items << QString::number(n);
}

// Where a selector or check box shows something other than the model holds.
QString mismatches(ui::MainWindow &w, Form &f)
{
    QStringList out;
    // The selectors of the main window (the option panel's come with that panel).
    for (OptionGroup *g : {&f.Option1, &f.Option2, &f.Option3, &f.Option4}) {
        auto *buttons = w.findChild<QButtonGroup *>(g->name);
        if (!buttons || buttons->checkedId() != g->selected)
            out << QStringLiteral("%1 shows %2, holds %3")
                       .arg(g->name)
                       .arg(buttons ? buttons->checkedId() : -2)
                       .arg(g->selected);
    }
    for (CheckBox *c : {&f.chkNumberStones, &f.chkOtherMarks}) {
        auto *box = w.findChild<QCheckBox *>(c->name);
        if (!box || box->isChecked() != c->checked)
            out << c->name;
    }
    return out.join(QStringLiteral("; "));
}

}  // namespace

void TestMainWindow::identity()
{
    test::Fixture fx;
    ui::MainWindow w(fx.s);
    QCOMPARE(w.windowTitle(), QStringLiteral("Moyuta"));
    QCOMPARE(w.objectName(), QStringLiteral("frmMain"));
    auto *board = w.findChild<ui::BoardView *>(QStringLiteral("BoardView"));
    QVERIFY(board);
    QCOMPARE(board->accessibleName(), QStringLiteral("碁盤"));
}

// A press on a point and a click on the message panel go to the board
// handlers, and the board shows the result.
void TestMainWindow::boardPressesReachHandlers()
{
    test::Fixture fx;
    ui::MainWindow w(fx.s);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *board = w.findChild<ui::BoardView *>();
    const int point = pointIndex(9, 9);
    const auto shown = [&] { return board->picture().points[size_t(point)].content; };

    QTest::mouseClick(board, Qt::LeftButton, {}, board->pointCentre(point).toPoint());
    QCOMPARE(fx.at(point), PointContent::Black);
    QCOMPARE(shown(), PointContent::Black);
    QCOMPARE(board->picture().lastMovePoint, point);

    QTest::mouseClick(board, Qt::RightButton, {}, board->pointCentre(point).toPoint());
    QCOMPARE(fx.at(point), PointContent::Empty);
    QCOMPARE(shown(), PointContent::Empty);

    board::setPointContent(fx.s, 0, PointContent::Triangle);
    board::countMarks(fx.s, PointContent::Triangle);
    w.sync();
    auto *panel = board->findChild<QWidget *>(QStringLiteral("Frame8"));
    QVERIFY(panel && panel->isVisible());
    QTest::mouseClick(panel, Qt::LeftButton, {}, panel->rect().center());
    QVERIFY(!fx.s.form.Frame8.visible);
    QVERIFY(!panel->isVisible());
}

void TestMainWindow::syncRendersModel_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("aspect");
    QTest::addColumn<QVariant>("before");  // model value rendered first
    QTest::addColumn<QVariant>("after");   // then this one
    QTest::addColumn<QVariant>("shown");   // what the widget must show

    QTest::newRow("take-back enabled") << "cmdBack" << "enabled" << QVariant(false) << QVariant(true) << QVariant(true);
    QTest::newRow("take-back disabled") << "cmdBack" << "enabled" << QVariant(true) << QVariant(false) << QVariant(false);
    QTest::newRow("chat log disabled") << "Combo2" << "enabled" << QVariant(true) << QVariant(false) << QVariant(false);
    QTest::newRow("chat log enabled") << "Combo2" << "enabled" << QVariant(false) << QVariant(true) << QVariant(true);
    QTest::newRow("clock limit label") << "lblMax" << "caption" << QVariant(QStringLiteral("3"))
                                       << QVariant(QStringLiteral("10")) << QVariant(QStringLiteral("10"));
    QTest::newRow("clock command caption") << "cmdTimer" << "caption" << QVariant(QStringLiteral("タイマースタート"))
                                           << QVariant(QStringLiteral("タイマーストップ")) << QVariant(QStringLiteral("タイマーストップ"));
    QTest::newRow("sound option") << "OptSound" << "selected" << QVariant(0) << QVariant(1) << QVariant(1);
    QTest::newRow("black-stone colour option") << "Option5" << "selected" << QVariant(0) << QVariant(3) << QVariant(3);
    QTest::newRow("削除 turns red") << "Option1_2" << "back" << QVariant(kButtonGrey) << QVariant(kActiveRed)
                                   << QVariant(QColor(255, 0, 0));
    QTest::newRow("start turns green") << "cmdStart" << "back" << QVariant(kButtonGrey) << QVariant(kStartGreen)
                                       << QVariant(QColor(0, 255, 0));
    QTest::newRow("presence caption") << "cmdOff" << "caption" << QVariant(QStringLiteral("着席中(&P)"))
                                      << QVariant(QStringLiteral("退席中(&P)")) << QVariant(QStringLiteral("退席中(&P)"));
    QTest::newRow("prisoner count label") << "lblWhitePrisoners" << "caption" << QVariant(QStringLiteral("0"))
                                          << QVariant(QStringLiteral("7")) << QVariant(QStringLiteral("7"));
    QTest::newRow("hidden letter") << "Option4_4" << "visible" << QVariant(true) << QVariant(false) << QVariant(false);
    QTest::newRow("size selection") << "Option3" << "selected" << QVariant(0) << QVariant(2) << QVariant(2);
    QTest::newRow("mark selection") << "Option4" << "selected" << QVariant(0) << QVariant(5) << QVariant(5);
    QTest::newRow("numbering tick") << "chkNumberStones" << "checked" << QVariant(false) << QVariant(true) << QVariant(true);
    QTest::newRow("start number") << "UpDown5" << "value" << QVariant(1) << QVariant(42) << QVariant(42);
}

void TestMainWindow::syncRendersModel()
{
    QFETCH(QString, control);
    QFETCH(QString, aspect);
    QFETCH(QVariant, before);
    QFETCH(QVariant, after);
    QFETCH(QVariant, shown);

    test::Fixture fx;
    Form &f = fx.s.form;
    ui::MainWindow w(fx.s);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // The model is changed directly, as a handler would: no change handler runs.
    auto apply = [&](const QVariant &v) {
        if (aspect == QLatin1String("selected")) {
            groupNamed(f, control)->selected = v.toInt();
        } else if (aspect == QLatin1String("checked")) {
            static_cast<CheckBox *>(controlNamed(f, control))->checked = v.toBool();
        } else if (aspect == QLatin1String("value")) {
            static_cast<Spinner *>(controlNamed(f, control))->value = v.toInt();
        } else {
            Control *c = controlNamed(f, control);
            QVERIFY(c);
            if (aspect == QLatin1String("enabled"))
                c->enabled = v.toBool();
            else if (aspect == QLatin1String("visible"))
                c->visible = v.toBool();
            else if (aspect == QLatin1String("caption"))
                c->caption = v.toString();
            else if (aspect == QLatin1String("back"))
                c->back = v.value<Rgb>();
        }
        w.sync();
    };
    apply(before);
    apply(after);

    if (aspect == QLatin1String("selected")) {
        auto *b = w.findChild<QAbstractButton *>(control + QLatin1Char('_') + QString::number(shown.toInt()));
        QVERIFY(b);
        QVERIFY(b->isChecked());
        QCOMPARE(groupNamed(f, control)->selected, shown.toInt());  // rendering did not feed back
        return;
    }
    QWidget *widget = w.findChild<QWidget *>(control);
    QVERIFY2(widget, qPrintable(control));
    if (aspect == QLatin1String("enabled"))
        QCOMPARE(widget->isEnabled(), shown.toBool());
    else if (aspect == QLatin1String("visible"))
        QCOMPARE(widget->isVisible(), shown.toBool());
    else if (aspect == QLatin1String("caption"))
        QCOMPARE(widget->property("text").toString(), shown.toString());
    else if (aspect == QLatin1String("back"))
        QCOMPARE(widget->palette().color(QPalette::Button), shown.value<QColor>());
    else if (aspect == QLatin1String("checked"))
        QCOMPARE(qobject_cast<QCheckBox *>(widget)->isChecked(), shown.toBool());
    else if (aspect == QLatin1String("value")) {
        QCOMPARE(qobject_cast<QSpinBox *>(widget)->value(), shown.toInt());
        QCOMPARE(f.lblSnum.caption, QStringLiteral("1"));  // rendering did not feed back
    }
}

void TestMainWindow::mnemonicsReachHandlers_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("disable");  // control disabled in the model before the key
    QTest::addColumn<QString>("expect");

    QTest::newRow("Alt+L takes the stone back") << int(Qt::Key_L) << QString() << "stone gone";
    QTest::newRow("Alt+L while take-back is disabled") << int(Qt::Key_L) << "cmdBack" << "stone stays";
    QTest::newRow("Alt+V clears after Yes") << int(Qt::Key_V) << QString() << "stone gone";
    QTest::newRow("Alt+F chooses removal, red") << int(Qt::Key_F) << QString() << "removal red";
    QTest::newRow("Alt+K ticks numbering") << int(Qt::Key_K) << QString() << "numbering";
    QTest::newRow("Alt+C asks, then 9 lines") << int(Qt::Key_C) << QString() << "nine lines";
}

void TestMainWindow::mnemonicsReachHandlers()
{
    QFETCH(int, key);
    QFETCH(QString, disable);
    QFETCH(QString, expect);

    test::Fixture fx;
    Form &f = fx.s.form;
    const int point = pointIndex(2, 2);
    board::pressPoint(fx.s, point, board::MouseButton::Left);
    QCOMPARE(fx.s.board.points[size_t(point)].content, PointContent::Black);
    if (!disable.isEmpty())
        controlNamed(f, disable)->enabled = false;

    ui::MainWindow w(fx.s);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    fx.dialogs.answers = {Answer::Yes};
    QTest::keyClick(&w, Qt::Key(key), Qt::AltModifier);

    if (expect == QLatin1String("stone gone")) {
        QTRY_COMPARE(fx.s.board.points[size_t(point)].content, PointContent::Empty);
    } else if (expect == QLatin1String("stone stays")) {
        QTest::qWait(300);  // longer than a button's animated click
        QCOMPARE(fx.s.board.points[size_t(point)].content, PointContent::Black);
    } else if (expect == QLatin1String("removal red")) {
        QTRY_COMPARE(f.Option1.selected, 2);
        QCOMPARE(w.findChild<QWidget *>(QStringLiteral("Option1_2"))->palette().color(QPalette::Button), QColor(255, 0, 0));
    } else if (expect == QLatin1String("numbering")) {
        QTRY_VERIFY(fx.s.board.numberStones);
        QVERIFY(w.findChild<QCheckBox *>(QStringLiteral("chkNumberStones"))->isChecked());
    } else if (expect == QLatin1String("nine lines")) {
        QTRY_COMPARE(fx.s.board.boardSizeCode, int(Size9));
        QVERIFY(!fx.dialogs.questions.isEmpty());
        QVERIFY(!board::boardHasContent(fx.s));
    } else {
        QFAIL("unknown expectation");
    }
}

void TestMainWindow::accessibleActionsReachHandlers_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("action");      // "toggle" or "press"
    QTest::addColumn<int>("answer");          // to a question, if one is asked
    QTest::addColumn<bool>("modelDisabled");  // disabled in the model after the window last rendered it
    QTest::addColumn<bool>("asks");           // a question is asked
    QTest::addColumn<QString>("model");       // the group or check box to look at
    QTest::addColumn<int>("expected");        // its selection, or 1 for ticked

    const int yes = int(Answer::Yes), no = int(Answer::No);
    QTest::newRow("toggle 13 lines, No keeps 19") << "Option3_1" << "toggle" << no << false << true << "Option3" << 0;
    QTest::newRow("toggle 13 lines, Yes") << "Option3_1" << "toggle" << yes << false << true << "Option3" << 1;
    QTest::newRow("press 9 lines, No keeps 19") << "Option3_2" << "press" << no << false << true << "Option3" << 0;
    // After the black stone the selector stands on 白.
    QTest::newRow("toggle 削除") << "Option1_2" << "toggle" << yes << false << false << "Option1" << 2;
    QTest::newRow("press 削除") << "Option1_2" << "press" << yes << false << false << "Option1" << 2;
    QTest::newRow("toggle numbering") << "chkNumberStones" << "toggle" << yes << false << false << "chkNumberStones"
                                      << 1;
    QTest::newRow("press numbering") << "chkNumberStones" << "press" << yes << false << false << "chkNumberStones" << 1;
    QTest::newRow("toggle a disabled letter") << "Option4_3" << "toggle" << yes << false << false << "Option4" << 0;
    QTest::newRow("toggle 13 lines disabled in the model") << "Option3_1" << "toggle" << yes << true << false
                                                           << "Option3" << 0;
    QTest::newRow("press 削除 disabled in the model") << "Option1_2" << "press" << yes << true << false << "Option1"
                                                    << 1;
    QTest::newRow("toggle marks disabled in the model") << "chkOtherMarks" << "toggle" << yes << true << false
                                                        << "chkOtherMarks" << 0;
    QTest::newRow("toggle 座標 日本式") << "OptCoords_1" << "toggle" << yes << false << false << "OptCoords" << 1;
    QTest::newRow("press 座標 A〜T・1〜19") << "OptCoords_2" << "press" << yes << false << false << "OptCoords" << 2;
}

void TestMainWindow::accessibleActionsReachHandlers()
{
    QFETCH(QString, control);
    QFETCH(QString, action);
    QFETCH(int, answer);
    QFETCH(bool, modelDisabled);
    QFETCH(bool, asks);
    QFETCH(QString, model);
    QFETCH(int, expected);

    test::Fixture fx;
    Form &f = fx.s.form;
    const int point = pointIndex(2, 2);
    board::pressPoint(fx.s, point, board::MouseButton::Left);
    ui::MainWindow w(fx.s);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    if (modelDisabled)
        controlNamed(f, control)->enabled = false;  // as a handler outside the window would

    auto *button = w.findChild<QAbstractButton *>(control);
    QVERIFY(button);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(button);
    QVERIFY(iface && iface->actionInterface());
    QAccessibleActionInterface *actions = iface->actionInterface();
    fx.dialogs.answers = {Answer(answer)};
    actions->doAction(action == QLatin1String("toggle") ? QAccessibleActionInterface::toggleAction()
                                                        : QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(!button->isDown());  // a press clicks once its animation ends

    if (OptionGroup *g = groupNamed(f, model))
        QCOMPARE(g->selected, expected);
    else
        QCOMPARE(static_cast<CheckBox *>(controlNamed(f, model))->checked, expected == 1);
    QCOMPARE(fx.dialogs.questions.size(), asks ? 1 : 0);
    QCOMPARE(fx.s.board.boardSizeCode, f.Option3.selected);
    QCOMPARE(fx.s.board.numberStones, f.chkNumberStones.checked);
    QCOMPARE(fx.s.board.points[size_t(point)].content == PointContent::Black, fx.s.board.boardSizeCode == Size19);
    QCOMPARE(mismatches(w, f), QString());
}

void TestMainWindow::questionBox_data()
{
    QTest::addColumn<QString>("press");  // a button text, or "Escape"
    QTest::addColumn<int>("answer");

    QTest::newRow("yes") << QStringLiteral("はい(&Y)") << int(Answer::Yes);
    QTest::newRow("no") << QStringLiteral("いいえ(&N)") << int(Answer::No);
    QTest::newRow("cancel") << QStringLiteral("キャンセル") << int(Answer::Cancel);
    QTest::newRow("escape") << QStringLiteral("Escape") << int(Answer::Cancel);
}

void TestMainWindow::questionBox()
{
    QFETCH(QString, press);
    QFETCH(int, answer);

    ui::QtDialogs dialogs;
    QStringList texts;
    QString title;
    bool questionIcon = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        questionIcon = box->icon() == QMessageBox::Question;
        for (QAbstractButton *b : box->buttons())
            texts << b->text();
        if (press == QLatin1String("Escape")) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton *b : box->buttons())
            if (b->text() == press)
                b->click();
    });
    const Answer got = dialogs.ask(QStringLiteral("すべてクリアーしますか？"));
    QCOMPARE(int(got), answer);
    QCOMPARE(title, QStringLiteral("Moyuta"));
    QVERIFY(questionIcon);
    texts.sort();
    QStringList wanted{QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)"), QStringLiteral("キャンセル")};
    wanted.sort();
    QCOMPARE(texts, wanted);
}

void TestMainWindow::recordControls()
{
    test::Fixture fx;
    ui::MainWindow w(fx.s);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // The start number: spinner, model, the label at the board's edge.
    w.findChild<QSpinBox *>(QStringLiteral("UpDown5"))->setValue(50);
    QCOMPARE(fx.s.form.lblSnum.caption, QStringLiteral("50"));
    QCOMPARE(fx.s.board.moveCounter, 49);
    QCOMPARE(w.findChild<ui::BoardView *>()->findChild<QLabel *>(QStringLiteral("lblSnum"))->text(), QStringLiteral("50"));

    // "記録(&Q)" by its mnemonic: the red face and the controls it locks.
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_Q, Qt::AltModifier);
    QTRY_VERIFY(fx.s.moves.recording);
    auto *rec = w.findChild<QPushButton *>(QStringLiteral("cmdRec"));
    QCOMPARE(rec->text(), QStringLiteral("記録中止(&Q)"));
    QCOMPARE(rec->palette().color(QPalette::Button), QColor(255, 0, 0));
    QVERIFY(!w.findChild<QWidget *>(QStringLiteral("cmdFileOpen"))->isEnabled());
    QVERIFY(!w.findChild<QWidget *>(QStringLiteral("Option3_1"))->isEnabled());
}

void TestMainWindow::gameInfoButton_data()
{
    QTest::addColumn<QString>("how");  // a road of pressByRoad
    QTest::addColumn<bool>("ok");

    for (const char *how : {"mouse", "mnemonic", "press"}) {
        QTest::addRow("%s, OK", how) << how << true;
        QTest::addRow("%s, キャンセル", how) << how << false;
    }
}

// "対局情報(&1)" sits in the record box, opens the dialog through the
// dialogs port over the record's information, and the title follows.
void TestMainWindow::gameInfoButton()
{
    QFETCH(QString, how);
    QFETCH(bool, ok);

    test::Fixture fx;
    GameInfo before;
    before.black = QStringLiteral("山田");
    record::takeGameInfo(fx.s, before);
    GameInfo typed = before;
    typed.white = QStringLiteral("佐藤");
    if (ok)
        fx.dialogs.gameInfoTyped = typed;
    ui::MainWindow w(fx.s);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(w.windowTitle(), QStringLiteral("Moyuta — 黒 山田"));

    auto *button = w.findChild<QPushButton *>(QStringLiteral("cmdGameInfo"));
    QVERIFY(button);
    QCOMPARE(button->text(), QStringLiteral("対局情報(&1)"));
    QVERIFY(w.findChild<QWidget *>(QStringLiteral("grpRecord"))->isAncestorOf(button));
    QVERIFY(pressByRoad(w, button, how, Qt::Key_1));  // Alt+1
    QTRY_COMPARE(fx.dialogs.gameInfoShown.size(), 1);
    QVERIFY(fx.dialogs.gameInfoShown.first() == before);
    QVERIFY(fx.s.record.info == (ok ? typed : before));
    QCOMPARE(w.windowTitle(), ok ? QStringLiteral("Moyuta — 黒 山田 / 白 佐藤") : QStringLiteral("Moyuta — 黒 山田"));
}

void TestMainWindow::networkPanel()
{
    test::Fixture fx;
    network::installPanelHandlers(fx.s);
    ui::MainWindow w(fx.s);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *panel = w.findChild<QWidget *>(QStringLiteral("fraNetwork"));
    QVERIFY(panel && !panel->isVisible());

    QTest::keyClick(&w, Qt::Key_M, Qt::AltModifier);  // ネットワーク接続(&M)
    QTRY_VERIFY(panel->isVisible());
    QVERIFY(fx.s.flags.panelOpen);
    const QStringList names{"IPアドレス(相手側)", "相手側ポート", "自分側ポート", "合言葉", "暗号番号", "従来方式で接続",
                            "相手に伝えるアドレス", "アドレスをコピー"};
    for (const QString &name : names) {
        bool found = false;
        for (QWidget *child : panel->findChildren<QWidget *>())
            found |= child->accessibleName() == name;
        QVERIFY2(found, qPrintable(name));
    }
    auto *own = w.findChild<QLineEdit *>(QStringLiteral("txtOwnPort"));
    QCOMPARE(own->placeholderText(), QStringLiteral("0～65535"));
    QTest::keyClicks(own, QStringLiteral("05"));
    QCOMPARE(fx.dialogs.notices, QStringList{QStringLiteral("左側1文字は0以外にして下さい。")});
    QCOMPARE(own->text(), QString());  // the widget shows what the model holds
    QTest::keyClicks(own, QStringLiteral("567890"));  // five digits at most
    QCOMPARE(fx.s.form.txtOwnPort.text, QStringLiteral("56789"));
    QCOMPARE(own->text(), QStringLiteral("56789"));

    QTest::keyClick(&w, Qt::Key_C, Qt::AltModifier);  // 閉じる(&C)
    QTRY_VERIFY(!panel->isVisible());
    QVERIFY(!fx.s.flags.panelOpen);
}

void TestMainWindow::classicBoxReachesHandler_data()
{
    QTest::addColumn<QString>("road");
    QTest::newRow("mouse") << "mouse";
    QTest::newRow("space bar") << "space";
    QTest::newRow("Alt+K") << "mnemonic";
    QTest::newRow("toggle action") << "toggle";
    QTest::newRow("press action") << "press";
}

// "従来方式で接続(&K)" in the open network panel, by every road; Alt+K is
// the numbering box's too, which the open panel keeps disabled.
void TestMainWindow::classicBoxReachesHandler()
{
    QFETCH(QString, road);

    test::Fixture fx;
    network::installPanelHandlers(fx.s);
    network::onNetworkPanelOpen(fx.s);
    ui::MainWindow w(fx.s);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *box = w.findChild<QCheckBox *>(QStringLiteral("chkClassic"));
    QVERIFY(box && box->isVisible() && box->isEnabled() && !box->isChecked());

    QVERIFY(pressByRoad(w, box, road, Qt::Key_K));
    QTRY_VERIFY(fx.s.session.classicProtocol);
    QVERIFY(fx.s.form.chkClassic.checked && box->isChecked());
    QVERIFY(!fx.s.form.chkNumberStones.checked && !fx.s.board.numberStones);
}

void TestMainWindow::kifuRowReachesModel_data()
{
    QTest::addColumn<QString>("road");
    QTest::newRow("mouse") << "mouse";
    QTest::newRow("space bar") << "space";
    QTest::newRow("press action") << "press";
}

// "あなたの名前" takes what is typed (32 characters at most) and
// "棋譜フォルダを開く" opens the folder, by every road.
void TestMainWindow::kifuRowReachesModel()
{
    QFETCH(QString, road);

    test::Fixture fx;
    network::installPanelHandlers(fx.s);
    network::onNetworkPanelOpen(fx.s);
    ui::MainWindow w(fx.s);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *name = w.findChild<QLineEdit *>(QStringLiteral("txtOwnName"));
    auto *open = w.findChild<QPushButton *>(QStringLiteral("cmdOpenKifuFolder"));
    QVERIFY(name && name->isVisible() && name->isEnabled());
    QVERIFY(open && open->isVisible() && open->isEnabled());
    QCOMPARE(name->accessibleName(), QStringLiteral("あなたの名前"));
    QCOMPARE(open->accessibleName(), QStringLiteral("棋譜フォルダを開く"));
    QCOMPARE(open->text(), QStringLiteral("棋譜フォルダを開く"));

    QTest::keyClicks(name, QString(40, u'x'));
    QCOMPARE(fx.s.form.txtOwnName.text, QString(32, u'x'));
    QCOMPARE(name->text(), fx.s.form.txtOwnName.text);

    QVERIFY(pressByRoad(w, open, road));
    QTRY_COMPARE(fx.kifu.opens, 1);
    QVERIFY(fx.kifu.folderThere);
}

void TestMainWindow::copyAddressReachesHandler_data()
{
    QTest::addColumn<QString>("road");
    QTest::newRow("mouse") << "mouse";
    QTest::newRow("space bar") << "space";
    QTest::newRow("Alt+R") << "mnemonic";
    QTest::newRow("press action") << "press";
}

// "コピー(&R)" beside "相手に伝えるアドレス" puts the addresses on the clipboard, by every road.
void TestMainWindow::copyAddressReachesHandler()
{
    QFETCH(QString, road);

    test::Fixture fx;
    fx.addresses.addresses = {QStringLiteral("2001:db8::5")};
    network::installPanelHandlers(fx.s);
    fx.s.form.txtOwnPort.text = QStringLiteral("50000");
    network::onNetworkPanelOpen(fx.s);
    ui::MainWindow w(fx.s);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *copy = w.findChild<QPushButton *>(QStringLiteral("cmdCopyAddress"));
    QVERIFY(copy && copy->isVisible() && copy->isEnabled());
    QCOMPARE(copy->text(), QStringLiteral("コピー(&R)"));
    QCOMPARE(w.findChild<QPlainTextEdit *>(QStringLiteral("txtOwnAddress"))->toPlainText(),
             QStringLiteral("2001:db8::5 ポート 50000"));

    QVERIFY(pressByRoad(w, copy, road, Qt::Key_R));
    QTRY_COMPARE(fx.clipboard.texts, QStringList{QStringLiteral("2001:db8::5 ポート 50000")});
}

// The address field only shows; the router's notice appears under the
// buttons without moving the rows above it, inside the panel and the window.
void TestMainWindow::ownAddressRows()
{
    test::Fixture fx;
    network::installPanelHandlers(fx.s);
    network::onNetworkPanelOpen(fx.s);
    ui::MainWindow w(fx.s);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *field = w.findChild<QPlainTextEdit *>(QStringLiteral("txtOwnAddress"));
    auto *notice = w.findChild<QLabel *>(QStringLiteral("lblMapping"));
    auto *panel = w.findChild<QWidget *>(QStringLiteral("fraNetwork"));
    QVERIFY(field && notice && panel);
    QVERIFY(field->isReadOnly() && field->toPlainText().isEmpty());
    QVERIFY(!w.findChild<QWidget *>(QStringLiteral("cmdCopyAddress"))->isEnabled());  // nothing to copy
    QVERIFY(!notice->isVisible());

    // Typing through the accessibility interface leaves the model and the field as they were.
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(field);
    QVERIFY(iface);
    iface->setText(QAccessible::Value, QStringLiteral("192.0.2.1"));
    QTRY_COMPARE(field->toPlainText(), QString());
    QCOMPARE(fx.s.form.txtOwnAddress.text, QString());

    QStringList names{"fraNetwork", "txtPeerAddress", "txtPassword", "Command1", "Command4", "Command2", "txtOwnAddress"};
    QList<QPoint> before;
    for (const QString &name : names)
        before << w.findChild<QWidget *>(name)->mapTo(&w, QPoint());

    // The router would not forward the port.
    fx.s.form.txtOwnPort.text = QStringLiteral("50000");
    fx.s.session.mapping.asked = fx.s.session.mapping.answered = true;
    fx.s.session.mapping.ownPort = 50000;
    network::showOwnAddress(fx.s);
    w.sync();
    QTRY_VERIFY(notice->isVisible());
    QVERIFY(notice->text().startsWith(QStringLiteral("ルーターのポートを自動で開けませんでした")));
    for (int i = 0; i < names.size(); ++i) {
        QWidget *control = w.findChild<QWidget *>(names[i]);
        const QPoint at = control->mapTo(&w, QPoint());
        QVERIFY2(at == before[i], qPrintable(QStringLiteral("%1 at %2,%3, was %4,%5").arg(names[i]).arg(at.x()).arg(at.y())
                                                 .arg(before[i].x()).arg(before[i].y())));
    }
    const QRect inPanel(notice->mapTo(panel, QPoint()), notice->size());
    QVERIFY(panel->rect().contains(inPanel));
    QVERIFY(inPanel.top() >= field->mapTo(panel, QPoint()).y() + field->height());
    QVERIFY(panel->parentWidget()->rect().contains(panel->geometry()));
    QVERIFY(notice->height() >= notice->fontMetrics().height());
}

void TestMainWindow::accessibleTextReachesModel_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("road");   // contents (AT-SPI setTextContents), insert, delete, value
    QTest::addColumn<QString>("start");  // the model's text, rendered first
    QTest::addColumn<int>("from");       // where insert and delete act
    QTest::addColumn<int>("to");         // where delete stops
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("modelDisabled");  // disabled in the model after the window last rendered it
    QTest::addColumn<QString>("expected");    // the model's text (or number) afterwards, and the widget's

    const QString none;
    QTest::newRow("chat input, contents") << "txtSend" << "contents" << none << 0 << 0 << "よろしく" << false << "よろしく";
    QTest::newRow("chat input, insert") << "txtSend" << "insert" << "abc" << 1 << 0 << "XY" << false << "aXYbc";
    QTest::newRow("chat input, delete") << "txtSend" << "delete" << "abcdef" << 1 << 3 << none << false << "adef";
    QTest::newRow("chat input, value") << "txtSend" << "value" << "abc" << 0 << 0 << "xyz" << false << "xyz";
    QTest::newRow("chat input, cut to 44") << "txtSend" << "contents" << none << 0 << 0 << QString(50, u'x') << false
                                           << QString(44, u'x');
    // The cut counts characters: 44 emoji are 88 UTF-16 units, and none is split.
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    QTest::newRow("chat input, 44 emoji") << "txtSend" << "contents" << none << 0 << 0 << emoji.repeated(45) << false
                                          << emoji.repeated(44);
    QTest::newRow("chat input disabled in the model") << "txtSend" << "contents" << "abc" << 0 << 0 << "xyz" << true
                                                      << "abc";
    QTest::newRow("chat display is the program's") << "txtDisp" << "value" << "△hello" << 0 << 0 << "forged" << false
                                                   << "△hello";
    QTest::newRow("peer address, contents") << "txtPeerAddress" << "contents" << none << 0 << 0 << "127.0.0.1" << false
                                            << "127.0.0.1";
    QTest::newRow("peer port, insert") << "txtPeerPort" << "insert" << "12" << 2 << 0 << "34" << false << "1234";
    QTest::newRow("own port, a leading zero is refused") << "txtOwnPort" << "contents" << none << 0 << 0 << "05"
                                                         << false << none;
    QTest::newRow("password, '#' is dropped") << "txtPassword" << "insert" << "abc" << 3 << 0 << "#d" << false << "abcd";
    QTest::newRow("cipher number, contents") << "cboCipherNumber" << "contents" << "1" << 0 << 0 << "12" << false << "12";
    QTest::newRow("cipher number, delete") << "cboCipherNumber" << "delete" << "12" << 1 << 2 << none << false << "1";
    QTest::newRow("board colour, contents") << "Combo1" << "contents" << "薄黄色" << 0 << 0 << "濃緑色" << false
                                            << "濃緑色";
    QTest::newRow("board colour, not a name") << "Combo1" << "insert" << "薄黄色" << 0 << 0 << "x" << false << "濃橙色";
    QTest::newRow("line speed, delete") << "Combo3" << "delete" << "非常に遅い" << 0 << 3 << none << false << "遅い";
    QTest::newRow("line speed, value") << "Combo3" << "value" << "普通" << 0 << 0 << "遅い" << false << "遅い";
    QTest::newRow("start number, contents") << "UpDown5" << "contents" << "1" << 0 << 0 << "42" << false << "42";
    QTest::newRow("start number, insert") << "UpDown5" << "insert" << "12" << 2 << 0 << "3" << false << "123";
    QTest::newRow("start number over 999") << "UpDown5" << "contents" << "7" << 0 << 0 << "1500" << false << "7";
    QTest::newRow("start number disabled in the model") << "UpDown5" << "contents" << "1" << 0 << 0 << "42" << true
                                                        << "1";
    QTest::newRow("line speed disabled in the model") << "Combo3" << "insert" << "普通" << 0 << 0 << "少し" << true
                                                      << "普通";
}

// Dictation, on-screen keyboards and UI automation change a field through the
// accessibility interface: the model takes it as typing.
void TestMainWindow::accessibleTextReachesModel()
{
    QFETCH(QString, control);
    QFETCH(QString, road);
    QFETCH(QString, start);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, text);
    QFETCH(bool, modelDisabled);
    QFETCH(QString, expected);

    test::Fixture fx;
    Form &f = fx.s.form;
    installTextHandlers(fx.s);
    const TextControl model = textControlNamed(f, control);
    QVERIFY(model.text || model.spinner);
    model.set(start);
    ui::MainWindow w(fx.s);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    if (modelDisabled)
        controlNamed(f, control)->enabled = false;  // as a handler outside the window would
    QLineEdit *edit = editOf(w, control);
    QVERIFY(edit);
    QCOMPARE(edit->text(), start);

    QAccessibleInterface *iface = accessibleTextOf(w, control);
    QVERIFY(iface && iface->textInterface());
    QAccessibleEditableTextInterface *editable = iface->editableTextInterface();
    if (road == QLatin1String("value"))
        iface->setText(QAccessible::Value, text);
    else if (!editable)
        QVERIFY2(edit->isReadOnly(), "an editable field offers the editable text interface");
    else if (road == QLatin1String("contents"))
        editable->replaceText(0, iface->textInterface()->characterCount(), text);
    else if (road == QLatin1String("insert"))
        editable->insertText(from, text);
    else
        editable->deleteText(from, to);

    QCOMPARE(model.get(), expected);
    QCOMPARE(edit->text(), expected);
    QCOMPARE(iface->textInterface()->text(0, iface->textInterface()->characterCount()), expected);
}

void TestMainWindow::renderedTextRaisesNothing_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");

    QTest::newRow("chat input") << "txtSend" << "abc";
    QTest::newRow("chat display") << "txtDisp" << "◇hello";
    QTest::newRow("peer port") << "txtPeerPort" << "05";
    QTest::newRow("password") << "txtPassword" << "a#b";
    QTest::newRow("cipher number in the list") << "cboCipherNumber" << "7";
    QTest::newRow("board colour in the list") << "Combo1" << "濃緑色";
    QTest::newRow("line speed not in the list") << "Combo3" << "速くない";
    QTest::newRow("start number") << "UpDown5" << "42";
}

// What the program renders from the model is no one's typing.
void TestMainWindow::renderedTextRaisesNothing()
{
    QFETCH(QString, control);
    QFETCH(QString, text);

    test::Fixture fx;
    Form &f = fx.s.form;
    installTextHandlers(fx.s);
    int raised = 0;
    for (TextBox *t : {&f.txtSend, &f.txtDisp, &f.txtPeerAddress, &f.txtPeerPort, &f.txtOwnPort, &f.txtPassword})
        t->onChange = [&raised] { ++raised; };
    for (ComboBox *c : {&f.cboCipherNumber, &f.Combo1, &f.Combo3})
        c->onType = c->onPick = [&raised] { ++raised; };
    f.UpDown5.onChange = [&raised] { ++raised; };
    ui::MainWindow w(fx.s);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    const TextControl model = textControlNamed(f, control);
    model.set(text);
    w.sync();
    QCOMPARE(editOf(w, control)->text(), text);
    QCOMPARE(model.get(), text);
    QCOMPARE(raised, 0);
}

void TestMainWindow::backgroundClickFocusesChat_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("panelOpen");
    QTest::addColumn<int>("requests");

    QTest::newRow("window margin") << "margin" << int(Qt::LeftButton) << false << 1;
    QTest::newRow("grey tray beside the board") << "tray" << int(Qt::LeftButton) << false << 1;
    QTest::newRow("黒石") << "lblBlackPrisonersCaption" << int(Qt::LeftButton) << false << 1;
    QTest::newRow("白石") << "lblWhitePrisonersCaption" << int(Qt::LeftButton) << false << 1;
    QTest::newRow("black prisoner count") << "lblBlackPrisoners" << int(Qt::LeftButton) << false << 1;
    QTest::newRow("white prisoner count") << "lblWhitePrisoners" << int(Qt::LeftButton) << false << 1;
    QTest::newRow("side panel open") << "margin" << int(Qt::LeftButton) << true << 0;
    QTest::newRow("count, side panel open") << "lblWhitePrisoners" << int(Qt::LeftButton) << true << 0;
    QTest::newRow("right button") << "margin" << int(Qt::RightButton) << false << 0;
}

void TestMainWindow::backgroundClickFocusesChat()
{
    QFETCH(QString, where);
    QFETCH(int, button);
    QFETCH(bool, panelOpen);
    QFETCH(int, requests);

    test::Fixture fx;
    if (panelOpen)
        shell::onOptionsOpen(fx.s);  // "オプション(&O)"
    QCOMPARE(fx.s.flags.panelOpen, panelOpen);
    ui::MainWindow w(fx.s);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const int before = fx.s.form.txtSend.focusRequests;
    if (where == QLatin1String("margin")) {
        QTest::mouseClick(w.centralWidget(), Qt::MouseButton(button), {}, QPoint(2, 2));
    } else if (where.startsWith(QLatin1String("lbl"))) {
        auto *label = w.findChild<QLabel *>(where);
        QVERIFY(label && label->isVisible());
        QTest::mouseClick(label, Qt::MouseButton(button), {}, label->rect().center());
    } else {
        auto *board = w.findChild<ui::BoardView *>();
        const QPointF corner = board->toWidget(ui::BoardGeometry::kBoardOrigin - 100, ui::BoardGeometry::kBoardOrigin - 100);
        QCOMPARE(board->pointAt(corner), -1);
        QTest::mouseClick(board, Qt::MouseButton(button), {}, corner.toPoint());
        QVERIFY(!board::boardHasContent(fx.s));
    }
    QCOMPARE(fx.s.form.txtSend.focusRequests - before, requests);
}

void TestMainWindow::chatRow()
{
    test::MemoryWire wire;
    wire.connectBoth();
    QVERIFY(wire.a.s.session.authenticated);
    network::installPanelHandlers(wire.a.s);
    ui::MainWindow w(wire.a.s);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *input = w.findChild<QLineEdit *>(QStringLiteral("txtSend"));
    auto *display = w.findChild<QLineEdit *>(QStringLiteral("txtDisp"));
    auto *log = w.findChild<QComboBox *>(QStringLiteral("Combo2"));
    QVERIFY(input && display && log);

    // Enter sends what was typed; the input is left empty, with no line break.
    QTest::keyClicks(input, QStringLiteral("hello"));
    QTest::keyClick(input, Qt::Key_Return);
    QCOMPARE(wire.a.s.form.Combo2.items, QStringList{QStringLiteral("△hello")});
    QCOMPARE(input->text(), QString());
    QCOMPARE(display->text(), QStringLiteral("△hello"));
    QCOMPARE(log->count(), 1);

    // At most 44 characters, in the model and in the widget; 送信(&Z) sends too.
    QTest::keyClicks(input, QString(50, u'x'));
    QCOMPARE(wire.a.s.form.txtSend.text, QString(44, u'x'));
    QCOMPARE(input->text(), QString(44, u'x'));
    QTest::keyClick(&w, Qt::Key_Z, Qt::AltModifier);
    QTRY_COMPARE(wire.a.s.form.Combo2.items.last(), QStringLiteral("△") + QString(44, u'x'));
    QCOMPARE(log->count(), 2);
    wire.deliver();
    QCOMPARE(wire.b.s.form.Combo2.items, (QStringList{QStringLiteral("◇hello"), QStringLiteral("◇") + QString(44, u'x')}));

    // Text that dictation puts in through the accessibility interface is sent like typed text.
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(input);
    QVERIFY(iface && iface->editableTextInterface());
    iface->editableTextInterface()->replaceText(0, 0, QStringLiteral("お願いします"));
    QTest::keyClick(&w, Qt::Key_Z, Qt::AltModifier);
    QTRY_COMPARE(wire.a.s.form.Combo2.items.last(), QStringLiteral("△お願いします"));
    QCOMPARE(input->text(), QString());
    wire.deliver();
    QCOMPARE(wire.b.s.form.Combo2.items.last(), QStringLiteral("◇お願いします"));
}

void TestMainWindow::optionsPanel()
{
    test::Fixture fx;
    shell::installHandlers(fx.s);
    Form &f = fx.s.form;
    for (const QString &name : kBoardColourNames)
        f.Combo1.items << name;
    for (const LineSpeed &speed : kLineSpeeds)
        f.Combo3.items << speed.name;
    shell::showValuesInEffect(fx.s);
    ui::MainWindow w(fx.s);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));

    QTest::keyClick(&w, Qt::Key_W, Qt::AltModifier);  // オプション(&W)
    auto *panel = w.findChild<QFrame *>(QStringLiteral("fraOptions"));
    QVERIFY(panel);
    QTRY_VERIFY(panel->isVisible());
    QVERIFY(fx.s.flags.panelOpen);
    auto *colours = w.findChild<QComboBox *>(QStringLiteral("Combo1"));
    QVERIFY(colours->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == colours);
    const QPoint centre = panel->geometry().center(), area = w.centralWidget()->rect().center();
    QVERIFY2((centre - area).manhattanLength() <= 2, "centred on the window");
    w.resize(w.width() + 200, w.height());
    QTRY_VERIFY((panel->geometry().center() - w.centralWidget()->rect().center()).manhattanLength() <= 2);

    // Typing a name acts at once; text the program sets raises nothing.
    colours->lineEdit()->selectAll();
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("濃緑色"));
    QApplication::sendEvent(colours->lineEdit(), &commit);
    QCOMPARE(fx.s.shell.boardColourIndex, 5);
    f.Combo1.text = QStringLiteral("薄黄色");
    w.sync();
    QCOMPARE(colours->currentText(), QStringLiteral("薄黄色"));
    QCOMPARE(fx.s.shell.boardColourIndex, 5);

    // A pick from the list only enables 適用(&I); 適用(&I) then takes it.
    f.cmdTekiyou.enabled = false;
    w.sync();
    colours->showPopup();
    QAbstractItemView *list = colours->view();
    QTRY_VERIFY(list->isVisible());
    const QRect item = list->visualRect(list->model()->index(1, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    QTRY_COMPARE(f.Combo1.text, QStringLiteral("薄緑色"));
    w.activateWindow();  // the offscreen platform leaves the closed list active
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(fx.s.shell.boardColourIndex, 5);
    QVERIFY(f.cmdTekiyou.enabled);
    QTest::keyClick(&w, Qt::Key_I, Qt::AltModifier);  // 適用(&I)
    QTRY_COMPARE(fx.s.shell.boardColourIndex, 1);

    QTest::keyClick(&w, Qt::Key_J, Qt::AltModifier);  // 閉じる(&J)
    QTRY_VERIFY(!panel->isVisible());
    QVERIFY(!fx.s.flags.panelOpen);
    QVERIFY(w.findChild<QPushButton *>(QStringLiteral("cmdOpt"))->isEnabled());
}

void TestMainWindow::keyboardPlay_data()
{
    QTest::addColumn<int>("sizeCode");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("keys");  // key names, "Right*3" for three presses
    QTest::addColumn<int>("row");       // where the cursor ends
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("content");   // what that point then holds
    QTest::addColumn<QString>("description");

    const int black = int(PointContent::Black), white = int(PointContent::White), empty = int(PointContent::Empty);
    const int none = CoordinatesNone, jp = CoordinatesJapanese, en = CoordinatesLetters;
    QTest::newRow("Enter puts black at the cursor") << int(Size19) << none << "Right*2 Down Return" << 10 << 11 << black
                                                    << "12の十一 黒";
    QTest::newRow("Space puts the next colour") << int(Size19) << jp << "Return Right Space" << 9 << 10 << white
                                                << "11の十 白";
    QTest::newRow("Delete takes a stone off") << int(Size19) << jp << "Return Delete" << 9 << 9 << empty << "10の十 空き";
    QTest::newRow("Backspace takes a stone off") << int(Size19) << en << "Return Backspace" << 9 << 9 << empty
                                                 << "K10 空き";
    QTest::newRow("the cursor stops at the top-left edge")
        << int(Size9) << jp << "Left*6 Up*6 Return" << 0 << 0 << black << "1の一 黒";
    QTest::newRow("the cursor stops at the bottom-right edge, A〜T")
        << int(Size13) << en << "Right*9 Down*9" << 12 << 12 << empty << "N1 空き";
}

// Play from the keyboard on the real board: Tab gives it the keyboard, the
// arrows move the cursor, the press keys act through the board's handler, the
// board keeps the keyboard, and the description names the point and its content.
void TestMainWindow::keyboardPlay()
{
    QFETCH(int, sizeCode);
    QFETCH(int, style);
    QFETCH(QString, keys);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, content);
    QFETCH(QString, description);

    test::Fixture fx;
    fx.s.form.Option3.select(sizeCode);
    fx.s.shell.extraSettings.coordinateStyle = style;
    ui::MainWindow w(fx.s);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *board = w.findChild<ui::BoardView *>();
    QCOMPARE(board->focusPolicy(), Qt::StrongFocus);
    board->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(board->hasFocus());

    const QHash<QString, Qt::Key> named = {{"Left", Qt::Key_Left},   {"Right", Qt::Key_Right},
                                           {"Up", Qt::Key_Up},       {"Down", Qt::Key_Down},
                                           {"Return", Qt::Key_Return}, {"Space", Qt::Key_Space},
                                           {"Delete", Qt::Key_Delete}, {"Backspace", Qt::Key_Backspace}};
    for (const QString &step : keys.split(u' ')) {
        const QStringList parts = step.split(u'*');
        QVERIFY(named.contains(parts[0]));
        for (int i = 0; i < (parts.size() > 1 ? parts[1].toInt() : 1); ++i)
            QTest::keyClick(board, named[parts[0]]);
    }
    const int point = pointIndex(row, column);
    QCOMPARE(board->cursorPoint(), point);
    QCOMPARE(int(fx.at(point)), content);
    QCOMPARE(int(board->picture().points[size_t(point)].content), content);
    QCOMPARE(board->accessibleDescription(), description);
    QVERIFY(board->hasFocus());  // the press did not send the keyboard to the chat
}

// The label "手数" under the board follows every change of the board.
void TestMainWindow::moveCountFollowsBoard()
{
    test::Fixture fx;
    ui::MainWindow w(fx.s);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *label = w.findChild<QLabel *>(QStringLiteral("lblMoveCount"));
    QVERIFY(label && label->isVisible());
    QCOMPARE(label->accessibleName(), QStringLiteral("手数"));
    QCOMPARE(label->text(), QStringLiteral("手数 0　次は黒"));

    auto *board = w.findChild<ui::BoardView *>();
    for (int point : {pointIndex(3, 3), pointIndex(3, 15), pointIndex(15, 3)})
        QTest::mouseClick(board, Qt::LeftButton, {}, board->pointCentre(point).toPoint());
    QCOMPARE(label->text(), QStringLiteral("手数 3　次は白"));

    w.findChild<QPushButton *>(QStringLiteral("cmdBack"))->click();  // 1手戻る(&L)
    QCOMPARE(label->text(), QStringLiteral("手数 2　次は黒"));

    fx.dialogs.answers = {Answer::Yes};
    w.findChild<QPushButton *>(QStringLiteral("cmdClear"))->click();  // クリアー(&V)
    QCOMPARE(label->text(), QStringLiteral("手数 0　次は黒"));
    QCOMPARE(label->text(), fx.s.form.lblMoveCount.caption);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
