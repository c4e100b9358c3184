// The whole program in this process: the close box, and the end of the
// session by a signal while a question is open.
#include "Board.h"
#include "PeerActions.h"
#include "Program.h"
#include "SplashWindow.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <stdexcept>

using namespace moyuta;

class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void splashOnlyWhileStartupWaits_data();
    void splashOnlyWhileStartupWaits();
    void closeBoxAsks();
    void windowShowsModelWhileBoxOpen();
    void signalWhileQuestionOpen();
    void signalWhileQuitQuestionOpen();
    void startupErrorSavesDefaults();
    void peerQuitDuringQuitQuestion();

private:
    std::unique_ptr<QTemporaryDir> tmp_;
};

namespace {

// Answers the next message box by pressing the button with this text; returns its text.
void answerNextBox(const QString &button, QString *text)
{
    QTimer::singleShot(0, [button, text] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return answerNextBox(button, text);
        *text = box->text();
        for (QAbstractButton *b : box->buttons())
            if (b->text() == button)
                b->click();
    });
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

}  // namespace

void TestProgram::initTestCase()
{
    ui::SessionEndWatcher::installSignalHandlers();
}

void TestProgram::init()
{
    // Each program holds its single-copy lock in a temporary folder of its own.
    tmp_ = std::make_unique<QTemporaryDir>();
    qputenv("TMPDIR", tmp_->path().toLocal8Bit());
    // A program that ended asked every event loop to exit; running the
    // application's own loop once clears that for the next one.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// A news fetch that waits in a nested event loop, as a network request does.
class WaitingNews : public NewsPort {
public:
    int waitMs = 0;
    ui::QtShellWindows *windows = nullptr;
    bool splashShown = false;
    QString status;
    NewsResponse fetch() override
    {
        QEventLoop loop;
        QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
        loop.exec();
        if (ui::SplashWindow *splash = windows->splash()) {
            splashShown = splash->isVisible();
            status = splash->status();
        }
        return {};
    }
};

void TestProgram::splashOnlyWhileStartupWaits_data()
{
    QTest::addColumn<int>("waitMs");
    QTest::addColumn<bool>("shown");
    QTest::newRow("quick start: no splash") << 0 << false;
    QTest::newRow("slow fetch: splash") << ui::QtShellWindows::kSplashDelayMs + 300 << true;
}

void TestProgram::splashOnlyWhileStartupWaits()
{
    QFETCH(int, waitMs);
    QFETCH(bool, shown);

    QTemporaryDir folder;
    WaitingNews news;
    news.waitMs = waitMs;
    ui::Program program(folder.path(), &news);
    news.windows = &program.windows();
    program.start();
    QCOMPARE(news.splashShown, shown);
    if (shown)
        QCOMPARE(news.status, QStringLiteral("サーバーにアクセスしています…"));
    QVERIFY(!program.windows().splash());  // closed at the end of start-up
    QVERIFY(program.window().isVisible());
    QTest::qWait(ui::QtShellWindows::kSplashDelayMs + 100);
    const auto tops = QApplication::topLevelWidgets();
    QVERIFY(std::none_of(tops.begin(), tops.end(), [](QWidget *w) {
        return w->objectName() == QLatin1String("frmLogo") && w->isVisible();
    }));
    program.state().shell.quitWithoutAsking = true;
    program.window().close();
}

void TestProgram::closeBoxAsks()
{
    QTemporaryDir folder;
    ui::Program program(folder.path());
    program.start();
    ui::MainWindow &w = program.window();
    QVERIFY(w.isVisible());
    QVERIFY(!program.windows().splash());

    QString asked;
    answerNextBox(QStringLiteral("いいえ(&N)"), &asked);
    QVERIFY(!w.close());
    QCOMPARE(asked, QStringLiteral("Moyutaを終了しますか？"));
    QVERIFY(w.isVisible());
    QVERIFY(!program.state().shell.quitting);
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("AppData.dat"))));

    // "終了(&Y)" takes the same road.
    asked.clear();
    answerNextBox(QStringLiteral("はい(&Y)"), &asked);
    w.findChild<QPushButton *>(QStringLiteral("cmdEnd"))->click();
    QCOMPARE(asked, QStringLiteral("Moyutaを終了しますか？"));
    QVERIFY(!w.isVisible());
    QCOMPARE(readFile(folder.filePath(QStringLiteral("AppData.dat"))),
             QByteArray("1#0#192.168.0.0#0#1#4#10#0#0#2000000#0#1##0@"));
}

