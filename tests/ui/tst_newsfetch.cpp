// The news endpoint over real HTTP on 127.0.0.1, and the news window in the
// running program.
#include "Cp932.h"
#include "HttpTestServer.h"
#include "News.h"
#include "NewsWindow.h"
#include "Program.h"
#include "QtNewsFetch.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <zlib.h>

using namespace moyuta;

class TestNewsFetch : public QObject {
    Q_OBJECT
private slots:
    void init();
    void answers_data();
    void answers();
    void givesUp_data();
    void givesUp();
    void hugeAnswerAborted();
    void compressionBombEndsPromptly_data();
    void compressionBombEndsPromptly();
    void noEndpointNoRequest();
    void noticeInTheProgram();
    void sessionEndsDuringFetch();

private:
    std::unique_ptr<QTemporaryDir> tmp_;
};

namespace {

const QString K = shell::kNoticeKeyword;

// The peak resident memory of this process, in KiB.
qint64 peakMemoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// `mebibytes` MiB of NUL bytes compressed as gzip or as zlib ("deflate"),
// without compressing them all: after a full flush a compressed MiB stands
// on its own, so it is repeated; the checksum at the end is combined.
QByteArray zeroBomb(int mebibytes, bool gzip)
{
    const QByteArray zeros(1 << 20, '\0');
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, gzip ? 15 + 16 : 15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out(1 << 20, '\0');
    auto compress = [&](const QByteArray &in, int flush) {
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
        z.avail_in = uInt(in.size());
        z.next_out = reinterpret_cast<Bytef *>(out.data());
        z.avail_out = uInt(out.size());
        deflate(&z, flush);
        return out.left(out.size() - qsizetype(z.avail_out));
    };
    const QByteArray first = compress(zeros, Z_FULL_FLUSH);  // the header and the first MiB
    const QByteArray again = compress(zeros, Z_FULL_FLUSH);
    QByteArray end = compress({}, Z_FINISH);
    deflateEnd(&z);
    end.chop(gzip ? 8 : 4);  // the checksum of two MiB

    const auto zero = reinterpret_cast<const Bytef *>(zeros.constData());
    const uLong crcMiB = crc32(0, zero, uInt(zeros.size())), adlerMiB = adler32(1, zero, uInt(zeros.size()));
    uLong crc = crc32(0, nullptr, 0), adler = adler32(0, nullptr, 0);
    QByteArray bomb = first;
    for (int i = 0; i < mebibytes; ++i) {
        if (i > 0)
            bomb += again;
        crc = crc32_combine(crc, crcMiB, zeros.size());
        adler = adler32_combine(adler, adlerMiB, zeros.size());
    }
    bomb += end;
    const quint32 length = quint32(qint64(mebibytes) << 20);
    if (gzip)
        for (const quint32 v : {quint32(crc), length})
            for (int b = 0; b < 4; ++b)
                bomb += char(v >> (8 * b));
    else
        for (int b = 3; b >= 0; --b)
            bomb += char(quint32(adler) >> (8 * b));
    return bomb;
}

}  // namespace

void TestNewsFetch::init()
{
    tmp_ = std::make_unique<QTemporaryDir>();  // the single-copy lock of each program
    qputenv("TMPDIR", tmp_->path().toLocal8Bit());
    // A program that ended asked every event loop to exit; running the
    // application's own loop once clears that for the next one.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

void TestNewsFetch::answers_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("notice");

    const QString text = "<html><body>" + K + "大会のお知らせ<br>詳しくはこちら</body>";
    QTest::newRow("cp932 with the keyword") << 200 << QByteArray("text/html") << toCp932(text)
                                            << "大会のお知らせ\r\n詳しくはこちら</body>";
    QTest::newRow("cp932, named") << 200 << QByteArray("text/plain; charset=\"Shift_JIS\"") << toCp932(K + "名前付き")
                                  << "名前付き";
    QTest::newRow("cp932 without the keyword") << 200 << QByteArray("text/plain") << toCp932("お知らせなし") << "";
    QTest::newRow("UTF-8") << 200 << QByteArray("text/plain; charset=utf-8") << (K + "UTF-8 の文").toUtf8() << "";
    QTest::newRow("404 page with the keyword") << 404 << QByteArray("text/plain") << toCp932(K + "見つかりません") << "";
}

void TestNewsFetch::answers()
{
    QFETCH(int, status);
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(QString, notice);

    test::HttpTestServer server;
    server.status = status;
    server.contentType = contentType;
    server.body = body;
    ui::QtNewsFetch fetch(server.url());
    const NewsResponse response = fetch.fetch();
    QCOMPARE(server.requests, 1);
    QCOMPARE(response.ok, status == 200);
    QCOMPARE(shell::extractNotice(shell::responseText(response)), notice);
}

void TestNewsFetch::givesUp_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("transferMs");  // no byte for this long: the transfer times out
    QTest::addColumn<int>("deadlineMs");  // the whole fetch
    QTest::newRow("never answers") << int(test::HttpTestServer::Mode::Silent) << 500 << 5000;
    QTest::newRow("drips a byte every 0.4 s") << int(test::HttpTestServer::Mode::Drip) << 1000 << 1500;
}

