// A press on a board point: which tool it applies, how the board changes,
// how the action is recorded and how the colour to play next is chosen.
#include "Board.h"
#include "MoveEntry.h"

namespace moyuta::board {

namespace {

constexpr int kColourBlack = 0, kColourWhite = 1, kColourRemove = 2;
// The tool each choice of the colour/removal selector stands for.
constexpr int kToolOfColourChoice[3] = {ToolBlack, ToolWhite, ToolRemove};

bool markChosen(const AppState &s)
{
    const int m = s.form.Option4.selected;
    return m == 1 || m == 2;
}

int toolOfEntry(const QString &entry)
{
    return entry.isEmpty() ? 0 : leadingNumber(entry.left(1));
}

void setRemoveChoiceColour(AppState &s, Rgb colour)
{
    s.form.Option1[kColourRemove].back = colour;
}

// The mark selector back on "なし" as part of a colour choice. Its own handler
// would select "黒(&D)" and overrule the colour just chosen, so it is not raised.
void clearMarkChoice(AppState &s)
{
    s.form.Option4.setSelected(0);
    s.form.Option4.setAllBack(kButtonGrey);
}

// Buttons after a mark or letter was erased on the spot.
void updateButtonsAfterErase(AppState &s)
{
    Form &f = s.form;
    if (boardHasContent(s)) {
        if (!s.board.gameEnded)
            f.cmdBack.enabled = true;
        f.cmdClear.enabled = true;
        return;
    }
    f.cmdClear.enabled = s.board.gameEnded;
    f.cmdBack.enabled = false;
    resetStartNumber(s);
    f.cmdOff.enabled = false;
    f.cmdOff.back = kButtonGrey;
    f.cmdNewSave.enabled = false;
    clearGameRecord(s);
    s.moves.takeBackHistory.clear();
}

// Mode 0: the colour opposite to the stone just recorded.
void advanceTurnFrom(AppState &s, const QStringList &list)
{
    if (s.board.placementMode != 0 || list.isEmpty())
        return;
    const int tool = toolOfEntry(list.last());
    if (tool == ToolBlack)
        s.form.Option1.select(kColourWhite);
    else if (tool == ToolWhite)
        s.form.Option1.select(kColourBlack);
}

// The list-length warnings; false when the rest of the press is skipped.
bool takeBackHistoryWithinLimits(AppState &s)
{
    const qsizetype beyond = s.moves.takeBackHistory.size() - 1;
    if (beyond > 65534) {
        s.warn(QStringLiteral("65534を超える手数の場合「1手戻る」コマンドは行えません。"));
        return false;
    }
    if (beyond > 60000)
        s.warn(QStringLiteral("60000手を超えました、65534を超える手数の場合「1手戻る」コマンドは行えません、一度クリアーコマンドを実行して下さい。"));
    return true;
}

void selectNextColour(AppState &s, const QStringList &list, bool historyVariant)
{
    if (list.isEmpty())
        return;
    int tool = 0;
    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        tool = toolOfEntry(list[i]);
        if (tool == ToolBlack || tool == ToolWhite)
            break;
    }
    if (tool != ToolBlack && tool != ToolWhite)
        return;
    if (s.shell.quitting || s.board.placementMode != 0)
        return;
    s.form.Option1.select(tool == ToolBlack ? kColourWhite : kColourBlack);
    if (historyVariant && !s.session.authenticated) {
        s.board.currentTool = tool == ToolBlack ? ToolWhite : ToolBlack;
        setRemoveChoiceColour(s, kButtonGrey);
    }
}

// Records the action that just changed the board (the press goes on unless
// this returns false).
void recordAction(AppState &s, int removedNumber)
{
    Form &f = s.form;
    s.board.actionTool = s.board.currentTool;
    const bool removal = s.board.actionTool == ToolRemove;
    const int number = removal ? removedNumber : (s.board.unnumberedPlacement && s.moves.recording ? 0 : s.board.moveCounter);
    const QString entry = MoveEntry{.tool = s.board.actionTool, .point = s.board.actionPoint, .removed = s.board.removedKind, .number = number}.recordText();

    if (s.moves.recording) {
        if (removal && !boardHasContent(s)) {
            freshStartOnEmptyBoard(s, false);
            return;
        }
        s.moves.gameRecord.append(entry);
        s.moves.takeBackHistory.append(entry);
        if (s.moves.gameRecord.size() - 1 > 65534) {
            s.warn(QStringLiteral("65534を超える手数です、一度記録を中止して下さい。"));
            return;
        }
        if (!takeBackHistoryWithinLimits(s))
            return;
        advanceTurnFrom(s, s.moves.gameRecord);
        selectNextColourFromRecord(s);
    } else if (!s.session.authenticated) {
        if (removal && !boardHasContent(s)) {
            s.moves.takeBackHistory.clear();
            resetStartNumber(s);
            f.cmdBack.enabled = false;
            f.cmdClear.enabled = false;
            f.cmdF.enabled = false;
            selectBlackToStart(s);
            return;
        }
        s.moves.takeBackHistory.append(entry);
        if (!takeBackHistoryWithinLimits(s))
            return;
        advanceTurnFrom(s, s.moves.takeBackHistory);
    }

    if (!s.session.authenticated) {
        f.cmdBack.enabled = true;
        f.cmdClear.enabled = true;
        selectNextColourFromHistory(s);
    } else {
        if (s.board.gameEnded) {
            // Marking for the count after the end is neither logged nor sent.
            updateCountButtons(s);
            return;
        }
        const QString move = MoveEntry{.tool = s.board.actionTool,
                                       .point = s.board.actionPoint,
                                       .removed = s.board.removedKind,
                                       .blackPrisoners = s.board.blackPrisoners,
                                       .whitePrisoners = s.board.whitePrisoners}
                                 .wireText();
        // The same move as this side's last one (a letter erased on the spot and
        // placed again) is not logged or sent: both logs stay equal for 待った.
        if (s.moves.networkMoveLog.isEmpty() || s.moves.networkMoveLog.last() != move) {
            s.moves.networkMoveLog.append(move);
            s.sendPeerMessage(move);
        }
        s.networkGameChanged(NetworkGameChange::OwnMove);
        if (f.cmdOff.caption == QStringLiteral("退席中(&P)"))
            onPresence(s);
        f.cmdBack.enabled = false;
        f.cmdWait.enabled = !s.moves.networkMoveLog.isEmpty() && !s.board.gameEnded;
    }
    if (s.board.gameEnded)
        f.cmdClear.enabled = true;
    updateCountButtons(s);
}

}  // namespace

