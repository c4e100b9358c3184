// Start-up: what one run makes of the settings file, refused starts, start-up errors.
#include "Board.h"
#include "ExtraSettings.h"
#include "Options.h"
#include "Panel.h"
#include "ShellDoubles.h"

#include <QDir>
#include <QtTest>

using namespace moyuta;
using test::kDefaultLine;

namespace {

bool saveFileAt(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void oneRun_data();
    void oneRun();
    void appliedToWindow();
    void refused_data();
    void refused();
    void startupError();
    void password_data();
    void password();
    void networkFieldsAtShutDown_data();
    void networkFieldsAtShutDown();
    void extraSettingsFile_data();
    void extraSettingsFile();
    void coordinateStyleKept();
};

// "tool#sound#address#peer#own#colour#log#number#black#speed#showpw#cipher#password#size@"
void TestStartup::oneRun_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("no file") << QByteArray("-") << kDefaultLine;
    QTest::newRow("defaults") << kDefaultLine << kDefaultLine;
    QTest::newRow("damaged") << QByteArray("5#1#h@") << kDefaultLine;
    QTest::newRow("every correction") << QByteArray("5#1#host.example#1234#5678#9#3#1#7#400000#0#12##7@")
                                      << QByteArray("1#1#host.example#1234#5678#4#10#1#0#2000000#0#12##2@");
    QTest::newRow("mark tool 3, colour 8, log 4, black 5, size 3")
        << QByteArray("3#0#h#0#1#8#4#0#5#2000000#0#1##3@") << QByteArray("1#0#h#0#1#4#10#0#0#2000000#0#1##2@");
    QTest::newRow("edges kept: colour 7, log 5, black 4, 13 lines")
        << QByteArray("2#0#h#0#1#7#5#0#4#2000000#0#1##1@") << QByteArray("1#0#h#0#1#7#5#0#4#2000000#0#1##1@");
    QTest::newRow("speed 499999") << QByteArray("1#0#h#0#1#4#10#0#0#499999#0#1##0@")
                                  << QByteArray("1#0#h#0#1#4#10#0#0#2000000#0#1##0@");
    QTest::newRow("speed 50000001") << QByteArray("1#0#h#0#1#4#10#0#0#50000001#0#1##0@")
                                    << QByteArray("1#0#h#0#1#4#10#0#0#2000000#0#1##0@");
    QTest::newRow("unnamed speed 600000 kept")
        << QByteArray("1#0#h#0#1#4#10#0#0#600000#0#1##0@") << QByteArray("1#0#h#0#1#4#10#0#0#600000#0#1##0@");
    QTest::newRow("cipher 0") << QByteArray("1#0#h#0#1#4#10#0#0#2000000#0#0##0@")
                              << QByteArray("1#0#h#0#1#4#10#0#0#2000000#0#1##0@");
    QTest::newRow("cipher 31") << QByteArray("1#0#h#0#1#4#10#0#0#2000000#0#31##0@")
                               << QByteArray("1#0#h#0#1#4#10#0#0#2000000#0#1##0@");
    QTest::newRow("ports at the ends of 32 bits")
        << QByteArray("1#0#h#-2147483648#2147483647#4#10#0#0#2000000#0#1##0@")
        << QByteArray("1#0#h#-2147483648#2147483647#4#10#0#0#2000000#0#1##0@");
    QTest::newRow("negative ports") << QByteArray("1#0#h#-5#-1#4#10#0#0#2000000#0#1##0@")
                                    << QByteArray("1#0#h#-5#-1#4#10#0#0#2000000#0#1##0@");
    QTest::newRow("cipher 29") << QByteArray("1#0#h#0#1#4#10#0#0#2000000#0#29##0@")
                               << QByteArray("1#0#h#0#1#4#10#0#0#2000000#0#29##0@");
}

void TestStartup::oneRun()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, saved);

    test::ShellFixture fx;
    if (file != "-")
        fx.writeSettings(file);
    QCOMPARE(fx.startAndEndSession(), shell::StartResult::Running);
    QCOMPARE(fx.readSettings(), saved);
    QVERIFY(fx.dialogs.questions.isEmpty());
}