void TestNewsFetch::givesUp()
{
    QFETCH(int, mode);
    QFETCH(int, transferMs);
    QFETCH(int, deadlineMs);

    test::HttpTestServer server;
    server.mode = test::HttpTestServer::Mode(mode);
    ui::QtNewsFetch fetch(server.url());
    fetch.transferTimeoutMs = transferMs;
    fetch.deadlineMs = deadlineMs;
    QElapsedTimer clock;
    clock.start();
    const NewsResponse response = fetch.fetch();
    QVERIFY(!response.ok);
    QVERIFY2(clock.elapsed() < std::min(transferMs, deadlineMs) + 1500, qPrintable(QString::number(clock.elapsed())));
}

void TestNewsFetch::hugeAnswerAborted()
{
    test::HttpTestServer server;
    server.mode = test::HttpTestServer::Mode::Huge;
    server.hugeBytes = 512LL * 1024 * 1024;
    ui::QtNewsFetch fetch(server.url());
    const qint64 before = peakMemoryKiB();
    QElapsedTimer clock;
    clock.start();
    const NewsResponse response = fetch.fetch();
    QVERIFY(!response.ok);
    QVERIFY(response.body.isEmpty());
    QVERIFY2(clock.elapsed() < 10000, "aborted early, not after reading it all");
    QVERIFY2(peakMemoryKiB() - before < 64 * 1024, qPrintable(QString::number(peakMemoryKiB() - before)));
}

void TestNewsFetch::compressionBombEndsPromptly_data()
{
    QTest::addColumn<bool>("gzip");
    QTest::newRow("gzip, 1 GiB") << true;
    QTest::newRow("deflate, 1 GiB") << false;
}

// An answer that expands to 1 GiB (1 MB on the wire) is refused at once,
// whichever check ends it first: the 1 MiB bound or Qt's own against
// compression bombs (which ends the reply with an error before it finishes).
void TestNewsFetch::compressionBombEndsPromptly()
{
    QFETCH(bool, gzip);

    test::HttpTestServer server;
    server.body = zeroBomb(1024, gzip);
    QVERIFY(server.body.size() > 256 * 1024 && server.body.size() < 2 * 1024 * 1024);
    server.contentEncoding = gzip ? "gzip" : "deflate";
    ui::QtNewsFetch fetch(server.url());
    QElapsedTimer clock;
    clock.start();
    const NewsResponse response = fetch.fetch();
    QVERIFY(!response.ok);
    QVERIFY(response.body.isEmpty());
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
}

void TestNewsFetch::noEndpointNoRequest()
{
    ui::QtNewsFetch fetch{QString()};
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!fetch.fetch().ok);
    QVERIFY(clock.elapsed() < 50);

    // The program as built for the tests names no endpoint: the main window shows at once.
    QTemporaryDir folder;
    ui::Program program(folder.path());
    program.start();
    QVERIFY(program.window().isVisible());
    QVERIFY(!program.windows().newsWindow());
    program.state().shell.quitWithoutAsking = true;
    program.window().close();
}

void TestNewsFetch::noticeInTheProgram()
{
    test::HttpTestServer server;
    server.body = toCp932(K + "<b>太字ではありません</b><br>二行目");
    QTemporaryDir folder;
    ui::QtNewsFetch fetch(server.url());
    ui::Program program(folder.path(), &fetch);
    program.start();

    // The news window instead of the main window, the notice as plain text.
    ui::NewsWindow *news = program.windows().newsWindow();
    QVERIFY(news && news->isVisible());
    QVERIFY(!program.window().isVisible());
    QCOMPARE(news->windowTitle(), QStringLiteral("Moyuta  お知らせ"));
    QVERIFY(news->windowFlags() & Qt::WindowStaysOnTopHint);
    auto *text = news->findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
    QCOMPARE(text->toPlainText(), QStringLiteral("<b>太字ではありません</b>\n二行目"));
    QVERIFY(text->isReadOnly());

    news->findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    QVERIFY(program.state().news.confirmed);
    news->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QTRY_VERIFY(!program.windows().newsWindow());
    QVERIFY(program.window().isVisible());
    QFile log(QDir(folder.path()).filePath(shell::kNoticeLogName));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), toCp932(QStringLiteral("<b>太字ではありません</b>\r\n二行目\r\n")));
    program.state().shell.quitWithoutAsking = true;
    program.window().close();
}

void TestNewsFetch::sessionEndsDuringFetch()
{
    test::HttpTestServer server;
    server.mode = test::HttpTestServer::Mode::Silent;
    QTemporaryDir folder;
    ui::QtNewsFetch fetch(server.url());
    ui::Program program(folder.path(), &fetch);
    int exitCode = -1;
    QTimer::singleShot(300, &program, [&] { program.endSession(); });  // SIGTERM, say
    QTimer::singleShot(0, &program, [&] { program.start(); });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(2); });
    QElapsedTimer clock;
    clock.start();
    exitCode = QCoreApplication::exec();
    QCOMPARE(exitCode, 0);
    QVERIFY2(clock.elapsed() < 3000, "the fetch was abandoned, not waited out");
    QVERIFY(!QFile::exists(QDir(folder.path()).filePath(QStringLiteral("AppData.dat"))));
    QVERIFY(!program.window().isVisible());
}

QTEST_MAIN(TestNewsFetch)
#include "tst_newsfetch.moc"
