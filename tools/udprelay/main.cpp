// moyuta-udprelay: a lossy UDP relay between two copies of the program on
// one machine, for trying the network session over a bad line.
#include "RelayControl.h"
#include "UdpRelay.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

using namespace moyuta::relay;

namespace {

constexpr int kBadArguments = 2;

struct Parsed {
    RelayOptions options;
    QString error;
};

bool port(const QString &text, quint16 *value)
{
    bool ok = false;
    const uint n = text.toUInt(&ok);
    *value = quint16(n);
    return ok && n <= 65535;
}

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Relays UDP datagrams between side A and side B on one machine, losing, duplicating\n"
        "and delaying some. A sends to port 1, B to port 2; the first line printed is\n"
        "\"ports P1 P2\". Commands on stdin: loss PCT, dup PCT, delay MIN:MAX,\n"
        "cut [a|b] on|off, stats (one line of JSON), quit. The end of stdin ends it.\n"
        "For attack tests: capture on|off|clear (keeps up to 20000 datagrams), replay a2b|b2a\n"
        "(sends the kept ones again), flip N (the next N forwarded are preceded by a copy\n"
        "with one bit flipped), junk N (N random datagrams to each side)."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("host"), QStringLiteral("127.0.0.1 (default) or ::1."), QStringLiteral("address")},
        {QStringLiteral("p1"), QStringLiteral("Port A sends to (0: a free one)."), QStringLiteral("port")},
        {QStringLiteral("p2"), QStringLiteral("Port B sends to (0: a free one)."), QStringLiteral("port")},
        {QStringLiteral("a-port"), QStringLiteral("A's own port (default: where A last sent from)."), QStringLiteral("port")},
        {QStringLiteral("b-port"), QStringLiteral("B's own port (default: where B last sent from)."), QStringLiteral("port")},
        {QStringLiteral("loss"), QStringLiteral("Percentage of datagrams lost."), QStringLiteral("pct")},
        {QStringLiteral("dup"), QStringLiteral("Percentage of datagrams sent twice."), QStringLiteral("pct")},
        {QStringLiteral("delay-ms"), QStringLiteral("Random delay of each datagram."), QStringLiteral("min:max")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the random choices (default 1)."), QStringLiteral("n")},
        {QStringLiteral("drop-all"), QStringLiteral("Start with the line cut (\"cut off\" mends it).")},
        {QStringLiteral("queue"), QStringLiteral("Most datagrams held for their delay (default 10000)."), QStringLiteral("n")},
    });
}

QString readPorts(const QCommandLineParser &parser, RelayOptions &o)
{
    const std::pair<const char *, quint16 *> ports[] = {
        {"p1", &o.listenPorts[0]}, {"p2", &o.listenPorts[1]}, {"a-port", &o.sidePorts[0]}, {"b-port", &o.sidePorts[1]}};
    for (const auto &[name, value] : ports) {
        const QString option = QString::fromLatin1(name);
        if (parser.isSet(option) && !port(parser.value(option), value))
            return QStringLiteral("--%1 wants a port number").arg(option);
    }
    return {};
}

QString readOdds(const QCommandLineParser &parser, RelayOptions &o)
{
    if (parser.isSet(QStringLiteral("loss")) && !readPercent(parser.value(QStringLiteral("loss")), &o.lossPercent))
        return QStringLiteral("--loss wants a percentage, 0 to 100");
    if (parser.isSet(QStringLiteral("dup")) && !readPercent(parser.value(QStringLiteral("dup")), &o.dupPercent))
        return QStringLiteral("--dup wants a percentage, 0 to 100");
    if (parser.isSet(QStringLiteral("delay-ms"))
        && !readDelayRange(parser.value(QStringLiteral("delay-ms")), &o.minDelayMs, &o.maxDelayMs))
        return QStringLiteral("--delay-ms wants MIN:MAX milliseconds");
    bool ok = true;
    if (parser.isSet(QStringLiteral("seed")))
        o.seed = parser.value(QStringLiteral("seed")).toUInt(&ok);
    if (!ok)
        return QStringLiteral("--seed wants a number");
    if (parser.isSet(QStringLiteral("queue")))
        o.queueLimit = parser.value(QStringLiteral("queue")).toInt(&ok);
    if (!ok || o.queueLimit < 1 || o.queueLimit > 1000000)
        return QStringLiteral("--queue wants a number, 1 to 1000000");
    o.cut = parser.isSet(QStringLiteral("drop-all"));
    return {};
}

Parsed parse(const QCoreApplication &app)
{
    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);  // --help and unknown options end here
    Parsed p;
    if (parser.isSet(QStringLiteral("host")) && !p.options.host.setAddress(parser.value(QStringLiteral("host"))))
        p.error = QStringLiteral("--host wants an address");
    if (p.error.isEmpty())
        p.error = readPorts(parser, p.options);
    if (p.error.isEmpty())
        p.error = readOdds(parser, p.options);
    return p;
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const Parsed parsed = parse(app);
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "moyuta-udprelay: %s\n", qPrintable(parsed.error));
        return kBadArguments;
    }
    UdpRelay relay(parsed.options);
    QString error;
    if (!relay.open(&error)) {
        std::fprintf(stderr, "moyuta-udprelay: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("ports %u %u\n", unsigned(relay.port(0)), unsigned(relay.port(1)));
    std::fflush(stdout);
    ControlChannel control(relay, STDIN_FILENO);
    return app.exec();
}