void TestProgram::signalWhileQuestionOpen()
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("AppData.dat"));
    ui::Program program(folder.path());
    AppState &s = program.state();
    program.start();
    ui::MainWindow &w = program.window();
    board::pressPoint(s, pointIndex(3, 3), board::MouseButton::Left);
    w.sync();

    // "クリアー(&V)" asks; the signal arrives while the box is open.
    bool handlerReturned = false, handlerReturnedBeforeClose = false;
    struct CloseWatch : QObject {
        std::function<void()> onClose;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Close)
                onClose();
            return false;
        }
    } watch;
    watch.onClose = [&] { handlerReturnedBeforeClose = handlerReturned; };
    w.installEventFilter(&watch);

    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            QCOMPARE(box->text(), QStringLiteral("すべてクリアーしますか？"));
            std::raise(SIGTERM);
            QTimer::singleShot(5000, box, [box] { box->done(0); });  // only if the signal did not close it
        });
        w.findChild<QPushButton *>(QStringLiteral("cmdClear"))->click();
        handlerReturned = true;
    });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(2); });
    QCOMPARE(QCoreApplication::exec(), 0);  // the program ended itself

    QVERIFY(handlerReturned);
    QVERIFY(handlerReturnedBeforeClose);
    QVERIFY(s.shell.quitting);
    QVERIFY(board::boardHasContent(s));  // the question counted as not Yes
    QVERIFY(!w.isVisible());
    // White is to play: the live tool is saved.
    QCOMPARE(readFile(file), QByteArray("2#0#192.168.0.0#0#1#4#10#0#0#2000000#0#1##0@"));

    // Saved once: a second signal writes nothing more.
    QVERIFY(QFile::remove(file));
    std::raise(SIGTERM);
    QTest::qWait(100);
    QVERIFY(!QFile::exists(file));
}

void TestProgram::signalWhileQuitQuestionOpen()
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("AppData.dat"));
    ui::Program program(folder.path());
    program.start();
    program.state().form.Option3.select(Size13);  // something to save

    QString asked;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                asked = box->text();
            std::raise(SIGTERM);
        });
        program.window().close();  // the quit question opens
    });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(2); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(asked, QStringLiteral("Moyutaを終了しますか？"));
    QVERIFY(!program.window().isVisible());
    QCOMPARE(readFile(file), QByteArray("1#0#192.168.0.0#0#1#4#10#0#0#2000000#0#1##1@"));
}

// Fails in the middle of start-up.
class FailingNews : public NewsPort {
public:
    NewsResponse fetch() override { throw std::runtime_error("no news"); }
};

void TestProgram::startupErrorSavesDefaults()
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("AppData.dat"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("2#1#peer#1#2#5#20#1#3#500000#1#7#pw#1@");
    }
    FailingNews news;
    ui::Program program(folder.path(), &news);
    QStringList boxes;
    QTimer watch;  // every box: note it and press its first button
    watch.setInterval(10);
    connect(&watch, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            boxes << box->text();
            box->buttons().first()->click();
        }
    });
    watch.start();
    program.startSoon();
    QTimer::singleShot(10000, [] { QCoreApplication::exit(2); });
    QCOMPARE(QCoreApplication::exec(), 1);
    QCOMPARE(boxes, QStringList{QStringLiteral("フォームを起動中にエラーしました。")});
    QVERIFY(!program.windows().splash());
    QVERIFY(!program.window().isVisible());
    QCOMPARE(readFile(file), QByteArray("1#0#192.168.0.0#0#1#4#10#0#0#2000000#0#1##0@"));
}

void TestProgram::peerQuitDuringQuitQuestion()
{
    QTemporaryDir folder;
    ui::Program program(folder.path());
    program.start();
    AppState &s = program.state();

    // The peer's shut-down notice arrives while the quit question is open;
    // the user then declines to quit, and the program ends all the same.
    QStringList boxes;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            boxes << box->text();
            network::onPeerQuit(s);  // as the receive path does; no box while quitting
            for (QAbstractButton *b : box->buttons())
                if (b->text() == QStringLiteral("いいえ(&N)"))
                    b->click();
        });
        program.window().close();
    });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(2); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(boxes, QStringList{QStringLiteral("Moyutaを終了しますか？")});
    QVERIFY(!program.window().isVisible());
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("AppData.dat"))));
}

void TestProgram::windowShowsModelWhileBoxOpen()
{
    QTemporaryDir folder;
    ui::Program program(folder.path());
    program.start();
    ui::MainWindow &w = program.window();
    auto *rec = w.findChild<QPushButton *>(QStringLiteral("cmdRec"));
    rec->click();
    QCOMPARE(rec->text(), QStringLiteral("記録中止(&Q)"));
    board::pressPoint(program.state(), pointIndex(3, 3), board::MouseButton::Left);
    w.sync();

    // Stopping asks whether to save; meanwhile the button already shows the stop.
    QString shownWhileAsked;
    QTimer::singleShot(0, [&] {
        shownWhileAsked = rec->text();
        for (QAbstractButton *b : qobject_cast<QMessageBox *>(QApplication::activeModalWidget())->buttons())
            if (b->text() == QStringLiteral("いいえ(&N)"))
                b->click();
    });
    rec->click();
    QCOMPARE(shownWhileAsked, QStringLiteral("記録(&Q)"));
    program.state().shell.quitWithoutAsking = true;
    w.close();
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
