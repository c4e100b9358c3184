#pragma once
// Child processes of the end-to-end tests: the test driver (the real program
// commanded over stdin) and the lossy UDP relay. Every wait is bounded, and
// a process still running when its object goes is killed.

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <algorithm>
#include <array>
#include <functional>

namespace e2e {

inline quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::Any, 0);  // free on both families: the sockets under test take both
    return probe.localPort();
}

using Shows = std::function<bool(const QString &)>;

inline Shows is(const QString &expected)
{
    return [expected](const QString &line) { return line == expected; };
}

inline Shows has(const QString &part)
{
    return [part](const QString &line) { return line.contains(part); };
}

inline QString point(int p, int content)
{
    return QStringLiteral("point %1 %2").arg(p).arg(content);
}

// A child that takes commands on stdin and prints lines, and the lines it has printed.
class LineProcess {
public:
    QProcess process;
    QStringList lines;

    LineProcess() { process.setProcessChannelMode(QProcess::SeparateChannels); }
    LineProcess(const LineProcess &) = delete;
    ~LineProcess() { kill(); }

    // Waits until the command is in the pipe: a write only leaves QProcess's buffer when
    // its event loop turns, and a wait on another child does not turn it.
    void send(const QString &command)
    {
        process.write((command + QLatin1Char('\n')).toUtf8());
        process.waitForBytesWritten(2000);
    }
    // Waits, at most `ms`, for a new printed line that starts with `prefix`.
    bool waitFor(const QString &prefix, int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            while (process.canReadLine()) {
                lines << QString::fromUtf8(process.readLine()).trimmed();
                if (lines.last().startsWith(prefix))
                    return true;
            }
            if (process.state() != QProcess::Running)
                return false;
            process.waitForReadyRead(int(std::min<qint64>(200, deadline.remainingTime())));
        }
        return false;
    }
    // Sends a query and returns its answer (empty when none came within `ms`).
    QString query(const QString &command, const QString &answerPrefix, int ms = 2000)
    {
        send(command);
        return waitFor(answerPrefix, ms) ? lines.last() : QString();
    }
    // SIGKILL, as a crash or a pulled plug ends it: nothing is saved, nothing cleaned up.
    void kill()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.kill();
        process.waitForFinished(5000);
    }
};

#ifdef MOYUTA_DRIVER
// The real program in a program folder and a temporary folder of its own.
class Driver : public LineProcess {
public:
    bool start(const QString &folder, const QString &tmp, int ms = 10000)
    {
        lines.clear();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), tmp);  // the single-copy lock lies there
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // A home of its own: the kifu of its network games go to its Documents, not the user's.
        QDir().mkpath(homeOf(tmp));
        env.insert(QStringLiteral("HOME"), homeOf(tmp));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), homeOf(tmp) + QStringLiteral("/.config"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(MOYUTA_DRIVER), {folder});
        return process.waitForStarted(ms) && waitFor(QStringLiteral("ready"), ms);
    }
    static QString homeOf(const QString &tmp) { return tmp + QStringLiteral("/home"); }
    // Where a driver started with `tmp` keeps the kifu of its network games.
    static QString kifuFolder(const QString &tmp) { return homeOf(tmp) + QStringLiteral("/Documents/Moyuta/棋譜"); }
    // Whether the driver has printed `line`, now or within `ms`.
    bool saw(const QString &line, int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        while (!lines.contains(line)) {
            if (deadline.hasExpired() || !waitFor(line, int(deadline.remainingTime())))
                return lines.contains(line);
        }
        return true;
    }
    // Sends a query and returns its answer (empty when none came).
    QString query(const QString &command)
    {
        return LineProcess::query(command, command.section(QLatin1Char(' '), 0, 0));
    }
    // Asks until the answer shows what is expected, at most `ms`.
    bool poll(const QString &command, const Shows &shows, int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            if (shows(query(command)))
                return true;
            QTest::qWait(20);
        }
        return false;
    }
    // Takes an action until this side shows its effect: an action taken while
    // the other side holds the board does nothing, so a player takes it again.
    bool act(const QString &command, const QString &query, const Shows &shows)
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            send(command);
            if (poll(query, shows, 500))
                return true;
        }
        return false;
    }
    // Opens the network panel and fills it in (the connection waits for a click on Command1).
    void fillNetworkPanel(quint16 ownPort, quint16 peerPort, const QString &password = QStringLiteral("abcdef"),
                          const QString &peer = QStringLiteral("127.0.0.1"))
    {
        send(QStringLiteral("click cmdNetwork"));
        send(QStringLiteral("set peer %1").arg(peer));
        send(QStringLiteral("set peerport %1").arg(peerPort));
        send(QStringLiteral("set ownport %1").arg(ownPort));
        send(QStringLiteral("set password %1").arg(password));
        send(QStringLiteral("set cipher 9"));
    }
};

