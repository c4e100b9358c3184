// The session's socket on 127.0.0.1 and ::1: datagrams both ways, binding and resolving failures.
#include "QtUdpTransport.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>

using namespace moyuta;
using ui::QtUdpTransport;

class TestUdpTransport : public QObject {
    Q_OBJECT
private slots:
    void datagramsBothWays_data();
    void datagramsBothWays();
    void ipv4OnlyPeer();
    void setupFailures_data();
    void setupFailures();
};

namespace {

// A port nobody uses now: bound to 0, read back, released.
quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::Any, 0);  // free on both families: the sockets under test take both
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

void TestUdpTransport::datagramsBothWays_data()
{
    QTest::addColumn<QString>("aSendsTo");
    QTest::addColumn<QString>("bSendsTo");
    QTest::newRow("IPv4, and a name") << "127.0.0.1" << "localhost";
    QTest::newRow("IPv6, also in brackets") << "::1" << " [::1] ";
    QTest::newRow("one family each way") << "::1" << "127.0.0.1";
    QTest::newRow("IPv4-mapped") << "::ffff:127.0.0.1" << "127.0.0.1";
}

void TestUdpTransport::datagramsBothWays()
{
    QFETCH(QString, aSendsTo);
    QFETCH(QString, bSendsTo);
    const quint16 pa = freePort(), pb = freePort();
    QtUdpTransport a, b;
    int readable = 0;
    b.onReadable = [&] { ++readable; };
    QCOMPARE(a.configure(aSendsTo, pb, pa), TransportPort::Setup::Bound);
    QCOMPARE(b.configure(bSendsTo, pa, pb), TransportPort::Setup::Bound);
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

// A copy that binds IPv4 alone talks with one bound on both families.
void TestUdpTransport::ipv4OnlyPeer()
{
    QUdpSocket old;
    QVERIFY(old.bind(QHostAddress::AnyIPv4, 0));
    const quint16 own = freePort();
    QtUdpTransport t;
    QCOMPARE(t.configure(QStringLiteral("127.0.0.1"), old.localPort(), own), TransportPort::Setup::Bound);
    QCOMPARE(old.writeDatagram("from the old copy", QHostAddress::LocalHost, own), qint64(17));
    QList<QByteArray> got;
    QTRY_VERIFY_WITH_TIMEOUT((got += drain(t)).size() == 1, 5000);
    QCOMPARE(got.first(), QByteArray("from the old copy"));
    t.send("answer");
    QVERIFY(old.waitForReadyRead(5000));
    const QNetworkDatagram d = old.receiveDatagram();
    QCOMPARE(d.data(), QByteArray("answer"));
    QCOMPARE(d.senderPort(), int(own));
}

void TestUdpTransport::setupFailures_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("portTaken");
    QTest::addColumn<int>("setup");

    QTest::newRow("own port taken") << "127.0.0.1" << true << int(TransportPort::Setup::BindFailed);
    QTest::newRow("own port taken, peer on IPv6") << "[::1]" << true << int(TransportPort::Setup::BindFailed);
    QTest::newRow("IPv4 in brackets") << "[127.0.0.1]" << false << int(TransportPort::Setup::HostNotFound);
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
