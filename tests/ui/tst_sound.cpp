// The cue sound as the user hears it. The test starts a PulseAudio server of
// its own (a null sink, a socket in a temporary folder) and records the null
// sink's monitor with parec; each case starts this executable again as the
// player (--player): a window state with the real QtSound, or the whole
// program, that asks for cues on a clock. The case's stretch of the
// recording is then searched for the chime: where it starts, how long it
// sounds, and which note it begins with.
#include "Program.h"
#include "QtSound.h"
#include "TestDoubles.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sys/prctl.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>

using namespace moyuta;

namespace {

constexpr int kRate = 44100;
constexpr int kWindow = kRate / 100;  // 10 ms
// The RMS of a sounding window (full scale 32767), and of one that is not
// quite silent: the null sink's silence is 0, the chime fades out to 0.
constexpr double kThreshold = 300;
constexpr double kAudible = 5;
// Before an onset the recording is silent this long (windows).
constexpr int kQuietBeforeOnset = 15;
constexpr double kHighNote = 1318.51;  // E6, the chime's first note
constexpr double kLowNote = 1046.50;   // C6, 0.18 s later

const QString kPlayerFlag = QStringLiteral("--player");

// A child ends with this test however the test ends (a crash, a timeout).
void dieWithParent()
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}

void stopProcess(QProcess &p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    p.kill();
    p.waitForFinished(5000);
}

// ---- the recording's analysis ----

using Samples = QList<qint16>;

// RMS of each 10 ms window.
QList<double> envelope(const Samples &s)
{
    QList<double> env;
    for (qsizetype at = 0; at + kWindow <= s.size(); at += kWindow) {
        double sum = 0;
        for (qsizetype i = at; i < at + kWindow; ++i)
            sum += double(s[i]) * s[i];
        env << std::sqrt(sum / kWindow);
    }
    return env;
}

// Windows where sound starts after a stretch of silence.
QList<int> onsets(const QList<double> &env)
{
    QList<int> found;
    int quiet = kQuietBeforeOnset;  // the recording starts in silence
    for (int i = 0; i < env.size(); ++i) {
        if (env[i] < kThreshold) {
            ++quiet;
            continue;
        }
        if (quiet >= kQuietBeforeOnset)
            found << i;
        quiet = 0;
    }
    return found;
}

// Windows from `from` to the first one below `level`.
int soundingWindows(const QList<double> &env, int from, double level = kThreshold)
{
    int i = from;
    while (i < env.size() && env[i] >= level)
        ++i;
    return i - from;
}

// The last window at `level` or above, or -1.
int lastSounding(const QList<double> &env, double level = kThreshold)
{
    for (int i = int(env.size()) - 1; i >= 0; --i)
        if (env[i] >= level)
            return i;
    return -1;
}

int peak(const Samples &s)
{
    int p = 0;
    for (qint16 v : s)
        p = qMax(p, qAbs(int(v)));
    return p;
}

// Amplitude of one frequency over 100 ms from `fromMs` (Goertzel).
double toneLevel(const Samples &s, int fromMs, double frequency)
{
    const qsizetype from = qsizetype(fromMs) * kRate / 1000, count = kRate / 10;
    if (from < 0 || from + count > s.size())
        return -1;
    const double c = 2 * std::cos(2 * M_PI * frequency / kRate);
    double s1 = 0, s2 = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const double s0 = s[i] + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return 2 * std::sqrt(qMax(0.0, s1 * s1 + s2 * s2 - c * s1 * s2)) / double(count);
}

QString describe(const QList<int> &windows)
{
    QStringList ms;
    for (int w : windows)
        ms << QString::number(w * 10);
    return ms.join(QLatin1Char(' '));
}

// ---- the sound server, the recorder and the player ----

class SoundServer {
public:
    ~SoundServer() { stop(); }

