// The program's three kinds of files (AppData.dat, InfoLog.txt, record
// files) through the one way they are written and read.
#include "Cp932.h"
#include "News.h"
#include "Record.h"
#include "ShellDoubles.h"

#include <QDir>
#include <QtTest>

#include <sys/fsuid.h>
#include <unistd.h>

using namespace moyuta;

namespace {

enum class Target { Settings, NoticeLog, NigRecord, SgfRecord };

QString fileNameOf(Target target)
{
    switch (target) {
    case Target::Settings: return settings::kSettingsFileName;
    case Target::NoticeLog: return shell::kNoticeLogName;
    case Target::NigRecord: return QStringLiteral("game.nig");
    case Target::SgfRecord: return QStringLiteral("game.sgf");
    }
    return {};
}

const QStringList kRecord = {QStringLiteral("1,60,0,0"), QStringLiteral("2,61,0,0")};

// Saves through the program's own routine for `target` in fx's program
// folder; returns the bytes that routine means to write.
QByteArray saveThrough(Target target, test::ShellFixture &fx)
{
    AppState &s = fx.s;
    const QString path = s.programFolder + fileNameOf(target);
    switch (target) {
    case Target::Settings:
        s.settings.peerAddress = QStringLiteral("written");
        settings::saveSettings(s);
        return toCp932(settings::formatLine(settings::savable(s.settings)));
    case Target::NoticeLog:
        s.noticeText = QStringLiteral("新しいお知らせ");
        s.noticeConfirmed = true;
        shell::onNewsWindowClosing(s, fx.windows);
        return toCp932(s.noticeText + QStringLiteral("\r\n"));
    case Target::NigRecord:
    case Target::SgfRecord:
        fx.dialogs.fileNames.push_back(path);
        if (!record::writeRecordFile(s, kRecord))
            return "<not saved>";
        return target == Target::NigRecord ? record::recordFileText(kRecord) : record::sgfText(kRecord, s.recordSizeCode);
    }
    return {};
}

// Root passes every permission check; as root, the file-system user of this
// thread becomes "nobody" meanwhile, which drops that override (Linux).
class PermissionsApply {
public:
    PermissionsApply()
    {
        if (::geteuid() != 0)
            return;
        dropped_ = true;
        ::setfsgid(kNobody);
        ::setfsuid(kNobody);
        applies_ = ::setfsuid(uid_t(-1)) == kNobody;  // an invalid id changes nothing and tells the current one
    }
    ~PermissionsApply()
    {
        if (dropped_) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
    bool applies() const { return !dropped_ || applies_; }

private:
    static constexpr uid_t kNobody = 65534;
    bool dropped_ = false;
    bool applies_ = false;
};

}  // namespace

Q_DECLARE_METATYPE(Target)

class TestFileAccess : public QObject {
    Q_OBJECT
private slots:
    void savedInReadOnlyFolder_data();
    void savedInReadOnlyFolder();
};

void TestFileAccess::savedInReadOnlyFolder_data()
{
    QTest::addColumn<Target>("target");
    QTest::newRow("AppData.dat") << Target::Settings;
    QTest::newRow("InfoLog.txt") << Target::NoticeLog;
    QTest::newRow(".nig record") << Target::NigRecord;
    QTest::newRow("SGF record") << Target::SgfRecord;
}

// A program folder at 0555 with the file itself writable (0666): the folder
// refuses the temporary file, so the file is written in place.
void TestFileAccess::savedInReadOnlyFolder()
{
    QFETCH(Target, target);

    test::ShellFixture fx;
    const QString folder = fx.dir.filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + QLatin1Char('/') + fileNameOf(target);
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    }
    const auto all = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const auto search = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    const auto write = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    QVERIFY(QFile::setPermissions(fx.dir.path(), all | search | QFile::WriteOwner));
    QVERIFY(QFile::setPermissions(path, all | write));
    QVERIFY(QFile::setPermissions(folder, all | search));
    fx.s.programFolder = settings::findProgramFolder(folder);

    QByteArray expected;
    bool folderRefused = false;
    {
        const PermissionsApply permissions;
        if (!permissions.applies()) {
            QFile::setPermissions(folder, all | search | QFile::WriteOwner);
            QSKIP("running as root and the file-system user cannot be changed: a 0555 folder stays writable");
        }
        QFile probe(folder + QStringLiteral("/probe"));
        folderRefused = !probe.open(QIODevice::WriteOnly);
        expected = saveThrough(target, fx);
    }
    QVERIFY(QFile::setPermissions(folder, all | search | QFile::WriteOwner));
    QVERIFY2(folderRefused, "the folder took a new file: the case is not set up");

    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), expected);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{fileNameOf(target)});
    QCOMPARE(fx.dialogs.warnings, QStringList());
}

QTEST_MAIN(TestFileAccess)
#include "tst_fileaccess.moc"
