// The ".nig" record file: exact bytes, reading, the open command's checks, saving.
#include "RecordFixture.h"

#include <QBuffer>
#include <QtTest>

using namespace moyuta;

class TestRecordFile : public QObject {
    Q_OBJECT
private slots:
    void bytesWritten_data();
    void bytesWritten();
    void linesRead_data();
    void linesRead();
    void openChecks_data();
    void openChecks();
    void hugeFileRefusedPromptly_data();
    void hugeFileRefusedPromptly();
    void numberingScan_data();
    void numberingScan();
    void saveOutcomes_data();
    void saveOutcomes();
    void readOnlyFileNotReplaced();
    void openAsks_data();
    void openAsks();
    void replayCommandFollowsOpen();
    void openedFileLeaves_data();
    void openedFileLeaves();
    void savedGameOpensTheSame();
};

void TestRecordFile::bytesWritten_data()
{
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("three entries") << QStringList{"1,60,0,1", "2,72,0,2", "0,60,1,1"}
                                   << QByteArray("1,60,0,1\r\n2,72,0,2\r\n0,60,1,1\r\n");
    QTest::newRow("empty record") << QStringList() << QByteArray("\r\n");
    QTest::newRow("trailing empty entries vanish") << QStringList{"1,60,0,1", "", ""} << QByteArray("1,60,0,1\r\n");
}

void TestRecordFile::bytesWritten()
{
    QFETCH(QStringList, record);
    QFETCH(QByteArray, bytes);

    test::RecordFixture fx;
    test::keepRecord(fx.s, record);
    fx.saveAs(QStringLiteral("game.nig"));
    QCOMPARE(fx.readFile(QStringLiteral("game.nig")), bytes);
    QCOMPARE(fx.dialogs.fileDialogs, QStringList{QStringLiteral("save NIGファイル(*.nig);;SGFファイル(*.sgf)")});
}

void TestRecordFile::linesRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("refused");

    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << 10 << QStringList{"a", "b"} << false;
    QTest::newRow("lone CR and lone LF") << QByteArray("a\rb\nc\r\n") << 10 << QStringList{"a", "b", "c"} << false;
    QTest::newRow("blank line kept") << QByteArray("a\r\n\r\n") << 10 << QStringList{"a", ""} << false;
    QTest::newRow("text after the last line end") << QByteArray("a\r\nb") << 10 << QStringList{"a", "b"} << false;
    QTest::newRow("LF then CR is two ends") << QByteArray("a\n\r") << 10 << QStringList{"a", ""} << false;
    QTest::newRow("stops at the limit") << QByteArray("1\r\n2\r\n3\r\n4\r\n") << 3 << QStringList{"1", "2", "3"} << false;
    QTest::newRow("1 KiB of a long line") << QByteArray(5000, 'x') + "\r\n1,2,0,0" << 10
                                          << QStringList{QString(1024, QLatin1Char('x')), "1,2,0,0"} << false;
    // Reading ends after maxLines times 1 KiB and a line end.
    QTest::newRow("a line running past the bound") << "1,2,0,0\r\n" + QByteArray(3000, '\0') << 2 << QStringList()
                                                   << true;
    QTest::newRow("a last line ending at the bound") << QByteArray(2 * 1026, 'x') << 2
                                                     << QStringList{QString(1024, QLatin1Char('x'))} << false;
    QTest::newRow("the lines end first") << "1\r\n2\r\n" + QByteArray(5000, 'x') << 2 << QStringList{"1", "2"}
                                         << false;
}

void TestRecordFile::linesRead()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, maxLines);
    QFETCH(QStringList, lines);
    QFETCH(bool, refused);

    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const std::optional<QStringList> read = record::readRecordLines(buffer, maxLines);
    QCOMPARE(!read, refused);
    if (read)
        QCOMPARE(*read, lines);
}

void TestRecordFile::openChecks_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("warning");  // empty: accepted

    QByteArray lines500, lines501;
    for (int i = 0; i < 500; ++i)
        lines500 += "1," + QByteArray::number(i % 361) + ",0,0\r\n";
    lines501 = lines500 + "2,5,0,0\r\n";
    const QString tooMany = QStringLiteral("500手を超えるファイルです。");
    const QString format = QStringLiteral("ファイルを開けない、もしくはファイルの形式が違います。");

    QTest::newRow("500 lines") << lines500 << QString();
    QTest::newRow("501 lines") << lines501 << tooMany;
    QTest::newRow("500 lines and a blank one") << lines500 + "\r\n" << tooMany;
    QTest::newRow("first line 1,300,0,9") << QByteArray("1,300,0,9\r\n") << QString();
    QTest::newRow("first line 1,300,0,10") << QByteArray("1,300,0,10\r\n") << QString();
    QTest::newRow("first line 1,100,0,50 (start number 50)") << QByteArray("1,100,0,50\r\n") << QString();
    QTest::newRow("first line of 11") << QByteArray("1,100,0,999\r\n") << QString();
    QTest::newRow("first line 10,3,0,1") << QByteArray("10,3,0,1\r\n") << format;
    QTest::newRow("first line of 6") << QByteArray("1,3,01\r\n") << format;
    QTest::newRow("first line of 12") << QByteArray("1,100,0,1000\r\n") << format;
    QTest::newRow("empty first line") << QByteArray("\r\n1,60,0,1\r\n") << format;
    QTest::newRow("one-character first line") << QByteArray("1\r\n") << format;
}