void pressPoint(AppState &s, int point, MouseButton button)
{
    if (!isValidPoint(point))
        return;
    Form &f = s.form;
    // A move the peer already sent goes first on both boards and in both logs.
    if (!s.flags.busy)
        s.takeInPeerMessages();
    if (s.moves.replayStep >= 1) {
        s.inform(QStringLiteral("再生中は盤面を操作出来ません。"));
        return;
    }
    if (f.cmdF.enabled) {
        if (!s.askYes(QStringLiteral("再生出来る準備が出来ていますがクリアーしますか？")))
            return;
        clearGameRecord(s);
        s.moves.takeBackHistory.clear();
        s.moves.recordFileLoaded = false;
        f.cmdF.enabled = false;
        f.cmdNewSave.enabled = false;
    }
    s.board.rightClickRemoval = false;
    const PointContent shown = s.board.points[size_t(point)].content;

    if (button == MouseButton::Right) {
        if (isStone(shown)) {
            s.board.rightClickRemoval = true;
            s.board.currentTool = ToolRemove;
        } else if (isMark(shown) || s.board.gameEnded) {
            s.board.points[size_t(point)].content = PointContent::Empty;
            s.board.eraseHandled = true;
            updateButtonsAfterErase(s);
            selectNextColourFromHistory(s);
        } else if (isLetter(shown)) {
            f.Option1.select(kColourRemove);
            s.board.rightClickRemoval = true;
            s.board.currentTool = ToolRemove;
        } else {
            return;
        }
        hideMessagePanel(s);
        hideLastMoveMarker(s);
    } else {
        if (f.Option1.selected == kColourRemove) {
            if (isLetter(shown)) {
                if (s.session.authenticated) {
                    s.board.points[size_t(point)].content = PointContent::Empty;
                    s.board.eraseHandled = true;
                }
                updateButtonsAfterErase(s);
            }
            hideLastMoveMarker(s);
            hideMessagePanel(s);
        }
        if (!markChosen(s) && s.board.placementMode == 0) {
            s.board.currentTool = kToolOfColourChoice[f.Option1.selected];
        }
    }

    updateCountButtons(s);
    // An erase on the spot ends the press: the emptied point takes nothing.
    if (s.board.eraseHandled) {
        s.board.eraseHandled = false;
        return;
    }
    applyTool(s, point);
}

