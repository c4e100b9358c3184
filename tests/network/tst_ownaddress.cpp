// The network panel's "相手に伝えるアドレス": what the friend must type, from
// the router's answer and the computer's IPv6 addresses, and the notice when
// the router would not forward the port.
#include "OwnAddress.h"
#include "Panel.h"
#include "TestDoubles.h"

#include <QtTest>

using namespace moyuta;

class TestOwnAddress : public QObject {
    Q_OBJECT
private slots:
    void texts_data();
    void texts();
    void copy();
    void followsPanel();
};

namespace {

const QString kV6a = QStringLiteral("2001:db8::5");
const QString kV6b = QStringLiteral("2001:db8:1::6");
const QString kOpenOrTell = QStringLiteral(
    "ルーターのポートを自動で開けませんでした。ルーターの設定でUDPポート50000を開けるか、相手にIPv6のアドレスを伝えて下さい。");
const QString kOpen = QStringLiteral("ルーターのポートを自動で開けませんでした。ルーターの設定でUDPポート50000を開けて下さい。");

// What the connect action leaves in the state: nothing asked, asked and
// waiting, answered, or the wait over without an answer.
enum Stage { NotAsked, Waiting, Answered, GaveUp };

}  // namespace

void TestOwnAddress::texts_data()
{
    QTest::addColumn<QString>("ownPortField");
    QTest::addColumn<int>("stage");
    QTest::addColumn<bool>("mapped");
    QTest::addColumn<QString>("externalIPv4");
    QTest::addColumn<int>("externalPort");
    QTest::addColumn<QStringList>("ipv6");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("notice");

    const QString ext = QStringLiteral("203.0.113.5");
    QTest::newRow("nothing known") << "50000" << int(NotAsked) << false << QString() << 0 << QStringList{}
                                   << QStringList{} << QString();
    QTest::newRow("before 接続: IPv6 with the field's port")
        << "50000" << int(NotAsked) << false << QString() << 0 << QStringList{kV6a, kV6b}
        << QStringList{kV6a + " ポート 50000", kV6b + " ポート 50000"} << QString();
    QTest::newRow("before 接続: no port typed") << "" << int(NotAsked) << false << QString() << 0 << QStringList{kV6a}
                                             << QStringList{kV6a} << QString();
    QTest::newRow("before 接続: port 0 is none") << "0" << int(NotAsked) << false << QString() << 0
                                              << QStringList{kV6a} << QStringList{kV6a} << QString();
    QTest::newRow("waiting for the router") << "50000" << int(Waiting) << false << QString() << 0 << QStringList{kV6a}
                                            << QStringList{kV6a + " ポート 50000"} << QString();
    QTest::newRow("mapped, the router's first")
        << "50000" << int(Answered) << true << ext << 50001 << QStringList{kV6a}
        << QStringList{ext + " ポート 50001", kV6a + " ポート 50000"} << QString();
    QTest::newRow("mapped, no IPv6") << "50000" << int(Answered) << true << ext << 50000 << QStringList{}
                                     << QStringList{ext + " ポート 50000"} << QString();
    QTest::newRow("refused: the address marked, IPv6 offered")
        << "50000" << int(Answered) << false << ext << 0 << QStringList{kV6a}
        << QStringList{ext + "（未開放）", kV6a + " ポート 50000"} << kOpenOrTell;
    QTest::newRow("refused, no IPv6") << "50000" << int(Answered) << false << ext << 0 << QStringList{}
                                      << QStringList{ext + "（未開放）"} << kOpen;
    QTest::newRow("no router found") << "50000" << int(Answered) << false << QString() << 0 << QStringList{}
                                     << QStringList{} << kOpen;
    QTest::newRow("no router found, IPv6 offered") << "50000" << int(Answered) << false << QString() << 0
                                                   << QStringList{kV6a} << QStringList{kV6a + " ポート 50000"}
                                                   << kOpenOrTell;
    QTest::newRow("the wait ran out") << "50000" << int(GaveUp) << false << QString() << 0 << QStringList{}
                                      << QStringList{} << kOpen;
    QTest::newRow("mapped to port 0 counts as refused") << "50000" << int(Answered) << true << ext << 0
                                                        << QStringList{} << QStringList{ext + "（未開放）"} << kOpen;
    QTest::newRow("the router's junk is not shown")
        << "50000" << int(Answered) << true << QStringLiteral("203.0.113.5\n<b>x</b>") << 50000 << QStringList{kV6a}
        << QStringList{kV6a + " ポート 50000"} << QString();
    QTest::newRow("an octet beyond 255 is junk") << "50000" << int(Answered) << false << QStringLiteral("203.0.113.256")
                                                 << 0 << QStringList{} << QStringList{} << kOpen;
    const QString tooLong = QStringLiteral("2001:db8:").repeated(6);
    QTest::newRow("at most four addresses, none too long")
        << "50000" << int(NotAsked) << false << QString() << 0
        << QStringList{tooLong, "2001:db8::1", "2001:db8::2", "2001:db8::3", "2001:db8::4", "2001:db8::5"}
        << QStringList{"2001:db8::1 ポート 50000", "2001:db8::2 ポート 50000", "2001:db8::3 ポート 50000",
                       "2001:db8::4 ポート 50000"}
        << QString();
}

