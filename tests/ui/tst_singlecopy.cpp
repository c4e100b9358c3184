// The single-copy lock: a running copy refuses the start; leftovers of a
// crash and temporary folders without a usable lock never do.
#include "ShellAdapters.h"
#include "SplashWindow.h"

#include <QDateTime>
#include <QFile>
#include <QLockFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace moyuta;

class TestSingleCopy : public QObject {
    Q_OBJECT
private slots:
    void claim_data();
    void claim();
};

namespace {

void writeLock(const QString &path, const QByteArray &bytes, int ageSeconds)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.flush();
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime));
}

qint64 deadPid()
{
    for (qint64 pid = 4000000; pid > 3000000; --pid)
        if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            return pid;
    return 0;
}

}  // namespace

void TestSingleCopy::claim_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("starts");

    QTest::newRow("no lock") << "none" << true;
    QTest::newRow("a running copy holds it") << "held" << false;
    QTest::newRow("owner died") << "dead" << true;
    QTest::newRow("empty lock left by a crash") << "empty-old" << true;
    QTest::newRow("garbage lock left by a crash") << "garbage-old" << true;
    QTest::newRow("empty lock being written now") << "empty-new" << false;
    QTest::newRow("temporary folder missing") << "no-tmp" << true;
    QTest::newRow("temporary folder is a file") << "tmp-file" << true;
}

void TestSingleCopy::claim()
{
    QFETCH(QString, situation);
    QFETCH(bool, starts);

    QTemporaryDir dir;
    QString tmp = dir.path();
    if (situation == QLatin1String("no-tmp")) {
        tmp = dir.filePath(QStringLiteral("missing"));
    } else if (situation == QLatin1String("tmp-file")) {
        tmp = dir.filePath(QStringLiteral("file"));
        writeLock(tmp, "x", 0);
    }
    qputenv("TMPDIR", tmp.toLocal8Bit());
    const QString lock = ui::QtProgram::lockFilePath();
    if (situation == QLatin1String("no-tmp"))
        QVERIFY(lock.isEmpty());  // never a lock in the working folder
    else
        QVERIFY(lock.startsWith(tmp));

    QLockFile other(lock);
    if (situation == QLatin1String("held"))
        QVERIFY(other.tryLock(0));
    else if (situation == QLatin1String("dead"))
        writeLock(lock, QByteArray::number(deadPid()) + "\nmoyuta\n" + QSysInfo::machineHostName().toUtf8() + "\n", 0);
    else if (situation == QLatin1String("empty-old"))
        writeLock(lock, QByteArray(), 60);
    else if (situation == QLatin1String("garbage-old"))
        writeLock(lock, "xyz", 60);
    else if (situation == QLatin1String("empty-new"))
        writeLock(lock, QByteArray(), 0);

    ui::QtProgram program;
    QCOMPARE(program.claimSingleCopy(), starts);
    if (starts && situation != QLatin1String("no-tmp") && situation != QLatin1String("tmp-file")) {
        // This copy holds the lock now: the next one is refused.
        ui::QtProgram next;
        QVERIFY(!next.claimSingleCopy());
    }
}

QTEST_MAIN(TestSingleCopy)
#include "tst_singlecopy.moc"