void TestRecordFile::openChecks()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, warning);

    test::RecordFixture fx;
    fx.writeFile(QStringLiteral("r.nig"), file);
    fx.open(QStringLiteral("r.nig"));
    QCOMPARE(fx.dialogs.fileDialogs, QStringList{QStringLiteral("open 記録ファイル(*.nig *.sgf);;NIGファイル(*.nig);;SGFファイル(*.sgf)")});
    if (warning.isEmpty()) {
        QVERIFY(fx.dialogs.warnings.isEmpty());
        QVERIFY(!fx.s.moves.gameRecord.isEmpty());
        QVERIFY(fx.s.moves.recordFileLoaded);
        QVERIFY(fx.form().cmdF.enabled);
    } else {
        QCOMPARE(fx.dialogs.warnings, QStringList{warning});
        QVERIFY(fx.s.moves.gameRecord.isEmpty());
        QVERIFY(fx.s.moves.takeBackHistory.isEmpty());
        QVERIFY(!fx.s.moves.recordFileLoaded);
        QVERIFY(!fx.s.record.tooManyLines);
        QVERIFY(!fx.form().cmdF.enabled);
    }
}

void TestRecordFile::hugeFileRefusedPromptly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<qint64>("size");  // grown to this with NUL bytes (sparse where the folder allows)
    QTest::addColumn<QString>("warning");

    const QString format = QStringLiteral("ファイルを開けない、もしくはファイルの形式が違います。");
    const QByteArray firstLine = "1,60,0,0\r\n";
    QTest::newRow(".nig, a second line of 600 KB") << "r.nig" << firstLine << qint64(600'000) << format;
    QTest::newRow(".nig, a second line of 8 GiB") << "r.nig" << firstLine << (qint64(8) << 30) << format;
    QTest::newRow("SGF of 8 GiB") << "r.sgf" << QByteArray("(;FF[4]SZ[19];B[aa]") << (qint64(8) << 30)
                                  << QStringLiteral("SGFファイルを読み込めませんでした。");
}

void TestRecordFile::hugeFileRefusedPromptly()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, start);
    QFETCH(qint64, size);
    QFETCH(QString, warning);

    test::RecordFixture fx;
    fx.writeFile(name, start);
    QVERIFY(QFile::resize(fx.path(name), size));
    QElapsedTimer timer;
    timer.start();
    fx.open(name);
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QStringLiteral("took %1 ms").arg(timer.elapsed())));
    QCOMPARE(fx.dialogs.warnings, QStringList{warning});
    QVERIFY(fx.s.moves.gameRecord.isEmpty());
    QVERIFY(!fx.s.moves.recordFileLoaded);
}

void TestRecordFile::numberingScan_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("numbering");

    QTest::newRow("only number 10") << QByteArray("2,72,0,0\r\n1,60,0,10\r\n") << false;
    QTest::newRow("an entry ending in 7") << QByteArray("1,60,0,0\r\n2,72,0,7\r\n") << true;
    QTest::newRow("odd entries do not stop the scan") << QByteArray("1,60,0,0\r\n\r\n1,61,0,x\r\n1,62,0,3\r\n") << true;
    QTest::newRow("nothing numbered") << QByteArray("1,60,0,0\r\n3,62,0,0\r\n") << false;
}

void TestRecordFile::numberingScan()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, numbering);

    test::RecordFixture fx;
    fx.writeFile(QStringLiteral("r.nig"), file);
    fx.open(QStringLiteral("r.nig"));
    QCOMPARE(fx.s.board.numberStones, numbering);
    QCOMPARE(fx.form().chkNumberStones.checked, numbering);
    QCOMPARE(fx.dialogs.notices, numbering ? QStringList() : QStringList{QStringLiteral("ファイルを開きました。")});
}