    // Starts the server and waits (bounded) until its socket takes connections.
    QString start()
    {
        if (!dir_.isValid())
            return QStringLiteral("no temporary folder");
        const QString program = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (program.isEmpty())
            return QStringLiteral("pulseaudio is not installed (./test.sh installs it)");
        // All of its files in the temporary folder: no user's server, config or cookie is touched.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH"})
            env.insert(QString::fromLatin1(name), dir_.path());
        env.remove(QStringLiteral("PULSE_SERVER"));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setChildProcessModifier(dieWithParent);
        // Run as root (as CI does) it only warns; -n: no default modules, only these.
        process_.start(program, {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                                 QStringLiteral("--use-pid-file=no"), QStringLiteral("--exit-idle-time=-1"),
                                 QStringLiteral("--disallow-exit"), QStringLiteral("--realtime=no"),
                                 QStringLiteral("--high-priority=no"), QStringLiteral("--log-level=error"),
                                 QStringLiteral("-L"),
                                 QStringLiteral("module-null-sink sink_name=cue rate=44100 channels=2"),
                                 QStringLiteral("-L"),
                                 QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + socket()});
        if (!process_.waitForStarted(5000))
            return QStringLiteral("pulseaudio did not start");
        const QDeadlineTimer deadline(10000);
        while (!QFileInfo::exists(socket())) {
            if (process_.state() != QProcess::Running || deadline.hasExpired())
                return QStringLiteral("pulseaudio made no socket");
            QThread::msleep(20);
        }
        return {};
    }

    void stop() { stopProcess(process_); }
    bool running() const { return process_.state() == QProcess::Running; }
    QString socket() const { return dir_.filePath(QStringLiteral("native")); }
    QString address() const { return QStringLiteral("unix:") + socket(); }

private:
    QTemporaryDir dir_;
    QProcess process_;
};

// The null sink's monitor, mono, as 16-bit samples, recorded from start()
// until the recorder goes.
class Recorder {
public:
    ~Recorder() { stopProcess(process_); }

    // Starts recording and waits (bounded) until samples flow: the null sink
    // first renders a block of 2 s before a low-latency monitor has its way.
    // parec writes to a file, never to a pipe that could fill while this test
    // waits for something else (the server would drop what it cannot send).
    QString start(const SoundServer &server)
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("parec"));
        if (program.isEmpty())
            return QStringLiteral("parec is not installed (./test.sh installs pulseaudio-utils)");
        if (!dir_.isValid())
            return QStringLiteral("no temporary folder");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_SERVER"), server.address());
        process_.setProcessEnvironment(env);
        process_.setStandardOutputFile(file());
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setChildProcessModifier(dieWithParent);
        process_.start(program, {QStringLiteral("-d"), QStringLiteral("cue.monitor"),
                                 QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                                 QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
        if (!process_.waitForStarted(5000))
            return QStringLiteral("parec did not start");
        if (!waitForBytes(kRate / 10 * 2, 10000))
            return QStringLiteral("no samples from the monitor");
        origin_ = QFileInfo(file()).size();  // time starts now
        clock_.start();
        return {};
    }

    bool running() const { return process_.state() == QProcess::Running; }

    // The number of samples recorded up to now.
    qsizetype mark()
    {
        catchUp();
        return qsizetype(QFileInfo(file()).size() / 2);
    }

    // The samples from `from` up to now.
    Samples since(qsizetype from)
    {
        catchUp();
        QFile f(file());
        if (!f.open(QIODevice::ReadOnly) || !f.seek(from * 2))
            return {};
        const QByteArray data = f.readAll();
        Samples s(data.size() / 2);
        memcpy(s.data(), data.constData(), size_t(s.size()) * 2);
        return s;
    }

private:
    QString file() const { return dir_.filePath(QStringLiteral("monitor.raw")); }

    bool waitForBytes(qint64 bytes, int ms)
    {
        const QDeadlineTimer deadline(ms);
        while (QFileInfo(file()).size() < bytes) {
            if (deadline.hasExpired() || !running())
                return false;
            QThread::msleep(20);
        }
        return true;
    }

    // The monitor may lag a little: waits (bounded) until what has sounded up to now is in.
    void catchUp() { waitForBytes(origin_ + (clock_.elapsed() - 50) * kRate / 1000 * 2, 5000); }

    QTemporaryDir dir_;
    QProcess process_;
    qint64 origin_ = 0;
    QElapsedTimer clock_;
};

// This executable as the player (see runPlayer below).
class Player {
public:
    ~Player() { stopProcess(process_); }

