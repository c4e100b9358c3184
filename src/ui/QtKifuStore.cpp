#include "QtKifuStore.h"

#include "FileAccess.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace moyuta::ui {

QString QtKifuStore::folder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QString() : documents + QStringLiteral("/Moyuta/棋譜");
}

bool QtKifuStore::makeFolder()
{
    const QString path = folder();
    return !path.isEmpty() && QDir().mkpath(path) && QFileInfo(path).isDir();
}

bool QtKifuStore::exists(const QString &fileName)
{
    const QFileInfo file(folder() + QLatin1Char('/') + fileName);
    return file.exists() || file.isSymLink();  // a dangling link is taken too
}

bool QtKifuStore::write(const QString &fileName, const QByteArray &bytes)
{
    const QString path = folder();
    return !path.isEmpty() && saveFile(path + QLatin1Char('/') + fileName, bytes);
}

QDateTime QtKifuStore::localNow()
{
    return QDateTime::currentDateTime();
}

void QtKifuStore::openFolder()
{
    if (makeFolder())
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder()));
}

}  // namespace moyuta::ui