void TestRecordFile::saveOutcomes_data()
{
    QTest::addColumn<QString>("name");  // empty: the dialog is cancelled
    QTest::addColumn<bool>("opened");   // the record came from a file
    QTest::addColumn<QStringList>("warnings");
    QTest::addColumn<bool>("written");

    const QString failed = QStringLiteral("記録ファイルを保存出来ませんでした。");
    QTest::newRow("saved") << "game.nig" << false << QStringList() << true;
    QTest::newRow("opened file saved") << "game.nig" << true << QStringList() << true;
    QTest::newRow("cancelled") << QString() << true << QStringList{failed} << false;
    QTest::newRow("game.NIG") << "game.NIG" << true << QStringList{QStringLiteral("拡張子が「.nig」以外は扱えません。"), failed} << false;
    QTest::newRow("no extension") << "game" << false << QStringList{QStringLiteral("拡張子が「.nig」以外は扱えません。"), failed} << false;
    QTest::newRow("folder that is not there") << "none/game.nig" << true << QStringList{failed} << false;
}

void TestRecordFile::saveOutcomes()
{
    QFETCH(QString, name);
    QFETCH(bool, opened);
    QFETCH(QStringList, warnings);
    QFETCH(bool, written);

    test::RecordFixture fx;
    const QStringList record{"1,60,0,1", "2,72,0,2"};
    if (opened) {
        fx.writeFile(QStringLiteral("opened.nig"), "1,60,0,1\r\n2,72,0,2\r\n");
        fx.open(QStringLiteral("opened.nig"));
        QVERIFY(fx.s.moves.recordFileLoaded);
        QCOMPARE(fx.s.moves.gameRecord, record);
        fx.dialogs.notices.clear();
    } else {
        test::keepRecord(fx.s, record);  // as a recorded game leaves it
    }
    fx.dialogs.answers = {Answer::Yes};
    if (!name.isEmpty())
        fx.dialogs.fileNames = {fx.path(name)};
    record::onSaveAs(fx.s);

    QCOMPARE(fx.dialogs.warnings, warnings);
    QCOMPARE(!name.isEmpty() && QFile::exists(fx.path(name)), written);
    QVERIFY(fx.form().cmdFileOpen.enabled);
    if (written) {
        QCOMPARE(fx.dialogs.notices, QStringList{QStringLiteral("記録ファイルを保存しました。")});
        // A recorded game leaves memory; an opened file stays open, to be saved again.
        QCOMPARE(fx.s.moves.gameRecord, opened ? record : QStringList());
        QCOMPARE(fx.s.moves.recordFileLoaded, opened);
        QCOMPARE(fx.form().cmdNewSave.enabled, opened);
    } else {
        QCOMPARE(fx.s.moves.gameRecord, record);  // kept: save-as can be tried again
        QCOMPARE(fx.s.moves.recordFileLoaded, opened);
        QVERIFY(fx.form().cmdNewSave.enabled);
    }
}

void TestRecordFile::readOnlyFileNotReplaced()
{
    test::RecordFixture fx;
    fx.writeFile(QStringLiteral("old.nig"), "1,1,0,0\r\n");
    QVERIFY(QFile::setPermissions(fx.path(QStringLiteral("old.nig")), QFile::ReadOwner | QFile::ReadGroup));
    test::keepRecord(fx.s, QStringList{"2,2,0,0"});
    fx.saveAs(QStringLiteral("old.nig"));
    QCOMPARE(fx.dialogs.warnings, QStringList{QStringLiteral("記録ファイルを保存出来ませんでした。")});
    QCOMPARE(fx.readFile(QStringLiteral("old.nig")), QByteArray("1,1,0,0\r\n"));
    QCOMPARE(fx.s.moves.gameRecord, QStringList{"2,2,0,0"});
}

void TestRecordFile::openAsks_data()
{
    QTest::addColumn<bool>("recordInMemory");
    QTest::addColumn<bool>("stoneOnBoard");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question");  // empty: none
    QTest::addColumn<bool>("opened");

    const QString unsaved = QStringLiteral("記録したデータ、または開いたファイルがあります、保存していない場合は消えてしまいますがファイルを開きますか？");
    const QString board = QStringLiteral("盤面に石または文字または記号などがあります、クリアーしますか？");
    QTest::newRow("empty board") << false << false << int(Answer::No) << QString() << true;
    QTest::newRow("stone, yes") << false << true << int(Answer::Yes) << board << true;
    QTest::newRow("stone, no") << false << true << int(Answer::No) << board << false;
    QTest::newRow("record kept, cancel") << true << true << int(Answer::Cancel) << unsaved << false;
    QTest::newRow("record kept, yes") << true << false << int(Answer::Yes) << unsaved << true;
}

