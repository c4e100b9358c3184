#include "AppState.h"

namespace moyuta {

AppState::AppState(DialogPort &dialogs, EventPumpPort &pump, PeerOutboxPort &outbox, SoundPort &sound)
    : dialogs(dialogs), pump(pump), outbox(outbox), sound(sound)
{
}

bool AppState::askYes(const QString &question)
{
    if (quitting)
        return false;
    return dialogs.ask(question) == Answer::Yes;
}

void AppState::inform(const QString &text)
{
    if (!quitting)
        dialogs.inform(text);
}

void AppState::warn(const QString &text)
{
    if (!quitting)
        dialogs.warn(text);
}

QString AppState::openFileName(const QStringList &filters)
{
    return quitting ? QString() : dialogs.openFileName(filters);
}

QString AppState::saveFileName(const QStringList &filters)
{
    return quitting ? QString() : dialogs.saveFileName(filters);
}

bool AppState::askYesHeld(const QString &question)
{
    if (quitting)
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
    outgoingMessage = plain;
    if (trimSpaces(outgoingMessage).isEmpty())
        return;
    outbox.sendPeerMessage(outgoingMessage);
}

void AppState::sendKeyword(const QString &keyword)
{
    sendPeerMessage(keyword + kTerminator);
}

void AppState::takeInPeerMessages()
{
    if (authenticated)
        outbox.receiveArrived();
}

void AppState::sendHold()
{
    if (authenticated)
        sendKeyword(QStringLiteral("ホールド"));
}

void AppState::sendHoldRelease()
{
    if (authenticated)
        sendKeyword(QStringLiteral("ホールド解除"));
}

void AppState::playCueSound()
{
    if (!soundOff)
        sound.playCue();
}

void AppState::focusChatInput()
{
    if (!panelOpen)
        ++form.txtSend.focusRequests;
}

Rgb AppState::blackStoneColour() const
{
    const size_t i = size_t(previousBlackStoneColourIndex);
    return i < kBlackStoneColours.size() ? kBlackStoneColours[i] : kBlackStoneColours[0];
}

Rgb AppState::boardColour() const
{
    const size_t i = size_t(boardColourIndex);
    return i < kBoardColours.size() ? kBoardColours[i] : kBoardColours[0];
}

}  // namespace moyuta
