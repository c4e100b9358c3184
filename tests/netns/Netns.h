#pragma once
// Shared by the network-namespace suites: running a command to its end, the
// homes' helper script, and the check that namespaces may be made at all.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

namespace netns {

constexpr int SkipCode = 77;  // ctest's SKIP_RETURN_CODE

// Runs a command to its end, at most `ms`; its stdout, or a null array on failure.
inline QByteArray run(const QString &program, const QStringList &args, int ms = 10000, QString *error = nullptr) {
    QProcess p;
    p.start(program, args);
    const bool done = p.waitForFinished(ms);
    if (!done)
        p.kill(), p.waitForFinished(1000);
    if (!done || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        return {};
    }
    const QByteArray out = p.readAllStandardOutput();
    return out.isNull() ? QByteArray("") : out;
}

inline QString homenet() { return QStringLiteral(MOYUTA_HOMENET); }

// Why namespaces cannot be made here (empty when they can): needs root.
inline QString whyNoNamespaces(const QString &probeName) {
    QString why;
    if (geteuid() != 0)
        return QStringLiteral("not root");
    if (run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("add"), probeName}, 5000, &why).isNull())
        return why.isEmpty() ? QStringLiteral("ip netns add failed") : why;
    run(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("delete"), probeName}, 5000);
    return {};
}

// The suite's main: without namespaces it reports itself skipped (never passed).
template <typename Suite>
int runOrSkip(int argc, char **argv, const QString &probeName) {
    const QString why = whyNoNamespaces(probeName);
    if (!why.isEmpty()) {
        std::printf("SKIP: needs root for network namespaces: %s\n", qPrintable(why));
        return SkipCode;
    }
    Suite suite;
    return QTest::qExec(&suite, argc, argv);
}

}  // namespace netns
