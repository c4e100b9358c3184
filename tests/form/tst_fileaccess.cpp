// The program's three kinds of files (AppData.dat, InfoLog.txt, record
// files) through the one way they are written and read.
#include "Cp932.h"
#include "News.h"
#include "Record.h"
#include "ShellDoubles.h"

#include <QDir>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace moyuta;

namespace {

enum class Target { Settings, NoticeLog, NigRecord, SgfRecord };
enum class Kind { Regular, Fifo, Socket, Device };

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
    const QString path = s.shell.programFolder + fileNameOf(target);
    switch (target) {
    case Target::Settings: {
        Settings written;
        written.peerAddress = QStringLiteral("written");
        settings::saveSettings(s.shell.programFolder, written);
        return toCp932(settings::formatLine(settings::savable(written)));
    }
    case Target::NoticeLog:
        // A new notice, offered, confirmed and closed as the user would.
        fx.news.response = {true, toCp932(shell::kNoticeKeyword + QStringLiteral("新しいお知らせ")), {}};
        shell::offerNotice(s);
        s.newsForm.Check1.setChecked(true);
        shell::onNoticeConfirmedClick(s);
        shell::onNewsWindowClosing(s);
        return toCp932(s.news.log);
    case Target::NigRecord:
    case Target::SgfRecord:
        fx.dialogs.fileNames.push_back(path);
        if (!record::writeRecordFile(s, kRecord))
            return "<not saved>";
        return target == Target::NigRecord ? record::recordFileText(kRecord) : record::sgfText(kRecord, s.moves.recordSizeCode);
    }
    return {};
}

const QString kNotice = QStringLiteral("今日のお知らせ");

// Bytes the program would take, were it to read them.
QByteArray readableContent(Target target)
{
    switch (target) {
    case Target::Settings: return "1#0#fed#0#1#4#10#0#0#2000000#0#1##0@";
    case Target::NoticeLog: return toCp932(kNotice + QStringLiteral("\r\n"));
    case Target::NigRecord: return record::recordFileText(kRecord);
    case Target::SgfRecord: return record::sgfText(kRecord);
    }
    return {};
}

// Reads through the program's own routine for `target`; true when the
// content was taken.
bool readThrough(Target target, test::ShellFixture &fx)
{
    AppState &s = fx.s;
    switch (target) {
    case Target::Settings:
        return settings::loadSettings(s, s.shell.programFolder).peerAddress == QStringLiteral("fed");
    case Target::NoticeLog:
        fx.news.response = {true, toCp932(shell::kNoticeKeyword + kNotice), {}};
        shell::offerNotice(s);
        return !s.news.logUnreadable && !fx.windows.newsLoaded;  // known from the log: not shown again
    case Target::NigRecord:
    case Target::SgfRecord:
        fx.dialogs.fileNames.push_back(s.shell.programFolder + fileNameOf(target));
        record::onOpen(s);
        return s.moves.recordFileLoaded && !s.moves.gameRecord.isEmpty();
    }
    return false;
}

// The far end of a FIFO: a writer that waits in its open until a reader
// comes, then writes the bytes and closes, so a reader that opened the FIFO
// gets them and then the end. A reader that never came is stood in for at
// the end, to let the writer go.
class FifoWriter {
public:
    FifoWriter(const QString &path, const QByteArray &bytes) : path_(QFile::encodeName(path))
    {
        thread_ = std::thread([this, bytes] {
            const int fd = ::open(path_.constData(), O_WRONLY);
            if (fd < 0)
                return;
            if (!released_) {
                readerCame_ = true;
                [[maybe_unused]] const ssize_t n = ::write(fd, bytes.constData(), size_t(bytes.size()));
            }
            ::close(fd);
        });
    }
    ~FifoWriter()
    {
        released_ = true;
        const int fd = ::open(path_.constData(), O_RDONLY | O_NONBLOCK);
        thread_.join();
        if (fd >= 0)
            ::close(fd);
    }
    bool readerCame() const { return readerCame_; }

private:
    QByteArray path_;
    std::atomic<bool> released_{false}, readerCame_{false};
    std::thread thread_;
};

// A listening Unix socket at `path`.
class SocketFile {
public:
    explicit SocketFile(const QString &path) : fd_(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (fd_ < 0 || size_t(name.size()) >= sizeof address.sun_path)
            return;
        memcpy(address.sun_path, name.constData(), size_t(name.size()));
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 && ::listen(fd_, 1) == 0;
    }
    ~SocketFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool bound() const { return bound_; }

private:
    int fd_;
    bool bound_ = false;
};

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
Q_DECLARE_METATYPE(Kind)

class TestFileAccess : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::signal(SIGPIPE, SIG_IGN); }
    void onlyRegularFilesRead_data();
    void onlyRegularFilesRead();
    void savedInReadOnlyFolder_data();
    void savedInReadOnlyFolder();
};

void TestFileAccess::onlyRegularFilesRead_data()
{
    QTest::addColumn<Target>("target");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QStringList>("warnings");

    const QList<std::pair<Target, QStringList>> unreadable = {
        {Target::Settings, {settings::kDamagedWarning}},
        {Target::NoticeLog, {shell::kNoticeLogError}},
        {Target::NigRecord, {}},  // a record that cannot be opened leaves the board empty, without a word
        {Target::SgfRecord, {QStringLiteral("SGFファイルを読み込めませんでした。")}}};
    const QList<std::pair<Kind, const char *>> kinds = {
        {Kind::Regular, "regular file"}, {Kind::Fifo, "FIFO"}, {Kind::Socket, "socket"}, {Kind::Device, "device"}};
    for (const auto &[target, warnings] : unreadable)
        for (const auto &[kind, kindName] : kinds)
            QTest::addRow("%s as a %s", qPrintable(fileNameOf(target)), kindName)
                << target << kind << (kind == Kind::Regular ? QStringList() : warnings);
}

// A FIFO, a socket or a device where a file is read counts as unreadable and
// is never opened: a FIFO would block the program until a writer came.
void TestFileAccess::onlyRegularFilesRead()
{
    QFETCH(Target, target);
    QFETCH(Kind, kind);
    QFETCH(QStringList, warnings);

    test::ShellFixture fx;
    shell::setProgramFolder(fx.s, fx.dir.path());
    const QString path = fx.dir.filePath(fileNameOf(target));
    std::unique_ptr<FifoWriter> writer;
    std::unique_ptr<SocketFile> socket;
    switch (kind) {
    case Kind::Regular: {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(readableContent(target)), readableContent(target).size());
        break;
    }
    case Kind::Fifo:
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0666), 0);
        writer = std::make_unique<FifoWriter>(path, readableContent(target));
        break;
    case Kind::Socket:
        socket = std::make_unique<SocketFile>(path);
        QVERIFY(socket->bound());
        break;
    case Kind::Device:
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        break;
    }

    const bool taken = readThrough(target, fx);
    QCOMPARE(taken, kind == Kind::Regular);
    QCOMPARE(fx.dialogs.warnings, warnings);
    if (writer)
        QVERIFY2(!writer->readerCame(), "the FIFO was opened for reading");
}

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
    shell::setProgramFolder(fx.s, folder);

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
