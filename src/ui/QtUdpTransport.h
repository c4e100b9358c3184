#pragma once
// The session's socket: a QUdpSocket bound to the own port on every IPv6 and
// IPv4 address (IPv4 alone where the system has no IPv6), sending to the
// peer's address and port as configured. It is never connected: the first
// side to connect sends to a port that is not bound yet.

#include "Ports.h"

#include <QHostAddress>
#include <QObject>

class QUdpSocket;

namespace moyuta::ui {

class QtUdpTransport : public QObject, public TransportPort {
    Q_OBJECT
public:
    explicit QtUdpTransport(QObject *parent = nullptr);
    ~QtUdpTransport() override;

    Setup configure(const QString &peerHost, quint16 peerPort, quint16 ownPort) override;
    void send(const QByteArray &datagram) override;
    bool nextDatagram(QByteArray &datagram) override;
    void close() override;
    bool isBound() const override;

    // How long the peer's name may take to resolve.
    static constexpr int kLookupTimeoutMs = 5000;

private:
    QUdpSocket *socket_;
    QHostAddress peer_;
    quint16 peerPort_ = 0;
};

}  // namespace moyuta::ui