void applyTool(AppState &s, int point)
{
    if (s.moves.replayStep >= 1 || !isValidPoint(point))
        return;
    Form &f = s.form;
    s.focusChatInput();
    if (s.peerBlocks() || s.flags.panelOpen || s.board.resetInProgress)
        return;
    // Before a network game starts only the two marks go on the board.
    if (s.session.authenticated && !s.board.gameStarted && !markChosen(s))
        return;
    if (s.board.numberStones && s.board.moveCounter > 998) {
        s.inform(QStringLiteral("999手以上の数値はカウント表示できません。"));
        return;
    }
    if (s.flags.busy)
        return;
    const BusyScope busy(s);
    s.board.unnumberedPlacement = false;
    s.board.actionPoint = point;

    if (!s.board.rightClickRemoval) {
        const int m = f.Option4.selected;
        if (m >= 3 && f.Option4[m].enabled)
            s.board.currentTool = ToolLetterA + (m - 3);
        switch (s.board.placementMode) {
        case 1: s.board.currentTool = ToolBlack; f.Option1.select(kColourBlack); break;
        case 2: s.board.currentTool = ToolWhite; f.Option1.select(kColourWhite); break;
        case 3: s.board.currentTool = ToolRemove; f.Option1.select(kColourRemove); break;
        default: break;
        }
    }

    BoardPoint &p = s.board.points[size_t(point)];
    bool changed = false;
    int removedNumber = 0;
    if (s.board.currentTool == ToolRemove) {
        if (p.content != PointContent::Empty) {
            // The kind equals the tool that placed it: 1 black, 2 white, 3–4 marks, 5–8 letters.
            s.board.removedKind = int(p.content);
            removedNumber = leadingNumber(p.number);
            p = BoardPoint{};
            hideLastMoveMarker(s);
            changed = true;
        }
    } else if (s.board.currentTool == ToolBlack || s.board.currentTool == ToolWhite) {
        if (p.content == PointContent::Empty) {
            p.content = s.board.currentTool == ToolBlack ? PointContent::Black : PointContent::White;
            s.board.removedKind = 0;
            showLastMoveMarker(s, point);
            if (!s.session.authenticated) {
                if (s.board.numberStones) {
                    ++s.board.moveCounter;
                    p.number = QString::number(s.board.moveCounter);
                } else if (p.number.isEmpty()) {
                    s.board.unnumberedPlacement = true;
                }
            }
            changed = true;
        }
    } else if (s.board.currentTool >= ToolTriangle && s.board.currentTool <= ToolLetterD) {
        if (p.content == PointContent::Empty) {
            p.content = PointContent(s.board.currentTool);
            s.board.removedKind = 0;
            changed = true;
        }
    }

    if (changed)
        recordAction(s, removedNumber);
}

void selectNextColourFromHistory(AppState &s)
{
    selectNextColour(s, s.moves.takeBackHistory, true);
}

void selectNextColourFromRecord(AppState &s)
{
    selectNextColour(s, s.moves.gameRecord, false);
}

void selectBlackToStart(AppState &s)
{
    // A choice that is already selected raises no handler, so what the
    // handlers would do is done here too.
    s.form.Option2.select(0);
    s.form.Option1.select(kColourBlack);
    setRemoveChoiceColour(s, kButtonGrey);
    s.board.currentTool = ToolBlack;
}

void onColourOption(AppState &s, int index)
{
    Form &f = s.form;
    if (s.peerBlocks() || s.board.placementMode != 0)
        return;
    if (s.board.gameEnded) {
        clearMarkChoice(s);
        s.board.currentTool = kToolOfColourChoice[index];
    } else if (s.session.authenticated && s.flags.busy) {
        f.Option1.select(s.board.lastRequestedOption);
        return;
    } else {
        const BusyScope busy(s);
        s.board.lastRequestedOption = index;
        clearMarkChoice(s);
        s.board.currentTool = kToolOfColourChoice[index];
        if (index == kColourRemove) {
            setRemoveChoiceColour(s, kActiveRed);
            if (s.session.authenticated)
                s.sendKeyword(QStringLiteral("石削除中"));
        } else {
            setRemoveChoiceColour(s, kButtonGrey);
            if (s.session.authenticated)
                s.sendKeyword(QStringLiteral("石削除終了"));
        }
    }
    const bool enable = !s.session.authenticated && boardHasContent(s);
    f.cmdBack.enabled = enable;
    f.cmdClear.enabled = enable;
}

void onPlacementMode(AppState &s, int index)
{
    Form &f = s.form;
    f.Option4.select(0);
    switch (index) {
    case 0:
        f.Option1.setAllEnabled(true);
        s.board.placementMode = 0;
        f.Option1.select(kColourBlack);
        setRemoveChoiceColour(s, kButtonGrey);
        break;
    case 1:
    case 2:
        f.Option1.select(index == 1 ? kColourBlack : kColourWhite);
        s.board.placementMode = index;
        setRemoveChoiceColour(s, kButtonGrey);
        s.board.currentTool = index == 1 ? ToolBlack : ToolWhite;
        if (s.session.authenticated)
            s.sendKeyword(QStringLiteral("石削除終了"));
        f.Option1.setAllEnabled(false);
        break;
    case 3:
        f.Option1.select(kColourRemove);
        s.board.currentTool = ToolRemove;
        s.board.placementMode = 3;
        if (s.session.authenticated)
            s.sendKeyword(QStringLiteral("石削除中"));
        f.Option1.setAllEnabled(false);
        break;
    default:
        break;
    }
}

void setTool(AppState &s, int tool)
{
    s.board.currentTool = tool;
}

void setNumberStones(AppState &s, bool on)
{
    s.board.numberStones = on;
}

void setPointContent(AppState &s, int point, PointContent content)
{
    if (isValidPoint(point))
        s.board.points[size_t(point)].content = content;
}

}  // namespace moyuta::board
