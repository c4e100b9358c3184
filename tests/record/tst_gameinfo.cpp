// Game information: read from an SGF root node (escapes, encodings, bounds),
// written back when the record is saved as SGF, its dialog and the window
// title that names the players, and the one notice of a ".nig" save.
#include "Cp932.h"
#include "RecordFixture.h"
#include "SgfRead.h"

#include <QtTest>

using namespace moyuta;

namespace moyuta {
// How QCOMPARE shows two informations that differ.
char *toString(const GameInfo &i)
{
    const QStringList fields{i.black, i.white, i.date, i.komi, i.handicap, i.result, i.gameName, i.place, i.comment};
    return qstrdup(("{" + fields.join(QStringLiteral("|")) + "}").toUtf8().constData());
}
}  // namespace moyuta

class TestGameInfo : public QObject {
    Q_OBJECT
private slots:
    void readFromRoot_data();
    void readFromRoot();
    void savedAndOpenedAgain_data();
    void savedAndOpenedAgain();
    void openingReplacesIt_data();
    void openingReplacesIt();
    void recordingStarts_data();
    void recordingStarts();
    void dialogCommand_data();
    void dialogCommand();
    void title_data();
    void title();
    void nigSaveTellsOnce();
};

namespace {

const QString kNigNotice = QStringLiteral("対局情報は「.nig」ファイルには保存されません。");

// The nine fields in the dialog's order: 黒番 白番 日付 コミ 置石 結果 対局名 場所 メモ.
GameInfo info(const QStringList &f)
{
    GameInfo i;
    i.black = f.value(0);
    i.white = f.value(1);
    i.date = f.value(2);
    i.komi = f.value(3);
    i.handicap = f.value(4);
    i.result = f.value(5);
    i.gameName = f.value(6);
    i.place = f.value(7);
    i.comment = f.value(8);
    return i;
}

QByteArray game(const QString &root) { return QStringLiteral("(;FF[4]GM[1]SZ[19]%1;B[dd];W[pd])").arg(root).toUtf8(); }

}  // namespace

void TestGameInfo::readFromRoot_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<GameInfo>("expected");

    QTest::newRow("every field") << game("PB[山田]PW[佐藤]DT[2026-12-10]KM[6.5]HA[2]RE[B+R]GN[名人戦]PC[東京]GC[メモ]")
                                 << info({"山田", "佐藤", "2026-12-10", "6.5", "2", "B+R", "名人戦", "東京", "メモ"});
    QTest::newRow("escaped ] and \\") << game("PB[a\\]b]PW[c\\\\d]GC[e\\]\\\\f]")
                                      << info({"a]b", "c\\d", {}, {}, {}, {}, {}, {}, "e]\\f"});
    QTest::newRow("soft line breaks vanish") << game("PB[山\\\n田]GC[一\\\r\n行]")
                                             << info({"山田", {}, {}, {}, {}, {}, {}, {}, "一行"});
    QTest::newRow("line breaks: kept in the note, a space in a name")
        << game("PB[山田\n太郎]GC[一行目\r\n二行目\r三行目]")
        << info({"山田 太郎", {}, {}, {}, {}, {}, {}, {}, "一行目\n二行目\n三行目"});
    QTest::newRow("GN before EV") << game("EV[本因坊戦]GN[第1局]") << info({{}, {}, {}, {}, {}, {}, "第1局"});
    QTest::newRow("EV when no GN") << game("EV[本因坊戦]") << info({{}, {}, {}, {}, {}, {}, "本因坊戦"});
    QTest::newRow("HA that is no number") << game("HA[two]KM[6.5]") << info({{}, {}, {}, "6.5"});
    QTest::newRow("HA out of range") << game("HA[400]") << GameInfo{};
    QTest::newRow("only the root's") << QByteArray("(;SZ[19]PB[黒];B[dd]PW[白]GC[後])") << info({"黒"});
    const QString names = QStringLiteral("ソ表");  // cp932 bytes holding "\" and "]"
    const QString sjis = QStringLiteral("(;FF[4]GM[1]%1SZ[19]PB[%2]PW[%2\\]]GC[%2];B[dd])");
    QTest::newRow("cp932 without CA") << toCp932(sjis.arg(QString(), names))
                                      << info({names, names + "]", {}, {}, {}, {}, {}, {}, names});
    QTest::newRow("cp932, CA[Shift_JIS]") << toCp932(sjis.arg(QStringLiteral("CA[Shift_JIS]"), names))
                                          << info({names, names + "]", {}, {}, {}, {}, {}, {}, names});
    QTest::newRow("UTF-8, CA[UTF-8]") << sjis.arg(QStringLiteral("CA[UTF-8]"), names).toUtf8()
                                      << info({names, names + "]", {}, {}, {}, {}, {}, {}, names});
    QTest::newRow("over-long fields are cut")
        << game(QStringLiteral("PB[%1]GC[%2]").arg(QString(5000, u'黒'), QString(3000, u'x')))
        << info({QString(record::kMaxInfoChars, u'黒'), {}, {}, {}, {}, {}, {}, {}, QString(record::kMaxInfoChars, u'x')});
}

