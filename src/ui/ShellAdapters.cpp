#include "ShellAdapters.h"

#include "MainWindow.h"
#include "QtPorts.h"
#include "SplashWindow.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace moyuta::ui {

QtClock::QtClock()
{
    elapsed_.start();
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (onTick)
            onTick();
    });
}


QtProgram::QtProgram(QString folder) : folder_(std::move(folder)) {}

QtProgram::~QtProgram() = default;

QString QtProgram::executableFolder()
{
    return folder_.isEmpty() ? QCoreApplication::applicationDirPath() : folder_;
}

QString QtProgram::lockFilePath()
{
#ifdef Q_OS_UNIX
    const QString user = QString::number(::getuid());
#else
    const QString user = qEnvironmentVariable("USERNAME");
#endif
    // A temporary folder that does not exist gives no path (not the working folder).
    const QString tmp = QDir::tempPath();
    return tmp.isEmpty() ? QString() : QDir(tmp).filePath(QStringLiteral("moyuta-%1.lock").arg(user));
}

namespace {

bool processRunning(qint64 pid)
{
#ifdef Q_OS_UNIX
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
#else
    return pid > 0;
#endif
}

}  // namespace

bool QtProgram::claimSingleCopy()
{
    if (lockFilePath().isEmpty())
        return true;  // nowhere to put a lock
    lock_ = std::make_unique<QLockFile>(lockFilePath());
    // Only a lock whose owner is gone is stale, however old it is.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return true;
    bool heldByAnother = false;
    if (lock_->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host, app;
        if (lock_->getLockInfo(&pid, &host, &app)) {
            heldByAnother = processRunning(pid);
        } else {
            // No owner to read: half-written by a crash, or being written by
            // a copy starting this very moment.
            const QDateTime written = QFileInfo(lockFilePath()).lastModified();
            if (written.secsTo(QDateTime::currentDateTime()) < kUnreadableLockAgeSeconds)
                heldByAnother = true;
            else if (lock_->removeStaleLockFile() && lock_->tryLock(0))
                return true;
        }
    }
    // Otherwise no lock can be made here, and that blocks no start.
    lock_.reset();
    return !heldByAnother;
}

void QtProgram::beep()
{
    QApplication::beep();
}

QtShellWindows::~QtShellWindows()
{
    delete news_;
    delete splash_;
}

void QtShellWindows::showSplash(const QString &status)
{
    if (!splash_) {
        splash_ = new SplashWindow;
        splash_->setAttribute(Qt::WA_QuitOnClose, false);  // the main window follows it
    }
    splash_->setStatus(status);
    if (!splashDelay_) {
        // Fires while start-up waits in a nested event loop (the news fetch).
        splashDelay_ = new QTimer(splash_);
        splashDelay_->setSingleShot(true);
        QObject::connect(splashDelay_, &QTimer::timeout, splash_, [this] {
            splash_->show();
            splash_->raise();
        });
    }
    splashDelay_->start(kSplashDelayMs);
}

void QtShellWindows::closeSplash()
{
    if (!splash_)
        return;
    if (splashDelay_)
        splashDelay_->stop();
    splashDelay_ = nullptr;  // owned by the splash
    splash_->close();
    splash_->deleteLater();
    splash_ = nullptr;
}

void QtShellWindows::showNewsWindow()
{
    if (!news_) {
        news_ = new NewsWindow(s_);
        QObject::connect(news_, &NewsWindow::closed, news_, [this, window = news_.data()] {
            if (news_ == window)
                news_ = nullptr;
            window->deleteLater();
        });
    }
    news_->sync();
    news_->show();
    news_->raise();
    news_->activateWindow();
}

void QtShellWindows::hideNewsWindow()
{
    if (news_)
        news_->hide();
}

void QtShellWindows::closeNewsWindow()
{
    if (news_)
        news_->close();  // its closing handler runs, then it is gone
}

void QtShellWindows::showMainWindow()
{
    main_.sync();
    main_.fitScreen();
    main_.show();
    main_.activateWindow();
}

#ifdef Q_OS_UNIX
namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[0], &byte, 1);
    errno = saved;
}

}  // namespace
#endif

void SessionEndWatcher::installSignalHandlers()
{
#ifdef Q_OS_UNIX
    if (signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    for (int fd : signalPipe)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(sig, &action, nullptr);
#endif
}

SessionEndWatcher::SessionEndWatcher(QObject *parent) : QObject(parent)
{
#ifdef Q_OS_UNIX
    if (signalPipe[1] >= 0) {
        notifier_ = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &SessionEndWatcher::readSignals);
    }
#endif
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) { emit sessionEnding(); });
}

void SessionEndWatcher::readSignals()
{
#ifdef Q_OS_UNIX
    char buffer[64];
    bool any = false;
    while (::read(signalPipe[1], buffer, sizeof buffer) > 0)
        any = true;
    if (any)
        emit sessionEnding();
#endif
}

}  // namespace moyuta::ui