void TestStartup::appliedToWindow()
{
    test::ShellFixture fx;
    fx.writeSettings("2#1#peer#1234#5678#5#200#1#3#500000#1#30#  secret #1@");
    QCOMPARE(shell::startUp(fx.s), shell::StartResult::Running);

    const Form &f = fx.s.form;
    QCOMPARE(fx.windows.events, (QStringList{QStringLiteral("splash サーバーにアクセスしています…"),
                                             QStringLiteral("close splash"), QStringLiteral("show main")}));
    QCOMPARE(fx.sound.opens, 1);
    QCOMPARE(fx.s.board.boardSizeCode, int(Size13));
    QCOMPARE(f.Option3.selected, 1);
    QCOMPARE(f.Option1.selected, 0);  // a new game starts with black
    QCOMPARE(fx.s.board.currentTool, int(ToolBlack));
    QVERIFY(fx.s.shell.soundOff);
    QCOMPARE(f.OptSound.selected, 1);
    QCOMPARE(f.Combo1.text, QStringLiteral("濃緑色"));
    QCOMPARE(f.Combo1.items.size(), 8);
    QCOMPARE(fx.s.shell.boardColourIndex, 5);
    QCOMPARE(f.UpDown4.value, 200);
    QCOMPARE(f.lblLog.caption, QStringLiteral("200"));
    QCOMPARE(fx.s.shell.blackStoneColourIndex, 3);
    QCOMPARE(f.Option5.selected, 3);
    QCOMPARE(f.Combo3.text, QStringLiteral("非常に速い"));
    QCOMPARE(fx.s.shell.sendPacingCount, 500000);
    QCOMPARE(f.cboCipherNumber.text, QStringLiteral("1"));  // 30 is shown as 1
    QCOMPARE(f.cboCipherNumber.items.size(), 29);
    QVERIFY(f.chkNumberStones.checked);
    QVERIFY(fx.s.board.numberStones);
    QCOMPARE(f.txtPeerAddress.text, QStringLiteral("peer"));
    QCOMPARE(f.txtPeerPort.text, QStringLiteral("1234"));
    QCOMPARE(f.txtOwnPort.text, QStringLiteral("5678"));
    QVERIFY(f.Check3.checked);
    QCOMPARE(f.txtPassword.text, QStringLiteral("secret"));
    QCOMPARE(f.lblMax.caption, QStringLiteral("3"));
    QCOMPARE(fx.dialogs.boxes(), 0);  // the restored tick shows no notice
    QVERIFY(fx.s.shell.startupComplete);
}

void TestStartup::refused_data()
{
    QTest::addColumn<bool>("anotherCopy");
    QTest::addColumn<int>("folderLength");  // of the program folder, separator included
    QTest::addColumn<QString>("warning");   // empty: the start goes on

    QTest::newRow("another copy runs") << true << 0 << shell::kAlreadyRunning;
    QTest::newRow("folder of 231") << false << 231 << shell::kPathTooLong;
    QTest::newRow("folder of 230") << false << 230 << QString();
}

void TestStartup::refused()
{
    QFETCH(bool, anotherCopy);
    QFETCH(int, folderLength);
    QFETCH(QString, warning);

    test::ShellFixture fx;
    fx.program.anotherCopy = anotherCopy;
    if (folderLength) {
        QString folder = fx.dir.path() + QLatin1Char('/');
        while (folder.size() < folderLength - 1)
            folder += QLatin1Char('d');
        QVERIFY(QDir().mkpath(folder));
        fx.program.folder = folder;
    }
    const QByteArray line = "1#1#running-copy#1#2#3#10#0#0#2000000#0#1##1@";
    const QString file = settings::findProgramFolder(fx.program.folder) + settings::kSettingsFileName;
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(line);
    }

    const shell::StartResult result = fx.startAndEndSession();
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    if (warning.isEmpty()) {
        QCOMPARE(result, shell::StartResult::Running);
        QCOMPARE(fx.s.shell.settings.peerAddress, QStringLiteral("running-copy"));
        return;
    }
    QCOMPARE(result, shell::StartResult::Refused);
    QCOMPARE(fx.dialogs.warnings, QStringList{warning});
    QCOMPARE(fx.program.beeps, anotherCopy ? 1 : 0);
    QVERIFY(fx.s.shell.quitWithoutAsking);
    QVERIFY(!fx.windows.mainShown);
    QCOMPARE(f.readAll(), line);  // byte for byte as the running copy left it
    QVERIFY(!QFile::exists(settings::findProgramFolder(fx.program.folder) + settings::kExtraSettingsFileName));
}