    // `tmp`: the temporary folder (where a whole program holds its single-copy lock).
    void start(const QString &serverAddress, const QString &tmp, const QStringList &settings,
               const QHash<QString, QString> &moreEnvironment = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_SERVER"), serverAddress);
        env.insert(QStringLiteral("TMPDIR"), tmp);
        for (auto it = moreEnvironment.begin(); it != moreEnvironment.end(); ++it)
            env.insert(it.key(), it.value());
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setChildProcessModifier(dieWithParent);
        process_.start(QCoreApplication::applicationFilePath(), QStringList{kPlayerFlag} + settings);
    }

    // Waits (bounded) for a line of the player's report that starts so.
    bool waitForLine(const QString &start, int ms)
    {
        const QDeadlineTimer deadline(ms);
        for (;;) {
            read();
            if (!line(start).isNull())
                return true;
            if (deadline.hasExpired() || process_.state() == QProcess::NotRunning)
                return false;
            process_.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
    }

    // Waits (bounded) for the player to end; true when it ended by itself with 0.
    bool finish(int ms)
    {
        const bool ended = process_.waitForFinished(ms);
        read();
        if (!ended) {
            stopProcess(process_);
            return false;
        }
        return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
    }

    // The rest of the first line that starts so; a null string when there is none.
    QString line(const QString &start) const
    {
        for (const QString &l : lines_)
            if (l.startsWith(start))
                return l.mid(start.size()).trimmed();
        return {};
    }
    QString report() const { return lines_.join(QStringLiteral(" | ")); }

private:
    void read()
    {
        buffer_ += process_.readAllStandardOutput();
        qsizetype end;
        while ((end = buffer_.indexOf('\n')) >= 0) {
            lines_ << QString::fromUtf8(buffer_.left(end));
            buffer_.remove(0, end + 1);
        }
    }

    QProcess process_;
    QByteArray buffer_;
    QStringList lines_;
};

QString statusName(ui::QtSound::Status status)
{
    switch (status) {
    case ui::QtSound::Status::Closed: return QStringLiteral("closed");
    case ui::QtSound::Status::Decoding: return QStringLiteral("decoding");
    case ui::QtSound::Status::Ready: return QStringLiteral("ready");
    case ui::QtSound::Status::Failed: return QStringLiteral("failed");
    }
    return {};
}

// Waits (bounded) until the chime has been decoded or has failed.
void waitForDecoding(ui::QtSound &sound, int ms)
{
    if (sound.status() != ui::QtSound::Status::Decoding)
        return;
    QEventLoop loop;
    QObject::connect(&sound, &ui::QtSound::statusChanged, &loop, &QEventLoop::quit);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double cpuSeconds()
{
    rusage r{};
    ::getrusage(RUSAGE_SELF, &r);
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// The player: settings name=value after --player.
//   folder=   the program folder (the cue file is looked for there)
//   program=  1: the whole real program started from `folder` (its start-up
//             opens the sound); else a window state of its own with a QtSound
//   cues=     requests, the first at once; interval= ms between them
//   soundOff= 1: the window state has its sound switched off
//   closeAfter= ms after the last request to close the sound (none when absent)
//   busyFor=  ms the event loop is held, busyAfter= ms after each request
//   tail=     ms after the last request until the player reports and ends
// Reports one line each: "status <after decoding>", "cue <n> <ms>",
// "sink <1 while a sink is held at the end of the tail>", "idle-cpu-ms <CPU
// used in the last 500 ms of the tail>", "end".
int runPlayer(int argc, char *argv[])
{
    QHash<QString, QString> settings;
    for (int i = 2; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        settings.insert(arg.left(eq), arg.mid(eq + 1));
    }
    const QString folder = settings.value(QStringLiteral("folder"));
    const bool wholeProgram = settings.value(QStringLiteral("program")) == QLatin1String("1");
    const int cues = settings.value(QStringLiteral("cues")).toInt();
    const int interval = settings.value(QStringLiteral("interval")).toInt();
    const int tail = settings.value(QStringLiteral("tail"), QStringLiteral("1000")).toInt();
    const bool closes = settings.contains(QStringLiteral("closeAfter"));
    const int closeAfter = settings.value(QStringLiteral("closeAfter")).toInt();

    std::unique_ptr<QCoreApplication> app;
    if (wholeProgram)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QTextStream out(stdout);
    auto say = [&out](const QString &line) { out << line << Qt::endl; };

    test::ScriptedDialogs dialogs;
    test::NullPump pump;
    test::RecordingOutbox outbox;
    test::FakeClock fakeClock;
    NullTransport transport;
    test::FakeProgram fakeProgram;
    test::FakeWindows windows;
    test::FakeNews news;
    std::unique_ptr<ui::Program> program;
    std::unique_ptr<ui::QtSound> ownSound;
    std::unique_ptr<AppState> ownState;
    AppState *s = nullptr;
    ui::QtSound *sound = nullptr;
    if (wholeProgram) {
        program = std::make_unique<ui::Program>(folder, nullptr, &dialogs);
        program->start();
        s = &program->state();
        sound = &program->sound();
    } else {
        ownSound = std::make_unique<ui::QtSound>([folder] { return folder; });
        ownState = std::make_unique<AppState>(
            Ports{dialogs, pump, outbox, *ownSound, fakeClock, transport, fakeProgram, windows, news});
        s = ownState.get();
        sound = ownSound.get();
        sound->open();  // as start-up does
    }
    if (settings.contains(QStringLiteral("soundOff")))
        s->shell.soundOff = settings.value(QStringLiteral("soundOff")) == QLatin1String("1");
    waitForDecoding(*sound, 10000);
    say(QStringLiteral("status ") + statusName(sound->status()));

    double cpuAtStart = 0;
    auto end = [&] {
        say(QStringLiteral("sink %1").arg(sound->sinkActive() ? 1 : 0));
        say(QStringLiteral("idle-cpu-ms %1").arg(qRound((cpuSeconds() - cpuAtStart) * 1000)));
        say(QStringLiteral("end"));
        if (program) {
            s->shell.quitWithoutAsking = true;
            program->window().close();  // shut-down closes the sound; the program ends
        } else {
            sound->close();  // as shut-down does
            app->quit();
        }
    };
    auto afterLast = [&] {
        if (closes)
            QTimer::singleShot(closeAfter, Qt::PreciseTimer, app.get(), [&] { sound->close(); });
        QTimer::singleShot(qMax(0, tail - 500), app.get(), [&] { cpuAtStart = cpuSeconds(); });
        QTimer::singleShot(tail, app.get(), end);
    };

    QElapsedTimer clock;
    clock.start();
    int played = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(interval);
    const int busyAfter = settings.value(QStringLiteral("busyAfter")).toInt();
    const int busyFor = settings.value(QStringLiteral("busyFor")).toInt();
    auto request = [&] {
        s->playCueSound();
        if (busyFor > 0)  // as a handler that works this long without letting events run
            QTimer::singleShot(busyAfter, Qt::PreciseTimer, app.get(), [busyFor] { QThread::msleep(busyFor); });
        say(QStringLiteral("cue %1 %2").arg(played).arg(clock.elapsed()));
        if (++played < cues)
            return;
        timer.stop();
        afterLast();
    };
    QObject::connect(&timer, &QTimer::timeout, app.get(), request);
    QTimer::singleShot(0, app.get(), [&] {
        if (cues <= 0) {
            afterLast();
            return;
        }
        request();
        if (played < cues)
            timer.start();
    });
    return app->exec();
}

}  // namespace

class TestSound : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void decodesTheChimeOnce();
    void unusableFileFails_data();
    void unusableFileFails();

    void chimeAtEachRequest();
    void soundOffIsSilent();
    void newRequestRestartsTheChime();
    void busyProgramDoesNotCutTheChime_data();
    void busyProgramDoesNotCutTheChime();
    void closeStopsTheChime();
    void unusableFileIsSilent_data();
    void unusableFileIsSilent();
    void noDecoderIsQuiet();
    void noServerIsQuiet();
    void serverGoingAwayIsQuiet();

private:
    QString writeFolder(const QString &name, const QByteArray &content);

    std::unique_ptr<QTemporaryDir> tmp_;
    QString cueFolder_;
    QByteArray cue_;
    // One server and one recording for all cases (the recording's first 2 s
    // cost is paid once); each case takes its own stretch of the recording.
    std::unique_ptr<SoundServer> server_;
    std::unique_ptr<Recorder> recorder_;
};

void TestSound::initTestCase()
{
    QFile file(QStringLiteral(MOYUTA_CUE_FILE));
    QVERIFY2(file.open(QIODevice::ReadOnly), MOYUTA_CUE_FILE);
    cue_ = file.readAll();
    QVERIFY(cue_.size() > 1000);

    server_ = std::make_unique<SoundServer>();
    QString why = server_->start();
    QVERIFY2(why.isEmpty(), qPrintable(why));
    recorder_ = std::make_unique<Recorder>();
    why = recorder_->start(*server_);
    QVERIFY2(why.isEmpty(), qPrintable(why));
}

void TestSound::init()
{
    QVERIFY(server_ && server_->running() && recorder_ && recorder_->running());
    tmp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp_->isValid());
    cueFolder_ = writeFolder(QStringLiteral("program"), cue_);
}

