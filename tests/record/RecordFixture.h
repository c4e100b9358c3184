#pragma once
// A window state with a folder for record files.

#include "Record.h"
#include "TestDoubles.h"

#include <QFile>
#include <QTemporaryDir>

namespace moyuta::test {

// A record kept in memory, as recording leaves one (not an opened file),
// made through the board's own loader.
inline void keepRecord(AppState &s, const QStringList &entries, int sizeCode = Size19)
{
    board::takeOpenedSgf(s, entries, {}, {}, sizeCode);
    board::forgetOpenedFile(s);
}

struct RecordFixture : Fixture {
    QTemporaryDir dir;

    RecordFixture() { record::installReplayHandlers(s); }

    QString path(const QString &name) const { return dir.filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    QByteArray readFile(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    // Opens a file through the open command, the dialog picking `name`.
    void open(const QString &name)
    {
        dialogs.fileNames.push_back(path(name));
        record::onOpen(s);
    }
    // Saves through save-as, answering Yes and picking `name`.
    void saveAs(const QString &name)
    {
        dialogs.answers.push_back(Answer::Yes);
        dialogs.fileNames.push_back(path(name));
        record::onSaveAs(s);
    }
};

}  // namespace moyuta::test
