#include "ExtraSettings.h"

#include "FileAccess.h"
#include "Types.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace moyuta::settings {

namespace {

const QString kClassicProtocolKey = QStringLiteral("network/classicProtocol");
const QString kOwnNameKey = QStringLiteral("kifu/ownName");
// The name is kept percent-encoded: QSettings would quote or escape other
// text, which the reader below refuses.
constexpr qsizetype kMaxOwnNameBytes = 32 * 4 * 3;
const QString kCoordinateStyleKey = QStringLiteral("board/coordinates");

// Whether QSettings may read the file: a regular file, not too large, and no
// value that QSettings would rebuild through QDataStream ("@Variant(",
// "@DateTime("), where a forged length asks for any amount of memory. Without
// a backslash or a quote no value is escaped, so the plain text tells; this
// program writes neither (plain numbers and words only).
bool safeToRead(const QString &path)
{
    QFile file(path);
    if (!openRegularFile(file))
        return false;
    const QByteArray bytes = file.read(kMaxExtraSettingsBytes + 1);
    return bytes.size() <= kMaxExtraSettingsBytes && !bytes.contains('\\') && !bytes.contains('"')
           && !bytes.contains("@Variant(") && !bytes.contains("@DateTime(");
}

// "true" or "false" as QSettings writes them; anything else keeps the default.
bool readBool(const QSettings &ini, const QString &key, bool fallback)
{
    const QString text = ini.value(key).toString();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    return fallback;
}

// A whole number in [0, count); anything else keeps the default.
int readChoice(const QSettings &ini, const QString &key, int count, int fallback)
{
    bool ok = false;
    const int value = ini.value(key).toString().toInt(&ok);
    return ok && value >= 0 && value < count ? value : fallback;
}

void writeValues(QSettings &ini, const ExtraSettings &v)
{
    ini.setValue(kClassicProtocolKey, v.classicProtocol);
    ini.setValue(kOwnNameKey, QString::fromLatin1(v.ownName.toUtf8().toPercentEncoding()));
    ini.setValue(kCoordinateStyleKey, v.coordinateStyle);
    ini.sync();
}

}  // namespace

ExtraSettings loadExtraSettings(const QString &folder)
{
    ExtraSettings v;
    const QString path = folder + kExtraSettingsFileName;
    if (!QFileInfo::exists(path) || !safeToRead(path))
        return v;
    const QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        return v;
    v.classicProtocol = readBool(ini, kClassicProtocolKey, v.classicProtocol);
    const QString name = ini.value(kOwnNameKey).toString();
    if (name.size() <= kMaxOwnNameBytes)
        v.ownName = QString::fromUtf8(QByteArray::fromPercentEncoding(name.toLatin1()));
    v.coordinateStyle = readChoice(ini, kCoordinateStyleKey, kCoordinateStyleCount, v.coordinateStyle);
    return v;
}

void saveExtraSettings(const QString &folder, const ExtraSettings &settings)
{
    if (!QFileInfo(folder).isDir())
        return;  // QSettings would make the folder
    const QString path = folder + kExtraSettingsFileName;
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return;  // a FIFO or a device would block or swallow the write
    // QSettings merges with what the file holds: a file it may not read is replaced.
    if (info.exists() && !safeToRead(path))
        QFile::remove(path);
    {
        QSettings ini(path, QSettings::IniFormat);
        writeValues(ini, settings);
        if (ini.status() != QSettings::AccessError)
            return;
    }
    // The folder refuses the temporary file (a read-only program folder whose
    // file may still be written): in place.
    QSettings ini(path, QSettings::IniFormat);
    ini.setAtomicSyncRequired(false);
    writeValues(ini, settings);
}

}  // namespace moyuta::settings
