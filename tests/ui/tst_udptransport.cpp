// The session's socket on 127.0.0.1: datagrams both ways, binding and resolving failures.
#include "QtUdpTransport.h"

#include <QUdpSocket>
#include <QtTest>

using namespace moyuta;
using ui::QtUdpTransport;

class TestUdpTransport : public QObject {
    Q_OBJECT
private slots:
    void datagramsBothWays();
    void setupFailures_data();
    void setupFailures();
};

namespace {

// A port nobody uses now: bound to 0, read back, released.
quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

QList<QByteArray> drain(QtUdpTransport &t)
{
    QList<QByteArray> got;
    QByteArray d;
    while (t.nextDatagram(d))
        got << d;
    return got;
}

}  // namespace

void TestUdpTransport::datagramsBothWays()
{
    const quint16 pa = freePort(), pb = freePort();
    QtUdpTransport a, b;
    int readable = 0;
    b.onReadable = [&] { ++readable; };
    QCOMPARE(a.configure(QStringLiteral("127.0.0.1"), pb, pa), TransportPort::Setup::Bound);
    QCOMPARE(b.configure(QStringLiteral("localhost"), pa, pb), TransportPort::Setup::Bound);
    QVERIFY(a.isBound() && b.isBound());

    a.send("first");
    a.send(QByteArray());  // an empty datagram is delivered as such
    a.send("\xb1\xb2 third");
    QTRY_VERIFY_WITH_TIMEOUT(readable >= 1, 5000);  // told, then read
    QList<QByteArray> got;
    QTRY_VERIFY_WITH_TIMEOUT((got += drain(b)).size() == 3, 5000);
    QCOMPARE(got, (QList<QByteArray>{"first", QByteArray(), "\xb1\xb2 third"}));

    b.send("back");
    QList<QByteArray> back;
    QTRY_VERIFY_WITH_TIMEOUT((back += drain(a)).size() == 1, 5000);
    QCOMPARE(back.first(), QByteArray("back"));

    b.close();
    QVERIFY(!b.isBound());
    b.send("after close");
    QTest::qWait(100);
    QVERIFY(drain(a).isEmpty());
}

void TestUdpTransport::setupFailures_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("portTaken");
    QTest::addColumn<int>("setup");

    QTest::newRow("own port taken") << "127.0.0.1" << true << int(TransportPort::Setup::BindFailed);
    QTest::newRow("IPv6 only") << "::1" << false << int(TransportPort::Setup::HostNotFound);
    QTest::newRow("unknown name") << "no-such-host.invalid" << false << int(TransportPort::Setup::HostNotFound);
}

void TestUdpTransport::setupFailures()
{
    QFETCH(QString, host);
    QFETCH(bool, portTaken);
    QFETCH(int, setup);

    QUdpSocket holder;
    quint16 own = freePort();
    if (portTaken) {
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0));
        own = holder.localPort();
    }
    QtUdpTransport t;
    QCOMPARE(int(t.configure(host, 5000, own)), setup);
    QVERIFY(!t.isBound());
}

QTEST_MAIN(TestUdpTransport)
#include "tst_udptransport.moc"