void TestSound::cleanup()
{
    tmp_.reset();
}

void TestSound::cleanupTestCase()
{
    recorder_.reset();
    server_.reset();  // kills the server (a failed initTestCase or case comes here too)
}

QString TestSound::writeFolder(const QString &name, const QByteArray &content)
{
    const QString folder = tmp_->filePath(name) + QLatin1Char('/');
    QDir().mkpath(folder);
    if (!content.isNull()) {
        QFile file(folder + ui::QtSound::kCueFileName);
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
    }
    return folder;
}

// ---- in this process: decoding only (no sink, so no sound server is needed) ----

void TestSound::decodesTheChimeOnce()
{
    ui::QtSound sound([this] { return cueFolder_; });
    QCOMPARE(sound.status(), ui::QtSound::Status::Closed);
    sound.open();
    QCOMPARE(sound.status(), ui::QtSound::Status::Decoding);
    waitForDecoding(sound, 10000);
    QCOMPARE(sound.status(), ui::QtSound::Status::Ready);
    const QAudioFormat format = sound.format();
    QVERIFY(format.isValid());
    QCOMPARE(sound.samples().size() % format.bytesPerFrame(), 0);
    // The committed chime lasts 0.8 s.
    QVERIFY2(qAbs(format.durationForBytes(sound.samples().size()) - 800000) < 30000,
             qPrintable(QString::number(format.durationForBytes(sound.samples().size()))));

    // Closed, it holds nothing and plays nothing; opened again, it decodes again.
    sound.close();
    QCOMPARE(sound.status(), ui::QtSound::Status::Closed);
    QVERIFY(sound.samples().isEmpty());
    sound.playCue();
    QVERIFY(!sound.sinkActive());
    sound.open();
    waitForDecoding(sound, 10000);
    QCOMPARE(sound.status(), ui::QtSound::Status::Ready);
}

