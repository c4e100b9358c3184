// The key derivation adapter: the worker's result, delivered on the caller's
// thread, only for the newest request, and never to a destroyed adapter.
#include "QtKeyDerivation.h"
#include "SessionKey.h"

#include <QThread>
#include <QThreadPool>
#include <QtTest>
#include <QElapsedTimer>

#include <memory>

using namespace moyuta;
using ui::QtKeyDerivation;

namespace {

constexpr int kWaitMs = 10000;

// What one derive() call delivered.
struct Outcome {
    int calls = 0;
    QByteArray key;
    QThread *thread = nullptr;
};

std::function<void(const QByteArray &)> recordInto(Outcome &outcome)
{
    return [&outcome](const QByteArray &key) {
        ++outcome.calls;
        outcome.key = key;
        outcome.thread = QThread::currentThread();
    };
}

// Lets every started derivation finish and its queued result arrive.
void drain()
{
    QVERIFY(QThreadPool::globalInstance()->waitForDone(kWaitMs));
    QTest::qWait(50);
}

}  // namespace

class TestKeyDerivation : public QObject {
    Q_OBJECT
private slots:
    void resultIsTheSessionKey_data();
    void resultIsTheSessionKey();
    void onlyTheNewestArrives();
    void burstRunsOneAtATime();
    void cancelDropsResult();
    void destroyedMidway();
};

void TestKeyDerivation::resultIsTheSessionKey_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("cipherNumber");
    QTest::addColumn<bool>("goodSalt");
    QTest::newRow("plain password") << "secret" << 1234 << true;
    QTest::newRow("Japanese password") << QStringLiteral("碁盤の合言葉") << 9999 << true;
    QTest::newRow("salt of the wrong length") << "secret" << 1234 << false;  // the empty key arrives
}

void TestKeyDerivation::resultIsTheSessionKey()
{
    QFETCH(QString, password);
    QFETCH(int, cipherNumber);
    QFETCH(bool, goodSalt);
    const QByteArray salt = goodSalt ? network::sessionSalt(network::makeNonce(), network::makeNonce())
                                     : QByteArray(5, 's');
    QtKeyDerivation derivation;
    Outcome outcome;
    derivation.derive(password, cipherNumber, salt, recordInto(outcome));
    QCOMPARE(outcome.calls, 0);  // never from inside derive
    QVERIFY(QTest::qWaitFor([&] { return outcome.calls > 0; }, kWaitMs));
    const QByteArray expected = network::deriveSessionKey(password, cipherNumber, salt);
    QCOMPARE(outcome.key, expected);
    QCOMPARE(outcome.key.isEmpty(), !goodSalt);
    QCOMPARE(outcome.thread, QThread::currentThread());
    drain();
    QCOMPARE(outcome.calls, 1);
}

void TestKeyDerivation::onlyTheNewestArrives()
{
    const QByteArray salt = network::sessionSalt(network::makeNonce(), network::makeNonce());
    QtKeyDerivation derivation;
    Outcome first, second;
    derivation.derive("first", 1, salt, recordInto(first));
    derivation.derive("second", 2, salt, recordInto(second));
    QVERIFY(QTest::qWaitFor([&] { return second.calls > 0; }, kWaitMs));
    drain();
    QCOMPARE(first.calls, 0);
    QCOMPARE(second.calls, 1);
    QCOMPARE(second.key, network::deriveSessionKey("second", 2, salt));
}

// Requests arriving faster than keys are made (a flood of forged hellos):
// the newest is made after at most the one running, the rest never.
void TestKeyDerivation::burstRunsOneAtATime()
{
    const QByteArray salt = network::sessionSalt(network::makeNonce(), network::makeNonce());
    QtKeyDerivation derivation;
    Outcome last;
    QElapsedTimer took;
    took.start();
    for (int i = 0; i < 100; ++i) {
        derivation.derive(QStringLiteral("guess%1").arg(i), 1, salt, recordInto(last));
        QVERIFY(QThreadPool::globalInstance()->activeThreadCount() <= 1);
    }
    QVERIFY(QTest::qWaitFor([&] { return last.calls > 0; }, kWaitMs));
    QCOMPARE(last.calls, 1);
    QCOMPARE(last.key, network::deriveSessionKey(QStringLiteral("guess99"), 1, salt));
    // Two derivations' time, not a hundred's (about 15 s on two cores).
    QVERIFY2(took.elapsed() < 3000, qPrintable(QString::number(took.elapsed())));
    drain();
}

void TestKeyDerivation::cancelDropsResult()
{
    const QByteArray salt = network::sessionSalt(network::makeNonce(), network::makeNonce());
    QtKeyDerivation derivation;
    Outcome outcome;
    derivation.derive("secret", 1, salt, recordInto(outcome));
    derivation.cancel();
    drain();
    QCOMPARE(outcome.calls, 0);
    // The adapter still works afterwards.
    derivation.derive("secret", 1, salt, recordInto(outcome));
    QVERIFY(QTest::qWaitFor([&] { return outcome.calls > 0; }, kWaitMs));
    QCOMPARE(outcome.key, network::deriveSessionKey("secret", 1, salt));
}

void TestKeyDerivation::destroyedMidway()
{
    const QByteArray salt = network::sessionSalt(network::makeNonce(), network::makeNonce());
    Outcome outcome;
    for (int i = 0; i < 4; ++i) {
        auto derivation = std::make_unique<QtKeyDerivation>();
        derivation->derive("secret", i, salt, recordInto(outcome));
        if (i % 2)
            QTest::qWait(100);  // destroyed at a different point of the work
    }
    drain();
    QCOMPARE(outcome.calls, 0);
}

QTEST_MAIN(TestKeyDerivation)
#include "tst_keyderivation.moc"
