// The network panel: what opening asks and disables, what closing gives back,
// and the rules of its fields.
#include "MemoryWire.h"
#include "Panel.h"
#include "Session.h"

#include <QtTest>

using namespace moyuta;

class TestPanel : public QObject {
    Q_OBJECT
private slots:
    void openAsks_data();
    void openAsks();
    void openAndCloseLocally();
    void closeOnAuthentication();
    void portField_data();
    void portField();
    void savedTextFields_data();
    void savedTextFields();
    void peerAddressField_data();
    void peerAddressField();
    void classicBox();
    void inputsLockTogether_data();
    void inputsLockTogether();
};

void TestPanel::openAsks_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("opened");

    const QString board = QStringLiteral("盤面に石または文字または記号などがあります。ネットワーク対局が開始されると消えてしまいますがよろしいですか？");
    QTest::newRow("empty board") << "empty" << int(Answer::No) << QString() << true;
    QTest::newRow("stone, yes") << "stone" << int(Answer::Yes) << board << true;
    QTest::newRow("stone, no") << "stone" << int(Answer::No) << board << false;
    QTest::newRow("replay ready, cancel") << "replay" << int(Answer::Cancel)
                                         << QStringLiteral("記録を再生出来ます、ネットワーク対局を行うと破棄されますがよろしいですか？") << false;
    QTest::newRow("recording, no") << "recording" << int(Answer::No) << QStringLiteral("記録中ですが中止しますか？") << false;
}

void TestPanel::openAsks()
{
    QFETCH(QString, setup);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(bool, opened);

    test::Fixture fx;
    if (setup == QLatin1String("stone"))
        fx.left(pointIndex(4, 4));
    else if (setup == QLatin1String("replay"))
        fx.form().cmdF.enabled = true;
    else if (setup == QLatin1String("recording"))
        fx.startRecording();
    fx.dialogs.answers = {Answer(answer)};
    network::onNetworkPanelOpen(fx.s);
    QCOMPARE(fx.dialogs.questions, question.isEmpty() ? QStringList() : QStringList{question});
    QCOMPARE(fx.s.flags.panelOpen, opened);
    QCOMPARE(fx.form().fraNetwork.visible, opened);
    if (opened)
        QVERIFY(!board::boardHasContent(fx.s));
}

void TestPanel::openAndCloseLocally()
{
    test::Fixture fx;
    Form &f = fx.form();
    f.Option2.select(1);  // black only: the colours are locked
    f.cmdRec.enabled = false;  // remembered while the panel is open
    network::onNetworkPanelOpen(fx.s);
    QVERIFY(fx.s.flags.panelOpen);
    QCOMPARE(f.Option2.selected, 0);
    for (int i = 0; i < 3; ++i)
        QVERIFY(!f.Option1[i].enabled && !f.Option3[i].enabled);
    for (const Control *c : std::initializer_list<const Control *>{&f.cmdNetwork, &f.cmdOpt, &f.cmdRec, &f.cmdFileOpen,
                                                                    &f.chkNumberStones, &f.UpDown5, &f.txtSend, &f.Combo2})
        QVERIFY2(!c->enabled, qPrintable(c->name));

    network::onNetworkPanelClose(fx.s);
    QVERIFY(!fx.s.flags.panelOpen);
    QVERIFY(!f.fraNetwork.visible);
    QVERIFY(f.cmdNetwork.enabled && f.cmdFileOpen.enabled && f.chkNumberStones.enabled && f.Option1[1].enabled);
    QVERIFY(f.Combo2.enabled);
    QVERIFY(!f.cmdStart.enabled);
    QVERIFY(!f.cmdRec.enabled);  // as it was when the panel opened
    QCOMPARE(f.Option1.selected, 0);
}

void TestPanel::closeOnAuthentication()
{
    test::MemoryWire w;
    for (test::Peer *p : {&w.a, &w.b})
        network::onNetworkPanelOpen(p->s);
    network::onConnect(w.b.s);
    w.deliver();
    network::onConnect(w.a.s);
    w.deliver();
    for (test::Peer *p : {&w.a, &w.b}) {
        const Form &f = p->s.form;
        QVERIFY(p->s.session.authenticated);
        QVERIFY(!p->s.flags.panelOpen && !f.fraNetwork.visible);
        QVERIFY(!f.cmdNetwork.enabled && !f.cmdRec.enabled && !f.cmdFileOpen.enabled && !f.chkOtherMarks.enabled);
        QVERIFY(f.cmdStart.enabled && f.Combo2.enabled);
        QCOMPARE(f.cmdStart.back, kStartGreen);
        QCOMPARE(p->s.session.activeCipherNumber, 7);
    }
}

void TestPanel::portField_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<bool>("notice");
    QTest::newRow("digits") << "5678" << "5678" << false;
    QTest::newRow("a single 0") << "0" << "0" << false;
    QTest::newRow("leading 0") << "05" << "" << true;
    QTest::newRow("a letter") << "12a" << "" << false;
    QTest::newRow("cut to five") << "1234567" << "12345" << false;
}