void TestSound::unusableFileFails_data()
{
    QTest::addColumn<QByteArray>("content");  // null: no file at all
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("text") << QByteArray("not a sound\n").repeated(200);
    QByteArray noise(16384, '\0');
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + (i >> 3) * 104729) & 0xff);
    QTest::newRow("noise") << noise;
    // Only the mp3's first frame, the encoder's header: no sound in it.
    QFile file(QStringLiteral(MOYUTA_CUE_FILE));
    file.open(QIODevice::ReadOnly);
    QTest::newRow("header only") << file.read(417);
}

void TestSound::unusableFileFails()
{
    QFETCH(QByteArray, content);
    const QString folder = writeFolder(QStringLiteral("unusable"), content);
    ui::QtSound sound([folder] { return folder; });
    sound.open();
    waitForDecoding(sound, 10000);
    QCOMPARE(sound.status(), ui::QtSound::Status::Failed);
    QVERIFY(sound.samples().isEmpty());
    sound.playCue();
    QVERIFY(!sound.sinkActive());
    sound.close();
}

// ---- through a sound server ----

// The whole program, started from a folder that holds the cue: five requests 1 s apart.
void TestSound::chimeAtEachRequest()
{
    const qsizetype from = recorder_->mark();
    Player player;
    player.start(server_->address(), tmp_->path(),
                 {QStringLiteral("program=1"), QStringLiteral("folder=") + cueFolder_, QStringLiteral("cues=5"),
                  QStringLiteral("interval=1000"), QStringLiteral("tail=2000")});
    QVERIFY2(player.finish(30000), qPrintable(player.report()));
    const Samples rec = recorder_->since(from);
    QCOMPARE(player.line(QStringLiteral("status")), QStringLiteral("ready"));

    const QList<double> env = envelope(rec);
    const QList<int> starts = onsets(env);
    QList<int> lengths;
    for (int start : starts)
        lengths << soundingWindows(env, start, kAudible);
    qInfo("onsets (ms into the recording): %s; audible for (ms): %s", qPrintable(describe(starts)),
          qPrintable(describe(lengths)));
    QCOMPARE(starts.size(), 5);
    for (int i = 0; i < starts.size(); ++i) {
        const int ms = starts[i] * 10;
        if (i > 0) {
            const int gap = (starts[i] - starts[i - 1]) * 10;
            QVERIFY2(qAbs(gap - 1000) <= 80, qPrintable(QStringLiteral("gap %1 ms").arg(gap)));
        }
        // The whole chime sounds, to the end of its fade (0.8 s): its tail is
        // still in the device when the sink has been handed everything.
        const int length = lengths[i] * 10;
        QVERIFY2(length >= 750 && length <= 850, qPrintable(QStringLiteral("audible for %1 ms").arg(length)));
        // E6 first, then C6.
        const double highFirst = toneLevel(rec, ms + 20, kHighNote), lowFirst = toneLevel(rec, ms + 20, kLowNote);
        const double highLater = toneLevel(rec, ms + 300, kHighNote), lowLater = toneLevel(rec, ms + 300, kLowNote);
        QVERIFY2(highFirst > 5 * lowFirst, qPrintable(QStringLiteral("%1 %2").arg(highFirst).arg(lowFirst)));
        QVERIFY2(lowLater > 2 * highLater, qPrintable(QStringLiteral("%1 %2").arg(lowLater).arg(highLater)));
    }
    // Played out, each sink has been let go; waiting costs no CPU.
    QCOMPARE(player.line(QStringLiteral("sink")), QStringLiteral("0"));
    QVERIFY2(player.line(QStringLiteral("idle-cpu-ms")).toInt() <= 20, qPrintable(player.report()));
}

