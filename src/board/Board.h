#pragma once
// Board and play: the board model, placing stones and marks, the move lists
// and take-back, marks and their counts, and the game lifecycle. Every
// function works on one AppState and never touches a widget.

#include "AppState.h"

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
