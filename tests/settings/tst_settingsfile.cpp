// AppData.dat: the line format, damaged files, cp932 and safe saving.
#include "ShellDoubles.h"

#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QtTest>

using namespace moyuta;
using test::kDefaultLine;

class TestSettingsFile : public QObject {
    Q_OBJECT
private slots:
    void cp932CodecInBuild();
    void defaultLineBothWays();
    void parse_data();
    void parse();
    void load_data();
    void load();
    void unreadableFileIsDamaged();
    void japanesePasswordAsCp932();
    void saveKeepsOnlyRoundTrippingText_data();
    void saveKeepsOnlyRoundTrippingText();
    void failedWriteIsSilent();
    void programFolder_data();
    void programFolder();
};

void TestSettingsFile::cp932CodecInBuild()
{
    QVERIFY(QStringEncoder("cp932").isValid());
    QVERIFY(QStringDecoder("cp932").isValid());
    // NEC row 13 and the 0x5C trail byte are real cp932, not plain Shift_JIS.
    QCOMPARE(toCp932(QStringLiteral("①ソ")), QByteArray::fromHex("8740835c"));
    QVERIFY(!survivesCp932(QStringLiteral("한")));
}

void TestSettingsFile::defaultLineBothWays()
{
    QCOMPARE(settings::formatLine(Settings{}), QString::fromLatin1(kDefaultLine));
    const auto parsed = settings::parseLine(QString::fromLatin1(kDefaultLine));
    QVERIFY(parsed);
    QVERIFY(*parsed == Settings{});
}

void TestSettingsFile::parse_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("damaged");
    QTest::addColumn<QString>("field");  // checked when not damaged
    QTest::addColumn<QVariant>("value");

    const QString v254(254, QLatin1Char('x')), v255(255, QLatin1Char('x'));
    auto line = [](const QString &address, const QString &peerPort = QStringLiteral("0"),
                   const QString &tool = QStringLiteral("1"), const QString &tail = QStringLiteral("0@")) {
        return tool + QStringLiteral("#0#") + address + QStringLiteral("#") + peerPort + QStringLiteral("#1#4#10#0#0#2000000#0#1##") + tail;
    };
    const QString def = QStringLiteral("192.168.0.0");
    QTest::newRow("no #") << QStringLiteral("1@") << true << QString() << QVariant();
    QTest::newRow("12 #") << QStringLiteral("1#0#192.168.0.0#0#1#4#10#0#0#2000000#0#1#0@") << true << QString() << QVariant();
    QTest::newRow("no @") << QStringLiteral("1#0#192.168.0.0#0#1#4#10#0#0#2000000#0#1##0") << true << QString() << QVariant();
    QTest::newRow("256 in a byte") << line(def, QStringLiteral("0"), QStringLiteral("256")) << true << QString() << QVariant();
    QTest::newRow("negative byte") << line(def, QStringLiteral("0"), QStringLiteral("-1")) << true << QString() << QVariant();
    QTest::newRow("2147483648 in 32 bits") << line(def, QStringLiteral("2147483648")) << true << QString() << QVariant();
    QTest::newRow("huge number") << line(def, QStringLiteral("99999999999999999999999")) << true << QString() << QVariant();
    QTest::newRow("255-character value") << line(v255) << true << QString() << QVariant();
    QTest::newRow("300-character line of one value") << QString(300, QLatin1Char('7')) << true << QString() << QVariant();
    QTest::newRow("300-character value in a line") << line(QString(300, QLatin1Char('x'))) << true << QString() << QVariant();
    QTest::newRow("254-character value") << line(v254) << false << "peerAddress" << QVariant(v254);
    QTest::newRow("255 in a byte") << line(def, QStringLiteral("0"), QStringLiteral("255")) << false << "currentTool" << QVariant(255);
    QTest::newRow("-2147483648") << line(def, QStringLiteral("-2147483648")) << false << "peerPort" << QVariant(-2147483648LL);
    QTest::newRow("leading digits only") << line(def, QStringLiteral("12ab3")) << false << "peerPort" << QVariant(12);
    QTest::newRow("no digits is 0") << line(def, QStringLiteral("ab")) << false << "peerPort" << QVariant(0);
    QTest::newRow("lone minus is 0") << line(def, QStringLiteral("-")) << false << "peerPort" << QVariant(0);
    QTest::newRow("@ inside a text") << line(QStringLiteral("a@b")) << false << "peerAddress" << QVariant(QStringLiteral("a@b"));
    QTest::newRow("anything after @") << line(def, QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("1@junk#@"))
                                      << false << "boardSizeCode" << QVariant(1);
    QTest::newRow("extra # in the last value") << line(def, QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2#9@"))
                                               << false << "boardSizeCode" << QVariant(2);
}