// The same with the sound switched off.
void TestSound::soundOffIsSilent()
{
    const qsizetype from = recorder_->mark();
    Player player;
    player.start(server_->address(), tmp_->path(),
                 {QStringLiteral("program=1"), QStringLiteral("folder=") + cueFolder_, QStringLiteral("cues=5"),
                  QStringLiteral("interval=200"), QStringLiteral("soundOff=1"), QStringLiteral("tail=1000")});
    QVERIFY2(player.finish(30000), qPrintable(player.report()));
    const Samples rec = recorder_->since(from);
    QCOMPARE(player.line(QStringLiteral("status")), QStringLiteral("ready"));
    QVERIFY(!player.line(QStringLiteral("cue 4")).isNull());
    QVERIFY(rec.size() > kRate);  // the whole time was recorded
    QCOMPARE(peak(rec), 0);
}

void TestSound::newRequestRestartsTheChime()
{
    const qsizetype from = recorder_->mark();
    Player player;
    player.start(server_->address(), tmp_->path(),
                 {QStringLiteral("folder=") + cueFolder_, QStringLiteral("cues=2"),
                  QStringLiteral("interval=300"), QStringLiteral("tail=1500")});
    QVERIFY2(player.finish(30000), qPrintable(player.report()));
    const Samples rec = recorder_->since(from);

    const QList<double> env = envelope(rec);
    const QList<int> starts = onsets(env);
    QVERIFY(!starts.isEmpty());
    const int first = starts[0];
    // The second chime: sound rising again within 30 ms, after the first
    // chime's own rise to its low note (0.18 s in).
    int second = -1;
    for (int w = first + 25; w < env.size() && second < 0; ++w)
        if (env[w] >= kThreshold && env[w] >= 1.5 * std::min({env[w - 3], env[w - 2], env[w - 1]}))
            second = w;
    const int apart = player.line(QStringLiteral("cue 1")).toInt();
    const int end = lastSounding(env, kAudible) + 1;
    qInfo("chimes start at %d and %d ms (asked for %d ms apart), sound until %d ms", first * 10, second * 10,
          apart, end * 10);
    QVERIFY(second > 0);
    // It starts when asked for, not once the first has played out (0.8 s)...
    QVERIFY2(qAbs((second - first) * 10 - apart) <= 150, qPrintable(QString::number((second - first) * 10)));
    // ...from its beginning and alone: the high note without the first
    // chime's low note under it...
    const double high = toneLevel(rec, second * 10 + 20, kHighNote);
    const double low = toneLevel(rec, second * 10 + 20, kLowNote);
    qInfo("as the second starts: E6 %.0f, C6 %.0f", high, low);
    QVERIFY2(high > 10 * low, qPrintable(QStringLiteral("E6 %1, C6 %2").arg(high).arg(low)));
    // ...and plays to its end, after which nothing sounds.
    QVERIFY2(qAbs((end - second) * 10 - 790) <= 60, qPrintable(QString::number((end - second) * 10)));
    QVERIFY(starts.size() <= 2);
}

