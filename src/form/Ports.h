#pragma once
// Interfaces to everything outside the program's own state. Each has a real
// Qt adapter (src/ui) and a test double (tests/support); they reach the
// window state together, as one Ports bundle given to its constructor.

#include "GameInfo.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

namespace moyuta {

namespace network {
class PortMappingPort;
class LocalAddressPort;
class SessionTimerPort;
}  // namespace network

enum class Answer { Yes, No, Cancel };

// Modal message boxes and file dialogs, all titled "Moyuta".
class DialogPort {
public:
    virtual ~DialogPort() = default;
    virtual Answer ask(const QString &question) = 0;  // question icon, Yes / No / Cancel
    virtual void inform(const QString &text) = 0;     // information icon, OK
    virtual void warn(const QString &text) = 0;       // warning icon, OK
    // File dialogs with filters such as "NIGファイル(*.nig)", the first one chosen;
    // the name picked, or empty when cancelled. Opening shows existing files
    // only; saving asks before overwriting and adds no suffix.
    virtual QString openFileName(const QStringList &filters) = 0;
    virtual QString saveFileName(const QStringList &filters) = 0;
    // The game-information dialog "対局情報" over `info`: true and `info` as
    // edited on OK; false and `info` unchanged on キャンセル. Where no dialog
    // can be shown, it is as if cancelled.
    virtual bool askGameInfo(GameInfo &info)
    {
        (void)info;
        return false;
    }
};

// Lets pending events run while a handler works.
class EventPumpPort {
public:
    virtual ~EventPumpPort() = default;
    virtual void processEvents() = 0;
    // Waits while processing events: `turns` counts of the original event-loop
    // turns, 10 000 turns a millisecond.
    virtual void pace(qint64 turns) = 0;
};

// Hands one plain message to the peer link (enciphered and sent by the network layer).
class PeerOutboxPort {
public:
    virtual ~PeerOutboxPort() = default;
    virtual void sendPeerMessage(const QString &plain) = 0;
    // Closes the socket at once.
    virtual void closeSocket() = 0;
    // Handles every message that has already arrived and waits to be read.
    virtual void receiveArrived() {}
};

// The UDP socket of a network session: one datagram is one whole message.
class TransportPort {
public:
    enum class Setup { Bound, HostNotFound, BindFailed };
    virtual ~TransportPort() = default;
    // Closes any socket, resolves the peer's address and binds the own port.
    virtual Setup configure(const QString &peerHost, quint16 peerPort, quint16 ownPort) = 0;
    // Sends one datagram to the configured peer; errors are swallowed.
    virtual void send(const QByteArray &datagram) = 0;
    // Takes the next datagram that has arrived; false when none is pending.
    virtual bool nextDatagram(QByteArray &datagram) = 0;
    virtual void close() = 0;
    virtual bool isBound() const = 0;
    // Called when datagrams are pending (once for several).
    std::function<void()> onReadable;
};

// The cue sound.
class SoundPort {
public:
    virtual ~SoundPort() = default;
    virtual void open() = 0;   // at start-up
    virtual void playCue() = 0;
    virtual void close() = 0;  // stops a cue that is playing and releases the device
};

// The game clock's time source: a steady clock and a tick about once a second.
class ClockPort {
public:
    virtual ~ClockPort() = default;
    virtual qint64 nowMs() const = 0;  // milliseconds on a steady clock
    virtual void startTicking() = 0;
    virtual void stopTicking() = 0;
    std::function<void()> onTick;
};

// The program itself: where it lies and whether another copy runs.
class ProgramPort {
public:
    virtual ~ProgramPort() = default;
    // The folder of the executable as the platform reports it.
    virtual QString executableFolder() = 0;
    // Claims the single-copy lock; false when another copy of this user holds it.
    virtual bool claimSingleCopy() = 0;
    virtual void beep() = 0;
};

// The windows around the main window: the splash shown during start-up,
// the news window, and the main window's first showing.
class ShellWindowsPort {
public:
    virtual ~ShellWindowsPort() = default;
    virtual void showSplash(const QString &status) = 0;
    virtual void closeSplash() = 0;
    virtual bool newsWindowLoaded() = 0;
    virtual void showNewsWindow() = 0;
    virtual void hideNewsWindow() = 0;
    virtual void closeNewsWindow() = 0;
    virtual void showMainWindow() = 0;
};

// What the news endpoint answered: the body of a 2xx answer and the charset
// its Content-Type names; ok is false on any failure (and when there is no endpoint).
struct NewsResponse {
    bool ok = false;
    QByteArray body;
    QByteArray charset;
};

// The news endpoint: one GET, waited for while the splash keeps painting.
class NewsPort {
public:
    virtual ~NewsPort() = default;
    virtual NewsResponse fetch() = 0;
    // A close request while the fetch waits: it returns at once, with nothing.
    virtual void abort() {}
};

// The system clipboard: text the user copies to hand on.
class ClipboardPort {
public:
    virtual ~ClipboardPort() = default;
    virtual void setText(const QString &text) = 0;
};

// The folder every network game is kept in as a kifu, <Documents>/Moyuta/棋譜,
// and the local time its files are named by. File names are plain names in it.
class KifuStorePort {
public:
    virtual ~KifuStorePort() = default;
    virtual QString folder() = 0;           // as the user would look for it
    virtual bool makeFolder() = 0;          // true when it is there (made when needed)
    virtual bool exists(const QString &fileName) = 0;
    // The whole file, replaced atomically: a crash keeps the old one or the new one.
    virtual bool write(const QString &fileName, const QByteArray &bytes) = 0;
    virtual QDateTime localNow() = 0;
    virtual void openFolder() = 0;          // in the desktop's file manager, made first
};

// Every port, handed to the window state once, when it is made. Each is
// there for the state's whole life: a socket that is not bound answers
// isBound() false, a clock that is not started does not tick. The pointers
// at the end may be null: no router to ask (the connection is tried as it
// is), no addresses to list, no clipboard.
struct Ports {
    DialogPort &dialogs;
    EventPumpPort &pump;
    PeerOutboxPort &outbox;
    SoundPort &sound;
    ClockPort &clock;
    TransportPort &transport;
    ProgramPort &program;
    ShellWindowsPort &windows;
    NewsPort &news;
    network::PortMappingPort *portMapper = nullptr;
    network::LocalAddressPort *localAddresses = nullptr;
    // The connect action's wait for the router's answer (3 s at most).
    network::SessionTimerPort *mappingTimer = nullptr;
    ClipboardPort *clipboard = nullptr;
    // The classic connect text sent again while the peer is silent.
    network::SessionTimerPort *connectRetryTimer = nullptr;
    // Where network games are kept; none: they are not kept.
    KifuStorePort *kifuStore = nullptr;
};

}  // namespace moyuta
