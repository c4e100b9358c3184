#include "Program.h"

#include "ConnectRetry.h"
#include "Mapping.h"
#include "SecurePlay.h"

#include "Board.h"
#include "NetworkKifu.h"
#include "Clock.h"
#include "Options.h"
#include "Panel.h"
#include "Record.h"

#include <QApplication>
#include <QDialog>
#include <QThread>
#include <QTimer>

namespace moyuta::ui {

namespace {

// Closes every open modal box and file dialog as not answered Yes.
void closeModalWindows()
{
    for (int i = 0; i < 32; ++i) {
        QWidget *w = QApplication::activeModalWidget();
        if (!w)
            return;
        if (auto *dialog = qobject_cast<QDialog *>(w))
            dialog->reject();
        else
            w->close();
        if (QApplication::activeModalWidget() == w)
            w->hide();
    }
}

}  // namespace

Program::Program(const QString &folder, NewsPort *news, DialogPort *dialogs)
    : sound_([this] { return state_.shell.programFolder; }),
      program_(folder),
      news_(QStringLiteral(MOYUTA_NEWS_URL)),
      windows_(window_, state_),
      state_({dialogs ? *dialogs : dialogs_, pump_, outbox_, sound_, clock_, transport_, program_, windows_,
              news ? *news : news_, &portMapper_, &localAddresses_, &mappingTimer_, &clipboard_,
              &connectRetryTimer_, &kifuStore_}),
      window_(state_)
{
    dialogs_.setParent(&window_);
    dialogs_.setBeforeBox([this] { window_.sync(); });
    board::installHandlers(state_);
    record::installReplayHandlers(state_);
    network::installPanelHandlers(state_);
    shell::installHandlers(state_);
    record::attachNetworkKifu(state_);
    clock_.onTick = [this] {
        shell::onClockEvent(state_);
        window_.sync();
    };
    outbox_.attach(state_);
    outbox_.afterReceive = [this] {
        window_.sync();  // a received message changes the window as a click does
        afterReceive();
    };
    network::attachSecure(state_, secureChannel_, keyDerivation_, sessionTimer_, [this] { outbox_.afterReceive(); });
    network::attachPortMapping(state_, [this] { outbox_.afterReceive(); });
    network::attachConnectRetry(state_, [this] { outbox_.afterReceive(); });
    window_.runShell([this] { finish(exitCode_); });
    connect(&watcher_, &SessionEndWatcher::sessionEnding, this, &Program::endSession);
}

void Program::startSoon()
{
    QTimer::singleShot(0, this, &Program::start);
}

void Program::start()
{
    if (started_ || finished_)
        return;
    started_ = true;
    switch (shell::startUp(state_)) {
    case shell::StartResult::Running:
        break;
    case shell::StartResult::Refused:
        finish(1);  // nothing was loaded: nothing is saved
        break;
    case shell::StartResult::Abandoned:
        finish(0);  // ended while the notice was fetched: nothing is saved
        break;
    case shell::StartResult::Failed:
        exitCode_ = 1;
        window_.close();  // shut-down saves the defaults
        break;
    }
}

void Program::endSession()
{
    if (finished_ || !shell::beginSessionEnd(state_))
        return;  // a second signal does nothing more
    state_.ports.news.abort();  // a fetch in progress returns at once
    closeModalWindows();
    closeWhenIdle();
}

void Program::closeWhenIdle()
{
    if (finished_)
        return;
    // A handler that opened a box or lets events run finishes first.
    if (NestedEvents::active() || QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(20, this, &Program::closeWhenIdle);
        return;
    }
    if (!started_) {
        finish(0);  // nothing loaded yet: nothing to save
        return;
    }
    window_.close();
}

void Program::afterReceive()
{
    if (!state_.session.peerQuit || state_.session.receiving || finished_)
        return;
    // While the quit question is open the notice waits: a cancel acts on it.
    if (!state_.shell.quitting)
        closeWhenIdle();
}

void Program::finish(int exitCode)
{
    if (finished_)
        return;
    finished_ = true;
    QCoreApplication::exit(exitCode);
}

}  // namespace moyuta::ui