void TestSound::busyProgramDoesNotCutTheChime_data()
{
    QTest::addColumn<int>("after");  // ms after the request
    QTest::addColumn<int>("busy");   // ms the event loop is held
    QTest::newRow("held right after the request") << 0 << 300;
    QTest::newRow("held while it plays") << 50 << 400;
}

// A handler that holds the event loop (a long save, a slow disk) cuts
// nothing off the chime.
void TestSound::busyProgramDoesNotCutTheChime()
{
    QFETCH(int, after);
    QFETCH(int, busy);
    const qsizetype from = recorder_->mark();
    Player player;
    player.start(server_->address(), tmp_->path(),
                 {QStringLiteral("folder=") + cueFolder_, QStringLiteral("cues=1"),
                  QStringLiteral("busyAfter=%1").arg(after), QStringLiteral("busyFor=%1").arg(busy),
                  QStringLiteral("tail=1500")});
    QVERIFY2(player.finish(30000), qPrintable(player.report()));
    const QList<double> env = envelope(recorder_->since(from));
    const QList<int> starts = onsets(env);
    QCOMPARE(starts.size(), 1);
    const int audible = soundingWindows(env, starts[0], kAudible) * 10;
    qInfo("audible for %d ms", audible);
    QVERIFY2(audible >= 750 && audible <= 850, qPrintable(QString::number(audible)));
}

void TestSound::closeStopsTheChime()
{
    const qsizetype from = recorder_->mark();
    Player player;
    player.start(server_->address(), tmp_->path(),
                 {QStringLiteral("folder=") + cueFolder_, QStringLiteral("cues=1"),
                  QStringLiteral("closeAfter=150"), QStringLiteral("tail=1000")});
    QVERIFY2(player.finish(30000), qPrintable(player.report()));
    const Samples rec = recorder_->since(from);

    const QList<double> env = envelope(rec);
    const QList<int> starts = onsets(env);
    QCOMPARE(starts.size(), 1);
    // Closed 150 ms after the request: cut off well before its 0.8 s, and nothing after.
    const int audible = soundingWindows(env, starts[0], kAudible);
    qInfo("audible for %d ms", audible * 10);
    QVERIFY2(audible * 10 < 400, qPrintable(QStringLiteral("audible for %1 ms").arg(audible * 10)));
    QCOMPARE(lastSounding(env, kAudible), starts[0] + audible - 1);
    QCOMPARE(player.line(QStringLiteral("sink")), QStringLiteral("0"));
}

void TestSound::unusableFileIsSilent_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("corrupt") << QByteArray("ID3\x04").append(cue_.mid(1000, 3000).toBase64());
}

