// Chat, the typing indicator, away and the removal notice between two
// connected window states.
#include "Chat.h"
#include "MemoryWire.h"
#include "Options.h"
#include "Panel.h"
#include "Session.h"

#include <QtTest>

using namespace moyuta;

class TestChat : public QObject {
    Q_OBJECT
private slots:
    void chatBothWays();
    void logTrimmedAtLimit();
    void typingIndicator();
    void refusedTexts_data();
    void refusedTexts();
    void awayAndBack();
    void removalNotice_data();
    void removalNotice();
    void prisonersWhileOverlayUp();
    void sentAsTyped_data();
    void sentAsTyped();
    void typedDuringWaitKept();
    void longLineCut();
};

namespace {

void say(test::MemoryWire &w, test::Peer &from, const QString &text)
{
    from.s.form.txtSend.text = text;
    network::onSend(from.s);
    w.deliver();
}

}  // namespace

void TestChat::chatBothWays()
{
    test::MemoryWire w;
    QVERIFY(w.connectBoth());
    say(w, w.a, QStringLiteral("よろしくお願いします"));
    say(w, w.b, QStringLiteral("こちらこそ"));
    QCOMPARE(w.a.s.form.Combo2.items, (QStringList{"△よろしくお願いします", "◇こちらこそ"}));
    QCOMPARE(w.b.s.form.Combo2.items, (QStringList{"◇よろしくお願いします", "△こちらこそ"}));
    QCOMPARE(w.a.s.form.txtDisp.text, QStringLiteral("◇こちらこそ"));
    QVERIFY(w.a.s.form.txtSend.text.isEmpty());

    // Without a session nothing is sent or logged.
    test::Fixture alone;
    alone.s.form.txtSend.text = QStringLiteral("hello");
    network::onSend(alone.s);
    QCOMPARE(alone.dialogs.notices, QStringList{QStringLiteral("ネットワーク接続が行われていません。")});
    QVERIFY(alone.s.form.Combo2.items.isEmpty());
}

void TestChat::logTrimmedAtLimit()
{
    test::MemoryWire w;
    QVERIFY(w.connectBoth());
    w.b.s.form.UpDown4.value = 5;
    shell::onOptionsApply(w.b.s);  // the options panel's log size
    for (int i = 1; i <= 7; ++i)
        say(w, w.a, QStringLiteral("m%1").arg(i));
    QCOMPARE(w.b.s.form.Combo2.items, (QStringList{"◇m3", "◇m4", "◇m5", "◇m6", "◇m7"}));
}

void TestChat::typingIndicator()
{
    test::MemoryWire w;
    QVERIFY(w.connectBoth());
    network::installPanelHandlers(w.a.s);
    Form &f = w.a.s.form;
    f.txtSend.setText(QStringLiteral("こ"));
    f.txtSend.setText(QStringLiteral("こん"));
    w.deliver();
    QCOMPARE(w.b.s.form.lblStatus.caption, QString());
    f.txtSend.setText(QStringLiteral("こんに"));
    w.deliver();
    QCOMPARE(w.b.s.form.lblStatus.caption, QStringLiteral("相手がメッセージを書いています"));
    f.txtSend.setText(QString());
    w.deliver();
    QCOMPARE(w.b.s.form.lblStatus.caption, QString());

    // Pasted text with a line end (CR LF or LF alone) goes out at once, without
    // it; the input and this side's log keep the line as it came.
    for (const QString &pasted : {QStringLiteral("貼り付け\r\n"), QStringLiteral("もう一つ\n")}) {
        f.txtSend.setText(pasted);
        w.deliver();
        QCOMPARE(w.b.s.form.Combo2.items.last(), QStringLiteral("◇") + pasted.trimmed());
        QCOMPARE(f.Combo2.items.last(), QStringLiteral("△") + pasted);
        QCOMPARE(f.txtSend.text, pasted);
        f.txtSend.setText(QString());
    }

    // Sending empties the input, and that tells the peer the writing stopped.
    f.txtSend.setText(QStringLiteral("送りま"));
    f.txtSend.setText(QStringLiteral("送ります"));
    w.deliver();
    QCOMPARE(w.b.s.form.lblStatus.caption, QStringLiteral("相手がメッセージを書いています"));
    network::onSend(w.a.s);
    QCOMPARE(f.txtSend.text, QString());
    QVERIFY(!w.a.s.session.typingSent);
    w.deliver();
    QCOMPARE(w.b.s.form.lblStatus.caption, QString());
}

void TestChat::refusedTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("shaped like a move") << "1,60,0,0,0";
    QTest::newRow("a keyword") << QString(QStringLiteral("クリア") + kTerminator);
    QTest::newRow("the drop marker") << "a*:{`];b+=j#!+;";
}

void TestChat::refusedTexts()
{
    QFETCH(QString, text);
    test::MemoryWire w;
    QVERIFY(w.connectBoth());
    const qsizetype before = w.sent.size();
    w.a.s.form.txtSend.text = text;
    network::onSend(w.a.s);
    QCOMPARE(w.a.dialogs.notices, QStringList{QStringLiteral("この文は送信出来ません。")});
    QCOMPARE(w.a.s.form.txtSend.text, text);
    QCOMPARE(w.sent.size(), before);
    QVERIFY(w.a.s.form.Combo2.items.isEmpty());

    // Digits and commas with fewer than four commas are chat.
    say(w, w.a, QStringLiteral("1,2,3"));
    QCOMPARE(w.b.s.form.Combo2.items, QStringList{"◇1,2,3"});
}

