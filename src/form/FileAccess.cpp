#include "FileAccess.h"

#include <QFileInfo>
#include <QSaveFile>

namespace moyuta {

bool saveFile(const QString &path, const QByteArray &bytes)
{
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isFile())
        return false;
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace moyuta
