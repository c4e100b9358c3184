#pragma once
// Test doubles of the ports for the widget tests: dialogs answer from a script.

#include "AppState.h"
#include "Board.h"
#include "Ports.h"

#include <QStringList>

namespace moyuta::test {

class ScriptedDialogs : public DialogPort {
public:
    Answer answer = Answer::Yes;
    QStringList shown;

    Answer ask(const QString &q) override { shown << q; return answer; }
    void inform(const QString &t) override { shown << t; }
    void warn(const QString &t) override { shown << t; }
    QString openFileName() override { return {}; }
    QString saveFileName() override { return {}; }
};

class IdlePump : public EventPumpPort {
public:
    void processEvents() override {}
    void pace(qint64) override {}
};

class SilentOutbox : public PeerOutboxPort {
public:
    void sendPeerMessage(const QString &) override {}
};

class SilentSound : public SoundPort {
public:
    void playCue() override {}
};

// A window state as the program starts it.
struct Fixture {
    ScriptedDialogs dialogs;
    IdlePump pump;
    SilentOutbox outbox;
    SilentSound sound;
    AppState s{dialogs, pump, outbox, sound};

    Fixture()
    {
        board::installHandlers(s);
        board::setInitialState(s);
    }
};

// The first point that shows anything, or -1.
inline int firstOccupied(const AppState &s)
{
    for (int i = 0; i < kPointCount; ++i)
        if (s.points[size_t(i)].content != PointContent::Empty)
            return i;
    return -1;
}

}  // namespace moyuta::test