void TestPanel::portField()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(bool, notice);

    test::Fixture fx;
    network::installPanelHandlers(fx.s);
    fx.form().txtOwnPort.setText(typed);
    QCOMPARE(fx.form().txtOwnPort.text, kept);
    QCOMPARE(fx.dialogs.notices, notice ? QStringList{QStringLiteral("左側1文字は0以外にして下さい。")} : QStringList());
}

void TestPanel::savedTextFields_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("plain") << "合言葉abc" << "合言葉abc";
    QTest::newRow("#") << "ab#cd" << "abcd";
    QTest::newRow("not in cp932") << "a한b😀c" << "abc";
}

void TestPanel::savedTextFields()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);

    test::Fixture fx;
    network::installPanelHandlers(fx.s);
    fx.form().txtPassword.setText(typed);
    QCOMPARE(fx.form().txtPassword.text, kept);
    fx.form().txtPeerAddress.setText(typed);
    QCOMPARE(fx.form().txtPeerAddress.text, kept);
}

void TestPanel::peerAddressField_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    const QString full = QStringLiteral("2001:0db8:85a3:0000:0000:8a2e:0370:7334");  // 39 characters
    QTest::newRow("IPv6, short") << "2001:db8::1" << "2001:db8::1";
    QTest::newRow("loopback in brackets") << "[::1]" << "[::1]";
    QTest::newRow("IPv6, full length") << full << full;
    QTest::newRow("IPv6, full length in brackets") << "[" + full + "]" << "[" + full + "]";
    QTest::newRow("zone") << "[fe80::abcd:ef01:2345:6789%enp0s31f6]" << "[fe80::abcd:ef01:2345:6789%enp0s31f6]";
    QTest::newRow("IPv4-mapped") << "::ffff:192.168.10.200" << "::ffff:192.168.10.200";
    QTest::newRow("IPv6 with #") << "[2001:db8::#1]" << "[2001:db8::1]";
    QTest::newRow("IPv6 with a character outside cp932") << "2001:db8::한1" << "2001:db8::1";
    QTest::newRow("long name cut at 64") << QString(70, QLatin1Char('a')) + ".example" << QString(64, QLatin1Char('a'));
}

// The peer address holds IPv6 texts whole; "#" and what cp932 cannot hold stay out.
void TestPanel::peerAddressField()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    test::Fixture fx;
    network::installPanelHandlers(fx.s);
    fx.form().txtPeerAddress.setText(typed);
    QCOMPARE(fx.form().txtPeerAddress.text, kept);
}

// "従来方式で接続(&K)": off at first; the tick is the session's choice.
void TestPanel::classicBox()
{
    test::Fixture fx;
    network::installPanelHandlers(fx.s);
    CheckBox &box = fx.form().chkClassic;
    QCOMPARE(box.name, QStringLiteral("chkClassic"));
    QCOMPARE(box.caption, QStringLiteral("従来方式で接続(&K)"));
    QVERIFY(!box.checked && !fx.s.session.classicProtocol);
    box.setChecked(true);
    QVERIFY(fx.s.session.classicProtocol);
    box.setChecked(false);
    QVERIFY(!fx.s.session.classicProtocol);
    QCOMPARE(fx.dialogs.notices, QStringList());
}

void TestPanel::inputsLockTogether_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<bool>("enabled");  // the panel's inputs afterwards
    QTest::newRow("waiting for the peer") << "wait" << false;
    QTest::newRow("turned off while waiting") << "off" << true;
    QTest::newRow("own port refused") << "bind" << true;
    QTest::newRow("connected after waiting") << "connect" << false;
}

// The classic box is locked and given back with the fields, the cipher number and the password box.
void TestPanel::inputsLockTogether()
{
    QFETCH(QString, step);
    QFETCH(bool, enabled);

    test::MemoryWire w;
    Form &f = w.a.s.form;
    if (step == QLatin1String("bind"))
        w.a.end.setup = TransportPort::Setup::BindFailed;
    if (step == QLatin1String("connect")) {
        QVERIFY(w.connectBoth());
    } else {
        network::onConnect(w.a.s);
        w.deliver();
    }
    if (step == QLatin1String("off")) {
        w.a.dialogs.answers = {Answer::Yes};
        network::onDisconnect(w.a.s);
    }
    for (const Control *c : std::initializer_list<const Control *>{&f.txtPeerAddress, &f.txtPeerPort, &f.txtOwnPort,
                                                                    &f.txtPassword, &f.cboCipherNumber, &f.Check3,
                                                                    &f.chkClassic})
        QVERIFY2(c->enabled == enabled, qPrintable(c->name));
}

QTEST_MAIN(TestPanel)
#include "tst_panel.moc"
