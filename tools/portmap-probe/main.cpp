// moyuta-portmap-probe: asks this machine's router to forward a UDP port, the
// way the program does, and prints the answer as one line of JSON. Then it
// keeps the mapping (renewing it) and takes commands on stdin:
//   unmap  removes the mapping in the background (prints {"event":"unmap"})
//   quit   removes it, waiting at most the timeout, and exits
// The end of stdin is "quit".
#include "QtPortMapper.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

using moyuta::network::PortMappingResult;
using moyuta::ui::QtPortMapper;

namespace {

constexpr int BadArguments = 2;
constexpr int MaxLine = 256;

void printLine(const QJsonObject &o) {
    std::fputs(QJsonDocument(o).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QJsonObject toJson(const PortMappingResult &r, qint64 elapsedMs) {
    return {{"mapped", r.mapped}, {"externalIPv4", r.externalIPv4}, {"externalPort", int(r.externalPort)},
            {"method", r.method}, {"elapsedMs", elapsedMs}};
}

struct Options {
    quint16 ownPort = 0;
    int timeoutMs = 3000;
    int leaseSeconds = QtPortMapper::DefaultLeaseSeconds;
};

bool readOptions(const QCoreApplication &app, Options &o) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Maps a UDP port at the router (UPnP IGD, else NAT-PMP)."));
    parser.addHelpOption();
    parser.addOptions({{QStringLiteral("own-port"), QStringLiteral("The UDP port to forward."), QStringLiteral("n")},
                       {QStringLiteral("timeout-ms"), QStringLiteral("Longest wait for the router (3000)."), QStringLiteral("ms")},
                       {QStringLiteral("lease-s"), QStringLiteral("Lease asked for, renewed at half (3600)."), QStringLiteral("s")}});
    parser.process(app);
    bool okPort = false, okTimeout = true, okLease = true;
    const uint port = parser.value(QStringLiteral("own-port")).toUInt(&okPort);
    if (parser.isSet(QStringLiteral("timeout-ms")))
        o.timeoutMs = parser.value(QStringLiteral("timeout-ms")).toInt(&okTimeout);
    if (parser.isSet(QStringLiteral("lease-s")))
        o.leaseSeconds = parser.value(QStringLiteral("lease-s")).toInt(&okLease);
    o.ownPort = quint16(port);
    return okPort && port >= 1 && port <= 65535 && okTimeout && o.timeoutMs >= 0 && o.timeoutMs <= 600000
        && okLease && o.leaseSeconds >= 2 && o.leaseSeconds <= 86400;
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    Options options;
    if (!readOptions(app, options)) {
        std::fputs("moyuta-portmap-probe: --own-port 1..65535 is needed; --timeout-ms 0..600000; --lease-s 2..86400\n", stderr);
        return BadArguments;
    }
    QtPortMapper mapper(options.leaseSeconds);
    QElapsedTimer clock;
    mapper.onResult = [&](const PortMappingResult &r) { printLine(toJson(r, clock.elapsed())); };

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[MaxLine];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            mapper.unmapBlocking(options.timeoutMs);
            app.quit();
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
            const QByteArray line = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (line == "unmap") {
                mapper.unmap();
                printLine({{"event", "unmap"}});
            } else if (line == "quit") {
                input.setEnabled(false);
                mapper.unmapBlocking(options.timeoutMs);
                app.quit();
                return;
            }
        }
        if (pending.size() > MaxLine)
            pending.clear();  // an overlong line is no command
    });
    clock.start();
    mapper.map(options.ownPort, options.timeoutMs);
    return app.exec();
}
