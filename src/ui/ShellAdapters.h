#pragma once
// The real adapters of the shell's ports: the program file and its
// single-copy lock, the windows around the main window, and the watch for
// the end of the desktop session.

#include "AppState.h"
#include "NewsWindow.h"
#include "Ports.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

class QLockFile;
class QSocketNotifier;

namespace moyuta::ui {

class MainWindow;
class SplashWindow;

// The executable's folder and one copy per user on this machine: a lock file
// in the temporary folder, held until the program ends. A lock left by a
// crashed copy is taken over; a folder where no lock can be made blocks nothing.
class QtProgram : public ProgramPort {
public:
    // `folder`: the program folder to report; empty for the executable's own.
    explicit QtProgram(QString folder = {});
    ~QtProgram() override;

    QString executableFolder() override;
    bool claimSingleCopy() override;
    void beep() override;

    static QString lockFilePath();
    // A lock file whose owner cannot be read is taken over once it is this old.
    static constexpr int kUnreadableLockAgeSeconds = 5;

private:
    QString folder_;
    std::unique_ptr<QLockFile> lock_;
};

// The game clock's time: a precise one-second timer for the ticks and a
// steady clock that says how many seconds have really passed.
class QtClock : public QObject, public ClockPort {
public:
    QtClock();
    qint64 nowMs() const override { return elapsed_.elapsed(); }
    void startTicking() override { timer_.start(); }
    void stopTicking() override { timer_.stop(); }

private:
    QElapsedTimer elapsed_;
    QTimer timer_;
};

class QtShellWindows : public ShellWindowsPort {
public:
    QtShellWindows(MainWindow &main, AppState &s) : main_(main), s_(s) {}
    ~QtShellWindows() override;

    void showSplash(const QString &status) override;
    void closeSplash() override;
    bool newsWindowLoaded() override { return news_ != nullptr; }
    void showNewsWindow() override;
    void hideNewsWindow() override;
    void closeNewsWindow() override;
    void showMainWindow() override;

    SplashWindow *splash() const { return splash_; }
    NewsWindow *newsWindow() const { return news_; }
    // A splash appears only once start-up has taken this long: a quick start
    // shows the main window without a flash of another window before it.
    static constexpr int kSplashDelayMs = 250;

private:
    MainWindow &main_;
    AppState &s_;
    QPointer<SplashWindow> splash_;
    QPointer<NewsWindow> news_;
    QTimer *splashDelay_ = nullptr;
};

// Reports the end of the desktop session (the session manager's request to
// save, SIGTERM, SIGHUP, SIGINT). Signals reach the event loop through a pipe:
// the signal handler itself only writes one byte.
class SessionEndWatcher : public QObject {
    Q_OBJECT
public:
    // Call first in main(), before anything can take long: from then on these
    // signals never kill the program outright.
    static void installSignalHandlers();

    explicit SessionEndWatcher(QObject *parent = nullptr);

signals:
    void sessionEnding();

private:
    void readSignals();
    QSocketNotifier *notifier_ = nullptr;
};

}  // namespace moyuta::ui
