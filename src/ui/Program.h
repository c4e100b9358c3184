#pragma once
// The whole program in one object: the window state, the main window, the
// real adapters of the ports, start-up, closing and the end of the session.

#include "MainWindow.h"
#include "Protocol.h"
#include "QtClipboard.h"
#include "QtKifuStore.h"
#include "QtDtlsChannel.h"
#include "QtKeyDerivation.h"
#include "QtLocalAddresses.h"
#include "QtNewsFetch.h"
#include "QtSessionTimer.h"
#include "QtPortMapper.h"
#include "QtPorts.h"
#include "QtSound.h"
#include "QtUdpTransport.h"
#include "Shell.h"
#include "ShellAdapters.h"
#include "SplashWindow.h"

#include <QObject>

namespace moyuta::ui {

class Program : public QObject {
    Q_OBJECT
public:
    // `folder`: the program folder; empty for the executable's own.
    // `news`: the news endpoint of the caller's own (a test), else the one the build names.
    // `dialogs`: message boxes of the caller's own (a test driver), else the real ones.
    explicit Program(const QString &folder = {}, NewsPort *news = nullptr, DialogPort *dialogs = nullptr);

    // Runs start-up once the event loop runs; the program ends through
    // QCoreApplication::exit with 0, or 1 for a refused or failed start.
    void startSoon();
    void start();
    // The desktop session ends or a termination signal arrived: close without
    // questions once the handler that is running (if any) has returned.
    void endSession();

    AppState &state() { return state_; }
    MainWindow &window() { return window_; }
    QtShellWindows &windows() { return windows_; }
    QtSound &sound() { return sound_; }

private:
    void closeWhenIdle();
    // After a receive: the peer's shut-down notice ends the program.
    void afterReceive();
    void finish(int exitCode);

    // The adapters come first: the state is given all of them when it is made.
    QtDialogs dialogs_;
    QtEventPump pump_;
    QtUdpTransport transport_;
    network::NetworkOutbox outbox_;
    // The secure session's ports: the library is loaded when 接続 is first pressed.
    QtDtlsChannel secureChannel_;
    QtKeyDerivation keyDerivation_;
    QtSessionTimer sessionTimer_;
    // Reaching this copy from outside the home: the router is asked when 接続
    // is pressed for a friend outside it.
    QtPortMapper portMapper_;
    QtLocalAddresses localAddresses_;
    QtSessionTimer mappingTimer_;
    QtSessionTimer connectRetryTimer_;
    QtClipboard clipboard_;
    QtKifuStore kifuStore_;
    QtSound sound_;
    QtClock clock_;
    QtProgram program_;
    QtNewsFetch news_;  // the endpoint the build names
    QtShellWindows windows_;  // holds the main window and the state, made after it
    AppState state_;
    MainWindow window_;
    SessionEndWatcher watcher_;
    bool started_ = false;
    bool finished_ = false;
    int exitCode_ = 0;
};

}  // namespace moyuta::ui
