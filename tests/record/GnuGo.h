#pragma once
// A second opinion on saved SGF files: GNU Go loads them over GTP and lists
// the stones it sees, to be compared with the stones on Moyuta's board.

#include "AppState.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

namespace moyuta::test {

inline const QString kGnuGo = QStringLiteral("/usr/games/gnugo");

struct Stones {
    QStringList black, white;  // GTP vertices ("D16"), sorted
    QString error;             // empty when GNU Go answered
    bool operator==(const Stones &o) const { return black == o.black && white == o.white && error == o.error; }
};

// How QCOMPARE shows two boards that differ.
inline char *toString(const Stones &s)
{
    const QString text = s.error.isEmpty() ? QStringLiteral("black %1; white %2").arg(s.black.join(u' '), s.white.join(u' '))
                                           : s.error;
    return qstrdup(text.toUtf8().constData());
}

// "D16" for point 60: GTP columns skip I, rows count from the bottom of a
// board of `lines` lines.
inline QString gtpVertex(int point, int lines = kGridSize)
{
    static const QString columns = QStringLiteral("ABCDEFGHJKLMNOPQRST");
    return columns[pointColumn(point)] + QString::number(lines - pointRow(point));
}

inline Stones boardStones(const AppState &s, int lines = kGridSize)
{
    Stones out;
    for (int p = 0; p < kPointCount; ++p) {
        if (s.board.points[size_t(p)].content == PointContent::Black)
            out.black << gtpVertex(p, lines);
        else if (s.board.points[size_t(p)].content == PointContent::White)
            out.white << gtpVertex(p, lines);
    }
    out.black.sort();
    out.white.sort();
    return out;
}

// Runs GNU Go over GTP on the file `sgfPath` loaded; the answers' texts
// ("= ..." without the "= "), or `error` set. Every wait is bounded.
inline QStringList gnuGoAnswers(const QString &sgfPath, const QByteArrayList &commands, QString &error)
{
    if (!QFileInfo(kGnuGo).isExecutable()) {
        error = kGnuGo + QStringLiteral(" is not installed (Debian package gnugo)");
        return {};
    }
    const QFileInfo file(sgfPath);
    QProcess gnugo;
    gnugo.setWorkingDirectory(file.absolutePath());  // GTP arguments cannot hold spaces
    gnugo.start(kGnuGo, {QStringLiteral("--mode"), QStringLiteral("gtp")});
    if (!gnugo.waitForStarted(10000)) {
        error = QStringLiteral("GNU Go did not start");
        return {};
    }
    gnugo.write("loadsgf " + file.fileName().toUtf8() + "\n" + commands.join('\n') + "\nquit\n");
    gnugo.closeWriteChannel();
    if (!gnugo.waitForFinished(30000)) {
        gnugo.kill();
        gnugo.waitForFinished(5000);
        error = QStringLiteral("GNU Go did not finish");
        return {};
    }
    QStringList answers = QString::fromUtf8(gnugo.readAllStandardOutput()).split(QStringLiteral("\n\n"));
    answers = answers.mid(0, commands.size() + 1);
    for (QString &a : answers) {
        if (!a.startsWith(u'=')) {
            error = QStringLiteral("GNU Go answered: ") + answers.join(QStringLiteral(" | "));
            return {};
        }
        a = a.mid(1).trimmed();
    }
    if (answers.size() != commands.size() + 1)
        error = QStringLiteral("GNU Go answered too little");
    return answers.mid(1);
}

// GNU Go plays itself (--benchmark 60 at level 1) and writes the game to
// `sgfPath`; false, with `error` set, when it did not.
inline bool gnuGoSelfPlay(int seed, int lines, const QString &sgfPath, QString &error)
{
    QProcess gnugo;
    gnugo.start(kGnuGo, {QStringLiteral("--benchmark"), QStringLiteral("60"), QStringLiteral("--boardsize"),
                         QString::number(lines), QStringLiteral("--level"), QStringLiteral("1"), QStringLiteral("--seed"),
                         QString::number(seed), QStringLiteral("-o"), sgfPath});
    if (!gnugo.waitForStarted(10000)) {
        error = QStringLiteral("GNU Go did not start");
        return false;
    }
    if (!gnugo.waitForFinished(180000)) {
        gnugo.kill();
        gnugo.waitForFinished(5000);
        error = QStringLiteral("GNU Go did not finish its game");
        return false;
    }
    if (!QFileInfo(sgfPath).size())
        error = QStringLiteral("GNU Go wrote no game");
    return error.isEmpty();
}

// Asks GNU Go: loadsgf, then list_stones black and white. Every wait is bounded.
inline Stones gnuGoStones(const QString &sgfPath)
{
    Stones out;
    if (!QFileInfo(kGnuGo).isExecutable()) {
        out.error = kGnuGo + QStringLiteral(" is not installed (Debian package gnugo)");
        return out;
    }
    const QFileInfo file(sgfPath);
    QProcess gnugo;
    gnugo.setWorkingDirectory(file.absolutePath());  // GTP arguments cannot hold spaces
    gnugo.start(kGnuGo, {QStringLiteral("--mode"), QStringLiteral("gtp")});
    if (!gnugo.waitForStarted(10000)) {
        out.error = QStringLiteral("GNU Go did not start");
        return out;
    }
    gnugo.write("loadsgf " + file.fileName().toUtf8() + "\nlist_stones black\nlist_stones white\nquit\n");
    gnugo.closeWriteChannel();
    if (!gnugo.waitForFinished(30000)) {
        gnugo.kill();
        gnugo.waitForFinished(5000);
        out.error = QStringLiteral("GNU Go did not finish");
        return out;
    }
    // Each answer is "= text" or "? error", closed by an empty line.
    const QStringList answers = QString::fromUtf8(gnugo.readAllStandardOutput()).split(QStringLiteral("\n\n"));
    if (answers.size() < 3 || !answers[0].startsWith(u'=') || !answers[1].startsWith(u'=') || !answers[2].startsWith(u'=')) {
        out.error = QStringLiteral("GNU Go answered: ") + answers.join(QStringLiteral(" | "));
        return out;
    }
    out.black = answers[1].mid(1).split(u' ', Qt::SkipEmptyParts);
    out.white = answers[2].mid(1).split(u' ', Qt::SkipEmptyParts);
    out.black.sort();
    out.white.sort();
    return out;
}

}  // namespace moyuta::test
