// The record file: save-as (".nig" or SGF), the open command and reading a ".nig" file.
#include "Board.h"
#include "Cp932.h"
#include "FileAccess.h"
#include "Record.h"
#include "RecordCommon.h"
#include "SgfRead.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <exception>

namespace moyuta::record {

namespace {

// More of one line is not kept: a record line has at most 11 characters.
constexpr qsizetype kMaxLineBytes = 1024;

const QString kWrongFormatWarning = QStringLiteral("ファイルを開けない、もしくはファイルの形式が違います。");

bool hasNoWriteBits(const QFileInfo &info)
{
    return !(info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
}

// A first line the program can have written: one-character tool, then a comma, 7 to 11 characters.
bool firstLineHasRecordShape(const QString &line)
{
    return line.size() >= 7 && line.size() <= 11 && line[1] == QLatin1Char(',');
}

void rejectOpenedFile(AppState &s)
{
    board::discardGameRecord(s);
    takeGameInfo(s, {});
}

// A ".nig" file has no room for the game information: said once for each information.
void tellNigKeepsNoInfo(AppState &s)
{
    if (s.record.info.isEmpty() || s.record.info == s.record.nigNoticeFor)
        return;
    s.record.nigNoticeFor = s.record.info;
    s.inform(QStringLiteral("対局情報は「.nig」ファイルには保存されません。"));
}

}  // namespace

QByteArray recordFileText(const QStringList &record)
{
    QString text;
    for (const QString &entry : record)
        text += entry + QStringLiteral("\r\n");
    // Trailing empty entries vanish; exactly one CR LF ends the file.
    while (text.endsWith(QStringLiteral("\r\n")))
        text.chop(2);
    text += QStringLiteral("\r\n");
    return toCp932(text);
}

std::optional<QStringList> readRecordLines(QIODevice &device, int maxLines)
{
    // Lines of a sane length end well within this; a file that goes on
    // longer is not read to its end (a huge or sparse file would hold the
    // window for as long as it takes).
    const qint64 maxBytes = qint64(maxLines) * (kMaxLineBytes + 2);
    QStringList lines;
    QByteArray line;
    bool afterCr = false;
    bool open = false;  // text since the last line end
    qint64 total = 0;
    char buffer[16384];
    while (lines.size() < maxLines) {
        if (total == maxBytes) {
            char more;
            if (device.read(&more, 1) > 0)
                return std::nullopt;
            break;
        }
        const qint64 n = device.read(buffer, std::min<qint64>(sizeof buffer, maxBytes - total));
        if (n <= 0)
            break;  // the end, or a read error: what was read so far stays
        total += n;
        for (qint64 i = 0; i < n && lines.size() < maxLines; ++i) {
            const char c = buffer[i];
            if (afterCr && c == '\n') {
                afterCr = false;  // CR LF is one line end
                continue;
            }
            afterCr = c == '\r';
            if (c == '\r' || c == '\n') {
                lines << fromCp932(line);
                line.clear();
                open = false;
                continue;
            }
            open = true;
            if (line.size() < kMaxLineBytes)
                line += c;
        }
    }
    if (open && lines.size() < maxLines)
        lines << fromCp932(line);
    return lines;
}

bool writeRecordFile(AppState &s, const QStringList &record)
{
    s.record.saveSucceeded = false;
    const QString name = s.saveFileName({kNigFilter, kSgfFilter});
    if (name.isEmpty())
        return false;
    QByteArray text;
    if (name.endsWith(QStringLiteral(".sgf"), Qt::CaseInsensitive))
        text = sgfText(record, s.moves.recordSizeCode, {s.moves.gameRecordSetup, s.moves.gameRecordJoins}, s.record.info);
    else if (name.endsWith(QStringLiteral(".nig"))) {
        tellNigKeepsNoInfo(s);
        text = recordFileText(record);
        board::forgetRecordJoins(s);  // ".nig" replays one entry per press
    }
    else {
        s.warn(QStringLiteral("拡張子が「.nig」以外は扱えません。"));
        return false;
    }
    // A read-only file is not replaced, whoever runs the program.
    const QFileInfo info(name);
    if (info.exists() && hasNoWriteBits(info))
        return false;
    if (!saveFile(name, text))
        return false;
    s.record.saveSucceeded = true;
    s.form.cmdNewSave.enabled = false;
    return true;
}

void saveRecord(AppState &s)
{
    Form &f = s.form;
    try {
        const bool saved = writeRecordFile(s, s.moves.gameRecord);
        if (saved) {
            // Only a saved record leaves memory; a failed one can be saved again.
            // An opened file stays open: it can still be replayed or saved again.
            if (!s.moves.recordFileLoaded)
                board::clearGameRecord(s);
            s.record.saveSucceeded = false;
            f.cmdNewSave.enabled = s.moves.recordFileLoaded;
            s.inform(QStringLiteral("記録ファイルを保存しました。"));
        } else {
            f.cmdNewSave.enabled = true;
            s.warn(QStringLiteral("記録ファイルを保存出来ませんでした。"));
        }
    } catch (const std::exception &) {
        f.cmdNewSave.enabled = true;
        s.warn(QStringLiteral("記録を保存に失敗しました。"));
    }
}

QString openRecord(AppState &s)
{
    const QString name = s.openFileName({kRecordFilter, kNigFilter, kSgfFilter});
    if (name.isEmpty())
        return {};
    takeGameInfo(s, {});  // the file's own from now on: a ".nig" file holds none
    QFile file(name);
    if (name.endsWith(QStringLiteral(".sgf"), Qt::CaseInsensitive)) {
        const QString unreadable = QStringLiteral("SGFファイルを読み込めませんでした。");
        if (!openRegularFile(file) || file.size() > kMaxSgfBytes)
            return unreadable;
        const SgfRecord sgf = readSgf(file.read(kMaxSgfBytes + 1));
        if (sgf.result == SgfResult::UnsupportedSize)
            return QStringLiteral("この碁盤の大きさには対応していません。");
        if (sgf.result == SgfResult::NothingToReplay)
            return QStringLiteral("このSGFファイルには石がないので、再生するものがありません。");
        if (sgf.result != SgfResult::Ok)
            return unreadable;
        board::takeOpenedSgf(s, sgf.entries, sgf.joins, sgf.setup, sgf.sizeCode);
        takeGameInfo(s, sgf.info);
        s.record.infoFromFile = true;
        return {};
    }
    if (!openRegularFile(file) || file.size() == 0)
        return {};  // not opened: nothing to show
    const std::optional<QStringList> lines = readRecordLines(file, kMaxRecordLines + 1);
    if (!lines)
        return kWrongFormatWarning;
    board::takeOpenedRecord(s, *lines);
    s.record.tooManyLines = lines->size() > kMaxRecordLines;
    return {};
}

void onOpen(AppState &s)
{
    if (s.moves.recording || s.board.gameStarted || s.flags.busy)
        return;
    const BusyScope busy(s);
    Form &f = s.form;

    if (!s.moves.gameRecord.isEmpty()) {
        if (!s.askYes(QStringLiteral("記録したデータ、または開いたファイルがあります、保存していない場合は消えてしまいますがファイルを開きますか？")))
            return;
    } else if (board::boardHasContent(s)) {
        if (!s.askYes(kClearBoardQuestion))
            return;
    }

    emptyBoardForRecord(s);
    board::discardGameRecord(s);
    board::endReplay(s);
    f.cmdNewSave.enabled = false;
    f.cmdClear.enabled = false;
    f.cmdBack.enabled = false;
    f.cmdF.enabled = false;  // no record to replay unless this open succeeds
    s.record.saveSucceeded = false;

    const QString problem = openRecord(s);
    if (!problem.isEmpty()) {
        s.warn(problem);
        rejectOpenedFile(s);
        return;
    }
    if (s.moves.gameRecord.isEmpty())
        return;
    if (s.record.tooManyLines) {
        s.warn(QStringLiteral("500手を超えるファイルです。"));
        rejectOpenedFile(s);
        s.record.tooManyLines = false;
        return;
    }
    if (!firstLineHasRecordShape(s.moves.gameRecord.first())) {
        s.warn(kWrongFormatWarning);
        rejectOpenedFile(s);
        return;
    }
    f.cmdF.enabled = true;
    f.cmdNewSave.enabled = true;  // it can be saved again, as SGF for one

    // A numbered stone anywhere in the record switches numbering on.
    for (const QString &entry : std::as_const(s.moves.gameRecord)) {
        const QChar last = entry.isEmpty() ? QChar() : entry.back();
        if (last >= QLatin1Char('1') && last <= QLatin1Char('9')) {
            f.chkNumberStones.setChecked(true);
            return;
        }
    }
    s.inform(QStringLiteral("ファイルを開きました。"));
}

}  // namespace moyuta::record
