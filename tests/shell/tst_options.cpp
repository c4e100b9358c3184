// The options panel: what acts at once, what waits for 適用(&I), the colour
// in effect, and what opening and closing take away and give back.
#include "MemoryWire.h"
#include "Options.h"
#include "Panel.h"
#include "Record.h"
#include "Session.h"
#include "TestDoubles.h"

#include <QtTest>

using namespace moyuta;

class TestOptions : public QObject {
    Q_OBJECT
private slots:
    void typedAndClicked_data();
    void typedAndClicked();
    void picksWaitForApply_data();
    void picksWaitForApply();
    void colourInEffect();
    void coordinatesWaitForApply();
    void unnamedLineSpeedStays();
    void openAndCloseLocally();
    void openAndCloseDuringReplay();
    void closeDuringAndAfterANetworkGame();
    void notOpenedWhileRecordingOrHeld();
    void showPasswordNotice_data();
    void showPasswordNotice();
};

namespace {

struct OptionsFixture : test::Fixture {
    OptionsFixture()
    {
        shell::installHandlers(s);
        Form &f = s.form;
        for (const QString &name : kBoardColourNames)
            f.Combo1.items << name;
        for (const LineSpeed &speed : kLineSpeeds)
            f.Combo3.items << speed.name;
        shell::showValuesInEffect(s);
    }
};

}  // namespace

void TestOptions::typedAndClicked_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("fieldShows");
    QTest::addColumn<int>("value");  // the value in effect at once

    QTest::newRow("board colour named") << "board" << "濃緑色" << "濃緑色" << 5;
    QTest::newRow("board colour unknown") << "board" << "赤" << "濃橙色" << 4;
    QTest::newRow("line speed named") << "speed" << "遅い" << "遅い" << 10000000;
    QTest::newRow("line speed unknown") << "speed" << "速すぎ" << "普通" << 2000000;
    QTest::newRow("sound off") << "sound" << "1" << "" << 1;
    QTest::newRow("chat log 5") << "log" << "5" << "5" << 5;
    QTest::newRow("chat log below 5") << "log" << "3" << "5" << 5;
    QTest::newRow("chat log above 255") << "log" << "300" << "255" << 255;
}

void TestOptions::typedAndClicked()
{
    QFETCH(QString, what);
    QFETCH(QString, input);
    QFETCH(QString, fieldShows);
    QFETCH(int, value);

    OptionsFixture fx;
    Form &f = fx.s.form;
    fx.s.shell.sendPacingCount = 750000;
    shell::onOptionsOpen(fx.s);
    f.cmdTekiyou.enabled = false;  // as after an apply: see what enables it again
    if (what == QLatin1String("board")) {
        f.Combo1.type(input);
        QCOMPARE(f.Combo1.text, fieldShows);
        QCOMPARE(fx.s.shell.boardColourIndex, value);
        QCOMPARE(fx.s.boardColour(), kBoardColours[size_t(value)]);
    } else if (what == QLatin1String("speed")) {
        f.Combo3.type(input);
        QCOMPARE(f.Combo3.text, fieldShows);
        QCOMPARE(fx.s.shell.sendPacingCount, value);
    } else if (what == QLatin1String("sound")) {
        f.OptSound.select(input.toInt());
        QCOMPARE(int(fx.s.shell.soundOff), value);
        QVERIFY(f.cmdTekiyou.enabled);
        fx.s.playCueSound();
        QCOMPARE(fx.sound.plays, 0);  // silent before 適用(&I)
    } else {
        f.UpDown4.setValue(input.toInt());
        QCOMPARE(f.lblLog.caption, fieldShows);
        QCOMPARE(fx.s.shell.chatLogLimit, value);
        QVERIFY(f.cmdTekiyou.enabled);
    }
}

void TestOptions::picksWaitForApply_data()
{
    QTest::addColumn<bool>("apply");
    QTest::newRow("closed without 適用") << false;
    QTest::newRow("applied") << true;
}

void TestOptions::picksWaitForApply()
{
    QFETCH(bool, apply);
    OptionsFixture fx;
    Form &f = fx.s.form;
    shell::onOptionsOpen(fx.s);
    f.cmdTekiyou.enabled = false;
    f.Combo3.pick(QStringLiteral("非常に遅い"));
    f.Combo1.pick(QStringLiteral("薄水色"));
    QVERIFY(f.cmdTekiyou.enabled);
    QCOMPARE(fx.s.shell.sendPacingCount, 2000000);
    QCOMPARE(fx.s.shell.boardColourIndex, 4);
    if (apply) {
        shell::onOptionsApply(fx.s);
        QVERIFY(!f.cmdTekiyou.enabled);
    }
    shell::onOptionsClose(fx.s);
    QCOMPARE(fx.s.shell.sendPacingCount, apply ? 50000000 : 2000000);
    QCOMPARE(fx.s.shell.boardColourIndex, apply ? 3 : 4);
    // The lists show what is in effect.
    QCOMPARE(f.Combo3.text, apply ? QStringLiteral("非常に遅い") : QStringLiteral("普通"));
    QCOMPARE(f.Combo1.text, apply ? QStringLiteral("薄水色") : QStringLiteral("濃橙色"));
}

