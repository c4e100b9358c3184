#pragma once
// Moyuta.ini: the options AppData.dat has no room for, as an ini file beside
// it. A missing, damaged or strange file gives the defaults, silently: the
// options in it are conveniences, never worth a message.

#include "Settings.h"

#include <QString>

namespace moyuta::settings {

inline const QString kExtraSettingsFileName = QStringLiteral("Moyuta.ini");
// A larger file is not ours: it is not read.
constexpr qint64 kMaxExtraSettingsBytes = 64 * 1024;

ExtraSettings loadExtraSettings(const QString &folder);
// Writes the values into the folder's file, keeping the keys this copy does
// not know; a failed write says nothing.
void saveExtraSettings(const QString &folder, const ExtraSettings &settings);

}  // namespace moyuta::settings
