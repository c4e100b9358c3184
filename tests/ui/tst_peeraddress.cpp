// The peer's address as typed, the address picked from a lookup, and the own
// socket bound on both families.
#include "PeerAddress.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>

using namespace moyuta::ui;

Q_DECLARE_METATYPE(SocketFamily)

class TestPeerAddress : public QObject {
    Q_OBJECT
private slots:
    void hostText_data();
    void hostText();
    void pick_data();
    void pick();
    void fallback_data();
    void fallback();
    void bindsBothFamilies();
    void takenPortStaysTaken_data();
    void takenPortStaysTaken();
};

namespace {

QList<QHostAddress> addresses(const QStringList &texts)
{
    QList<QHostAddress> list;
    for (const QString &t : texts)
        list << QHostAddress(t);
    return list;
}

}  // namespace

void TestPeerAddress::hostText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("literal");  // what QHostAddress makes of the host; empty for a name

    QTest::newRow("IPv4") << " 192.168.1.5 " << "192.168.1.5" << "192.168.1.5";
    QTest::newRow("IPv6") << "2001:db8::1" << "2001:db8::1" << "2001:db8::1";
    QTest::newRow("IPv6, full length")
        << "2001:0db8:0000:0000:0000:ff00:0042:8329" << "2001:0db8:0000:0000:0000:ff00:0042:8329" << "2001:db8::ff00:42:8329";
    QTest::newRow("loopback in brackets") << "[::1]" << "::1" << "::1";
    QTest::newRow("spaces around and inside the brackets") << "  [ ::1 ] " << "::1" << "::1";
    QTest::newRow("zone") << "fe80::1%eth0" << "fe80::1%eth0" << "fe80::1%eth0";
    QTest::newRow("zone in brackets") << "[fe80::1%eth0]" << "fe80::1%eth0" << "fe80::1%eth0";
    QTest::newRow("IPv4-mapped") << "[::ffff:10.0.0.1]" << "::ffff:10.0.0.1" << "::ffff:10.0.0.1";
    QTest::newRow("name") << " go-friend.example " << "go-friend.example" << "";
    // Brackets are for IPv6 addresses only; anything else in them resolves to nothing.
    QTest::newRow("IPv4 in brackets") << "[127.0.0.1]" << "[127.0.0.1]" << "";
    QTest::newRow("name in brackets") << "[localhost]" << "[localhost]" << "";
    QTest::newRow("bracket not closed") << "[::1" << "[::1" << "";
    QTest::newRow("brackets alone") << "[]" << "[]" << "";
    QTest::newRow("one bracket") << "[" << "[" << "";
}

void TestPeerAddress::hostText()
{
    QFETCH(QString, typed);
    QFETCH(QString, host);
    QFETCH(QString, literal);
    const QString got = peerHostText(typed);
    QCOMPARE(got, host);
    QHostAddress address;
    QCOMPARE(address.setAddress(got), !literal.isEmpty());
    if (!literal.isEmpty())
        QCOMPARE(address.toString(), literal);
}

void TestPeerAddress::pick_data()
{
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<SocketFamily>("family");
    QTest::addColumn<QString>("picked");  // empty: none

    const QStringList both6First{"::1", "127.0.0.1"}, both4First{"127.0.0.1", "::1"};
    QTest::newRow("dual stack, IPv6 first") << both6First << SocketFamily::DualStack << "::1";
    QTest::newRow("dual stack, IPv4 first") << both4First << SocketFamily::DualStack << "127.0.0.1";
    QTest::newRow("dual stack, IPv6 only") << QStringList{"2001:db8::1"} << SocketFamily::DualStack << "2001:db8::1";
    QTest::newRow("dual stack, zone kept") << QStringList{"fe80::1%eth0"} << SocketFamily::DualStack << "fe80::1%eth0";
    QTest::newRow("IPv4 only, IPv6 first") << both6First << SocketFamily::IPv4Only << "127.0.0.1";
    QTest::newRow("IPv4 only, first IPv4 of several")
        << QStringList{"2001:db8::1", "10.0.0.2", "10.0.0.3"} << SocketFamily::IPv4Only << "10.0.0.2";
    QTest::newRow("IPv4 only, IPv4-mapped") << QStringList{"::ffff:10.0.0.1"} << SocketFamily::IPv4Only << "10.0.0.1";
    QTest::newRow("IPv4 only, IPv6 alone") << QStringList{"::1", "2001:db8::1"} << SocketFamily::IPv4Only << "";
    QTest::newRow("nothing found") << QStringList{} << SocketFamily::DualStack << "";
    QTest::newRow("unbound") << both4First << SocketFamily::Unbound << "";
}

