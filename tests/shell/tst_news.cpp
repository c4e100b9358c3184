// The news notice: reading the document, the notice's cleaning, the log of
// confirmed notices, and the news window's place in start-up.
#include "Cp932.h"
#include "News.h"
#include "ShellDoubles.h"

#include <QDir>
#include <QtTest>

using namespace moyuta;

class TestNews : public QObject {
    Q_OBJECT
private slots:
    void extract_data();
    void extract();
    void documentText_data();
    void documentText();
    void confirmedNoticesInTheLog();
    void closedWithoutConfirming();
    void knownNoticeNotShown_data();
    void knownNoticeNotShown();
    void unreadableLog();
    void closeRequestEndsWithoutMainWindow();
    void closedWhileFetching();
};

namespace {

const QString K = shell::kNoticeKeyword;

// A fixture whose endpoint serves `document` in cp932.
struct NewsFixture : test::ShellFixture {
    NewsFixture()
    {
        windows.onNewsClose = [this] { shell::onNewsWindowClosing(s); };
        s.newsForm.Check1.onClick = [this] { shell::onNoticeConfirmedClick(s); };
    }
    void serve(const QString &document)
    {
        news.response = {true, toCp932(document), {}};
    }
    QString logPath() const { return dir.filePath(shell::kNoticeLogName); }
    QByteArray log() const
    {
        QFile f(logPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    }
    // Start-up as the program runs it; the user reads the notice, ticks the box or not, closes.
    void startAndRead(bool confirm)
    {
        QCOMPARE(shell::startUp(s), shell::StartResult::Running);
        if (windows.newsLoaded) {
            s.newsForm.Check1.setChecked(confirm);
            shell::onNewsCloseButton(s);
        }
    }
};

}  // namespace

void TestNews::extract_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("notice");

    QTest::newRow("no keyword") << "お知らせはありません" << "";
    QTest::newRow("plain") << "<html>" + K + "  新版が出ました。  " << "新版が出ました。";
    QTest::newRow("the four tags") << K + "一<BR>二<br>三<BR />四<br />五" << "一\r\n二\r\n三\r\n四\r\n五";
    QTest::newRow("other tags stay") << K + "一<Br>二<br/>三" << "一<Br>二<br/>三";
    QTest::newRow("ends at the first empty line") << K + "一<br><br>二" << "一\r\n";
    QTest::newRow("CR LF source keeps its first line") << K + "一行目\r\n二行目" << "一行目\r\n";
    QTest::newRow("lone LF") << K + "上\n下" << "上\r\n下";
    QTest::newRow("only U+0020 is trimmed") << K + "\u3000全角\u3000 " << "\u3000全角\u3000";
    QTest::newRow("500 characters") << K + QString(499, u'あ') + "いう" << QString(499, u'あ') + "い";
    QTest::newRow("half a character at the cut")
        << K + QString(499, u'a') + QStringLiteral("\U0001F600") << QString(499, u'a');
}

void TestNews::extract()
{
    QFETCH(QString, document);
    QFETCH(QString, notice);
    QCOMPARE(shell::extractNotice(document), notice);
}

void TestNews::documentText_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("notice");

    const QString text = K + "メンテナンスのお知らせ";
    QTest::newRow("cp932, no charset") << toCp932(text) << QByteArray() << true << "メンテナンスのお知らせ";
    QTest::newRow("cp932, named") << toCp932(text) << QByteArray("Shift_JIS") << true << "メンテナンスのお知らせ";
    QTest::newRow("UTF-8 gives no notice") << text.toUtf8() << QByteArray("utf-8") << true << "";
    QTest::newRow("not a 2xx answer") << toCp932(text) << QByteArray() << false << "";
    QTest::newRow("\"???\" keeps the named reading")
        << QByteArray("???") + text.toUtf8() << QByteArray("utf-8") << true << "メンテナンスのお知らせ";
}

void TestNews::documentText()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, charset);
    QFETCH(bool, ok);
    QFETCH(QString, notice);
    QCOMPARE(shell::extractNotice(shell::responseText({ok, body, charset})), notice);
}