void TestStartup::startupError()
{
    test::ShellFixture fx;
    fx.writeSettings("2#1#peer#1234#5678#5#200#1#3#500000#1#7#pw#1@");
    QVERIFY(saveFileAt(fx.dir.filePath(settings::kExtraSettingsFileName), "[network]\nclassicProtocol=true\n"));
    fx.news.fail = true;
    QCOMPARE(shell::startUp(fx.s), shell::StartResult::Failed);
    QVERIFY(!fx.windows.splashOpen);
    QVERIFY(fx.windows.events.contains(QStringLiteral("close news")));
    QCOMPARE(fx.dialogs.warnings, QStringList{shell::kStartupError});
    QVERIFY(!fx.windows.mainShown);

    // The window's values are not collected: the defaults are saved as they are.
    fx.s.form.txtPeerAddress.text = QStringLiteral("typed");
    board::switchToSize(fx.s, Size9);
    QVERIFY(shell::closeRequest(fx.s));
    QVERIFY(fx.dialogs.questions.isEmpty());
    shell::shutDown(fx.s);
    QCOMPARE(fx.readSettings(), kDefaultLine);
    QVERIFY(settings::loadExtraSettings(fx.s.shell.programFolder) == ExtraSettings{});
}

void TestStartup::password_data()
{
    QTest::addColumn<bool>("show");
    QTest::addColumn<QString>("typed");  // typed in this run; empty: not typed
    QTest::addColumn<QString>("field");  // the field after start-up
    QTest::addColumn<QString>("saved");

    QTest::newRow("shown, kept") << true << QString() << "secret" << "secret";
    QTest::newRow("shown, typed again") << true << " other " << "secret" << "other";
    QTest::newRow("hidden, lost at the end") << false << QString() << "" << "";
    QTest::newRow("hidden, typed again") << false << "again" << "" << "again";
}

void TestStartup::password()
{
    QFETCH(bool, show);
    QFETCH(QString, typed);
    QFETCH(QString, field);
    QFETCH(QString, saved);

    test::ShellFixture fx;
    fx.writeSettings(QByteArray("1#0#h#0#1#4#10#0#0#2000000#") + (show ? "1" : "0") + "#1# secret #0@");
    QCOMPARE(shell::startUp(fx.s), shell::StartResult::Running);
    QCOMPARE(fx.s.form.txtPassword.text, field);
    QCOMPARE(fx.s.shell.settings.savedPassword, QStringLiteral(" secret "));  // still there during the run
    if (!typed.isEmpty())
        fx.s.form.txtPassword.text = typed;
    fx.s.shell.sessionEnding = true;
    QVERIFY(shell::closeRequest(fx.s));
    shell::shutDown(fx.s);
    QVERIFY(fx.readSettings().endsWith("#1#" + saved.toLatin1() + "#0@"));
}

void TestStartup::networkFieldsAtShutDown_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("peerPort");
    QTest::addColumn<QString>("ownPort");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("as typed") << "10.0.0.2" << "1234" << "5678" << QByteArray("1#0#10.0.0.2#1234#5678#7#10#0#0#2000000#0#1##1@");
    QTest::newRow("IPv6, full length in brackets")
        << "[2001:0db8:85a3:0000:0000:8a2e:0370:7334]" << "1234" << "5678"
        << QByteArray("1#0#[2001:0db8:85a3:0000:0000:8a2e:0370:7334]#1234#5678#7#10#0#0#2000000#0#1##1@");
    QTest::newRow("empty address") << "" << "1234" << "5678" << QByteArray("1#0#192.168.0.0#1234#5678#7#10#0#0#2000000#0#1##1@");
    QTest::newRow("empty peer port") << "h" << "" << "5678" << QByteArray("1#0#h#0#5678#7#10#0#0#2000000#0#1##1@");
    // Only the port falls back; every other setting is kept.
    QTest::newRow("empty own port") << "h" << "1234" << "" << QByteArray("1#0#h#1234#1#7#10#0#0#2000000#0#1##1@");
}

