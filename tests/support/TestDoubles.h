#pragma once
// Test doubles for the ports, and a fixture that builds one window state.

#include "AppState.h"
#include "Board.h"
#include "KifuDoubles.h"
#include "MappingDoubles.h"
#include "NullPorts.h"
#include "Record.h"

#include <QList>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>

namespace moyuta::test {

// Answers questions from a script (No once the script runs out) and records every box.
class ScriptedDialogs : public DialogPort {
public:
    std::deque<Answer> answers;
    QStringList questions, notices, warnings;
    // Called while a box is open, to act as an event arriving meanwhile.
    std::function<void()> whileOpen;

    Answer ask(const QString &q) override
    {
        questions << q;
        if (whileOpen)
            whileOpen();
        if (answers.empty())
            return Answer::No;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    // File names the dialogs "pick", in order (empty once they run out: cancelled).
    std::deque<QString> fileNames;
    QStringList fileDialogs;  // "open" or "save", then the filters
    QString nextFileName(const QString &kind, const QStringList &filters)
    {
        fileDialogs << kind + QLatin1Char(' ') + filters.join(QStringLiteral(";;"));
        if (fileNames.empty())
            return {};
        const QString name = fileNames.front();
        fileNames.pop_front();
        return name;
    }

    // Called while an information box is open.
    std::function<void()> whileInformOpen;
    void inform(const QString &t) override
    {
        notices << t;
        if (whileInformOpen)
            whileInformOpen();
    }
    void warn(const QString &t) override { warnings << t; }
    QString openFileName(const QStringList &filters) override { return nextFileName(QStringLiteral("open"), filters); }
    QString saveFileName(const QStringList &filters) override { return nextFileName(QStringLiteral("save"), filters); }
    int boxes() const { return int(questions.size() + notices.size() + warnings.size()); }

    // The game-information dialog: what it showed each time, and what the
    // user leaves in it on OK (none: キャンセル).
    QList<GameInfo> gameInfoShown;
    std::optional<GameInfo> gameInfoTyped;
    bool askGameInfo(GameInfo &info) override
    {
        gameInfoShown << info;
        if (!gameInfoTyped)
            return false;
        info = *gameInfoTyped;
        return true;
    }
};

class NullPump : public EventPumpPort {
public:
    void processEvents() override {}
    void pace(qint64) override {}
};

class RecordingOutbox : public PeerOutboxPort {
public:
    QStringList sent;
    int socketCloses = 0;
    qsizetype sentAtClose = -1;  // messages sent before the socket closed
    void sendPeerMessage(const QString &plain) override { sent << plain; }
    void closeSocket() override
    {
        ++socketCloses;
        sentAtClose = sent.size();
    }
};

class CountingSound : public SoundPort {
public:
    int plays = 0, opens = 0, closes = 0;
    void open() override { ++opens; }
    void playCue() override { ++plays; }
    void close() override { ++closes; }
};

// A clock the test moves by hand; a tick arrives when the test says so.
class FakeClock : public ClockPort {
public:
    qint64 now = 100000;
    bool ticking = false;
    qint64 nowMs() const override { return now; }
    void startTicking() override { ticking = true; }
    void stopTicking() override { ticking = false; }
    // Time passes; then a tick arrives, if the clock is ticking.
    void advance(qint64 ms)
    {
        now += ms;
        if (ticking && onTick)
            onTick();
    }
};

class FakeProgram : public ProgramPort {
public:
    QString folder;
    bool anotherCopy = false;
    int beeps = 0;
    QString executableFolder() override { return folder; }
    bool claimSingleCopy() override { return !anotherCopy; }
    void beep() override { ++beeps; }
};

// Records what happens to the windows, in order.
class FakeWindows : public ShellWindowsPort {
public:
    QStringList events;
    bool splashOpen = false, mainShown = false, newsLoaded = false;
    std::function<void()> onNewsClose;  // the news window's closing handler
    void showSplash(const QString &status) override { splashOpen = true; events << QStringLiteral("splash ") + status; }
    void closeSplash() override { splashOpen = false; events << QStringLiteral("close splash"); }
    bool newsWindowLoaded() override { return newsLoaded; }
    void showNewsWindow() override
    {
        newsLoaded = true;
        events << QStringLiteral("show news");
    }
    void hideNewsWindow() override { events << QStringLiteral("hide news"); }
    void closeNewsWindow() override
    {
        events << QStringLiteral("close news");
        if (newsLoaded && onNewsClose)
            onNewsClose();
        newsLoaded = false;
    }
    void showMainWindow() override { mainShown = true; events << QStringLiteral("show main"); }
};

class FakeNews : public NewsPort {
public:
    bool fail = false;  // an unexpected error while the notice is fetched
    NewsResponse response;
    int fetches = 0;
    NewsResponse fetch() override
    {
        ++fetches;
        if (fail)
            throw std::runtime_error("fetch failed");
        return response;
    }
};

struct Fixture {
    ScriptedDialogs dialogs;
    NullPump pump;
    RecordingOutbox outbox;
    CountingSound sound;
    FakeClock clock;
    NullTransport transport;  // no network: nothing is sent or received
    FakeProgram program;
    FakeWindows windows;
    FakeNews news;
    FakeLocalAddresses addresses;  // none unless a test gives some
    FakeClipboard clipboard;
    MemoryKifuStore kifu;  // kept only where a test attaches the keeper
    // No router: the connection is tried at once.
    AppState s{{dialogs, pump, outbox, sound, clock, transport, program, windows, news, nullptr, &addresses, nullptr,
                &clipboard, nullptr, &kifu}};

    Fixture()
    {
        board::installHandlers(s);
        board::setInitialState(s);
    }

    Form &form() { return s.form; }
    PointContent at(int point) const { return s.board.points[size_t(point)].content; }
    QString numberAt(int point) const { return s.board.points[size_t(point)].number; }
    void left(int point) { board::pressPoint(s, point, board::MouseButton::Left); }
    void right(int point) { board::pressPoint(s, point, board::MouseButton::Right); }
    // Connected to a peer, as after the handshake.
    void connect()
    {
        s.session.authenticated = true;
        s.form.cmdStart.enabled = true;
        s.form.cmdStart.back = kStartGreen;
    }
    // Recording, as after a press of "記録(&Q)" (on an empty 19-line board: no question).
    void startRecording() { record::onRecord(s); }
    // Connected, with a game started from this side.
    void startGame()
    {
        connect();
        board::onStart(s);
        outbox.sent.clear();
        dialogs.notices.clear();
    }
};

}  // namespace moyuta::test
