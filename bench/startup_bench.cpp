// Start-up time of the program, against a bare Qt window as the baseline.
//   moyuta-startup-bench bare
//   moyuta-startup-bench moyuta PROGRAM-FOLDER
//   moyuta-startup-bench phases PROGRAM-FOLDER
// `bare`: QApplication and a plain window of the main window's size.
// `moyuta`: exactly what main() does, with the given (fresh) program folder.
// `phases`: the same steps as `moyuta`, with prepareApplication's own steps
// done one by one, printing the time each one took to stderr (a breakdown
// for finding what start-up spends its time on; it takes about as long as
// `moyuta` itself).
// When the top-level window gets its first paint event, prints the
// CLOCK_MONOTONIC time in nanoseconds on one line and ends at once, so that
// nothing is saved. bench/startup.py runs it and measures from just before
// the process starts; the single-copy lock lives in TMPDIR, so give every run
// its own.
#include "Application.h"
#include "Program.h"
#include "ShellAdapters.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QTranslator>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

long long monotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Ends the process on the first paint event of the watched window.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            std::printf("%lld\n", monotonicNs());
            std::fflush(stdout);
            std::_Exit(0);
        }
        return QObject::eventFilter(watched, event);
    }
};

int usage()
{
    std::fprintf(stderr, "usage: moyuta-startup-bench bare | moyuta PROGRAM-FOLDER | phases PROGRAM-FOLDER\n");
    return 2;
}

int runBare(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(1100, 760);  // the main window's size
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    window.activateWindow();
    return app.exec();
}

int runMoyuta(int argc, char *argv[], const char *folder)
{
    // The same steps as main().
    moyuta::ui::SessionEndWatcher::installSignalHandlers();
    QApplication app(argc, argv);
    moyuta::ui::prepareApplication(app);

    moyuta::ui::Program program(QString::fromLocal8Bit(folder));
    FirstPaint firstPaint;
    program.window().installEventFilter(&firstPaint);
    program.startSoon();
    return app.exec();
}

// The time since the last mark, on stderr.
class Marks {
public:
    Marks() : start_(monotonicNs()), last_(start_) {}
    void mark(const char *what)
    {
        const long long now = monotonicNs();
        std::fprintf(stderr, "%8.1f ms  %+7.1f ms  %s\n", (now - start_) / 1e6, (now - last_) / 1e6, what);
        last_ = now;
    }
    long long start() const { return start_; }

private:
    long long start_;
    long long last_;
};

// Marks what happens to the windows during start-up, up to the first paint
// of the main window.
class WindowMarks : public QObject {
public:
    WindowMarks(Marks &marks, QObject *program, QWidget *main) : marks_(marks), program_(program), main_(main) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (watched == program_ && type == QEvent::MetaCall && !started_) {
            started_ = true;
            marks_.mark("event loop runs: start-up begins");
        } else if (watched->objectName() == QLatin1String("frmLogo") && watched->isWidgetType()) {
            if (type == QEvent::Show)
                marks_.mark("splash shown");
            else if (type == QEvent::Paint && !splashPainted_) {
                splashPainted_ = true;
                marks_.mark("splash: first paint");
            } else if (type == QEvent::Hide)
                marks_.mark("splash closed");
        } else if (watched == main_ && type == QEvent::Show) {
            marks_.mark("main window shown");
        } else if (watched == main_ && type == QEvent::Paint) {
            marks_.mark("main window: first paint");
            std::printf("%lld\n", monotonicNs());
            std::fflush(stdout);
            std::fflush(stderr);
            std::_Exit(0);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Marks &marks_;
    QObject *program_;
    QWidget *main_;
    bool started_ = false;
    bool splashPainted_ = false;
};

int runPhases(int argc, char *argv[], const char *folder)
{
    Marks marks;
    std::fprintf(stderr, "main() entered at %lld\n", marks.start());
    moyuta::ui::SessionEndWatcher::installSignalHandlers();
    marks.mark("signal handlers");
    QApplication app(argc, argv);
    marks.mark("QApplication");

    // prepareApplication, step by step.
    if (QStyleFactory::keys().contains(QStringLiteral("Fusion"), Qt::CaseInsensitive))
        app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    marks.mark("prepare: Fusion style");
    const QStringList families = QFontDatabase::families();
    marks.mark("prepare: QFontDatabase::families()");
    for (const char *name : {"Noto Sans CJK JP", "Noto Sans JP", "Yu Gothic UI", "Meiryo UI", "Hiragino Sans"}) {
        const QString family = QString::fromLatin1(name);
        if (families.contains(family)) {
            QFont font(family);
            font.setPointSizeF(10);
            app.setFont(font);
            std::fprintf(stderr, "                      (font: %s)\n", name);
            break;
        }
    }
    marks.mark("prepare: application font");
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
        std::fprintf(stderr, "                      (no Qt translation qtbase_ja)\n");
    }
    marks.mark("prepare: Qt translation");

    moyuta::ui::Program program(QString::fromLocal8Bit(folder));
    marks.mark("Program (main window built)");
    WindowMarks windowMarks(marks, &program, &program.window());
    app.installEventFilter(&windowMarks);
    program.startSoon();
    return app.exec();
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc >= 2 && std::strcmp(argv[1], "bare") == 0)
        return runBare(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "moyuta") == 0)
        return runMoyuta(argc, argv, argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "phases") == 0)
        return runPhases(argc, argv, argv[2]);
    return usage();
}
