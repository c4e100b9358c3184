#pragma once
// Reading and writing the program's files (AppData.dat, InfoLog.txt, the
// record files) the same safe way everywhere.

#include <QByteArray>
#include <QString>

class QFile;

namespace moyuta {

// Opens file.fileName() for reading when it is a regular file. Anything else
// (a FIFO, a socket, a device, a folder) is refused without a blocking open:
// a FIFO would wait for a writer for ever, a device might never end.
bool openRegularFile(QFile &file);

// Writes `bytes` as the whole file at `path`: into a temporary file beside it,
// renamed over the old one, so a crash or a full disk keeps the old file.
// When the folder refuses the temporary file but the file itself may be
// written (a read-only program folder), the file is written in place instead.
// Anything at `path` that is not a regular file is left alone: a FIFO or a
// device would block or swallow the write. False when nothing was written.
bool saveFile(const QString &path, const QByteArray &bytes);

}  // namespace moyuta
