#include "Options.h"

#include "Board.h"
#include "Clock.h"
#include "Panel.h"

namespace moyuta::shell {

namespace {

int boardColourNamed(const QString &name)
{
    for (size_t i = 0; i < kBoardColourNames.size(); ++i)
        if (kBoardColourNames[i] == name)
            return int(i);
    return -1;
}

const LineSpeed *lineSpeedNamed(const QString &name)
{
    for (const LineSpeed &speed : kLineSpeeds)
        if (speed.name == name)
            return &speed;
    return nullptr;
}

void enableApply(AppState &s)
{
    s.form.cmdTekiyou.enabled = true;
}

// Typing into the board-colour field: a name takes effect at once; any other
// text becomes 濃橙色.
void onBoardColourTyped(AppState &s)
{
    int index = boardColourNamed(s.form.Combo1.text);
    if (index < 0) {
        index = 4;
        s.form.Combo1.text = kBoardColourNames[4];
    }
    s.shell.boardColourIndex = index;
}

// Typing into the line-speed field: a name takes effect at once; any other
// text becomes 普通.
void onLineSpeedTyped(AppState &s)
{
    if (const LineSpeed *speed = lineSpeedNamed(s.form.Combo3.text)) {
        s.shell.sendPacingCount = speed->pacingCount;
        return;
    }
    s.form.Combo3.text = QStringLiteral("普通");
    s.shell.sendPacingCount = 2000000;
}

void onSoundOption(AppState &s)
{
    enableApply(s);
    s.shell.soundOff = s.form.OptSound.selected != 0;
}

void onChatLogSize(AppState &s)
{
    enableApply(s);
    s.form.lblLog.caption = QString::number(s.form.UpDown4.value);
    s.shell.chatLogLimit = s.form.UpDown4.value;
}

// A black-stone colour clicked: only the panel's pending choice; the board
// keeps the colour in effect until 適用(&I).
void onBlackStoneColour(AppState &s)
{
    enableApply(s);
    s.shell.blackStoneColourIndex = s.form.Option5.selected;
}

// A coordinate style clicked: pending until 適用(&I), like the stone colour.
void onCoordinateStyle(AppState &s)
{
    enableApply(s);
}

}  // namespace

void onOptionsOpen(AppState &s)
{
    Form &f = s.form;
    s.focusChatInput();
    if (s.peerBlocks() || s.moves.recording)
        return;
    s.savePanelButtons();
    s.shell.savedWaitEnabled = f.cmdWait.enabled;
    f.fraOptions.visible = true;
    network::disableForPanel(s);
    f.cmdTekiyou.enabled = true;
    s.setSidePanelOpen(true);
}

void onOptionsApply(AppState &s)
{
    Form &f = s.form;
    if (const int index = boardColourNamed(f.Combo1.text); index >= 0)
        s.shell.boardColourIndex = index;
    s.shell.soundOff = f.OptSound.selected != 0;
    s.shell.blackStoneColourIndex = f.Option5.selected;
    if (const LineSpeed *speed = lineSpeedNamed(f.Combo3.text))
        s.shell.sendPacingCount = speed->pacingCount;
    // The colour in effect follows each apply; the board paints every black stone in it.
    s.shell.previousBlackStoneColourIndex = s.shell.blackStoneColourIndex;
    f.lblLog.caption = QString::number(f.UpDown4.value);
    s.shell.chatLogLimit = f.UpDown4.value;
    board::setNumberStones(s, f.chkNumberStones.checked);
    s.shell.extraSettings.coordinateStyle = f.OptCoords.selected;
    f.cmdTekiyou.enabled = false;
}

void onOptionsClose(AppState &s)
{
    Form &f = s.form;
    f.fraOptions.visible = false;
    network::enableAfterPanel(s);
    if (s.board.gameStarted) {
        f.cmdClear.enabled = false;
        f.cmdTouryou.enabled = true;
        f.Option3.setAllEnabled(false);
    } else {
        f.cmdTouryou.enabled = false;
    }
    if (f.cmdTekiyou.enabled) {
        // Choices not applied are dropped: the panel shows what is in effect again.
        s.shell.blackStoneColourIndex = s.shell.previousBlackStoneColourIndex;
        f.Option5.setSelected(s.shell.previousBlackStoneColourIndex);
        f.OptCoords.setSelected(s.shell.extraSettings.coordinateStyle);
        showValuesInEffect(s);
    }
    if (!s.session.authenticated) {
        network::restoreLocalPlay(s);
        f.Option3.setAllEnabled(true);
    } else {
        f.cmdNetwork.enabled = false;
        f.cmdBack.enabled = false;
        f.cmdRec.enabled = false;
        f.cmdFileOpen.enabled = false;
        if (s.board.gameEnded) {
            f.cmdTouryou.enabled = false;
            f.chkOtherMarks.enabled = true;
            board::onOtherMarksClick(s);
            f.cmdClear.enabled = true;
            f.cmdWait.enabled = false;
        } else {
            f.cmdTouryou.enabled = s.board.gameStarted;
            f.chkOtherMarks.enabled = false;
            board::setCountButtonsEnabled(s, false);
        }
        f.chkNumberStones.enabled = false;
    }
    network::keepReplayLocks(s);
    board::updateCountButtons(s);
    s.setSidePanelOpen(false);
}

void showValuesInEffect(AppState &s)
{
    Form &f = s.form;
    f.Combo1.text = kBoardColourNames[size_t(std::clamp(s.shell.boardColourIndex, 0, int(kBoardColourNames.size()) - 1))];
    f.Combo3.text.clear();  // a count in range that has no name shows no name
    for (const LineSpeed &speed : kLineSpeeds)
        if (speed.pacingCount == s.shell.sendPacingCount)
            f.Combo3.text = speed.name;
}

void installHandlers(AppState &s)
{
    Form &f = s.form;
    f.Combo1.onPick = [&s] { enableApply(s); };
    f.Combo1.onType = [&s] { onBoardColourTyped(s); };
    f.Combo3.onPick = [&s] { enableApply(s); };
    f.Combo3.onType = [&s] { onLineSpeedTyped(s); };
    f.OptSound.onClick = [&s](int) { onSoundOption(s); };
    f.UpDown4.onChange = [&s] { onChatLogSize(s); };
    f.Option5.onClick = [&s](int) { onBlackStoneColour(s); };
    f.OptCoords.onClick = [&s](int) { onCoordinateStyle(s); };
    f.UpDown3.onChange = [&s] { onClockLimitChange(s); };
}

}  // namespace moyuta::shell
