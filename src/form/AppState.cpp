#include "AppState.h"

namespace moyuta {

bool AppState::askYes(const QString &question)
{
    if (shell.quitting)
        return false;
    return ports.dialogs.ask(question) == Answer::Yes;
}

void AppState::inform(const QString &text)
{
    if (!shell.quitting)
        ports.dialogs.inform(text);
}

void AppState::warn(const QString &text)
{
    if (!shell.quitting)
        ports.dialogs.warn(text);
}

QString AppState::openFileName(const QStringList &filters)
{
    return shell.quitting ? QString() : ports.dialogs.openFileName(filters);
}

QString AppState::saveFileName(const QStringList &filters)
{
    return shell.quitting ? QString() : ports.dialogs.saveFileName(filters);
}

bool AppState::askGameInfo(GameInfo &info)
{
    return !shell.quitting && ports.dialogs.askGameInfo(info);
}

bool AppState::askYesHeld(const QString &question)
{
    if (shell.quitting)
        return false;
    sendHold();
    const bool yes = ports.dialogs.ask(question) == Answer::Yes;
    sendHoldRelease();
    return yes;
}

void AppState::informHeld(const QString &text)
{
    sendHold();
    inform(text);
    sendHoldRelease();
}

void AppState::sendPeerMessage(const QString &plain)
{
    if (trimSpaces(plain).isEmpty())
        return;
    ports.outbox.sendPeerMessage(plain);
}

void AppState::sendKeyword(const QString &keyword)
{
    sendPeerMessage(keyword + kTerminator);
}

void AppState::takeInPeerMessages()
{
    if (session.authenticated)
        ports.outbox.receiveArrived();
}

void AppState::sendHold()
{
    if (session.authenticated)
        sendKeyword(QStringLiteral("ホールド"));
}

void AppState::sendHoldRelease()
{
    if (session.authenticated)
        sendKeyword(QStringLiteral("ホールド解除"));
}

void AppState::playCueSound()
{
    if (!shell.soundOff)
        ports.sound.playCue();
}

void AppState::focusChatInput()
{
    if (!flags.panelOpen)
        ++form.txtSend.focusRequests;
}

void AppState::savePanelButtons()
{
    flags.savedPanelButtons = {form.cmdRec.enabled, form.cmdFileOpen.enabled, form.cmdNewSave.enabled, form.cmdF.enabled};
}

Rgb AppState::blackStoneColour() const
{
    const size_t i = size_t(shell.previousBlackStoneColourIndex);
    return i < kBlackStoneColours.size() ? kBlackStoneColours[i] : kBlackStoneColours[0];
}

Rgb AppState::boardColour() const
{
    const size_t i = size_t(shell.boardColourIndex);
    return i < kBoardColours.size() ? kBoardColours[i] : kBoardColours[0];
}

}  // namespace moyuta
