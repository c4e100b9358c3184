// Opening a record through the open command: a 300-move SGF game with
// captures against the ".nig" file of the same game (at most 500 entries).
// Prints the median of several runs of each and their ratio.
//   build/bin/moyuta-sgfopen-bench [RUNS]     (default 31)
#include "Board.h"
#include "NullPorts.h"
#include "Record.h"
#include "SgfRead.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace moyuta;

namespace {

// Ports that answer Yes, pick one file and show nothing.
struct Dialogs : DialogPort {
    QString file;
    Answer ask(const QString &) override { return Answer::Yes; }
    void inform(const QString &) override {}
    void warn(const QString &) override {}
    QString openFileName(const QStringList &) override { return file; }
    QString saveFileName(const QStringList &) override { return {}; }
};
struct Pump : EventPumpPort {
    void processEvents() override {}
    void pace(qint64) override {}
};
struct Outbox : PeerOutboxPort {
    void sendPeerMessage(const QString &) override {}
    void closeSocket() override {}
};
struct Sound : SoundPort {
    void open() override {}
    void playCue() override {}
    void close() override {}
};

// A game of 300 moves on 19 lines at distinct random points: surrounded
// chains are taken as the game goes on.
QByteArray randomGame()
{
    QRandomGenerator random(20261210);
    std::vector<int> points(kPointCount);
    for (int p = 0; p < kPointCount; ++p)
        points[size_t(p)] = p;
    std::shuffle(points.begin(), points.end(), random);
    QByteArray sgf = "(;FF[4]GM[1]SZ[19]CA[UTF-8]PB[黒]PW[白]";
    for (int i = 0; i < 300; ++i) {
        const int p = points[size_t(i)];
        sgf += (i % 2 ? ";W[" : ";B[") + QByteArray(1, char('a' + pointColumn(p))) + char('a' + pointRow(p)) + ']';
    }
    return sgf + ")\n";
}

// Microseconds of one open command of `path`; the record's size in `entries`.
double openOnce(const QString &path, qsizetype &entries)
{
    Dialogs dialogs;
    Pump pump;
    Outbox outbox;
    Sound sound;
    NullClock clock;
    NullTransport transport;
    NullProgram program;
    NullWindows windows;
    NullNews news;
    AppState s({dialogs, pump, outbox, sound, clock, transport, program, windows, news});
    board::installHandlers(s);
    board::setInitialState(s);
    dialogs.file = path;
    QElapsedTimer timer;
    timer.start();
    record::onOpen(s);
    const double us = double(timer.nsecsElapsed()) / 1000.0;
    entries = s.moves.gameRecord.size();
    return us;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 31;
    QTemporaryDir dir;
    const QByteArray sgf = randomGame();
    const record::SgfRecord converted = record::readSgf(sgf);
    const QStringList nigEntries = converted.entries.mid(0, record::kMaxRecordLines);
    const qsizetype removals = std::count_if(converted.entries.cbegin(), converted.entries.cend(),
                                             [](const QString &e) { return e.startsWith(u'0'); });
    const QString sgfPath = dir.filePath(QStringLiteral("game.sgf")), nigPath = dir.filePath(QStringLiteral("game.nig"));
    QFile sgfFile(sgfPath), nigFile(nigPath);
    if (!sgfFile.open(QIODevice::WriteOnly) || sgfFile.write(sgf) != sgf.size() || !nigFile.open(QIODevice::WriteOnly))
        return 1;
    const QByteArray nig = record::recordFileText(nigEntries);
    nigFile.write(nig);
    sgfFile.close();
    nigFile.close();

    std::vector<double> sgfTimes, nigTimes;
    qsizetype sgfOpened = 0, nigOpened = 0;
    for (int i = 0; i < runs; ++i) {  // interleaved, so that both see the same machine
        sgfTimes.push_back(openOnce(sgfPath, sgfOpened));
        nigTimes.push_back(openOnce(nigPath, nigOpened));
    }
    std::printf("SGF:  %lld bytes, 300 moves, %lld captured stones, %lld entries opened\n", (long long)sgf.size(),
                (long long)removals, (long long)sgfOpened);
    std::printf(".nig: %lld bytes, %lld entries opened\n", (long long)nig.size(), (long long)nigOpened);
    const double ms = median(sgfTimes), mn = median(nigTimes);
    std::printf("median of %d runs: SGF %.1f us, .nig %.1f us, ratio SGF/.nig %.2f\n", runs, ms, mn, ms / mn);
    return 0;
}