void TestOptions::colourInEffect()
{
    OptionsFixture fx;
    Form &f = fx.s.form;
    fx.left(60);
    QCOMPARE(fx.s.blackStoneColour(), kBlackStoneColours[0]);

    // 紺, then 赤, then close without 適用: the colour before opening.
    shell::onOptionsOpen(fx.s);
    f.Option5.select(2);
    f.Option5.select(3);
    QCOMPARE(fx.s.blackStoneColour(), kBlackStoneColours[0]);  // the board waits for 適用
    shell::onOptionsClose(fx.s);
    QCOMPARE(f.Option5.selected, 0);
    QCOMPARE(fx.s.shell.blackStoneColourIndex, 0);
    QCOMPARE(fx.s.blackStoneColour(), kBlackStoneColours[0]);

    // 緑 with 適用: every black stone turns green and stays so after a later
    // opening that changes nothing.
    shell::onOptionsOpen(fx.s);
    f.Option5.select(1);
    shell::onOptionsApply(fx.s);
    QCOMPARE(fx.s.blackStoneColour(), kBlackStoneColours[1]);
    shell::onOptionsClose(fx.s);
    shell::onOptionsOpen(fx.s);
    shell::onOptionsClose(fx.s);  // 適用(&I) is enabled by the opening
    QCOMPARE(f.Option5.selected, 1);
    QCOMPARE(fx.s.blackStoneColour(), kBlackStoneColours[1]);
}

// A coordinate style takes effect with 適用(&I); closing without it shows the
// style in effect again.
void TestOptions::coordinatesWaitForApply()
{
    OptionsFixture fx;
    Form &f = fx.s.form;
    shell::onOptionsOpen(fx.s);
    f.cmdTekiyou.enabled = false;
    f.OptCoords.select(CoordinatesJapanese);
    QVERIFY(f.cmdTekiyou.enabled);
    QCOMPARE(fx.s.shell.extraSettings.coordinateStyle, int(CoordinatesNone));
    shell::onOptionsClose(fx.s);
    QCOMPARE(f.OptCoords.selected, int(CoordinatesNone));
    QCOMPARE(fx.s.shell.extraSettings.coordinateStyle, int(CoordinatesNone));

    shell::onOptionsOpen(fx.s);
    f.OptCoords.select(CoordinatesLetters);
    shell::onOptionsApply(fx.s);
    QCOMPARE(fx.s.shell.extraSettings.coordinateStyle, int(CoordinatesLetters));
    shell::onOptionsClose(fx.s);
    QCOMPARE(f.OptCoords.selected, int(CoordinatesLetters));
    QCOMPARE(fx.s.shell.extraSettings.coordinateStyle, int(CoordinatesLetters));
}

void TestOptions::unnamedLineSpeedStays()
{
    OptionsFixture fx;
    Form &f = fx.s.form;
    fx.s.shell.sendPacingCount = 600000;  // in range, but none of the seven
    shell::showValuesInEffect(fx.s);
    QCOMPARE(f.Combo3.text, QString());
    shell::onOptionsOpen(fx.s);
    shell::onOptionsApply(fx.s);
    shell::onOptionsClose(fx.s);
    QCOMPARE(fx.s.shell.sendPacingCount, 600000);
    QCOMPARE(f.Combo3.text, QString());
}

void TestOptions::openAndCloseLocally()
{
    OptionsFixture fx;
    Form &f = fx.s.form;
    fx.left(60);
    f.chkNumberStones.setChecked(true);
    f.Option1.select(1);  // white
    const bool record = f.cmdRec.enabled, open = f.cmdFileOpen.enabled;
    shell::onOptionsOpen(fx.s);
    QVERIFY(fx.s.flags.panelOpen && f.fraOptions.visible && f.cmdTekiyou.enabled);
    for (const Control *c : std::initializer_list<const Control *>{&f.cmdOpt, &f.cmdNetwork, &f.cmdRec, &f.cmdBack,
                                                                  &f.txtSend, &f.Combo2, &f.Option1[0], &f.Option3[0]})
        QVERIFY2(!c->enabled, qPrintable(c->name));

    shell::onOptionsApply(fx.s);
    QVERIFY(fx.s.board.numberStones);
    shell::onOptionsClose(fx.s);
    QVERIFY(!fx.s.flags.panelOpen && !f.fraOptions.visible);
    QVERIFY(f.cmdNetwork.enabled && f.cmdOpt.enabled && f.Option3[0].enabled && f.Option2[0].enabled);
    QVERIFY(f.Combo2.enabled);
    QVERIFY(f.cmdBack.enabled);  // the board has a stone
    QVERIFY(!f.cmdStart.enabled && !f.cmdTouryou.enabled);
    QCOMPARE(f.cmdRec.enabled, record);
    QCOMPARE(f.cmdFileOpen.enabled, open);
    QCOMPARE(f.Option1.selected, 0);  // back on 黒(&D)
    QCOMPARE(fx.s.board.currentTool, int(ToolBlack));
}

