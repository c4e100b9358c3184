// A test driver: the real program (main window offscreen, real UDP, real
// cipher) in a program folder given on the command line, commanded line by
// line over stdin. Every message box is answered Yes and reported on stdout.
// It prints "ready" once start-up is over and it takes commands; a refused
// start (another copy holds the lock in TMPDIR) ends it without that line.
//
//   set FIELD VALUE   peer | peerport | ownport | password | cipher | speed
//   get FIELD         prints "get FIELD VALUE" for a field that set takes, or ownaddress
//                     (相手に伝えるアドレス, lines joined by "|") or mapping (the router notice)
//   click NAME        clicks the button with that object name in the window
//   apress NAME       presses that button through the accessibility interface
//   aset NAME TEXT    puts TEXT in the field (or editable list) with that object name through
//                     the accessibility interface, as dictation or UI automation does
//   press POINT       a left click on that point of the board
//   rpress POINT      a right click on that point (takes a stone off)
//   spin NAME VALUE   sets the up/down control with that object name
//   chat TEXT         types TEXT into the chat input (as an input method) and presses Enter
//   point POINT       prints "point N CONTENT" (0 empty, 1 black, 2 white, ...)
//   file PATH         the next file dialog (open or save) picks PATH
//   shot PATH         saves a picture of the main window as PATH (PNG)
//   state             prints "state auth=A started=S ended=E panel=P hold=H" (H: the peer holds the board)
//   game              prints the size, the prisoner counts, every
//                     point and the network move log: equal on both sides when in step
//   caption NAME      prints "caption NAME TEXT" for the button with that object name
//   checked NAME      prints "checked NAME C" (C: 1 when that button or check box is ticked)
//   enabled NAME      prints "enabled NAME E" (E: 1 when that button can be pressed)
//   overlay           prints "overlay O TEXT" (O: the peer's notice blocks this board;
//                     TEXT: the board's message panel, empty while it is hidden)
//   chatlog           prints "chatlog DISPLAY|LOG ENTRY|LOG ENTRY..."
//   key NAME KEY...   types the keys (Qt names: Left, PgUp, Home, Return, Space, Delete…) into
//                     the widget with that object name, or into the one with the focus for "focus"
//   info B W          the next 対局情報 dialog answers OK with 黒番 B and 白番 W ("-": cancel)
//   title             prints "title TEXT", the window's title
//   close             closes the main window (the program then ends)
#include "Board.h"
#include "BoardView.h"
#include "Program.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QSpinBox>
#include <QSocketNotifier>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <optional>
#include <utility>
#include <unistd.h>

namespace {

using namespace moyuta;

class AnsweringDialogs : public DialogPort {
public:
    Answer ask(const QString &q) override { report(QStringLiteral("ask "), q); return Answer::Yes; }
    void inform(const QString &t) override { report(QStringLiteral("inform "), t); }
    void warn(const QString &t) override { report(QStringLiteral("warn "), t); }
    QString openFileName(const QStringList &) override { return std::exchange(nextFile, QString()); }
    QString saveFileName(const QStringList &) override { return std::exchange(nextFile, QString()); }
    bool askGameInfo(GameInfo &info) override
    {
        report(QStringLiteral("info "), info.black + QLatin1Char('/') + info.white);
        if (!nextInfo)
            return false;
        info.black = nextInfo->black;
        info.white = nextInfo->white;
        nextInfo.reset();
        return true;
    }
    QString nextFile;  // empty: the dialog is cancelled
    std::optional<GameInfo> nextInfo;  // none: the dialog is cancelled

private:
    static void report(const QString &kind, const QString &text)
    {
        std::printf("box %s\n", (kind + text).toUtf8().constData());
        std::fflush(stdout);
    }
};

void say(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: moyuta-test-driver PROGRAM-FOLDER\n");
        return 2;
    }
    AnsweringDialogs dialogs;
    ui::Program program(QString::fromLocal8Bit(argv[1]), nullptr, &dialogs);
    AppState &s = program.state();