void TestSettingsFile::parse()
{
    QFETCH(QString, line);
    QFETCH(bool, damaged);
    QFETCH(QString, field);
    QFETCH(QVariant, value);

    const auto parsed = settings::parseLine(line);
    QCOMPARE(!parsed.has_value(), damaged);
    if (damaged)
        return;
    if (field == QLatin1String("peerAddress"))
        QCOMPARE(parsed->peerAddress, value.toString());
    else if (field == QLatin1String("currentTool"))
        QCOMPARE(parsed->currentTool, value.toInt());
    else if (field == QLatin1String("peerPort"))
        QCOMPARE(qint64(parsed->peerPort), value.toLongLong());
    else if (field == QLatin1String("boardSizeCode"))
        QCOMPARE(parsed->boardSizeCode, value.toInt());
    else
        QFAIL("unknown field");
}

void TestSettingsFile::load_data()
{
    QTest::addColumn<QByteArray>("file");  // "-" for no file
    QTest::addColumn<bool>("warned");
    QTest::addColumn<int>("boardSizeCode");

    const QByteArray line = "1#0#h#0#1#4#10#0#0#2000000#0#1##1@";
    QTest::newRow("no file") << QByteArray("-") << false << 0;
    QTest::newRow("empty file") << QByteArray() << false << 0;
    QTest::newRow("the line") << line << false << 1;
    QTest::newRow("CR LF after @") << line + "\r\n" << false << 1;
    QTest::newRow("lone CR after @") << line + "\r" << false << 1;
    QTest::newRow("lone LF after @") << line + "\n" << false << 1;
    QTest::newRow("further lines ignored") << line + "\r\n2#0#x@\r\n" << false << 1;
    QTest::newRow("line break before @") << QByteArray("1#0#h#0#1#4#10#0#0#2000000#0#1##1\r\n@") << true << 0;
    QTest::newRow("damaged") << QByteArray("garbage") << true << 0;
    QTest::newRow("damage late keeps nothing") << QByteArray("2#1#h#5#6#4#10#0#0#2000000#0#1##300@") << true << 0;
}

void TestSettingsFile::load()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, warned);
    QFETCH(int, boardSizeCode);

    test::ShellFixture fx;
    const QString folder = settings::findProgramFolder(fx.dir.path());
    if (file != "-")
        fx.writeSettings(file);
    const Settings loaded = settings::loadSettings(fx.s, folder);

    QCOMPARE(loaded.boardSizeCode, boardSizeCode);
    if (warned) {
        QCOMPARE(fx.dialogs.warnings, QStringList{settings::kDamagedWarning});
        QCOMPARE(fx.windows.events, (QStringList{QStringLiteral("close splash"), QStringLiteral("hide news")}));
        QVERIFY(loaded == Settings{});
    } else {
        QCOMPARE(fx.dialogs.boxes(), 0);
        QCOMPARE(loaded.peerAddress, QString::fromLatin1(boardSizeCode ? "h" : "192.168.0.0"));
    }
}

void TestSettingsFile::unreadableFileIsDamaged()
{
    // A folder where the file should be cannot be read as a file. (A file
    // without read permission is the same case, but the tests may run as
    // root, who reads it anyway.)
    test::ShellFixture fx;
    const QString folder = settings::findProgramFolder(fx.dir.path());
    QVERIFY(QDir(fx.dir.path()).mkdir(settings::kSettingsFileName));
    const Settings loaded = settings::loadSettings(fx.s, folder);
    QCOMPARE(fx.dialogs.warnings, QStringList{settings::kDamagedWarning});
    QVERIFY(loaded == Settings{});
}

