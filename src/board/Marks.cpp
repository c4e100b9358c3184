// Marks "▲" "◆", letters "A"–"D", stone numbering and the mark counts.
#include "Board.h"

namespace moyuta::board {

namespace {

constexpr int kMarkNone = 0, kMarkTriangle = 1, kMarkDiamond = 2;

void restoreColourToPlay(AppState &s)
{
    if (s.session.authenticated)
        return;
    if (s.moves.recording)
        selectNextColourFromRecord(s);
    else
        selectNextColourFromHistory(s);
}

}  // namespace

void setCountButtonsEnabled(AppState &s, bool enabled)
{
    s.form.cmdSankaku.enabled = enabled;
    s.form.cmd1Rectang.enabled = enabled;
    s.form.cmdDikazuClear.enabled = enabled;
}

void onMarkOption(AppState &s, int index)
{
    Form &f = s.form;
    f.Option4.setAllBack(kButtonGrey);
    if (index == kMarkNone) {
        f.Option1.select(0);
        s.board.currentTool = ToolBlack;
    } else {
        s.board.currentTool = index + 2;  // 1 ▲ → 3, 2 ◆ → 4, 3–6 A–D → 5–8
        if (index >= 3)
            f.chkNumberStones.setChecked(false);  // numbering and letters exclude each other
        f.Option4[index].back = kActiveRed;
    }
    restoreColourToPlay(s);
    // A turn advance there may reselect the colour, which resets the mark
    // selector; the choice just made stands.
    if (f.Option4.selected != index) {
        f.Option4.setSelected(index);
        f.Option4[index].back = kActiveRed;
    }
}

void onNumberStonesClick(AppState &s)
{
    if (s.form.chkNumberStones.checked) {
        s.board.numberStones = true;
        s.form.chkOtherMarks.setChecked(false);
    } else {
        s.board.numberStones = false;
        resetStartNumber(s);
    }
}

void onOtherMarksClick(AppState &s)
{
    Form &f = s.form;
    if (!f.chkOtherMarks.checked) {
        f.Option4.setAllEnabled(false);
        setCountButtonsEnabled(s, false);
        if (f.Option4.selected != kMarkNone)
            f.Option4.select(kMarkNone);
        restoreColourToPlay(s);
    } else if (s.session.authenticated && !f.cmdTouryou.enabled) {
        // Connected, no game running or the game has ended: marking for the count.
        f.Option4.setAllEnabled(true);
        setCountButtonsEnabled(s, true);
    } else {
        f.Option4.setAllEnabled(true);
        f.Option4[kMarkTriangle].enabled = false;
        f.Option4[kMarkDiamond].enabled = false;
        setCountButtonsEnabled(s, false);
    }
    if (f.cmdStart.enabled)
        f.cmdClear.enabled = boardHasContent(s);
    else if (s.session.authenticated)
        f.cmdClear.enabled = true;
    updateCountButtons(s);
}

void updateCountButtons(AppState &s)
{
    if (!s.session.authenticated || !s.board.gameEnded)
        return;
    bool triangle = false, diamond = false, other = false;
    for (const BoardPoint &p : s.board.points) {
        triangle |= p.content == PointContent::Triangle;
        diamond |= p.content == PointContent::Diamond;
        other |= isMark(p.content) || isLetter(p.content);
    }
    s.form.cmdSankaku.enabled = triangle;
    s.form.cmd1Rectang.enabled = diamond;
    s.form.cmdDikazuClear.enabled = other;
}

void countMarks(AppState &s, PointContent mark)
{
    int count = 0;
    for (const BoardPoint &p : s.board.points)
        count += p.content == mark;
    showMessagePanel(s, glyphOf(mark) + QStringLiteral("の数は") + QString::number(count) + QStringLiteral("個でした。"));
}

void clearOtherMarks(AppState &s)
{
    for (BoardPoint &p : s.board.points)
        if (isMark(p.content) || isLetter(p.content))
            p.content = PointContent::Empty;
    hideMessagePanel(s);
    hideLastMoveMarker(s);
    updateCountButtons(s);
}

void showMessagePanel(AppState &s, const QString &text)
{
    s.form.lbl2Message.caption = text;
    s.form.Frame8.visible = true;  // the window centres it over the active board
}

void hideMessagePanel(AppState &s)
{
    // A silent peer outranks its absence, which outranks its removal.
    if (s.board.peerSilent)
        showMessagePanel(s, QStringLiteral("相手からの応答がありません。再接続を待っています…"));
    else if (s.board.peerAway)
        showMessagePanel(s, QStringLiteral("退席中…"));
    else if (s.board.peerRemoving)
        showMessagePanel(s, QStringLiteral("石を削除しています…"));
    else
        s.form.Frame8.visible = false;
}

void onMessagePanelClick(AppState &s)
{
    const QString &text = s.form.lbl2Message.caption;
    if (text.contains(QStringLiteral("◆")) || text.contains(QStringLiteral("▲")))
        hideMessagePanel(s);
}

}  // namespace moyuta::board
