// Which of the computer's addresses are worth telling a friend outside the home.
#include "QtLocalAddresses.h"

#include <QHostAddress>
#include <QtTest>

using namespace moyuta;

class TestLocalAddresses : public QObject {
    Q_OBJECT
private slots:
    void reachable_data();
    void reachable();
    void listedAddressesAreReachable();
};

void TestLocalAddresses::reachable_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("temporary");
    QTest::addColumn<bool>("deprecated");
    QTest::addColumn<bool>("expected");

    QTest::newRow("global unicast") << "2001:4860:4860::8888" << false << false << true;
    QTest::newRow("global unicast, 2a00::/12") << "2a00:1450:4001::1" << false << false << true;
    QTest::newRow("temporary") << "2001:4860:4860::8888" << true << false << false;
    QTest::newRow("deprecated") << "2001:4860:4860::8888" << false << true << false;
    QTest::newRow("loopback") << "::1" << false << false << false;
    QTest::newRow("unspecified") << "::" << false << false << false;
    QTest::newRow("link-local") << "fe80::1" << false << false << false;
    QTest::newRow("link-local, upper end of fe80::/10") << "febf::1" << false << false << false;
    QTest::newRow("site-local") << "fec0::1" << false << false << false;
    QTest::newRow("unique local fc00::/7, fd") << "fd12:3456:789a::1" << false << false << false;
    QTest::newRow("unique local fc00::/7, fc") << "fc00::1" << false << false << false;
    QTest::newRow("multicast") << "ff02::1" << false << false << false;
    QTest::newRow("IPv4-mapped") << "::ffff:198.51.100.7" << false << false << false;
    QTest::newRow("IPv4") << "198.51.100.7" << false << false << false;
}

void TestLocalAddresses::reachable()
{
    QFETCH(QString, address);
    QFETCH(bool, temporary);
    QFETCH(bool, deprecated);
    QFETCH(bool, expected);
    const QHostAddress ip(address);
    QVERIFY(!ip.isNull());
    QCOMPARE(ui::QtLocalAddresses::reachable(ip, temporary, deprecated), expected);
}

// What this machine lists is plain text (no scope), each once, each one the rule takes.
void TestLocalAddresses::listedAddressesAreReachable()
{
    const QStringList listed = ui::QtLocalAddresses().globalIPv6();
    QCOMPARE(QSet<QString>(listed.begin(), listed.end()).size(), listed.size());
    for (const QString &address : listed) {
        QVERIFY2(!address.contains(QLatin1Char('%')), qPrintable(address));
        QVERIFY2(ui::QtLocalAddresses::reachable(QHostAddress(address), false, false), qPrintable(address));
    }
}

QTEST_GUILESS_MAIN(TestLocalAddresses)
#include "tst_localaddresses.moc"