void TestPeerAddress::pick()
{
    QFETCH(QStringList, found);
    QFETCH(SocketFamily, family);
    QFETCH(QString, picked);
    const QHostAddress got = pickPeerAddress(addresses(found), family);
    QCOMPARE(got.isNull(), picked.isEmpty());
    if (!picked.isEmpty()) {
        QCOMPARE(got.toString(), picked);
        if (family == SocketFamily::IPv4Only)
            QCOMPARE(got.protocol(), QAbstractSocket::IPv4Protocol);
    }
}

void TestPeerAddress::fallback_data()
{
    QTest::addColumn<QAbstractSocket::SocketError>("error");
    QTest::addColumn<bool>("falls");
    QTest::newRow("no IPv6 on this system") << QAbstractSocket::UnsupportedSocketOperationError << true;
    QTest::newRow("port taken") << QAbstractSocket::AddressInUseError << false;
    QTest::newRow("port not allowed") << QAbstractSocket::SocketAccessError << false;
    QTest::newRow("out of sockets") << QAbstractSocket::SocketResourceError << false;
}

void TestPeerAddress::fallback()
{
    QFETCH(QAbstractSocket::SocketError, error);
    QFETCH(bool, falls);
    QCOMPARE(fallsBackToIPv4(error), falls);
}

// Bound on both families, the socket hears and answers a peer on ::1 and one on 127.0.0.1.
void TestPeerAddress::bindsBothFamilies()
{
    QUdpSocket own;
    QCOMPARE(bindBothFamilies(own, 0), SocketFamily::DualStack);
    const quint16 port = own.localPort();
    QVERIFY(port != 0);
    for (const QHostAddress &at : {QHostAddress(QHostAddress::LocalHostIPv6), QHostAddress(QHostAddress::LocalHost)}) {
        QUdpSocket peer;
        QVERIFY(peer.bind(at, 0));
        QCOMPARE(peer.writeDatagram("ping", at, port), qint64(4));
        QVERIFY(own.waitForReadyRead(5000));
        const QNetworkDatagram d = own.receiveDatagram();
        QCOMPARE(d.data(), QByteArray("ping"));
        QVERIFY(d.senderAddress().isEqual(at, QHostAddress::ConvertV4MappedToIPv4));
        QCOMPARE(own.writeDatagram("pong", at, peer.localPort()), qint64(4));
        QVERIFY(peer.waitForReadyRead(5000));
        QCOMPARE(peer.receiveDatagram().data(), QByteArray("pong"));
    }
}

void TestPeerAddress::takenPortStaysTaken_data()
{
    QTest::addColumn<QHostAddress>("holderAt");
    QTest::newRow("by IPv4") << QHostAddress(QHostAddress::AnyIPv4);
    QTest::newRow("by IPv6") << QHostAddress(QHostAddress::AnyIPv6);
    QTest::newRow("by both") << QHostAddress(QHostAddress::Any);
}

// A port in use is no reason to fall back to IPv4: that bind would take the
// port's IPv4 half while another program holds the rest.
void TestPeerAddress::takenPortStaysTaken()
{
    QFETCH(QHostAddress, holderAt);
    QUdpSocket holder;
    QVERIFY(holder.bind(holderAt, 0));
    QUdpSocket own;
    QCOMPARE(bindBothFamilies(own, holder.localPort()), SocketFamily::Unbound);
    QCOMPARE(own.state(), QAbstractSocket::UnconnectedState);
}

QTEST_MAIN(TestPeerAddress)
#include "tst_peeraddress.moc"