// Both boards, prisoner counts and move logs, once they agree (empty when they never do).
inline QString inStep(Driver &a, Driver &b, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        const QString ga = a.query(QStringLiteral("game")), gb = b.query(QStringLiteral("game"));
        if (!ga.isEmpty() && ga == gb)
            return ga;
        QTest::qWait(20);
    }
    return {};
}

// Program folders "a" and "b" and their temporary folders in one scratch folder.
struct Folders {
    QTemporaryDir dir;
    bool make()
    {
        for (const char *name : {"a", "a-tmp", "b", "b-tmp"}) {
            if (!QDir(dir.path()).mkpath(QString::fromLatin1(name)))
                return false;
        }
        return true;
    }
    QString operator()(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
};

// Ticks or clears the check box `name` (a tick in the panel is kept from the last connection).
inline bool tick(Driver &d, const QString &name, bool on)
{
    const QString query = QStringLiteral("checked ") + name, shown = query + QStringLiteral(" %1").arg(int(on));
    if (d.query(query) != shown)
        d.send(QStringLiteral("click ") + name);
    return d.poll(query, is(shown));
}

// "従来方式で接続(&K)" ticked for the classic protocol, cleared for the secure session.
inline bool chooseProtocol(Driver &d, bool classic)
{
    return tick(d, QStringLiteral("chkClassic"), classic);
}

// Both sides fill in the network panel and connect, the second a second after the first.
// Both are given `peer` as the other's address.
inline bool connectBoth(Driver &a, quint16 aOwn, quint16 aPeer, Driver &b, quint16 bOwn, quint16 bPeer, bool classic = false,
                        const QString &peer = QStringLiteral("127.0.0.1"))
{
    a.fillNetworkPanel(aOwn, aPeer, QStringLiteral("abcdef"), peer);
    b.fillNetworkPanel(bOwn, bPeer, QStringLiteral("abcdef"), peer);
    if (!chooseProtocol(a, classic) || !chooseProtocol(b, classic))
        return false;
    if (!a.poll(QStringLiteral("state"), has(QStringLiteral("auth=0 started=0 ended=0 panel=1"))))
        return false;
    a.send(QStringLiteral("click Command1"));
    QTest::qWait(1000);
    b.send(QStringLiteral("click Command1"));
    for (Driver *d : {&a, &b}) {
        if (!d->poll(QStringLiteral("state"), is(QStringLiteral("state auth=1 started=0 ended=0 panel=0 hold=0"))))
            return false;
    }
    return true;
}

// `a` starts a game; both sides see it started.
inline bool startGame(Driver &a, Driver &b)
{
    return a.act(QStringLiteral("click cmdStart"), QStringLiteral("state"), has(QStringLiteral("started=1")))
           && b.poll(QStringLiteral("state"), has(QStringLiteral("started=1")));
}
#endif

#ifdef MOYUTA_UDPRELAY
// The lossy relay between two copies: A sends to port1(), B to port2().
class Relay : public LineProcess {
public:
    // `sideA`, `sideB`: the copies' own ports, where the relay sends.
    bool start(quint16 sideA, quint16 sideB, const QStringList &options = {}, int ms = 5000)
    {
        lines.clear();
        process.start(QStringLiteral(MOYUTA_UDPRELAY), QStringList{QStringLiteral("--a-port"), QString::number(sideA),
                                                                   QStringLiteral("--b-port"), QString::number(sideB)}
                                                           + options);
        if (!process.waitForStarted(ms) || !waitFor(QStringLiteral("ports "), ms))
            return false;
        const QStringList words = lines.last().split(QLatin1Char(' '));
        ports_ = {quint16(words.value(1).toUInt()), quint16(words.value(2).toUInt())};
        return ports_[0] != 0 && ports_[1] != 0;
    }
    quint16 port1() const { return ports_[0]; }
    quint16 port2() const { return ports_[1]; }
    // A control line ("loss 10", "cut on", ...); true when the relay took it.
    bool control(const QString &line) { return LineProcess::query(line, QString()) == QLatin1String("ok"); }
    // The counts of one direction ("a2b" or "b2a"); empty when no answer came.
    QJsonObject stats(const QString &direction)
    {
        const QString line = LineProcess::query(QStringLiteral("stats"), QStringLiteral("{"));
        return QJsonDocument::fromJson(line.toUtf8()).object().value(direction).toObject();
    }
    // Ends it through its stdin, as a test ends it; killed when that takes too long.
    bool quit(int ms = 5000)
    {
        process.closeWriteChannel();
        const bool ended = process.waitForFinished(ms);
        kill();
        return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

private:
    std::array<quint16, 2> ports_{0, 0};
};
#endif

}  // namespace e2e