// The panel gives back what local play has, but not what a running replay holds.
void TestOptions::openAndCloseDuringReplay()
{
    OptionsFixture fx;
    Form &f = fx.s.form;
    record::onRecord(fx.s);  // 記録
    fx.left(60);
    fx.left(72);
    record::onRecord(fx.s);  // stopped; the record is not saved
    fx.dialogs.answers.push_back(Answer::Yes);  // the board is emptied for the replay
    record::onReplay(fx.s);
    QCOMPARE(fx.s.moves.replayStep, 1);

    shell::onOptionsOpen(fx.s);
    shell::onOptionsClose(fx.s);
    QVERIFY(!f.chkOtherMarks.enabled);
    QVERIFY(!f.Option3[0].enabled && !f.cmdBack.enabled);
    record::onReplay(fx.s);
    QCOMPARE(fx.s.moves.replayStep, 2);
}

void TestOptions::closeDuringAndAfterANetworkGame()
{
    OptionsFixture fx;
    Form &f = fx.s.form;
    fx.startGame();
    fx.left(60);
    shell::onOptionsOpen(fx.s);
    shell::onOptionsClose(fx.s);
    QVERIFY(!f.cmdClear.enabled && f.cmdTouryou.enabled && !f.Option3[0].enabled);
    QVERIFY(!f.cmdNetwork.enabled && !f.cmdBack.enabled && !f.cmdRec.enabled && !f.chkOtherMarks.enabled);
    QVERIFY(f.UpDown1.enabled && f.cmdOff.enabled);

    fx.dialogs.answers = {Answer::Yes};
    board::onResign(fx.s);
    QVERIFY(fx.s.board.gameEnded);
    shell::onOptionsOpen(fx.s);
    shell::onOptionsClose(fx.s);
    QVERIFY(!f.cmdTouryou.enabled && f.cmdClear.enabled && f.chkOtherMarks.enabled && !f.cmdWait.enabled);
}

void TestOptions::notOpenedWhileRecordingOrHeld()
{
    // The press changes nothing but the focus.
    const auto refused = [](AppState &s) {
        const int focus = s.form.txtSend.focusRequests;
        const bool optionsEnabled = s.form.cmdOpt.enabled;
        shell::onOptionsOpen(s);
        QVERIFY(!s.flags.panelOpen && !s.form.fraOptions.visible);
        QCOMPARE(s.form.cmdOpt.enabled, optionsEnabled);
        QCOMPARE(s.form.txtSend.focusRequests, focus + 1);
    };
    OptionsFixture fx;
    fx.startRecording();
    refused(fx.s);

    // Connected, and the peer holds the board (a question is open there).
    test::MemoryWire w;
    QVERIFY(w.connectBoth());
    w.b.s.sendHold();
    w.deliver();
    QVERIFY(w.a.s.board.peerHolding);
    QVERIFY(w.a.s.form.cmdOpt.enabled);
    refused(w.a.s);
}

void TestOptions::showPasswordNotice_data()
{
    QTest::addColumn<bool>("startupComplete");
    QTest::addColumn<bool>("quitting");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<bool>("notice");

    QTest::newRow("ticked by the user") << true << false << true << true;
    QTest::newRow("restored by start-up") << false << false << true << false;
    QTest::newRow("ticked while quitting") << true << true << true << false;
    QTest::newRow("unticked") << true << false << false << false;
}

void TestOptions::showPasswordNotice()
{
    QFETCH(bool, startupComplete);
    QFETCH(bool, quitting);
    QFETCH(bool, tick);
    QFETCH(bool, notice);

    OptionsFixture fx;
    network::installPanelHandlers(fx.s);
    fx.s.form.Check3.checked = !tick;
    network::restorePasswordShown(fx.s, !tick);
    fx.s.form.lblMax.caption = QStringLiteral("7");  // whatever the clock limit shows
    fx.s.shell.startupComplete = startupComplete;
    fx.s.shell.quitting = quitting;
    fx.s.form.Check3.setChecked(tick);
    QCOMPARE(fx.s.session.showPasswordAtStart, tick);
    QCOMPARE(fx.dialogs.notices.size(), notice ? 1 : 0);
    if (notice)
        QVERIFY(fx.dialogs.notices.first().startsWith(QStringLiteral("チェックを入れると次回起動時に合言葉")));
}

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
