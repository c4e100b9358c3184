// Start-up: from the hidden main window to the window the user sees.
#include "Board.h"
#include "News.h"
#include "Shell.h"
#include "ExtraSettings.h"
#include "SettingsFile.h"
#include "Session.h"

#include <exception>

namespace moyuta::shell {

namespace {

// The colour choice standing for a stored tool: 黒, 白 or 削除.
int colourChoiceOfTool(int tool)
{
    return tool == ToolWhite ? 1 : tool == ToolRemove ? 2 : 0;
}

}  // namespace

void setProgramFolder(AppState &s, const QString &reportedFolder)
{
    s.shell.programFolder = settings::findProgramFolder(reportedFolder);
}

StartResult startUp(AppState &s)
{
    // The main window stays hidden until the end of start-up.
    if (!s.ports.program.claimSingleCopy()) {
        s.ports.program.beep();
        s.warn(kAlreadyRunning);
        s.shell.quitWithoutAsking = true;
        return StartResult::Refused;
    }
    // The lock counts the copies: holding it, this is the only one.
    s.shell.runningCopies = 1;

    try {
        setProgramFolder(s, s.ports.program.executableFolder());
        if (s.shell.programFolder.size() > settings::kMaxProgramFolderLength) {
            s.warn(kPathTooLong);
            s.shell.quitWithoutAsking = true;
            return StartResult::Refused;
        }

        s.ports.windows.showSplash(kSplashStatus);
        offerNotice(s);
        if (s.shell.quitting)
            return StartResult::Abandoned;  // closed while the notice was fetched: nothing loaded, nothing saved
        s.ports.pump.processEvents();
        s.shell.settingsLoaded = true;
        s.shell.settings = settings::loadSettings(s, s.shell.programFolder);
        s.shell.extraSettings = settings::loadExtraSettings(s.shell.programFolder);
        s.sessionFieldsSaver = [&s] { saveSessionFields(s); };
        if (s.ports.windows.newsWindowLoaded())
            s.ports.windows.showNewsWindow();  // a damaged settings file hid it

        board::layOutBoard(s);
        applySettings(s);
        board::setInitialState(s);
        s.form.cmdOff.enabled = false;

        // The clock's limit: 3 minutes.
        s.form.UpDown3.value = 3;
        s.form.lblMax.caption = QStringLiteral("3");
        s.gameClock.limitMinutes = 3;

        s.ports.sound.open();
        s.ports.windows.closeSplash();
        if (s.ports.windows.newsWindowLoaded())
            s.ports.windows.showNewsWindow();  // the main window follows when it closes
        else
            s.ports.windows.showMainWindow();
        s.shell.startupComplete = true;
        return StartResult::Running;
    } catch (...) {
        s.ports.windows.closeSplash();
        s.ports.windows.closeNewsWindow();
        settings::resetSettingsToDefaults(s.shell.settings);
        s.shell.extraSettings = {};
        s.shell.settingsLoaded = true;
        s.shell.startupFailed = true;
        s.warn(kStartupError);
        s.shell.quitWithoutAsking = true;
        return StartResult::Failed;
    }
}

void applySettings(AppState &s)
{
    Settings &v = s.shell.settings;
    Form &f = s.form;

    if (v.currentTool > ToolWhite)
        v.currentTool = ToolBlack;
    f.Option1.select(colourChoiceOfTool(v.currentTool));
    board::setTool(s, v.currentTool);

    // The board is still empty: the switch asks nothing.
    if (v.boardSizeCode != Size19 && v.boardSizeCode != Size13)
        v.boardSizeCode = Size9;
    f.Option3.setSelected(v.boardSizeCode);
    board::switchToSize(s, v.boardSizeCode);

    v.soundOff = v.soundOff != 0;
    s.shell.soundOff = v.soundOff;
    f.OptSound.setSelected(v.soundOff);

    if (v.boardColourIndex >= int(kBoardColourNames.size()))
        v.boardColourIndex = 4;
    f.Combo1.items.clear();
    for (const QString &name : kBoardColourNames)
        f.Combo1.items << name;
    f.Combo1.text = kBoardColourNames[size_t(v.boardColourIndex)];
    s.shell.boardColourIndex = v.boardColourIndex;

    if (v.chatLogLimit < 5)
        v.chatLogLimit = 10;
    f.UpDown4.value = v.chatLogLimit;
    f.lblLog.caption = QString::number(v.chatLogLimit);
    s.shell.chatLogLimit = v.chatLogLimit;

    if (v.blackStoneColourIndex >= int(kBlackStoneColours.size()))
        v.blackStoneColourIndex = 0;
    f.Option5.setSelected(v.blackStoneColourIndex);
    s.shell.blackStoneColourIndex = s.shell.previousBlackStoneColourIndex = v.blackStoneColourIndex;

    if (v.sendPacingCount < 500000 || v.sendPacingCount > 50000000)
        v.sendPacingCount = 2000000;
    f.Combo3.items.clear();
    f.Combo3.text.clear();  // a count in range that has no name shows no name
    for (const LineSpeed &speed : kLineSpeeds) {
        f.Combo3.items << speed.name;
        if (speed.pacingCount == v.sendPacingCount)
            f.Combo3.text = speed.name;
    }
    s.shell.sendPacingCount = v.sendPacingCount;

    if (v.activeCipherNumber == 0 || v.activeCipherNumber > 30)
        v.activeCipherNumber = 1;
    f.cboCipherNumber.items.clear();
    for (int n = 1; n <= 29; ++n)
        f.cboCipherNumber.items << QString::number(n);
    f.cboCipherNumber.text = QString::number(v.activeCipherNumber == 30 ? 1 : v.activeCipherNumber);
    network::restoreCipherNumber(s, v.activeCipherNumber);

    v.numberStones = v.numberStones != 0;
    f.chkNumberStones.setChecked(v.numberStones);

    f.txtPeerAddress.text = v.peerAddress;
    f.txtPeerPort.text = QString::number(v.peerPort);
    f.txtOwnPort.text = QString::number(v.ownPort);

    // Restored without the notice that ticking the box gives the user.
    v.showPasswordAtStart = v.showPasswordAtStart != 0;
    f.Check3.checked = v.showPasswordAtStart;
    network::restorePasswordShown(s, v.showPasswordAtStart);
    f.txtPassword.text = v.showPasswordAtStart ? trimSpaces(v.savedPassword) : QString();

    f.chkClassic.checked = s.shell.extraSettings.classicProtocol;
    network::restoreClassicProtocol(s, s.shell.extraSettings.classicProtocol);
    f.txtOwnName.setText(s.shell.extraSettings.ownName);  // cut to the field's length
    f.OptCoords.setSelected(s.shell.extraSettings.coordinateStyle);
}

void onBackgroundClick(AppState &s)
{
    s.focusChatInput();
}

}  // namespace moyuta::shell
