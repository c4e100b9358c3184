#include "FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace moyuta {

bool openRegularFile(QFile &file)
{
    if (!QFileInfo(file.fileName()).isFile())
        return false;
#ifdef Q_OS_UNIX
    // The name may be swapped for a FIFO after the look above: the open does
    // not wait, and what was opened is looked at again.
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    return file.open(QIODevice::ReadOnly);
#endif
}

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
