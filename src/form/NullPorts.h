#pragma once
// Stand-ins for the ports a tool without a session does not use (the
// screenshot tool, the benchmarks): nothing is sent, played or shown, the
// socket is never bound and the clock never ticks.

#include "Ports.h"

namespace moyuta {

class NullPeerOutbox : public PeerOutboxPort {
public:
    void sendPeerMessage(const QString &) override {}
    void closeSocket() override {}
};

class NullSound : public SoundPort {
public:
    void open() override {}
    void playCue() override {}
    void close() override {}
};

class NullClock : public ClockPort {
public:
    qint64 nowMs() const override { return 0; }
    void startTicking() override {}
    void stopTicking() override {}
};

class NullTransport : public TransportPort {
public:
    Setup configure(const QString &, quint16, quint16) override { return Setup::BindFailed; }
    void send(const QByteArray &) override {}
    bool nextDatagram(QByteArray &) override { return false; }
    void close() override {}
    bool isBound() const override { return false; }
};

class NullProgram : public ProgramPort {
public:
    QString executableFolder() override { return {}; }
    bool claimSingleCopy() override { return true; }
    void beep() override {}
};

class NullWindows : public ShellWindowsPort {
public:
    void showSplash(const QString &) override {}
    void closeSplash() override {}
    bool newsWindowLoaded() override { return false; }
    void showNewsWindow() override {}
    void hideNewsWindow() override {}
    void closeNewsWindow() override {}
    void showMainWindow() override {}
};

class NullNews : public NewsPort {
public:
    NewsResponse fetch() override { return {}; }
};

}  // namespace moyuta