    // Commands are read once start-up is over, not from the nested event loops it runs.
    QSocketNotifier input(0, QSocketNotifier::Read);
    input.setEnabled(false);
    // Started from the event loop, as the program starts: a refused or failed
    // start ends the program (exit code 1) instead of leaving it hidden.
    QTimer::singleShot(0, &program, [&] {
        program.start();
        if (!program.window().isVisible())
            return;
        s.shell.sendPacingCount = 0;  // the fastest pacing
        input.setEnabled(true);
        say(QStringLiteral("ready"));
    });
    QByteArray pending;
    std::function<void(const QByteArray &)> run;
    // Reads what stdin holds (all of it: several commands may come at once) and runs every whole line.
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            program.window().close();
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            run(line);
        }
    });
    run = [&](const QByteArray &line) {
        const QStringList words = QString::fromUtf8(line).trimmed().split(QLatin1Char(' '));
        const QString command = words.value(0), arg = words.value(1), value = words.mid(2).join(QLatin1Char(' '));
        Form &f = s.form;
        ui::MainWindow &w = program.window();
        if (command == QLatin1String("set")) {
            TextBox *box = arg == QLatin1String("peer")       ? &f.txtPeerAddress
                           : arg == QLatin1String("peerport") ? &f.txtPeerPort
                           : arg == QLatin1String("ownport")  ? &f.txtOwnPort
                           : arg == QLatin1String("password") ? &f.txtPassword
                                                              : nullptr;
            if (box)
                box->setText(value);
            else if (arg == QLatin1String("cipher"))
                f.cboCipherNumber.text = value;
            w.sync();
        } else if (command == QLatin1String("get")) {
            const QString text = arg == QLatin1String("peer")       ? f.txtPeerAddress.text
                                 : arg == QLatin1String("peerport") ? f.txtPeerPort.text
                                 : arg == QLatin1String("ownport")  ? f.txtOwnPort.text
                                 : arg == QLatin1String("password") ? f.txtPassword.text
                                 : arg == QLatin1String("cipher")   ? f.cboCipherNumber.text
                                 : arg == QLatin1String("ownaddress") ? f.txtOwnAddress.text
                                 : arg == QLatin1String("mapping")  ? f.lblMapping.caption
                                                                    : QString();
            say(QStringLiteral("get %1 %2").arg(arg, QString(text).replace(QLatin1Char('\n'), QLatin1Char('|'))));
        } else if (command == QLatin1String("click")) {
            if (auto *b = w.findChild<QAbstractButton *>(arg))
                b->click();
        } else if (command == QLatin1String("apress")) {
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w.findChild<QAbstractButton *>(arg));
            if (iface && iface->actionInterface())
                iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        } else if (command == QLatin1String("aset")) {
            QWidget *field = w.findChild<QWidget *>(arg);
            if (auto *list = qobject_cast<QComboBox *>(field))
                field = list->lineEdit();
            QAccessibleInterface *iface = field ? QAccessible::queryAccessibleInterface(field) : nullptr;
            if (iface && iface->editableTextInterface() && iface->textInterface())
                iface->editableTextInterface()->replaceText(0, iface->textInterface()->characterCount(), value);
        } else if (command == QLatin1String("press")) {
            auto *view = w.findChild<ui::BoardView *>();
            QTest::mouseClick(view, Qt::LeftButton, {}, view->pointCentre(arg.toInt()).toPoint());
        } else if (command == QLatin1String("rpress")) {
            auto *view = w.findChild<ui::BoardView *>();
            QTest::mouseClick(view, Qt::RightButton, {}, view->pointCentre(arg.toInt()).toPoint());
        } else if (command == QLatin1String("spin")) {
            if (auto *box = w.findChild<QSpinBox *>(arg))
                box->setValue(value.toInt());
        } else if (command == QLatin1String("chat")) {
            if (auto *input = w.findChild<QLineEdit *>(QStringLiteral("txtSend"))) {
                // Japanese arrives from the input method, one committed character at a time.
                for (const QChar c : words.mid(1).join(QLatin1Char(' '))) {
                    QInputMethodEvent commit;
                    commit.setCommitString(c);
                    QApplication::sendEvent(input, &commit);
                }
                QTest::keyClick(input, Qt::Key_Return);
            }
        } else if (command == QLatin1String("game")) {
            QString points;
            for (const BoardPoint &p : s.board.points)
                points += QChar(u'0' + int(p.content));
            say(QStringLiteral("game size=%1 black=%2 white=%3 points=%4 log=%5")
                    .arg(s.board.boardSizeCode).arg(s.board.blackPrisoners).arg(s.board.whitePrisoners)
                    .arg(points, s.moves.networkMoveLog.join(QLatin1Char(';'))));
        } else if (command == QLatin1String("caption")) {
            auto *b = w.findChild<QAbstractButton *>(arg);
            say(QStringLiteral("caption %1 %2").arg(arg, b ? b->text() : QString()));
        } else if (command == QLatin1String("checked")) {
            auto *b = w.findChild<QAbstractButton *>(arg);
            say(QStringLiteral("checked %1 %2").arg(arg).arg(int(b && b->isChecked())));
        } else if (command == QLatin1String("enabled")) {
            auto *b = w.findChild<QAbstractButton *>(arg);
            say(QStringLiteral("enabled %1 %2").arg(arg).arg(int(b && b->isEnabled())));
        } else if (command == QLatin1String("overlay")) {
            say(QStringLiteral("overlay %1 %2").arg(int(s.board.overlayShown())).arg(f.Frame8.visible ? f.lbl2Message.caption : QString()));
        } else if (command == QLatin1String("chatlog")) {
            say(QStringLiteral("chatlog ") + (QStringList{f.txtDisp.text} + f.Combo2.items).join(QLatin1Char('|')));
        } else if (command == QLatin1String("point")) {
            say(QStringLiteral("point %1 %2").arg(arg.toInt()).arg(int(s.board.points[size_t(qBound(0, arg.toInt(), 360))].content)));
        } else if (command == QLatin1String("file")) {
            dialogs.nextFile = words.mid(1).join(QLatin1Char(' '));
        } else if (command == QLatin1String("shot")) {
            w.grab().save(words.mid(1).join(QLatin1Char(' ')), "PNG");
        } else if (command == QLatin1String("state")) {
            say(QStringLiteral("state auth=%1 started=%2 ended=%3 panel=%4 hold=%5")
                    .arg(int(s.session.authenticated)).arg(int(s.board.gameStarted)).arg(int(s.board.gameEnded))
                    .arg(int(s.flags.panelOpen)).arg(int(s.board.peerHolding)));
        } else if (command == QLatin1String("key")) {
            QWidget *target = arg == QLatin1String("focus") ? QApplication::focusWidget() : w.findChild<QWidget *>(arg);
            for (const QString &name : words.mid(2)) {
                const QKeySequence key = QKeySequence::fromString(name);
                if (target && !key.isEmpty())
                    QTest::keyClick(target, key[0].key(), key[0].keyboardModifiers());
            }
        } else if (command == QLatin1String("info")) {
            dialogs.nextInfo.reset();
            if (arg != QLatin1String("-"))
                dialogs.nextInfo = GameInfo{arg, words.value(2)};
        } else if (command == QLatin1String("title")) {
            say(QStringLiteral("title ") + w.windowTitle());
        } else if (command == QLatin1String("close")) {
            w.close();
        }
    };
    return app.exec();
}