void TestNews::confirmedNoticesInTheLog()
{
    QTemporaryDir folder;
    for (const QString &notice : {QStringLiteral("一つ目"), QStringLiteral("二つ目")}) {
        NewsFixture fx;
        fx.program.folder = folder.path();
        fx.serve(K + notice);
        fx.startAndRead(true);
        QVERIFY(fx.windows.events.contains(QStringLiteral("show news")));
        QVERIFY(fx.windows.mainShown);  // once the notice was closed
    }
    QFile log(QDir(folder.path()).filePath(shell::kNoticeLogName));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), toCp932(QStringLiteral("一つ目\r\n二つ目\r\n")));

    // Both are known now, the first also inside a longer text.
    NewsFixture again;
    again.program.folder = folder.path();
    again.serve(K + QStringLiteral("つ目"));
    again.startAndRead(true);
    QVERIFY(!again.windows.events.contains(QStringLiteral("show news")));
}

void TestNews::closedWithoutConfirming()
{
    NewsFixture fx;
    fx.serve(K + "まだ読んでいません");
    fx.startAndRead(false);
    QVERIFY(fx.windows.events.contains(QStringLiteral("show news")));
    QCOMPARE(fx.log(), QByteArray("(none)"));
}

void TestNews::knownNoticeNotShown_data()
{
    QTest::addColumn<QString>("notice");
    QTest::newRow("cp932 text") << "サーバー移転";
    QTest::newRow("a character cp932 cannot hold") << "Go 🀄 大会";
}

void TestNews::knownNoticeNotShown()
{
    QFETCH(QString, notice);
    QTemporaryDir folder;
    for (int start = 0; start < 2; ++start) {
        NewsFixture fx;
        fx.program.folder = folder.path();
        fx.serve(K + notice);
        fx.startAndRead(true);
        QCOMPARE(fx.windows.events.contains(QStringLiteral("show news")), start == 0);
        QVERIFY(fx.windows.mainShown);
    }
}

void TestNews::unreadableLog()
{
    NewsFixture fx;
    QVERIFY(QDir(fx.dir.path()).mkdir(shell::kNoticeLogName));  // a folder where the log should be
    fx.serve(K + "新しいお知らせ");
    fx.startAndRead(true);
    QCOMPARE(fx.dialogs.warnings, QStringList{shell::kNoticeLogError});
    QVERIFY(fx.windows.events.contains(QStringLiteral("show news")));
    QVERIFY(QFileInfo(fx.logPath()).isDir());  // not replaced
    QVERIFY(fx.windows.mainShown);
}

void TestNews::closeRequestEndsWithoutMainWindow()
{
    NewsFixture fx;
    fx.serve(K + "お知らせ");
    QCOMPARE(shell::startUp(fx.s), shell::StartResult::Running);
    QVERIFY(fx.windows.newsLoaded && !fx.windows.mainShown);
    fx.s.newsForm.Check1.setChecked(true);
    fx.s.shell.sessionEnding = true;
    QVERIFY(shell::closeRequest(fx.s));
    QVERIFY(!fx.windows.newsLoaded);
    QVERIFY(!fx.windows.mainShown);
    QCOMPARE(fx.log(), toCp932(QStringLiteral("お知らせ\r\n")));  // the confirmation is kept
}

void TestNews::closedWhileFetching()
{
    NewsFixture fx;
    fx.writeSettings(test::kDefaultLine);
    fx.serve(K + "お知らせ");
    fx.s.shell.quitting = true;  // the session ended while the fetch waited
    QCOMPARE(shell::startUp(fx.s), shell::StartResult::Abandoned);
    QVERIFY(!fx.s.shell.settingsLoaded);
    QVERIFY(!fx.windows.newsLoaded && !fx.windows.mainShown);
    shell::shutDown(fx.s);
    QCOMPARE(fx.readSettings(), test::kDefaultLine);  // untouched
}

QTEST_MAIN(TestNews)
#include "tst_news.moc"
