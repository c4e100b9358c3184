#include "RelayControl.h"

#include "UdpRelay.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QStringList>

#include <cstdio>
#include <utility>
#include <unistd.h>

namespace moyuta::relay {

namespace {

constexpr qsizetype kMaxLine = 4096;  // a longer line is nonsense: dropped

void say(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QString onOff(UdpRelay &relay, int side, const QString &word)
{
    if (word != QLatin1String("on") && word != QLatin1String("off"))
        return QStringLiteral("error cut wants on or off");
    relay.setCut(side, word == QLatin1String("on"));
    return QStringLiteral("ok");
}

QString cut(UdpRelay &relay, const QStringList &words)
{
    if (words.size() == 2)
        return onOff(relay, -1, words[1]);
    if (words.size() == 3 && (words[1] == QLatin1String("a") || words[1] == QLatin1String("b")))
        return onOff(relay, words[1] == QLatin1String("a") ? 0 : 1, words[2]);
    return QStringLiteral("error usage: cut [a|b] on|off");
}

QString delay(UdpRelay &relay, const QString &range)
{
    int min = 0, max = 0;
    if (!readDelayRange(range, &min, &max))
        return QStringLiteral("error usage: delay MIN:MAX (milliseconds)");
    relay.setDelay(min, max);
    return QStringLiteral("ok");
}

int direction(const QString &word)
{
    return word == QLatin1String("a2b") ? 0 : word == QLatin1String("b2a") ? 1 : -1;
}

// capture on|off|clear, replay a2b|b2a, flip N, junk N: the attacker's tools.
QString attack(UdpRelay &relay, const QStringList &words)
{
    const QString command = words.value(0), arg = words.value(1);
    bool ok = false;
    const qint64 n = arg.toLongLong(&ok);
    if (words.size() != 2)
        return QStringLiteral("error %1 wants one argument").arg(command);
    if (command == QLatin1String("capture") && (arg == QLatin1String("on") || arg == QLatin1String("off")))
        relay.setCapture(arg == QLatin1String("on"));
    else if (command == QLatin1String("capture") && arg == QLatin1String("clear"))
        relay.clearCapture();
    else if (command == QLatin1String("replay") && direction(arg) >= 0)
        relay.replay(direction(arg));
    else if (command == QLatin1String("flip") && ok && n >= 0)
        relay.setFlips(n);
    else if (command == QLatin1String("junk") && ok && n >= 0 && n <= UdpRelay::kInjectLimit / 2)
        relay.sendJunk(n);
    else
        return QStringLiteral("error usage: capture on|off|clear, replay a2b|b2a, flip N, junk N");
    return QStringLiteral("ok");
}

}  // namespace

bool readPercent(const QString &text, double *value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && *value >= 0 && *value <= 100;
}

bool readDelayRange(const QString &text, int *minMs, int *maxMs)
{
    const bool range = text.contains(QLatin1Char(':'));
    bool okMin = false, okMax = !range;
    *minMs = text.section(QLatin1Char(':'), 0, 0).toInt(&okMin);
    *maxMs = range ? text.section(QLatin1Char(':'), 1, 1).toInt(&okMax) : *minMs;
    return okMin && okMax && *minMs >= 0 && *maxMs >= *minMs && *maxMs <= 600000;
}

QString runControl(UdpRelay &relay, const QString &line, bool *quit)
{
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString command = words.value(0);
    double value = 0;
    if (command.isEmpty())
        return {};
    if (command == QLatin1String("quit")) {
        *quit = true;
        return {};
    }
    if (command == QLatin1String("stats"))
        return QString::fromUtf8(QJsonDocument(relay.stats()).toJson(QJsonDocument::Compact));
    if (command == QLatin1String("cut"))
        return cut(relay, words);
    if (QStringList{QStringLiteral("capture"), QStringLiteral("replay"), QStringLiteral("flip"), QStringLiteral("junk")}
            .contains(command))
        return attack(relay, words);
    if (command == QLatin1String("delay") && words.size() == 2)
        return delay(relay, words[1]);
    if ((command == QLatin1String("loss") || command == QLatin1String("dup")) && words.size() == 2) {
        if (!readPercent(words[1], &value))
            return QStringLiteral("error %1 wants a percentage, 0 to 100").arg(command);
        command == QLatin1String("loss") ? relay.setLossPercent(value) : relay.setDupPercent(value);
        return QStringLiteral("ok");
    }
    return QStringLiteral("error unknown command: %1").arg(line.left(80));
}

ControlChannel::ControlChannel(UdpRelay &relay, int fd)
    : relay_(relay), fd_(fd), notifier_(fd, QSocketNotifier::Read)
{
    connect(&notifier_, &QSocketNotifier::activated, this, &ControlChannel::readInput);
}

void ControlChannel::readInput()
{
    char buffer[4096];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n <= 0) {
        notifier_.setEnabled(false);  // the end of input ends the relay
        QCoreApplication::quit();
        return;
    }
    pending_.append(buffer, n);
    for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
        const QByteArray line = pending_.left(end);
        pending_.remove(0, end + 1);
        if (!std::exchange(discarding_, false))
            runLine(line);
    }
    if (pending_.size() > kMaxLine) {
        pending_.clear();
        discarding_ = true;  // up to the next line end
    }
}

void ControlChannel::runLine(const QByteArray &line)
{
    bool quit = false;
    const QString answer = runControl(relay_, QString::fromUtf8(line), &quit);
    if (!answer.isEmpty())
        say(answer);
    if (quit) {
        notifier_.setEnabled(false);
        QCoreApplication::quit();
    }
}

}  // namespace moyuta::relay