void TestRecordFile::openAsks()
{
    QFETCH(bool, recordInMemory);
    QFETCH(bool, stoneOnBoard);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(bool, opened);

    test::RecordFixture fx;
    if (stoneOnBoard)
        fx.left(pointIndex(9, 9));
    if (recordInMemory)
        test::keepRecord(fx.s, QStringList{"1,5,0,0"});
    fx.writeFile(QStringLiteral("r.nig"), "1,60,0,0\r\n");
    fx.dialogs.answers = {Answer(answer)};
    fx.open(QStringLiteral("r.nig"));
    QCOMPARE(fx.dialogs.questions, question.isEmpty() ? QStringList() : QStringList{question});
    QCOMPARE(fx.s.moves.gameRecord == QStringList{"1,60,0,0"}, opened);
    QCOMPARE(board::boardHasContent(fx.s), stoneOnBoard && !opened);
    QVERIFY(!fx.s.flags.busy);
}

void TestRecordFile::replayCommandFollowsOpen()
{
    test::RecordFixture fx;
    fx.writeFile(QStringLiteral("good.nig"), "1,60,0,0\r\n");
    fx.writeFile(QStringLiteral("bad.nig"), "10,3,0,1\r\n");
    fx.open(QStringLiteral("good.nig"));
    QVERIFY(fx.form().cmdF.enabled);
    QVERIFY(fx.form().cmdNewSave.enabled);
    fx.dialogs.answers = {Answer::Yes};
    fx.open(QStringLiteral("bad.nig"));
    QVERIFY(!fx.form().cmdF.enabled);
    QVERIFY(!fx.form().cmdNewSave.enabled);
    QVERIFY(fx.s.moves.gameRecord.isEmpty());

    // Opening does nothing while recording.
    fx.startRecording();
    fx.open(QStringLiteral("good.nig"));
    QVERIFY(fx.s.moves.gameRecord.isEmpty());
    QCOMPARE(fx.dialogs.fileDialogs.size(), 2);
}

void TestRecordFile::openedFileLeaves_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("recording starts") << "record";
    QTest::newRow("a press on the board") << "press";
    QTest::newRow("the replay is left") << "leave";
    QTest::newRow("another open is cancelled") << "cancel";
}

// Once the opened record is gone, nothing is left to save and a later save
// is of a new record.
void TestRecordFile::openedFileLeaves()
{
    QFETCH(QString, way);

    test::RecordFixture fx;
    fx.writeFile(QStringLiteral("r.nig"), "1,60,0,1\r\n");
    fx.open(QStringLiteral("r.nig"));
    QVERIFY(fx.s.moves.recordFileLoaded && fx.form().cmdNewSave.enabled);
    fx.dialogs.answers = {Answer::Yes};
    if (way == QLatin1String("record")) {
        record::onRecord(fx.s);
        QVERIFY(fx.s.moves.recording);
    } else if (way == QLatin1String("press")) {
        fx.left(100);
        QCOMPARE(fx.at(100), PointContent::Black);
    } else if (way == QLatin1String("leave")) {
        record::onReplay(fx.s);
        fx.dialogs.answers = {Answer::No};
        record::onReplay(fx.s);
        QCOMPARE(fx.s.moves.replayStep, 0);
    } else {
        record::onOpen(fx.s);  // the dialog is cancelled
        QCOMPARE(fx.dialogs.fileDialogs.size(), 2);
    }
    QVERIFY(fx.s.moves.gameRecord.isEmpty());
    QVERIFY(!fx.s.moves.recordFileLoaded);
    QVERIFY(!fx.form().cmdNewSave.enabled);
    QVERIFY(!fx.form().cmdF.enabled);
}

void TestRecordFile::savedGameOpensTheSame()
{
    test::RecordFixture fx;
    record::onRecord(fx.s);
    QVERIFY(fx.s.moves.recording);
    fx.form().chkNumberStones.setChecked(true);
    fx.left(pointIndex(3, 3));
    fx.left(pointIndex(15, 15));
    fx.form().Option1.select(2);  // 削除
    fx.left(pointIndex(3, 3));
    fx.form().chkOtherMarks.setChecked(true);
    fx.form().Option4.select(3);  // A (letters turn numbering off)
    fx.left(pointIndex(9, 9));
    const QStringList recorded = fx.s.moves.gameRecord;
    QCOMPARE(recorded, (QStringList{"1,60,0,1", "2,300,0,2", "0,60,1,1", "5,180,0,0"}));

    fx.dialogs.answers = {Answer::Yes};  // save at stop
    fx.dialogs.fileNames = {fx.path(QStringLiteral("g.nig"))};
    record::onRecord(fx.s);
    QVERIFY(!fx.s.moves.recording);
    QVERIFY(fx.s.moves.gameRecord.isEmpty());

    fx.dialogs.answers = {Answer::Yes};  // clear the board
    fx.open(QStringLiteral("g.nig"));
    QCOMPARE(fx.s.moves.gameRecord, recorded);
}

QTEST_MAIN(TestRecordFile)
#include "tst_recordfile.moc"
