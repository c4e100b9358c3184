#include "AppState.h"

namespace moyuta {

AppState::AppState(DialogPort &dialogs, EventPumpPort &pump, PeerOutboxPort &outbox, SoundPort &sound)
    : dialogs(dialogs), pump(pump), outbox(outbox), sound(sound)
{
}

bool AppState::askYes(const QString &question)
{
    if (shell.quitting)
        return false;
    return dialogs.ask(question) == Answer::Yes;
}

void AppState::inform(const QString &text)
{
    if (!shell.quitting)
        dialogs.inform(text);
}

void AppState::warn(const QString &text)
{
    if (!shell.quitting)
        dialogs.warn(text);
}

QString AppState::openFileName(const QStringList &filters)
{
    return shell.quitting ? QString() : dialogs.openFileName(filters);
}

QString AppState::saveFileName(const QStringList &filters)
{
    return shell.quitting ? QString() : dialogs.saveFileName(filters);
}

bool AppState::askYesHeld(const QString &question)
{
    if (shell.quitting)
        return false;
    sendHold();
    const bool yes = dialogs.ask(question) == Answer::Yes;
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
    outbox.sendPeerMessage(plain);
}

void AppState::sendKeyword(const QString &keyword)
{
    sendPeerMessage(keyword + kTerminator);
}

void AppState::takeInPeerMessages()
{
    if (session.authenticated)
        outbox.receiveArrived();
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
        sound.playCue();
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
