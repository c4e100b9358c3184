#pragma once
// Board and play: the board model, placing stones and marks, the move lists
// and take-back, marks and their counts, and the game lifecycle. Every
// function works on one AppState and never touches a widget.
// This folder alone writes AppState's `board` and `moves` groups: the other
// folders change them through the functions below.

#include "AppState.h"
#include "MoveEntry.h"

namespace moyuta::board {

enum class MouseButton { Left, Right };

// --- Board model -----------------------------------------------------------
bool boardHasContent(const AppState &s);
void clearBoard(AppState &s);
void showLastMoveMarker(AppState &s, int point);
void hideLastMoveMarker(AppState &s);
void switchTo19Lines(AppState &s);
void switchTo13Lines(AppState &s);
void switchTo9Lines(AppState &s);
void switchToSize(AppState &s, int sizeCode);
void onSizeOption(AppState &s, int index);  // Option3
// Empties every point; the state the window starts from.
void layOutBoard(AppState &s);

// --- Start number ----------------------------------------------------------
void onStartNumberChange(AppState &s);  // UpDown5
// Start number back to 1 and MoveCounter to 0.
void resetStartNumber(AppState &s);

// --- Placement -------------------------------------------------------------
void pressPoint(AppState &s, int point, MouseButton button);
void applyTool(AppState &s, int point);
void onColourOption(AppState &s, int index);   // Option1
void onPlacementMode(AppState &s, int index);  // Option2
void selectNextColourFromHistory(AppState &s);
void selectNextColourFromRecord(AppState &s);
// Alternate placement, "黒(&D)" chosen and the black stone as the tool: the
// selectors of an empty board.
void selectBlackToStart(AppState &s);

// --- Move history ----------------------------------------------------------
void onTakeBack(AppState &s);  // cmdBack
void takeBackFromHistory(AppState &s);
void takeBackFromRecord(AppState &s);
// Recording off, with the record button on its "記録(&Q)" face.
void showNotRecording(AppState &s);
// The state of a fresh game after an action or take-back emptied the board.
void freshStartOnEmptyBoard(AppState &s, bool afterTakeBack);

// --- Move lists (MoveLists is written here alone) -------------------------
// GameRecord emptied, with its board size, joins and setup marks.
void clearGameRecord(AppState &s);
// The record, its take-back history and the opened file forgotten.
void discardGameRecord(AppState &s);
// Every move list emptied: a network session begins.
void clearMoveLists(AppState &s);
void clearTakeBackHistory(AppState &s);
// Recording on, into a new record (saving it empties it).
void beginRecording(AppState &s);
// A record read from a file becomes GameRecord; an SGF file also brings its
// board size, its nodes and its setup.
void takeOpenedRecord(AppState &s, const QStringList &entries);
void takeOpenedSgf(AppState &s, const QStringList &entries, const QList<bool> &joins,
                   const QList<bool> &setup, int sizeCode);
// Saved as ".nig": the record replays one entry per press from now on.
void forgetRecordJoins(AppState &s);
// The opened file is no longer what GameRecord holds.
void forgetOpenedFile(AppState &s);

// --- Replay of GameRecord ----------------------------------------------------
// One entry on the board, without the cue sound; false when replay skips it outright.
bool showReplayedEntry(AppState &s, const QString &entry);
// One press: the next entry, or the entries of the next SGF node; the cue once.
void replayOnePress(AppState &s);
// The same press without the cue and without the counter (a jump shows it
// once at its end); false when it showed nothing (or the record has ended).
bool replayOnePressQuietly(AppState &s);
// How many presses replay the whole record, and how many of them are done.
int replayPressCount(const AppState &s);
int replayPressesDone(const AppState &s);
// The replay's step controls and its counter ("30 / 127"), on while a replay runs.
void showReplayPosition(AppState &s);
void rewindReplay(AppState &s);  // ReplayStep back to 0
// The size a command asks for, remembered for a declined switch, then the switch.
void switchToRequestedSize(AppState &s, int sizeCode);

// --- What the peer's messages do to this board ------------------------------
// The peer's size, at once: an empty board of that size.
void takePeerSize(AppState &s, int sizeCode);
// An empty board for a new game, started here or by the peer.
void emptyForNewGame(AppState &s);
void markGameStarted(AppState &s);
// After a clear: no game, no opened file, the next game's moves are sent again.
void markCleared(AppState &s);
// The peer resigned or ended the game.
void markGameOver(AppState &s);
// A move the peer sent: its counts taken over quietly, the point, the marker, the log.
void applyReceivedMove(AppState &s, const MoveEntry &move);
// The peer's count; the spinner's own handler echoes it once.
void takePeerPrisoners(AppState &s, bool white, int count);
// The network log's last move off the board, with its cue; false when the log is empty.
bool takeBackNetworkMove(AppState &s);
void setPeerHolding(AppState &s, bool holding);
// The peer's notices; each is lifted only by its own message.
void setPeerAway(AppState &s, bool away);
void setPeerRemoving(AppState &s, bool removing);
// Nothing heard from the peer for a while: the notice covers the board until it is back.
void setPeerSilent(AppState &s, bool silent);

// --- The whole game, as one side hands it to the other -----------------------
// Size, every point, the last-move marker, the network log, the prisoner
// counts and the game's flags, as text.
QString captureGame(const AppState &s);
// Takes the game over from its text; false (and nothing changed) when it is malformed.
bool adoptGame(AppState &s, const QString &text);

// --- Choices applied from elsewhere -------------------------------------------
void setTool(AppState &s, int tool);  // the tool the next press puts down
void setNumberStones(AppState &s, bool on);
// Content put on a point as it is (a stone's number stays), with no move
// recorded: a position set up from outside play (the screenshot tool, a test).
void setPointContent(AppState &s, int point, PointContent content);

// --- Marks -----------------------------------------------------------------
void onMarkOption(AppState &s, int index);  // Option4
void onNumberStonesClick(AppState &s);
void onOtherMarksClick(AppState &s);
void updateCountButtons(AppState &s);
void countMarks(AppState &s, PointContent mark);
void clearOtherMarks(AppState &s);
void showMessagePanel(AppState &s, const QString &text);
// Hides what this side showed; the peer's notice that is still due shows instead.
void hideMessagePanel(AppState &s);
void onMessagePanelClick(AppState &s);
// "▲を数える", "◆を数える" and "その他クリアー" together.
void setCountButtonsEnabled(AppState &s, bool enabled);

// --- Move count (the label "手数") ---------------------------------------------
// Stones placed in this game: those the replay has shown so far, else the
// network game's log, else the take-back history. Setup stones of an SGF
// record (handicap) are no moves and are not counted.
int stonesPlaced(const AppState &s);
// The stone the next left press would put down; Empty when it would put none
// (removal, a mark or letter, a replay, a network game not yet started).
PointContent nextStone(const AppState &s);
// "手数 57　次は白", or "手数 57" when the next press puts no stone.
QString moveCountCaption(const AppState &s);
// Brings the label up to date with the board.
void showMoveCount(AppState &s);

// --- Game lifecycle --------------------------------------------------------
void onClear(AppState &s);    // cmdClear
void resetBoardAndGame(AppState &s);
// Leaves a replay: ReplayStep 0, and once an entry was shown, the size options
// and "その他印(&U)" the replay held are given back. Every way out goes through here.
void endReplay(AppState &s);
// While a replay runs the board keeps the record's size, marks and moves:
// the size options, "その他印(&U)" and take-back stay off.
void lockForReplay(AppState &s);
void onStart(AppState &s);    // cmdStart
void onResign(AppState &s);   // cmdTouryou
void onPresence(AppState &s); // cmdOff
void onWhitePrisoners(AppState &s);  // UpDown1
void onBlackPrisoners(AppState &s);  // UpDown2

// Connects the form model's change handlers to the functions above.
void installHandlers(AppState &s);
// The game controls as the window opens (after the settings are applied).
void setInitialState(AppState &s);

// The leading decimal value of a text (0 when it starts with no digit).
int leadingNumber(const QString &text);

}  // namespace moyuta::board
