#pragma once
// The message protocol between two copies: sending one enciphered message
// per datagram, the receive path with its handshake filter, and the
// dispatcher that acts on each received message.
// The network folder alone writes AppState's `session` group; what a peer's
// message does to the board goes through board::.

#include "AppState.h"

#include <functional>

namespace moyuta::network {

// The peer outbox of a window state: enciphers and sends through the state's
// transport. Attached once the state is made (the state is given this outbox
// among its ports); from then on the transport's datagrams are received here.
class NetworkOutbox : public PeerOutboxPort {
public:
    void attach(AppState &s);
    void sendPeerMessage(const QString &plain) override;
    void closeSocket() override;
    void receiveArrived() override;
    // Called after every receive, whether the socket's signal or a click
    // that takes in what has arrived started it: the window shows the
    // changes and acts on a peer that quit.
    std::function<void()> afterReceive;

private:
    void receive();
    AppState *s_ = nullptr;
};

// Handshake and keyword texts.
QString connectText(const AppState &s);       // "30接続" + password + T
QString connectNNText(const AppState &s);      // NN + "接続" + password + T
QString confirmNNText(const AppState &s);      // NN + "接続確認1" + T

// Enciphers and sends one plain message; nothing is sent when the socket is
// not bound by the connect action or the cipher fails.
void sendPeerMessage(AppState &s, const QString &plain);
// Reads every pending datagram and handles each to completion (never nested).
void receiveAvailable(AppState &s);
// Handles one received datagram.
void receiveDatagram(AppState &s, const QByteArray &datagram);
// A message that has passed the cipher or the secure session: the peer's
// quit, the key-mismatch answer, or the dispatcher and the chat log.
void handlePlainMessage(AppState &s, const QString &plain);
// The session stands: the lists emptied, the panel closed, the start button green.
void authenticate(AppState &s);
// Acts on s.session.incomingMessage.
void dispatchPeerMessage(AppState &s);
// Closes the socket and ends the session.
void closeSocket(AppState &s);

// Replies "鍵が違います" at most this often.
constexpr qint64 kKeyMismatchReplyIntervalMs = 2000;

}  // namespace moyuta::network
