// The cipher as two window states use it: shared number and password, and
// warnings in the message boxes.
#include "MessageCipher.h"
#include "Shell.h"
#include "TestDoubles.h"

#include <QTest>

using namespace moyuta;
using namespace moyuta::test;

class MessageCipherTest : public QObject {
    Q_OBJECT
private slots:
    void peersWithTheSameKeyUnderstandEachOther_data();
    void peersWithTheSameKeyUnderstandEachOther();
    void wrongKeyGivesTheMismatchText_data();
    void wrongKeyGivesTheMismatchText();
    void markerInTheTextIsRefusedWithAWarning();
};

void MessageCipherTest::peersWithTheSameKeyUnderstandEachOther_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("plain");
    QTest::newRow("move, 7") << 7 << "2,60,3,1,0";
    QTest::newRow("keyword, 29") << 29 << "ホールド" + kTerminator;
    QTest::newRow("chat, 1") << 1 << "よろしくお願いします。";
    QTest::newRow("handshake, 30") << 30 << "30接続あいことば" + kTerminator;
}

void MessageCipherTest::peersWithTheSameKeyUnderstandEachOther()
{
    QFETCH(int, number);
    QFETCH(QString, plain);
    Fixture a, b;
    for (Fixture *f : {&a, &b}) {
        f->s.session.activeCipherNumber = number;
        f->s.session.sessionPassword = "あいことば";
    }
    const QString wire = network::encipherMessage(a.s, plain);
    QVERIFY(a.s.session.cipherSucceeded);
    QVERIFY(!wire.isEmpty() && wire != plain);
    QCOMPARE(network::decipherMessage(b.s, wire), plain);
    QVERIFY(b.s.session.cipherSucceeded);
    QCOMPARE(a.dialogs.boxes() + b.dialogs.boxes(), 0);
}

void MessageCipherTest::wrongKeyGivesTheMismatchText_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("password");
    QTest::newRow("other password") << 5 << "ちがう";
    QTest::newRow("other number") << 6 << "あいことば";
}

void MessageCipherTest::wrongKeyGivesTheMismatchText()
{
    QFETCH(int, number);
    QFETCH(QString, password);
    Fixture a, b;
    a.s.session.activeCipherNumber = 5;
    a.s.session.sessionPassword = "あいことば";
    b.s.session.activeCipherNumber = number;
    b.s.session.sessionPassword = password;
    b.s.session.cipherSucceeded = true;
    const QString wire = network::encipherMessage(a.s, "2,60,3,1,0");
    QCOMPARE(network::decipherMessage(b.s, wire), "鍵相違" + kTerminator);
    QVERIFY(!b.s.session.cipherSucceeded);
    QCOMPARE(b.dialogs.boxes(), 0);
}

void MessageCipherTest::markerInTheTextIsRefusedWithAWarning()
{
    Fixture f;
    f.s.session.activeCipherNumber = 3;
    f.s.session.sessionPassword = "pw";
    QVERIFY(network::encipherMessage(f.s, "ab*:;#$cd").isEmpty());
    QVERIFY(!f.s.session.cipherSucceeded);
    QCOMPARE(f.dialogs.warnings, QStringList{"特殊コードの文字列が入っています。「*:;#$」"});

    shell::beginSessionEnd(f.s);  // quitting from now on: no box while quitting
    QVERIFY(network::encipherMessage(f.s, "ab*:;#$cd").isEmpty());
    QCOMPARE(f.dialogs.warnings.size(), 1);
}

QTEST_GUILESS_MAIN(MessageCipherTest)
#include "tst_messagecipher.moc"
