#pragma once
// Two window states in one process for moyuta-network-bench: the real
// network layer with the program's own Qt adapters (QtUdpTransport for the
// classic protocol; QtDtlsChannel, QtKeyDerivation and QtSessionTimer for the
// secure session), over real sockets on 127.0.0.1, without windows.
#include "Board.h"
#include "NullPorts.h"
#include "Protocol.h"
#include "QtDtlsChannel.h"
#include "QtKeyDerivation.h"
#include "QtSessionTimer.h"
#include "QtUdpTransport.h"
#include "SecurePlay.h"
#include "Session.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QUdpSocket>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace moyuta::bench {

using Clock = std::chrono::steady_clock;

inline double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

struct Stats {
    double median = 0, p10 = 0, p90 = 0, p95 = 0, max = 0;
};

inline Stats stats(std::vector<double> v)
{
    Stats s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    // Nearest rank: the value at or below which the share q of the samples lies.
    auto at = [&v](double q) { return v[std::min(v.size() - 1, size_t(q * double(v.size()) + 0.999999) - 1)]; };
    s.median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    s.p10 = at(0.10);
    s.p90 = at(0.90);
    s.p95 = at(0.95);
    s.max = v.back();
    return s;
}

// Runs the event loop, sleeping until events arrive, until done() or the time
// is up. A timer elsewhere must wake the loop now and then (see main).
inline bool spinUntil(const std::function<bool()> &done, int timeoutMs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

class SilentDialogs : public DialogPort {
public:
    Answer ask(const QString &) override { return Answer::No; }
    void inform(const QString &) override {}
    void warn(const QString &) override {}
    QString openFileName(const QStringList &) override { return {}; }
    QString saveFileName(const QStringList &) override { return {}; }
};

// Lets Qt's events run; the classic protocol's pacing wait after each send is
// left out (the secure session has none).
class CorePump : public EventPumpPort {
public:
    void processEvents() override { QCoreApplication::processEvents(); }
    void pace(qint64) override {}
};

// One window state. The adapters are declared before the state, so the
// secure session the state holds is gone before they are.
struct Side {
    SilentDialogs dialogs;
    CorePump pump;
    network::NetworkOutbox outbox;
    NullSound sound;
    NullClock clock;
    ui::QtUdpTransport transport;
    ui::QtDtlsChannel channel;
    ui::QtKeyDerivation keys;
    ui::QtSessionTimer timer;
    NullProgram program;
    NullWindows windows;
    NullNews news;
    AppState s{{dialogs, pump, outbox, sound, clock, transport, program, windows, news}};

    Side(quint16 peerPort, quint16 ownPort, bool classic)
    {
        board::installHandlers(s);
        board::setInitialState(s);
        outbox.attach(s);
        network::attachSecure(s, channel, keys, timer, {});
        Form &f = s.form;
        f.txtPeerAddress.text = QStringLiteral("127.0.0.1");
        f.txtPeerPort.text = QString::number(peerPort);
        f.txtOwnPort.text = QString::number(ownPort);
        f.txtPassword.text = QStringLiteral("abcdef");
        f.cboCipherNumber.text = QStringLiteral("7");
        f.chkClassic.checked = classic;
        s.session.classicProtocol = classic;
    }
};

// Two UDP ports that are free now (the probes are closed before they are used).
inline bool freePorts(quint16 &first, quint16 &second)
{
    QUdpSocket a, b;
    if (!a.bind(QHostAddress::AnyIPv4, 0) || !b.bind(QHostAddress::AnyIPv4, 0))
        return false;
    first = a.localPort();
    second = b.localPort();
    return first != 0 && second != 0 && first != second;
}

}  // namespace moyuta::bench
