// The real program, started as a user starts it: each copy from a program
// folder of its own (a copy of the executable), offscreen, and ended the way
// the desktop session ends it, with SIGTERM.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <unistd.h>

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void sessionEndSaves_data();
    void sessionEndSaves();
    void secondCopyRefused();
    void tooLongPathRefused();
};

namespace {

const QByteArray kDefaultLine = "1#0#192.168.0.0#0#1#4#10#0#0#2000000#0#1##0@";

// A program folder with its own copy of the executable.
bool makeProgramFolder(const QString &folder)
{
    return QDir().mkpath(folder) && QFile::copy(QStringLiteral(MOYUTA_BINARY), folder + QStringLiteral("/moyuta"));
}

QString lockFile(const QString &tmp)
{
    return tmp + QStringLiteral("/moyuta-%1.lock").arg(::getuid());
}

// Starts the copy in `folder` with `tmp` as its temporary folder.
std::unique_ptr<QProcess> start(const QString &folder, const QString &tmp)
{
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tmp);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(folder + QStringLiteral("/moyuta"), {});
    return p;
}

// Sends SIGTERM and waits for the end; the exit code, or -1 when it did not end normally.
int terminate(QProcess &p)
{
    ::kill(pid_t(p.processId()), SIGTERM);
    if (!p.waitForFinished(15000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    return p.exitCode();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

}  // namespace

void TestEndToEnd::sessionEndSaves_data()
{
    QTest::addColumn<QByteArray>("file");  // empty: none
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("fresh folder") << QByteArray() << kDefaultLine;
    QTest::newRow("corrected values")
        << QByteArray("5#1#host.example#1234#5678#9#3#1#7#400000#0#12##7@")
        << QByteArray("1#1#host.example#1234#5678#4#10#1#0#2000000#0#12##2@");
}

void TestEndToEnd::sessionEndSaves()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, saved);

    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("program")), tmp = dir.filePath(QStringLiteral("tmp"));
    QVERIFY(makeProgramFolder(folder) && QDir().mkpath(tmp));
    const QString settings = folder + QStringLiteral("/AppData.dat");
    if (!file.isEmpty())
        writeFile(settings, file);

    auto copy = start(folder, tmp);
    QVERIFY(copy->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(lockFile(tmp)), 15000);
    QCOMPARE(terminate(*copy), 0);
    QCOMPARE(readFile(settings), saved);
    QVERIFY(!QFile::exists(lockFile(tmp)));  // released at the end
}

void TestEndToEnd::secondCopyRefused()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("program")), tmp = dir.filePath(QStringLiteral("tmp"));
    QVERIFY(makeProgramFolder(folder) && QDir().mkpath(tmp));
    const QString settings = folder + QStringLiteral("/AppData.dat");
    // A save would change this line (the mark tool 5 comes back as 1).
    const QByteArray line = "5#1#first#11#22#5#12#0#0#2000000#0#3##1@";
    writeFile(settings, line);

    auto first = start(folder, tmp);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(lockFile(tmp)), 15000);
    auto second = start(folder, tmp);
    QVERIFY(second->waitForStarted());
    // The second copy waits on its warning; the end of the session closes the box.
    QTest::qWait(1500);
    QCOMPARE(second->state(), QProcess::Running);
    QCOMPARE(terminate(*second), 1);
    QCOMPARE(readFile(settings), line);  // byte for byte as the first copy found it
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(terminate(*first), 0);
    QCOMPARE(readFile(settings), QByteArray("1#1#first#11#22#5#12#0#0#2000000#0#3##1@"));

    // Another temporary folder is another user's lock: that copy runs.
    const QString otherTmp = dir.filePath(QStringLiteral("tmp2"));
    QVERIFY(QDir().mkpath(otherTmp));
    auto third = start(folder, otherTmp);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(lockFile(otherTmp)), 15000);
    QCOMPARE(terminate(*third), 0);
}

void TestEndToEnd::tooLongPathRefused()
{
    QTemporaryDir dir;
    QString folder = dir.path();
    while (folder.size() < 240)
        folder += QStringLiteral("/") + QString(40, QLatin1Char('d'));
    const QString tmp = dir.filePath(QStringLiteral("tmp"));
    QVERIFY(makeProgramFolder(folder) && QDir().mkpath(tmp));

    auto copy = start(folder, tmp);
    QVERIFY(copy->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(lockFile(tmp)), 15000);
    QTest::qWait(1000);
    QCOMPARE(terminate(*copy), 1);
    QVERIFY(!QFile::exists(folder + QStringLiteral("/AppData.dat")));
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