void TestOwnAddress::texts()
{
    QFETCH(QString, ownPortField);
    QFETCH(int, stage);
    QFETCH(bool, mapped);
    QFETCH(QString, externalIPv4);
    QFETCH(int, externalPort);
    QFETCH(QStringList, ipv6);
    QFETCH(QStringList, lines);
    QFETCH(QString, notice);

    test::Fixture fx;
    fx.s.form.txtOwnPort.text = ownPortField;
    RouterMapping &m = fx.s.session.mapping;
    m.ipv6 = ipv6;
    if (stage != NotAsked) {
        m.asked = true;
        m.ownPort = 50000;
        fx.s.form.txtOwnPort.text = QStringLiteral("1");  // the port asked for counts, not the field
    }
    m.answered = stage == Answered;
    m.gaveUp = stage == GaveUp;
    m.mapped = mapped;
    m.externalIPv4 = externalIPv4;
    m.externalPort = quint16(externalPort);

    const network::OwnAddressTexts texts = network::ownAddressTexts(fx.s);
    QCOMPARE(texts.lines, lines);
    QCOMPARE(texts.notice, notice);

    network::showOwnAddress(fx.s);
    const Form &f = fx.s.form;
    QCOMPARE(f.txtOwnAddress.text, lines.join(QLatin1Char('\n')));
    QCOMPARE(f.cmdCopyAddress.enabled, !lines.isEmpty());
    QCOMPARE(f.lblMapping.caption, notice);
    QCOMPARE(f.lblMapping.visible, !notice.isEmpty());
}

// The copy button puts the addresses on the clipboard one a line; with none, nothing.
void TestOwnAddress::copy()
{
    test::Fixture fx;
    fx.s.form.txtOwnPort.text = QStringLiteral("50000");
    network::onCopyAddress(fx.s);
    QCOMPARE(fx.clipboard.texts, QStringList{});
    fx.s.session.mapping.ipv6 = {kV6a, kV6b};
    network::onCopyAddress(fx.s);
    QCOMPARE(fx.clipboard.texts, QStringList{kV6a + " ポート 50000\n" + kV6b + " ポート 50000"});
}

// Opening the panel lists the addresses; the own port typed afterwards goes beside them.
void TestOwnAddress::followsPanel()
{
    test::Fixture fx;
    network::installPanelHandlers(fx.s);
    fx.addresses.addresses = {kV6a};
    network::onNetworkPanelOpen(fx.s);
    QCOMPARE(fx.s.form.txtOwnAddress.text, kV6a);
    QVERIFY(fx.s.form.cmdCopyAddress.enabled);
    fx.s.form.txtOwnPort.setText(QStringLiteral("40000"));
    QCOMPARE(fx.s.form.txtOwnAddress.text, kV6a + " ポート 40000");
    fx.s.form.txtOwnPort.setText(QStringLiteral("4x"));  // emptied by the field's rule
    QCOMPARE(fx.s.form.txtOwnPort.text, QString());
    QCOMPARE(fx.s.form.txtOwnAddress.text, kV6a);
}

QTEST_GUILESS_MAIN(TestOwnAddress)
#include "tst_ownaddress.moc"
