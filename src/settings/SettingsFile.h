#pragma once
// AppData.dat: the settings file in the program's folder. One line of
// cp932 text, 14 values, "#" after the first 13 and "@" after the last.

#include "AppState.h"
#include "Cp932.h"

#include <QByteArray>
#include <optional>

namespace moyuta::settings {

inline const QString kSettingsFileName = QStringLiteral("AppData.dat");
inline const QString kDamagedWarning = QStringLiteral("アプリケーションデータを開けませんでした。既定値を設定します。");
// A program folder longer than this (separator included) is refused at start-up.
constexpr int kMaxProgramFolderLength = 230;

// The folder as reported, with native separators and exactly one separator at its end.
QString findProgramFolder(const QString &reportedFolder);

void resetSettingsToDefaults(Settings &settings);

// The line of the file for these values, and back. parseLine gives nothing
// for a damaged line; anything after "@" is ignored.
QString formatLine(const Settings &settings);
std::optional<Settings> parseLine(const QString &line);

// The values as they can be written: a text value that would not load back
// the same (a "#", a line break, 255 characters or more, a character cp932
// cannot hold) becomes empty, a byte outside 0–255 its default.
Settings savable(const Settings &settings);

// The settings in the folder's file, or the defaults; a damaged file closes
// the splash, hides the news window and warns (through s's ports).
Settings loadSettings(AppState &s, const QString &folder);
// Writes the settings to the folder's file; a failed write keeps the old
// file and says nothing.
void saveSettings(const QString &folder, const Settings &settings);

}  // namespace moyuta::settings
