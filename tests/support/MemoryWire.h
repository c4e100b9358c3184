#pragma once
// Two window states joined by an in-memory wire: each side's socket is bound
// by its own connect action; a datagram to a side that is not bound is
// dropped, as on a real network. Delivery happens when the test lets it.

#include "Board.h"
#include "ConnectRetry.h"
#include "KifuDoubles.h"
#include "Mapping.h"
#include "Protocol.h"
#include "Session.h"
#include "TestDoubles.h"

#include <QList>
#include <algorithm>
#include <deque>
#include <functional>
#include <optional>

namespace moyuta::test {

class MemoryWire;

class WireEnd : public TransportPort {
public:
    MemoryWire *wire = nullptr;
    bool bound = false;
    quint16 ownPort = 0, peerPort = 0;
    std::deque<QByteArray> inbox;
    Setup setup = Setup::Bound;  // what configure answers

    Setup configure(const QString &, quint16 peer, quint16 own) override
    {
        close();
        if (setup != Setup::Bound)
            return setup;
        bound = true;
        peerPort = peer;
        ownPort = own;
        return Setup::Bound;
    }
    void send(const QByteArray &datagram) override;
    bool nextDatagram(QByteArray &datagram) override
    {
        if (inbox.empty())
            return false;
        datagram = inbox.front();
        inbox.pop_front();
        return true;
    }
    void close() override
    {
        bound = false;
        inbox.clear();
    }
    bool isBound() const override { return bound; }
};

// The wait after every send: what the test lets happen meanwhile (datagrams
// arriving and being handled, the other player's clicks) runs inside it.
class PacingPump : public EventPumpPort {
public:
    std::function<void()> duringWait;
    void processEvents() override {}
    void pace(qint64) override
    {
        if (!duringWait || depth_ >= 8)
            return;  // waits nest, but not without end
        ++depth_;
        duringWait();
        --depth_;
    }

private:
    int depth_ = 0;
};

// A window state whose outbox is the real network layer.
struct Peer {
    ScriptedDialogs dialogs;
    PacingPump pump;
    network::NetworkOutbox outbox;
    CountingSound sound;
    FakeClock clock;
    WireEnd end;
    FakeProgram program;
    FakeWindows windows;
    FakeNews news;
    // The router is handed to the state only when the test asks for one.
    FakePortMapper mapper;
    FakeLocalAddresses addresses;
    FakeWaitTimer mappingTimer;
    FakeWaitTimer connectRetryTimer;
    FakeClipboard clipboard;
    MemoryKifuStore kifu;  // kept only where a test attaches the keeper
    AppState s;

    Peer(const QString &peerPort, const QString &ownPort, bool router = false)
        : s({dialogs, pump, outbox, sound, clock, end, program, windows, news, router ? &mapper : nullptr, &addresses,
             &mappingTimer, &clipboard, &connectRetryTimer, &kifu})
    {
        network::attachPortMapping(s, {});
        network::attachConnectRetry(s, {});
        board::installHandlers(s);
        board::setInitialState(s);
        outbox.attach(s);
        s.shell.sendPacingCount = 0;
        Form &f = s.form;
        // A friend outside the home is reached through the router; one on this computer is not.
        f.txtPeerAddress.text = router ? QStringLiteral("198.51.100.7") : QStringLiteral("127.0.0.1");
        f.txtPeerPort.text = peerPort;
        f.txtOwnPort.text = ownPort;
        f.txtPassword.text = QStringLiteral("abcdef");
        f.cboCipherNumber.text = QStringLiteral("7");
    }
};

class MemoryWire {
public:
    Peer a;
    Peer b;
    // Every datagram sent, by side ('a' or 'b'), delivered or not.
    QList<QPair<char, QByteArray>> sent;
    qsizetype sentBy(char side) const
    {
        return std::count_if(sent.begin(), sent.end(), [side](const auto &d) { return d.first == side; });
    }
    // Sent but not yet arrived: it arrives at deliver(), if its side is bound then.
    QList<QPair<WireEnd *, QByteArray>> inFlight;

    // `routers`: each side has a router that the connect action asks first.
    explicit MemoryWire(bool routers = false)
        : a(QStringLiteral("2002"), QStringLiteral("2001"), routers), b(QStringLiteral("2001"), QStringLiteral("2002"), routers)
    {
        a.end.wire = this;
        b.end.wire = this;
    }

    void carry(WireEnd *from, const QByteArray &datagram)
    {
        sent << qMakePair(from == &a.end ? 'a' : 'b', datagram);
        inFlight << qMakePair(from, datagram);
    }
    void arrive()
    {
        const auto flying = std::exchange(inFlight, {});
        for (const auto &[from, datagram] : flying) {
            WireEnd &to = from == &a.end ? b.end : a.end;
            if (to.bound && to.ownPort == from->peerPort)
                to.inbox.push_back(datagram);
        }
    }
    // Both sides press "接続(&A)", b first; the handshake runs to its end.
    // True when both sides took the other's key.
    bool connectBoth()
    {
        network::onConnect(b.s);
        deliver();
        network::onConnect(a.s);
        deliver();
        return a.s.session.authenticated && b.s.session.authenticated;
    }
    // Both sides connect, then a presses "対局開始" on `size` lines (on the
    // board it has when no size is given). True when both sides are in the game.
    [[nodiscard]] bool startGame(std::optional<BoardSizeCode> size = std::nullopt)
    {
        if (!connectBoth())
            return false;
        if (size) {
            board::switchToSize(a.s, *size);
            a.s.form.Option3.setSelected(*size);
        }
        board::onStart(a.s);
        deliver();
        return a.s.board.gameStarted && b.s.board.gameStarted;
    }
    // From now on datagrams arrive and are handled during every wait after a
    // send, as in the program; `meanwhile` runs in every wait of `side` after
    // the datagrams have arrived and before they are read (a click that was
    // queued before them).
    void pace(Peer *side = nullptr, std::function<void()> meanwhile = {})
    {
        for (Peer *p : {&a, &b})
            p->pump.duringWait = [this, p, side, meanwhile] {
                arrive();
                if (p == side && meanwhile)
                    meanwhile();
                deliver();
            };
    }
    // Lets datagrams arrive and both sides handle them, until nothing moves.
    void deliver()
    {
        for (int round = 0; round < 1000; ++round) {
            arrive();
            if (a.end.inbox.empty() && b.end.inbox.empty())
                return;
            const size_t before = a.end.inbox.size() + b.end.inbox.size();
            if (!a.end.inbox.empty() && a.end.onReadable)
                a.end.onReadable();
            if (!b.end.inbox.empty() && b.end.onReadable)
                b.end.onReadable();
            if (inFlight.isEmpty() && a.end.inbox.size() + b.end.inbox.size() == before)
                return;  // a side is still busy with an earlier datagram: it reads these later
        }
    }
};

inline void WireEnd::send(const QByteArray &datagram)
{
    if (bound && wire)
        wire->carry(this, datagram);
}

}  // namespace moyuta::test