void TestSound::unusableFileIsSilent()
{
    QFETCH(QByteArray, content);
    const qsizetype from = recorder_->mark();
    const QString folder = writeFolder(QStringLiteral("unusable"), content);
    Player player;
    player.start(server_->address(), tmp_->path(),
                 {QStringLiteral("folder=") + folder, QStringLiteral("cues=3"),
                  QStringLiteral("interval=100"), QStringLiteral("tail=800")});
    QVERIFY2(player.finish(30000), qPrintable(player.report()));
    const Samples rec = recorder_->since(from);
    QCOMPARE(player.line(QStringLiteral("status")), QStringLiteral("failed"));
    QVERIFY(!player.line(QStringLiteral("cue 2")).isNull());
    QVERIFY(rec.size() > kRate / 2);
    QCOMPARE(peak(rec), 0);
}

// No GStreamer plugins (none installed, or none that reads mp3): nothing to play.
void TestSound::noDecoderIsQuiet()
{
    const qsizetype from = recorder_->mark();
    QDir().mkpath(tmp_->filePath(QStringLiteral("no-plugins")));
    Player player;
    player.start(server_->address(), tmp_->path(),
                 {QStringLiteral("folder=") + cueFolder_, QStringLiteral("cues=3"),
                  QStringLiteral("interval=100"), QStringLiteral("tail=800")},
                 {{QStringLiteral("GST_PLUGIN_SYSTEM_PATH_1_0"), tmp_->filePath(QStringLiteral("no-plugins"))},
                  {QStringLiteral("GST_PLUGIN_PATH_1_0"), tmp_->filePath(QStringLiteral("no-plugins"))},
                  {QStringLiteral("GST_REGISTRY_1_0"), tmp_->filePath(QStringLiteral("registry.bin"))}});
    QVERIFY2(player.finish(30000), qPrintable(player.report()));
    const Samples rec = recorder_->since(from);
    QCOMPARE(player.line(QStringLiteral("status")), QStringLiteral("failed"));
    QVERIFY(!player.line(QStringLiteral("cue 2")).isNull());
    QCOMPARE(peak(rec), 0);
}

void TestSound::noServerIsQuiet()
{
    Player player;
    player.start(QStringLiteral("unix:") + tmp_->filePath(QStringLiteral("no-server")), tmp_->path(),
                 {QStringLiteral("folder=") + cueFolder_, QStringLiteral("cues=3"),
                  QStringLiteral("interval=100"), QStringLiteral("tail=1000")});
    QVERIFY2(player.finish(20000), qPrintable(player.report()));
    QCOMPARE(player.line(QStringLiteral("status")), QStringLiteral("ready"));
    QVERIFY(!player.line(QStringLiteral("end")).isNull());
    QCOMPARE(player.line(QStringLiteral("sink")), QStringLiteral("0"));
    QVERIFY2(player.line(QStringLiteral("idle-cpu-ms")).toInt() <= 20, qPrintable(player.report()));
}

void TestSound::serverGoingAwayIsQuiet()
{
    SoundServer server;  // its own, to kill
    const QString why = server.start();
    QVERIFY2(why.isEmpty(), qPrintable(why));
    Player player;
    player.start(server.address(), tmp_->path(),
                 {QStringLiteral("folder=") + cueFolder_, QStringLiteral("cues=3"),
                  QStringLiteral("interval=600"), QStringLiteral("tail=1000")});
    // The server dies while the second chime plays; a third is asked for after.
    QVERIFY2(player.waitForLine(QStringLiteral("cue 1"), 15000), qPrintable(player.report()));
    QTest::qWait(200);
    server.stop();
    QVERIFY2(player.finish(30000), qPrintable(player.report()));
    QVERIFY(!player.line(QStringLiteral("cue 2")).isNull());
    QCOMPARE(player.line(QStringLiteral("sink")), QStringLiteral("0"));
    QVERIFY2(player.line(QStringLiteral("idle-cpu-ms")).toInt() <= 20, qPrintable(player.report()));
}

int main(int argc, char *argv[])
{
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == kPlayerFlag)
        return runPlayer(argc, argv);
    // This process itself never reaches a sound server: nothing of it sounds
    // on the machine running the tests.
    qputenv("PULSE_SERVER", "unix:/nonexistent/moyuta-test");
    QCoreApplication app(argc, argv);
    TestSound test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sound.moc"