void TestGameInfo::readFromRoot()
{
    QFETCH(QByteArray, bytes);
    QFETCH(GameInfo, expected);

    const record::SgfRecord r = record::readSgf(bytes);
    QCOMPARE(r.result, record::SgfResult::Ok);
    QCOMPARE(r.info, expected);
}

void TestGameInfo::savedAndOpenedAgain_data()
{
    QTest::addColumn<GameInfo>("typed");

    QTest::newRow("every field") << info({"山田", "佐藤", "2026-12-10", "6.5", "2", "W+2.5", "名人戦", "東京", "メモ"});
    QTest::newRow("escapes and lines") << info({"a]b\\", "[c]", {}, {}, {}, {}, "x\\]y", {}, "一行目\\\n二行目]\n三"});
    QTest::newRow("one player") << info({{}, "佐藤"});
    QTest::newRow("longest fields") << info({QString(record::kMaxInfoChars, u']'), {}, {}, {}, {}, {}, {}, {},
                                             QString(record::kMaxInfoChars, u'\\')});
}

// Typed in the dialog, saved as SGF, opened again through the open command.
void TestGameInfo::savedAndOpenedAgain()
{
    QFETCH(GameInfo, typed);

    test::RecordFixture fx;
    test::keepRecord(fx.s, {"1,60,0,1", "2,72,0,2"});
    fx.dialogs.gameInfoTyped = typed;
    record::onGameInfo(fx.s);
    fx.saveAs(QStringLiteral("game.sgf"));
    QVERIFY(fx.dialogs.warnings.isEmpty());
    QCOMPARE(fx.dialogs.notices, QStringList{QStringLiteral("記録ファイルを保存しました。")});

    test::RecordFixture again;
    again.writeFile(QStringLiteral("game.sgf"), fx.readFile(QStringLiteral("game.sgf")));
    again.open(QStringLiteral("game.sgf"));
    QVERIFY(again.dialogs.warnings.isEmpty());
    QCOMPARE(again.s.record.info, typed);
    QCOMPARE(again.form().frmMain.caption, fx.form().frmMain.caption);
    QCOMPARE(again.s.moves.gameRecord, (QStringList{"1,60,0,1", "2,72,0,2"}));
}

void TestGameInfo::openingReplacesIt_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<GameInfo>("expected");

    QTest::newRow("a .nig file has none") << "game.nig" << QByteArray("1,60,0,1\r\n") << GameInfo{};
    QTest::newRow("an SGF file without any") << "game.sgf" << game({}) << GameInfo{};
    QTest::newRow("an SGF file's own") << "game.sgf" << game("PW[佐藤]") << info({{}, "佐藤"});
    QTest::newRow("a file refused") << "game.sgf" << QByteArray("(;GM[1]SZ[7]PB[山田];B[aa])") << GameInfo{};
    QTest::newRow("no file chosen keeps it") << QString() << QByteArray() << info({"前の黒", "前の白"});
}

void TestGameInfo::openingReplacesIt()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(GameInfo, expected);

    test::RecordFixture fx;
    record::takeGameInfo(fx.s, info({"前の黒", "前の白"}));
    if (name.isEmpty()) {
        record::onOpen(fx.s);  // the file dialog cancelled
    } else {
        fx.writeFile(name, bytes);
        fx.open(name);
    }
    QCOMPARE(fx.s.record.info, expected);
    QCOMPARE(fx.form().frmMain.caption, record::windowTitle(expected));
}

void TestGameInfo::recordingStarts_data()
{
    QTest::addColumn<QString>("before");  // what came before 記録
    QTest::addColumn<GameInfo>("kept");

    QTest::newRow("an opened file: its information goes") << "opened" << GameInfo{};
    QTest::newRow("an opened file replayed and left: it goes") << "replayed" << GameInfo{};
    QTest::newRow("an opened file, then typed: it stays") << "opened, typed" << info({"鈴木", "佐藤"});
    QTest::newRow("typed: it stays") << "typed" << info({"鈴木", "佐藤"});
}

