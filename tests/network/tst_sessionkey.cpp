// The secure session's key: scrypt through OpenSSL checked against its
// published vector, and every input changing the key.
#include "SessionKey.h"

#include <QtTest>

using namespace moyuta::network;

class TestSessionKey : public QObject {
    Q_OBJECT
private slots:
    // First: it needs a process that has not used the key functions yet.
    void libcryptoLoadsOnFirstUse();
    void scryptMatchesPublishedVector();
    void inputChangesKey_data();
    void inputChangesKey();
    void saltIgnoresNonceOrder();
    void badSaltGivesNoKey_data();
    void badSaltGivesNoKey();
    void noncesDiffer();
};

namespace {

QByteArray nonceOf(char fill)
{
    return QByteArray(kNonceBytes, fill);
}

// Whether libcrypto is mapped into this process.
bool libcryptoMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    return maps.readAll().contains("/libcrypto.so");
}

}  // namespace

void TestSessionKey::libcryptoLoadsOnFirstUse()
{
    if (!QFile::exists(QStringLiteral("/proc/self/maps")))
        QSKIP("no /proc/self/maps here");
    // Loading it with the program would cost every start-up.
    QVERIFY(!libcryptoMapped());
    QCOMPARE(makeNonce().size(), kNonceBytes);
    QVERIFY(libcryptoMapped());
}

void TestSessionKey::scryptMatchesPublishedVector()
{
    // RFC 7914, section 12: "password" / "NaCl", N = 1024, r = 8, p = 16, 64 bytes.
    const QByteArray expected = QByteArray::fromHex(
        "fdbabe1c9d3472007856e7190d01e9fe7c6ad7cbc8237830e77376634b373162"
        "2eaf30d92e22a3886ff109279d9830dac727afb94a83ee6d8360cbdfa2cc0640");
    QCOMPARE(scrypt("password", "NaCl", ScryptCost{1024, 8, 16}, 64).toHex(), expected.toHex());
}

void TestSessionKey::inputChangesKey_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("cipher");
    QTest::addColumn<QByteArray>("salt");
    const QByteArray salt = sessionSalt(nonceOf('a'), nonceOf('b'));
    QTest::newRow("password") << "himitu2" << 17 << salt;
    QTest::newRow("password case") << "Himitu" << 17 << salt;
    QTest::newRow("cipher number") << "himitu" << 18 << salt;
    QTest::newRow("salt") << "himitu" << 17 << sessionSalt(nonceOf('a'), nonceOf('c'));
    // The number and the password are joined without ambiguity.
    QTest::newRow("digit moved into password") << "7:himitu" << 1 << salt;
}

void TestSessionKey::inputChangesKey()
{
    QFETCH(QString, password);
    QFETCH(int, cipher);
    QFETCH(QByteArray, salt);
    const QByteArray salt0 = sessionSalt(nonceOf('a'), nonceOf('b'));
    const QByteArray base = deriveSessionKey("himitu", 17, salt0);
    QCOMPARE(base.size(), kSessionKeyBytes);
    QCOMPARE(deriveSessionKey("himitu", 17, salt0), base);  // deterministic
    const QByteArray other = deriveSessionKey(password, cipher, salt);
    QCOMPARE(other.size(), kSessionKeyBytes);
    QVERIFY(other != base);
}

void TestSessionKey::saltIgnoresNonceOrder()
{
    const QByteArray a = makeNonce(), b = makeNonce();
    const QByteArray salt = sessionSalt(a, b);
    QCOMPARE(salt.size(), 2 * kNonceBytes);
    QCOMPARE(sessionSalt(b, a), salt);
    QVERIFY(salt.contains(a) && salt.contains(b));
}

void TestSessionKey::badSaltGivesNoKey_data()
{
    QTest::addColumn<QByteArray>("nonceA");
    QTest::addColumn<QByteArray>("nonceB");
    QTest::newRow("short") << QByteArray(kNonceBytes - 1, 'a') << nonceOf('b');
    QTest::newRow("long") << nonceOf('a') << QByteArray(kNonceBytes + 1, 'b');
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestSessionKey::badSaltGivesNoKey()
{
    QFETCH(QByteArray, nonceA);
    QFETCH(QByteArray, nonceB);
    const QByteArray salt = sessionSalt(nonceA, nonceB);
    QVERIFY(salt.isEmpty());
    QVERIFY(deriveSessionKey("himitu", 17, salt).isEmpty());
    QVERIFY(deriveSessionKey("himitu", 17, nonceA + nonceB).isEmpty());
}

void TestSessionKey::noncesDiffer()
{
    const QByteArray a = makeNonce(), b = makeNonce();
    QCOMPARE(a.size(), kNonceBytes);
    QVERIFY(a != b);
}

QTEST_APPLESS_MAIN(TestSessionKey)
#include "tst_sessionkey.moc"
