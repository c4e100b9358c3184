#pragma once
// The relay's control channel: one command a line on stdin, answers on stdout.
//   loss PCT | dup PCT | delay MIN:MAX | cut on|off | cut a|b on|off | stats | quit
//   capture on|off|clear | replay a2b|b2a | flip N | junk N

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

namespace moyuta::relay {

class UdpRelay;

// Readings shared by the options and the commands: a percentage, 0 to 100;
// a delay "MIN:MAX" (or "MS") in milliseconds, at most ten minutes.
bool readPercent(const QString &text, double *value);
bool readDelayRange(const QString &text, int *minMs, int *maxMs);

// Runs one command line; returns the line to print (empty for none).
// `quit` is set by "quit".
QString runControl(UdpRelay &relay, const QString &line, bool *quit);

// Reads commands from a file descriptor until its end; then asks the application to quit.
class ControlChannel : public QObject {
    Q_OBJECT
public:
    ControlChannel(UdpRelay &relay, int fd);

private:
    void readInput();
    void runLine(const QByteArray &line);

    UdpRelay &relay_;
    int fd_;
    QSocketNotifier notifier_;
    QByteArray pending_;
    bool discarding_ = false;  // the rest of an overlong line
};

}  // namespace moyuta::relay