void TestGameInfo::recordingStarts()
{
    QFETCH(QString, before);
    QFETCH(GameInfo, kept);

    test::RecordFixture fx;
    if (before.startsWith(QLatin1String("opened")) || before == QLatin1String("replayed")) {
        fx.writeFile(QStringLiteral("game.sgf"), game("PB[山田]PW[佐藤]"));
        fx.open(QStringLiteral("game.sgf"));
        QCOMPARE(fx.s.record.info, info({"山田", "佐藤"}));
    }
    if (before == QLatin1String("replayed")) {
        for (int press = 0; press < 3; ++press)  // two moves, then No to replaying again
            record::onReplay(fx.s);
        QVERIFY(fx.s.moves.gameRecord.isEmpty());
    }
    if (before.endsWith(QLatin1String("typed"))) {
        fx.dialogs.gameInfoTyped = info({"鈴木", "佐藤"});
        record::onGameInfo(fx.s);
    }
    fx.dialogs.answers = {Answer::Yes, Answer::Yes, Answer::Yes};
    record::onRecord(fx.s);
    QVERIFY(fx.s.moves.recording);
    QCOMPARE(fx.s.record.info, kept);
    QCOMPARE(fx.form().frmMain.caption, record::windowTitle(kept));
}

void TestGameInfo::dialogCommand_data()
{
    QTest::addColumn<bool>("ok");
    QTest::addColumn<GameInfo>("typed");
    QTest::addColumn<GameInfo>("kept");

    const GameInfo before = info({"山田", "佐藤"});
    QTest::newRow("OK") << true << info({"鈴木", {}, "2026-12-11"}) << info({"鈴木", {}, "2026-12-11"});
    QTest::newRow("キャンセル") << false << GameInfo{} << before;
    QTest::newRow("OK, emptied") << true << GameInfo{} << GameInfo{};
    QTest::newRow("OK, too long") << true << info({QString(2000, u'a')}) << info({QString(record::kMaxInfoChars, u'a')});
}

void TestGameInfo::dialogCommand()
{
    QFETCH(bool, ok);
    QFETCH(GameInfo, typed);
    QFETCH(GameInfo, kept);

    test::RecordFixture fx;
    record::takeGameInfo(fx.s, info({"山田", "佐藤"}));
    if (ok)
        fx.dialogs.gameInfoTyped = typed;
    record::onGameInfo(fx.s);
    QCOMPARE(fx.dialogs.gameInfoShown, QList<GameInfo>{info({"山田", "佐藤"})});
    QCOMPARE(fx.s.record.info, kept);
    QCOMPARE(fx.form().frmMain.caption, record::windowTitle(kept));

    // Not over another handler's question.
    fx.s.flags.busy = true;
    record::onGameInfo(fx.s);
    QCOMPARE(fx.dialogs.gameInfoShown.size(), 1);
}

void TestGameInfo::title_data()
{
    QTest::addColumn<GameInfo>("known");
    QTest::addColumn<QString>("title");

    QTest::newRow("both players") << info({"山田", "佐藤"}) << QStringLiteral("Moyuta — 黒 山田 / 白 佐藤");
    QTest::newRow("black only") << info({"山田"}) << QStringLiteral("Moyuta — 黒 山田");
    QTest::newRow("white only") << info({{}, "佐藤"}) << QStringLiteral("Moyuta — 白 佐藤");
    QTest::newRow("no player") << info({{}, {}, "2026-12-10", "6.5"}) << QStringLiteral("Moyuta");
}

void TestGameInfo::title()
{
    QFETCH(GameInfo, known);
    QFETCH(QString, title);

    test::Fixture fx;
    QCOMPARE(fx.form().frmMain.caption, QStringLiteral("Moyuta"));
    fx.dialogs.gameInfoTyped = known;
    record::onGameInfo(fx.s);
    QCOMPARE(fx.form().frmMain.caption, title);
}

// The ".nig" file stays as it always was; the user hears once per
// information that it is not in there.
void TestGameInfo::nigSaveTellsOnce()
{
    test::RecordFixture fx;
    const QStringList record{"1,60,0,1", "2,72,0,2"};
    const QString saved = QStringLiteral("記録ファイルを保存しました。");
    struct Step {
        GameInfo info;
        QStringList notices;
    };
    const Step steps[] = {{GameInfo{}, {saved}},
                          {info({"山田"}), {kNigNotice, saved}},
                          {info({"山田"}), {saved}},
                          {info({"山田", "佐藤"}), {kNigNotice, saved}}};
    for (const Step &step : steps) {
        record::takeGameInfo(fx.s, step.info);
        fx.dialogs.notices.clear();
        test::keepRecord(fx.s, record);
        fx.saveAs(QStringLiteral("game.nig"));
        QCOMPARE(fx.dialogs.notices, step.notices);
        QCOMPARE(fx.readFile(QStringLiteral("game.nig")), record::recordFileText(record));
        QCOMPARE(fx.s.record.info, step.info);  // kept for an SGF save
    }
}

QTEST_MAIN(TestGameInfo)
#include "tst_gameinfo.moc"