void TestSettingsFile::japanesePasswordAsCp932()
{
    test::ShellFixture fx;
    const QString folder = settings::findProgramFolder(fx.dir.path());
    Settings v;
    v.savedPassword = QStringLiteral("合言葉ソ表");
    settings::saveSettings(folder, v);
    const QByteArray bytes = fx.readSettings();
    QVERIFY(bytes.contains(QByteArray::fromHex("8d878cbe9774835c955c") + "#0@"));
    QVERIFY(!bytes.endsWith('\n'));

    const Settings loaded = settings::loadSettings(fx.s, folder);
    QCOMPARE(loaded.savedPassword, QStringLiteral("合言葉ソ表"));
}

void TestSettingsFile::saveKeepsOnlyRoundTrippingText_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("savedAddress");
    QTest::addColumn<QString>("savedPassword");

    const QString a = QStringLiteral("host"), p = QStringLiteral("pass");
    QTest::newRow("plain") << a << p << a << p;
    QTest::newRow("# in the password") << a << QStringLiteral("a#b") << a << QString();
    QTest::newRow("# in the address") << QStringLiteral("h#st") << p << QString() << p;
    QTest::newRow("CR") << a << QStringLiteral("a\rb") << a << QString();
    QTest::newRow("LF") << QStringLiteral("a\nb") << p << QString() << p;
    QTest::newRow("254 characters") << a << QString(254, QLatin1Char('p')) << a << QString(254, QLatin1Char('p'));
    QTest::newRow("255 characters") << a << QString(255, QLatin1Char('p')) << a << QString();
    QTest::newRow("not in cp932") << QStringLiteral("호스트") << QStringLiteral("pass😀") << QString() << QString();
    QTest::newRow("@ is harmless") << a << QStringLiteral("a@b") << a << QStringLiteral("a@b");
}

void TestSettingsFile::saveKeepsOnlyRoundTrippingText()
{
    QFETCH(QString, address);
    QFETCH(QString, password);
    QFETCH(QString, savedAddress);
    QFETCH(QString, savedPassword);

    test::ShellFixture fx;
    const QString folder = settings::findProgramFolder(fx.dir.path());
    Settings v;
    v.peerAddress = address;
    v.savedPassword = password;
    v.peerPort = 1234;
    v.boardSizeCode = 1;
    settings::saveSettings(folder, v);

    const Settings loaded = settings::loadSettings(fx.s, folder);
    QCOMPARE(fx.dialogs.boxes(), 0);  // the written line always loads
    QCOMPARE(loaded.peerAddress, savedAddress);
    QCOMPARE(loaded.savedPassword, savedPassword);
    QCOMPARE(loaded.peerPort, 1234);
    QCOMPARE(loaded.boardSizeCode, 1);
}

void TestSettingsFile::failedWriteIsSilent()
{
    test::ShellFixture fx;
    const QString folder = settings::findProgramFolder(fx.dir.filePath(QStringLiteral("gone")));
    settings::saveSettings(folder, Settings{});
    QCOMPARE(fx.dialogs.boxes(), 0);
    QVERIFY(!QFile::exists(folder + settings::kSettingsFileName));
}

void TestSettingsFile::programFolder_data()
{
    QTest::addColumn<QString>("reported");
    QTest::addColumn<QString>("folder");
    QTest::newRow("no separator") << "/opt/moyuta" << "/opt/moyuta/";
    QTest::newRow("one separator") << "/opt/moyuta/" << "/opt/moyuta/";
    QTest::newRow("two separators") << "/opt/moyuta//" << "/opt/moyuta/";
    QTest::newRow("root") << "/" << "/";
}

void TestSettingsFile::programFolder()
{
    QFETCH(QString, reported);
    QFETCH(QString, folder);
    QCOMPARE(settings::findProgramFolder(reported), QDir::toNativeSeparators(folder));
}

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
