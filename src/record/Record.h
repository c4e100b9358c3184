#pragma once
// The game record: recording the actions of a local game, the ".nig" record
// file (also saved as SGF), and replaying a record one action per press.
// This folder alone writes AppState's `record` group; the record's moves
// themselves live in the board's move lists and change through board::.

#include "AppState.h"

#include <QByteArray>
#include <QIODevice>
#include <optional>

namespace moyuta::record {

inline const QString kNigFilter = QStringLiteral("NIGファイル(*.nig)");
inline const QString kSgfFilter = QStringLiteral("SGFファイル(*.sgf)");
inline const QString kRecordFilter = QStringLiteral("記録ファイル(*.nig *.sgf)");
// A record file holds at most this many lines.
constexpr int kMaxRecordLines = 500;

// --- Recording --------------------------------------------------------------
void onRecord(AppState &s);  // cmdRec: 記録(&Q) / 記録中止(&Q)
void onSaveAs(AppState &s);  // cmdNewSave

// --- Record file ------------------------------------------------------------
// Writes GameRecord to a file the user names; a successful save empties it,
// unless it was opened from a file (it stays ready to replay).
void saveRecord(AppState &s);
// Shows the save dialog and writes `record`: as SGF for a name ending in
// ".sgf" (any case), as ".nig" for one ending in ".nig"; other names are
// refused. True when the file was written.
bool writeRecordFile(AppState &s, const QStringList &record);
void onOpen(AppState &s);  // cmdFileOpen
// Shows the open dialog and reads the chosen file into GameRecord: a name
// ending in ".sgf" (any case) as SGF, any other as ".nig". Returns the
// warning of a file that cannot be opened, or nothing.
QString openRecord(AppState &s);

// The bytes of a record file: each entry and CR LF.
QByteArray recordFileText(const QStringList &record);
// The entries of a record file: every line end (CR LF, CR or LF) closes one;
// at most `maxLines` entries and 1 KiB of each are kept. Reading stops after
// `maxLines` lines of 1 KiB: nothing when the device goes on past that
// before `maxLines` lines have ended.
std::optional<QStringList> readRecordLines(QIODevice &device, int maxLines);
// Beside a record opened from SGF: the entries that were setup (AB, AW, AE),
// the entries of one node (as GameRecordJoins) and the handicap (HA, -1: none).
struct SgfSetup {
    QList<bool> setup;
    QList<bool> joins;
    int handicap = -1;
};
// The bytes of an SGF file of the record: UTF-8, one node per entry (the
// setup entries of one node together, as AB, AW and AE), LF at the end; SZ
// from the record's BoardSizeCode. The root node carries `info`'s known
// fields (HA from it when set, else from `setup`); `lastComment`, when not
// empty, is the last node's C.
QByteArray sgfText(const QStringList &record, int sizeCode = Size19, const SgfSetup &setup = {},
                   const GameInfo &info = {}, const QString &lastComment = {});

// --- Game information -------------------------------------------------------
void onGameInfo(AppState &s);  // cmdGameInfo: 対局情報(&1)
// `info` becomes the game's information (the user's, not a file's), and the
// window's title names its players.
void takeGameInfo(AppState &s, const GameInfo &info);
// "Moyuta — 黒 山田 / 白 佐藤": the players known; "Moyuta" when neither is.
QString windowTitle(const GameInfo &info);

// --- Replay -----------------------------------------------------------------
void onReplay(AppState &s);  // cmdF: 記録を再生(&T)
// Applies one entry of the record to the board, with the cue sound.
void applyReplayEntry(AppState &s, const QString &entry);

// --- Steps of a running replay (none before the first press, none after it ends) ---
// The board of that many presses (1 to the record's presses, clamped), quietly.
void goToReplayStep(AppState &s, int step);
// Presses forward (or back, below 0) from the step shown.
void stepReplay(AppState &s, int presses);
void onReplayFirst(AppState &s);  // cmdReplayFirst: 最初へ
void onReplayLast(AppState &s);   // cmdReplayLast: 最後へ
// The counter UpDownReplayStep jumps to the step put in it.
void installReplayHandlers(AppState &s);

}  // namespace moyuta::record
