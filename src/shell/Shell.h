#pragma once
// The life of the main window: start-up, the close request and shut-down.
// This folder alone writes AppState's `shell`, `news` and `gameClock` groups.

#include "AppState.h"

namespace moyuta::shell {

enum class StartResult {
    Running,  // the main window (or the news window) is shown
    Refused,  // another copy runs or the folder path is too long: end without saving
    Failed,   // start-up error: close the window; shut-down saves the defaults
    Abandoned,  // a close request came while the news was fetched: end without saving
};

inline const QString kAlreadyRunning = QStringLiteral("Moyutaはすでに起動しています。");
inline const QString kPathTooLong = QStringLiteral("パスが長すぎます。");
inline const QString kStartupError = QStringLiteral("フォームを起動中にエラーしました。");
inline const QString kQuitQuestion = QStringLiteral("Moyutaを終了しますか？");
inline const QString kQuitWhileRecording = QStringLiteral("記録中ですが終了しますか？");
inline const QString kSplashStatus = QStringLiteral("サーバーにアクセスしています…");

StartResult startUp(AppState &s);
// The folder of the settings, the notice log and the cue sound, from the
// executable's folder as the system reports it.
void setProgramFolder(AppState &s, const QString &reportedFolder);

// The settings put into the window, with the start-up corrections written
// back into s.shell.settings; and the window's values collected for saving.
void applySettings(AppState &s);
void collectSettings(AppState &s);

// The close request; false when the close is cancelled.
bool closeRequest(AppState &s);
// The desktop session or a signal ends the program: quitting from now on.
// False when it was already ending.
bool beginSessionEnd(AppState &s);
// Releases the sound and saves the settings (once; only after a load or a start-up error).
void shutDown(AppState &s);
// Collects and saves the settings files during the run, as shut-down would
// (only after a successful start, and not after shut-down).
void saveSessionFields(AppState &s);

// A click on the window background or on the clock labels.
void onBackgroundClick(AppState &s);

}  // namespace moyuta::shell