void TestStartup::networkFieldsAtShutDown()
{
    QFETCH(QString, address);
    QFETCH(QString, peerPort);
    QFETCH(QString, ownPort);
    QFETCH(QByteArray, saved);

    test::ShellFixture fx;
    fx.writeSettings("1#0#x#1#2#7#10#0#0#2000000#0#1##1@");
    QCOMPARE(shell::startUp(fx.s), shell::StartResult::Running);
    fx.s.form.txtPeerAddress.text = address;
    fx.s.form.txtPeerPort.text = peerPort;
    fx.s.form.txtOwnPort.text = ownPort;
    fx.s.shell.sessionEnding = true;
    QVERIFY(shell::closeRequest(fx.s));
    shell::shutDown(fx.s);
    QCOMPARE(fx.readSettings(), saved);
}

void TestStartup::extraSettingsFile_data()
{
    QTest::addColumn<QByteArray>("ini");  // Moyuta.ini before the run; "-": none
    QTest::addColumn<bool>("restored");   // the classic box after start-up
    QTest::addColumn<bool>("tick");       // ticked by the user during the run
    QTest::addColumn<bool>("saved");

    const QByteArray ticked = "[network]\nclassicProtocol=true\n";
    QTest::newRow("no file") << QByteArray("-") << false << false << false;
    QTest::newRow("no file, ticked in the run") << QByteArray("-") << false << true << true;
    QTest::newRow("ticked last time") << ticked << true << true << true;
    QTest::newRow("ticked last time, unticked") << ticked << true << false << false;
    QTest::newRow("damaged") << QByteArray("\x00[network\nclassicProtocol=@") << false << false << false;
}

// Moyuta.ini beside AppData.dat: restored silently, saved at the end; the
// old file keeps its bytes.
void TestStartup::extraSettingsFile()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, restored);
    QFETCH(bool, tick);
    QFETCH(bool, saved);

    test::ShellFixture fx;
    network::installPanelHandlers(fx.s);
    const QString iniPath = fx.dir.filePath(settings::kExtraSettingsFileName);
    if (ini != "-")
        QVERIFY(saveFileAt(iniPath, ini));
    QCOMPARE(shell::startUp(fx.s), shell::StartResult::Running);
    QCOMPARE(fx.s.form.chkClassic.checked, restored);
    QCOMPARE(fx.s.session.classicProtocol, restored);
    fx.s.form.chkClassic.setChecked(tick);
    QCOMPARE(fx.s.session.classicProtocol, tick);
    fx.s.shell.sessionEnding = true;
    QVERIFY(shell::closeRequest(fx.s));
    shell::shutDown(fx.s);

    QCOMPARE(fx.dialogs.boxes(), 0);
    QCOMPARE(fx.readSettings(), kDefaultLine);
    QCOMPARE(settings::loadExtraSettings(fx.s.shell.programFolder).classicProtocol, saved);
}

// The coordinate style of the last run is on the options panel and the board
// from the start; one applied in this run is there the next time.
void TestStartup::coordinateStyleKept()
{
    test::ShellFixture fx;
    shell::installHandlers(fx.s);
    QVERIFY(saveFileAt(fx.dir.filePath(settings::kExtraSettingsFileName), "[board]\ncoordinates=2\n"));
    QCOMPARE(shell::startUp(fx.s), shell::StartResult::Running);
    QCOMPARE(fx.s.form.OptCoords.selected, int(CoordinatesLetters));
    QCOMPARE(fx.s.shell.extraSettings.coordinateStyle, int(CoordinatesLetters));

    shell::onOptionsOpen(fx.s);
    fx.s.form.OptCoords.select(CoordinatesJapanese);
    shell::onOptionsApply(fx.s);
    shell::onOptionsClose(fx.s);
    fx.s.shell.sessionEnding = true;
    QVERIFY(shell::closeRequest(fx.s));
    shell::shutDown(fx.s);
    QCOMPARE(settings::loadExtraSettings(fx.s.shell.programFolder).coordinateStyle, int(CoordinatesJapanese));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
