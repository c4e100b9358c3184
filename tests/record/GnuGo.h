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

// "D16" for point 60: GTP columns skip I, rows count from the bottom.
inline QString gtpVertex(int point)
{
    static const QString columns = QStringLiteral("ABCDEFGHJKLMNOPQRST");
    return columns[pointColumn(point)] + QString::number(kGridSize - pointRow(point));
}

inline Stones boardStones(const AppState &s)
{
    Stones out;
    for (int p = 0; p < kPointCount; ++p) {
        if (s.points[size_t(p)].content == PointContent::Black)
            out.black << gtpVertex(p);
        else if (s.points[size_t(p)].content == PointContent::White)
            out.white << gtpVertex(p);
    }
    out.black.sort();
    out.white.sort();
    return out;
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
