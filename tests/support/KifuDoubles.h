#pragma once
// The kifu folder in memory: its files, every write in order, a clock the
// test sets, and refusals on demand.

#include "Ports.h"

#include <QMap>
#include <QStringList>

namespace moyuta::test {

class MemoryKifuStore : public KifuStorePort {
public:
    QString path = QStringLiteral("/home/player/Documents/Moyuta/棋譜");
    QMap<QString, QByteArray> files;
    QStringList writes;  // the names written, once per write
    QDateTime now{QDate(2026, 12, 10), QTime(15, 30)};
    bool folderThere = false;
    bool refuseFolder = false;
    bool refuseWrite = false;
    int opens = 0;

    QString folder() override { return path; }
    bool makeFolder() override
    {
        folderThere = folderThere || !refuseFolder;
        return folderThere;
    }
    bool exists(const QString &fileName) override { return files.contains(fileName); }
    bool write(const QString &fileName, const QByteArray &bytes) override
    {
        if (!folderThere || refuseWrite)
            return false;
        files[fileName] = bytes;
        writes << fileName;
        return true;
    }
    QDateTime localNow() override { return now; }
    void openFolder() override
    {
        if (makeFolder())
            ++opens;
    }
    // The text of the file written last.
    QString last() const { return writes.isEmpty() ? QString() : QString::fromUtf8(files.value(writes.last())); }
};

}  // namespace moyuta::test
