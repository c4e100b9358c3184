#include "SettingsFile.h"

#include "FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace moyuta::settings {

namespace {

constexpr int kValueCount = 14;
// A separator further than this from the start of the rest of the line is damage.
constexpr int kMaxSeparatorPosition = 255;
// More than any line the program writes; a larger file is read no further.
constexpr qint64 kMaxLineBytes = 64 * 1024;

// The leading number of a value: an optional "-" and the digits after it
// (0 when there are none); nothing when it does not fit [low, high].
std::optional<qint64> leadingNumber(const QString &value, qint64 low, qint64 high)
{
    qsizetype i = 0;
    const bool negative = value.startsWith(QLatin1Char('-'));
    if (negative)
        ++i;
    qint64 n = 0;
    for (; i < value.size() && value[i] >= QLatin1Char('0') && value[i] <= QLatin1Char('9'); ++i) {
        n = n * 10 + (value[i].unicode() - '0');
        if (n > high + 1 && n > -low)
            return std::nullopt;  // far outside any type
    }
    if (negative)
        n = -n;
    if (n < low || n > high)
        return std::nullopt;
    return n;
}

bool isByte(int v) { return v >= 0 && v <= 255; }

}  // namespace

QString findProgramFolder(const QString &reportedFolder)
{
    const QChar separator = QDir::separator();
    QString folder = QDir::toNativeSeparators(reportedFolder);
    while (folder.endsWith(separator))
        folder.chop(1);
    return folder + separator;
}

void resetSettingsToDefaults(Settings &settings)
{
    settings = Settings{};
}

QString formatLine(const Settings &v)
{
    const QString values[kValueCount] = {
        QString::number(v.currentTool),    QString::number(v.soundOff),
        v.peerAddress,                     QString::number(v.peerPort),
        QString::number(v.ownPort),        QString::number(v.boardColourIndex),
        QString::number(v.chatLogLimit),   QString::number(v.numberStones),
        QString::number(v.blackStoneColourIndex), QString::number(v.sendPacingCount),
        QString::number(v.showPasswordAtStart),   QString::number(v.activeCipherNumber),
        v.savedPassword,                   QString::number(v.boardSizeCode)};
    QString line;
    for (int i = 0; i < kValueCount; ++i)
        line += values[i] + (i + 1 < kValueCount ? QLatin1Char('#') : QLatin1Char('@'));
    return line;
}

std::optional<Settings> parseLine(const QString &line)
{
    if (!line.contains(QLatin1Char('#')))
        return std::nullopt;
    QString values[kValueCount];
    QStringView rest(line);
    for (int i = 0; i < kValueCount; ++i) {
        const QChar separator = i + 1 < kValueCount ? QLatin1Char('#') : QLatin1Char('@');
        const qsizetype at = rest.indexOf(separator);
        if (at < 0 || at + 1 > kMaxSeparatorPosition)
            return std::nullopt;
        values[i] = rest.left(at).toString();
        rest = rest.mid(at + 1);
    }

    Settings v;
    bool fits = true;
    auto byte = [&](int i, int &field) {
        const auto n = leadingNumber(values[i], 0, 255);
        fits &= n.has_value();
        field = int(n.value_or(0));
    };
    auto int32 = [&](int i, qint32 &field) {
        const auto n = leadingNumber(values[i], std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
        fits &= n.has_value();
        field = qint32(n.value_or(0));
    };
    byte(0, v.currentTool);
    byte(1, v.soundOff);
    v.peerAddress = values[2];
    int32(3, v.peerPort);
    int32(4, v.ownPort);
    byte(5, v.boardColourIndex);
    byte(6, v.chatLogLimit);
    byte(7, v.numberStones);
    byte(8, v.blackStoneColourIndex);
    int32(9, v.sendPacingCount);
    byte(10, v.showPasswordAtStart);
    byte(11, v.activeCipherNumber);
    v.savedPassword = values[12];
    byte(13, v.boardSizeCode);
    if (!fits)
        return std::nullopt;
    return v;
}

Settings savable(const Settings &settings)
{
    Settings v = settings;
    const Settings defaults;
    auto text = [](QString &field) {
        const bool survives = field.size() < kMaxSeparatorPosition && !field.contains(QLatin1Char('#'))
                              && !field.contains(QLatin1Char('\r')) && !field.contains(QLatin1Char('\n'))
                              && survivesCp932(field);
        if (!survives)
            field.clear();
    };
    text(v.peerAddress);
    text(v.savedPassword);
    for (auto [field, fallback] : {std::pair{&v.currentTool, defaults.currentTool}, {&v.soundOff, defaults.soundOff},
                                   {&v.boardColourIndex, defaults.boardColourIndex},
                                   {&v.chatLogLimit, defaults.chatLogLimit}, {&v.numberStones, defaults.numberStones},
                                   {&v.blackStoneColourIndex, defaults.blackStoneColourIndex},
                                   {&v.showPasswordAtStart, defaults.showPasswordAtStart},
                                   {&v.activeCipherNumber, defaults.activeCipherNumber},
                                   {&v.boardSizeCode, defaults.boardSizeCode}})
        if (!isByte(*field))
            *field = fallback;
    return v;
}

Settings loadSettings(AppState &s, const QString &folder)
{
    Settings defaults;
    resetSettingsToDefaults(defaults);
    const QString path = folder + kSettingsFileName;
    const QFileInfo info(path);
    if (!info.exists() || (info.isFile() && info.size() == 0))
        return defaults;

    std::optional<Settings> loaded;
    QFile file(path);
    if (openRegularFile(file)) {
        QByteArray bytes = file.read(kMaxLineBytes);
        file.close();
        const qsizetype end = bytes.indexOf('\n') < 0 ? bytes.indexOf('\r')
                              : bytes.indexOf('\r') < 0 ? bytes.indexOf('\n')
                                                        : std::min(bytes.indexOf('\r'), bytes.indexOf('\n'));
        if (end >= 0)
            bytes.truncate(end);
        loaded = parseLine(fromCp932(bytes));
    }
    if (!loaded) {
        // Unreadable or damaged: the values read so far are not kept.
        s.ports.windows.closeSplash();
        s.ports.windows.hideNewsWindow();
        s.warn(kDamagedWarning);
        return defaults;
    }
    return *loaded;
}

void saveSettings(const QString &folder, const Settings &settings)
{
    saveFile(folder + kSettingsFileName, toCp932(formatLine(savable(settings))));
}

}  // namespace moyuta::settings