void TestChat::awayAndBack()
{
    test::MemoryWire w;
    QVERIFY(w.startGame());
    board::onPresence(w.a.s);  // away
    w.deliver();
    QVERIFY(w.b.s.board.overlayShown());
    QVERIFY(w.b.s.form.Frame8.visible);
    QCOMPARE(w.b.s.form.lbl2Message.caption, QStringLiteral("退席中…"));
    board::pressPoint(w.b.s, 40, board::MouseButton::Left);  // blocked meanwhile
    QCOMPARE(w.b.s.board.points[40].content, PointContent::Empty);
    say(w, w.b, QStringLiteral("お茶ですか"));  // chat still works
    QCOMPARE(w.a.s.form.Combo2.items.last(), QStringLiteral("◇お茶ですか"));

    const int plays = w.b.sound.plays;
    board::onPresence(w.a.s);  // back
    w.deliver();
    QVERIFY(!w.b.s.board.overlayShown() && !w.b.s.form.Frame8.visible);
    QCOMPARE(w.b.sound.plays - plays, 1);
}

void TestChat::removalNotice_data()
{
    QTest::addColumn<bool>("stones");
    QTest::newRow("stones on the board") << true;
    QTest::newRow("empty board") << false;
}

void TestChat::removalNotice()
{
    QFETCH(bool, stones);
    test::MemoryWire w;
    QVERIFY(w.startGame());
    if (stones) {
        board::pressPoint(w.a.s, 60, board::MouseButton::Left);
        w.deliver();
    }
    const int plays = w.b.sound.plays;
    w.a.s.form.Option1.select(2);  // 削除
    w.deliver();
    QCOMPARE(w.b.s.board.overlayShown(), stones);
    QCOMPARE(w.b.s.form.Frame8.visible, stones);
    QCOMPARE(w.b.sound.plays - plays, 1);  // once, panel or not
    w.a.s.form.Option1.select(0);  // back to black
    w.deliver();
    QVERIFY(!w.b.s.board.overlayShown() && !w.b.s.form.Frame8.visible);
}

void TestChat::prisonersWhileOverlayUp()
{
    test::MemoryWire w;
    QVERIFY(w.startGame());
    board::onPresence(w.a.s);  // the other side shows "退席中…"
    w.deliver();
    QVERIFY(w.b.s.board.overlayShown());
    const qsizetype afterAway = w.sent.size();
    w.a.s.form.UpDown1.setValue(3);
    w.deliver();
    QCOMPARE(w.sent.size() - afterAway, 1);  // no echo while the overlay is up
    QCOMPARE(w.b.s.board.whitePrisoners, 3);
    QCOMPARE(w.b.s.form.UpDown1.value, 3);
    QCOMPARE(w.b.s.form.lblWhitePrisoners.caption, QStringLiteral("3"));
}

void TestChat::sentAsTyped_data()
{
    QTest::addColumn<QString>("typed");  // what reaches the input, cut there to 44 characters
    QTest::addColumn<QString>("sent");   // what both logs show after the marks
    const QString face = QStringLiteral("\U0001F600");
    const QString a43(43, QLatin1Char('a'));
    QTest::newRow("a face as the 44th character") << a43 + face + QStringLiteral("b") << a43 + face;
    QTest::newRow("a face after 44 characters") << a43 + QStringLiteral("a") + face << a43 + QStringLiteral("a");
    QTest::newRow("44 faces") << face.repeated(45) << face.repeated(44);
    QTest::newRow("half a face cut off before") << a43 + face.left(1) << a43;
    QTest::newRow("a full-width space") << QStringLiteral("\u3000") << QStringLiteral("\u3000");
}

void TestChat::sentAsTyped()
{
    QFETCH(QString, typed);
    QFETCH(QString, sent);
    test::MemoryWire w;
    QVERIFY(w.connectBoth());
    w.a.s.form.txtSend.setText(typed);
    network::onSend(w.a.s);
    w.deliver();
    QCOMPARE(w.a.s.form.Combo2.items, QStringList{QStringLiteral("△") + sent});
    QCOMPARE(w.b.s.form.Combo2.items, QStringList{QStringLiteral("◇") + sent});
}

void TestChat::typedDuringWaitKept()
{
    test::MemoryWire w;
    w.connectBoth();
    TextBox &input = w.a.s.form.txtSend;
    bool typed = false;
    w.pace(&w.a, [&] {
        if (!std::exchange(typed, true))
            input.setText(input.text + QStringLiteral("次の"));  // keys typed while the send waits
    });
    input.setText(QStringLiteral("よろしく"));
    network::onSend(w.a.s);
    w.deliver();
    QVERIFY(typed);
    QCOMPARE(w.b.s.form.Combo2.items, QStringList{QStringLiteral("◇よろしく")});
    QCOMPARE(input.text, QStringLiteral("次の"));
}

void TestChat::longLineCut()
{
    test::MemoryWire w;
    w.connectBoth();
    const QString line = QStringLiteral("長い行").repeated(5000);
    w.a.s.sendPeerMessage(line);  // no copy of this program sends such a line
    w.deliver();
    const QString shown = QStringLiteral("◇") + line.left(w.b.s.form.txtSend.maxLength);
    QCOMPARE(w.b.s.form.Combo2.items, QStringList{shown});
    QCOMPARE(w.b.s.form.txtDisp.text, shown);
}

QTEST_MAIN(TestChat)
#include "tst_chat.moc"
