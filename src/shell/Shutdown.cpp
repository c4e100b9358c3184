// The close request and shut-down.
#include "Shell.h"
#include "ExtraSettings.h"
#include "SettingsFile.h"
#include "Mapping.h"
#include "Session.h"

#include <algorithm>
#include <limits>

namespace moyuta::shell {

namespace {

// A port field as a 32-bit number: an optional "-" and the digits after it,
// as the settings file reads them; beyond the range, its nearest end.
qint32 portValue(const QString &field)
{
    const bool negative = field.startsWith(QLatin1Char('-'));
    qint64 n = 0;
    for (QChar c : QStringView(field).mid(negative ? 1 : 0)) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        n = std::min<qint64>(n * 10 + (c.unicode() - '0'), qint64(std::numeric_limits<qint32>::max()) + 1);
    }
    return qint32(std::clamp<qint64>(negative ? -n : n, std::numeric_limits<qint32>::min(),
                                     std::numeric_limits<qint32>::max()));
}

void saveSettingsFiles(const AppState &s)
{
    settings::saveSettings(s.shell.programFolder, s.shell.settings);
    settings::saveExtraSettings(s.shell.programFolder, s.shell.extraSettings);
}

}  // namespace

void collectSettings(AppState &s)
{
    Settings &v = s.shell.settings;
    const Form &f = s.form;
    v.currentTool = s.board.currentTool;
    v.soundOff = s.shell.soundOff;
    v.boardColourIndex = s.shell.boardColourIndex;
    v.chatLogLimit = s.shell.chatLogLimit;
    v.numberStones = f.chkNumberStones.checked;
    v.blackStoneColourIndex = s.shell.previousBlackStoneColourIndex;  // a choice not applied is dropped
    v.sendPacingCount = s.shell.sendPacingCount;
    v.showPasswordAtStart = f.Check3.checked;
    v.activeCipherNumber = s.session.activeCipherNumber;
    v.boardSizeCode = s.board.boardSizeCode;

    v.peerAddress = f.txtPeerAddress.text.isEmpty() ? QStringLiteral("192.168.0.0") : f.txtPeerAddress.text;
    v.peerPort = f.txtPeerPort.text.isEmpty() ? 0 : portValue(f.txtPeerPort.text);
    // An empty own port falls back to 1 on its own; the other values stay.
    v.ownPort = f.txtOwnPort.text.isEmpty() ? 1 : portValue(f.txtOwnPort.text);
    v.savedPassword = trimSpaces(f.txtPassword.text);

    s.shell.extraSettings.classicProtocol = f.chkClassic.checked;
    s.shell.extraSettings.ownName = f.txtOwnName.text.trimmed();
}

bool beginSessionEnd(AppState &s)
{
    if (s.shell.sessionEnding)
        return false;
    s.shell.sessionEnding = true;
    s.shell.quitting = true;
    return true;
}

bool closeRequest(AppState &s)
{
    s.shell.quitting = true;
    s.ports.windows.closeSplash();
    s.ports.windows.closeNewsWindow();

    if (!s.shell.sessionEnding) {
        // These two questions are shown although quitting is set: they decide it.
        Answer answer = Answer::Yes;
        if (s.moves.recording)
            answer = s.ports.dialogs.ask(kQuitWhileRecording);
        else if (!s.shell.quitWithoutAsking && !s.session.peerQuit)
            answer = s.ports.dialogs.ask(kQuitQuestion);
        if (answer != Answer::Yes) {
            // A session end that closed the box keeps quitting: its own close follows.
            if (!s.shell.sessionEnding)
                s.shell.quitting = false;
            return false;
        }
    }

    network::leaveSession(s);
    return true;
}

void shutDown(AppState &s)
{
    if (s.shell.shutDownDone)
        return;
    s.shell.shutDownDone = true;
    network::releaseMappingAtExit(s);  // the router forwards the port no longer
    s.ports.sound.close();
    s.ports.clock.stopTicking();
    if (!s.shell.settingsLoaded)
        return;  // a refused start leaves the running copy's file alone
    if (!s.shell.startupFailed)
        collectSettings(s);
    s.ports.pump.processEvents();
    saveSettingsFiles(s);
}

void saveSessionFields(AppState &s)
{
    if (!s.shell.settingsLoaded || s.shell.startupFailed || s.shell.shutDownDone)
        return;
    collectSettings(s);
    saveSettingsFiles(s);
}

}  // namespace moyuta::shell
