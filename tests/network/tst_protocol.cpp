// Two window states on an in-memory wire with the real cipher: the handshake,
// the messages of a session, and what a waiting copy ignores.
#include "ConnectRetry.h"
#include "Cipher.h"
#include "Cp932.h"
#include "MemoryWire.h"
#include "Session.h"

#include <QtTest>

using namespace moyuta;

class TestProtocol : public QObject {
    Q_OBJECT
private slots:
    void handshake_data();
    void handshake();
    void connectTextAgain();
    void connectTextAnsweredTwice();
    void noHandshake_data();
    void noHandshake();
    void waitingCopyIgnoresStrangers();
    void movesAndHold();
    void keywordsWholeOrEnding_data();
    void keywordsWholeOrEnding();
    void peerQuits();
    void junkGetsFewReplies();
    void receivedDuringLocalQuestion();
    void receivedDuringReceiveBox();
    void connectChecks_data();
    void connectChecks();
};

namespace {

const QString T = kTerminator;

std::u16string_view view(const QString &s)
{
    return {reinterpret_cast<const char16_t *>(s.utf16()), size_t(s.size())};
}

// A datagram as a stranger with the program would make it with cipher number 30.
QByteArray cipher30(const QString &plain)
{
    const cipher::CipherResult r = cipher::encipher(view(plain), 30, u"");
    return toCp932(QString::fromUtf16(r.text.data(), qsizetype(r.text.size())));
}

// "number:plain" of a datagram, trying the handshake number 30 first.
QString readable(const QByteArray &datagram, int number, const QString &password)
{
    const QString text = fromCp932(datagram);
    for (int n : {30, number}) {
        const cipher::CipherResult r = cipher::decipher(view(text), n, view(password));
        const QString plain = QString::fromUtf16(r.text.data(), qsizetype(r.text.size()));
        if (r.succeeded && !plain.startsWith(QStringLiteral("鍵相違")))
            return QString::number(n) + QLatin1Char(':') + plain.chopped(plain.endsWith(T) ? T.size() : 0);
    }
    return QStringLiteral("?");
}

QStringList conversation(const test::MemoryWire &w)
{
    QStringList out;
    for (const auto &[side, datagram] : w.sent)
        out << QString(QLatin1Char(side)) + QLatin1Char(' ') + readable(datagram, 7, QStringLiteral("abcdef"));
    return out;
}

}  // namespace

void TestProtocol::handshake_data()
{
    QTest::addColumn<QString>("order");
    QTest::addColumn<QStringList>("talk");

    // The first side's first message finds no bound socket and is lost.
    QTest::newRow("a first") << "ab" << QStringList{"a 30:30接続abcdef", "b 30:30接続abcdef", "a 30:鍵OK",
                                                     "b 30:07接続abcdef", "a 30:07接続確認1"};
    QTest::newRow("b first") << "ba" << QStringList{"b 30:30接続abcdef", "a 30:30接続abcdef", "b 30:鍵OK",
                                                     "a 30:07接続abcdef", "b 30:07接続確認1"};
    QTest::newRow("simultaneous") << "=" << QStringList();
}

void TestProtocol::handshake()
{
    QFETCH(QString, order);
    QFETCH(QStringList, talk);

    test::MemoryWire w;
    if (order == QLatin1String("=")) {
        network::onConnect(w.a.s);
        network::onConnect(w.b.s);
        w.deliver();
    } else {
        test::Peer &first = order == QLatin1String("ab") ? w.a : w.b;
        test::Peer &second = order == QLatin1String("ab") ? w.b : w.a;
        network::onConnect(first.s);
        w.deliver();
        QVERIFY(first.s.session.waitingForPeer);
        QVERIFY(first.s.form.Command4.enabled && !first.s.form.txtPassword.enabled);
        network::onConnect(second.s);
        w.deliver();
        QCOMPARE(conversation(w), talk);
    }
    for (test::Peer *p : {&w.a, &w.b}) {
        QVERIFY(p->s.session.authenticated);
        QCOMPARE(p->s.session.activeCipherNumber, 7);
        QCOMPARE(p->s.form.cmdStart.back, kStartGreen);
        QCOMPARE(p->sound.plays, 1);
    }
    // From now on both sides use cipher number 7.
    const qsizetype before = w.sent.size();
    w.a.s.sendKeyword(QStringLiteral("ホールド"));
    w.deliver();
    QCOMPARE(readable(w.sent[before].second, 7, QStringLiteral("abcdef")), QStringLiteral("7:ホールド"));
    QVERIFY(w.b.s.board.peerHolding);
}

// A waiting side sends its connect text again every 15 s while it hears
// nothing (a router between forgets the way out), five minutes at most, and
// stops once the peer is heard.
void TestProtocol::connectTextAgain()
{
    test::MemoryWire w;
    network::onConnect(w.a.s);  // b's socket is not bound: lost
    w.deliver();
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(w.a.connectRetryTimer.wakeIn_, std::optional<qint64>(network::kConnectRetryMs));
        w.a.connectRetryTimer.fire();
        w.deliver();
    }
    QCOMPARE(conversation(w), QStringList(4, QStringLiteral("a 30:30接続abcdef")));
    network::onConnect(w.b.s);
    w.deliver();
    QVERIFY(w.a.s.session.authenticated && w.b.s.session.authenticated);
    QVERIFY(!w.a.connectRetryTimer.wakeIn_);
    QVERIFY(!w.b.connectRetryTimer.wakeIn_);

    // Nobody ever answers: 1 + 20 texts, then silence.
    test::MemoryWire alone;
    network::onConnect(alone.a.s);
    for (int i = 0; i < network::kConnectRetries + 5; ++i)
        alone.a.connectRetryTimer.fire();
    QCOMPARE(alone.sentBy('a'), 1 + network::kConnectRetries);
    QVERIFY(alone.a.s.session.waitingForPeer);
    // 接続オフ ends the retries.
    test::MemoryWire off;
    network::onConnect(off.a.s);
    off.a.dialogs.answers = {Answer::Yes};
    network::onDisconnect(off.a.s);
    QVERIFY(!off.a.connectRetryTimer.wakeIn_);
}

// Both connect texts reach a waiting peer, which answers 鍵OK twice: NN接続
// still goes out once, and both sides take the key.
void TestProtocol::connectTextAnsweredTwice()
{
    test::MemoryWire w;
    network::onConnect(w.b.s);  // lost: a is not bound
    w.deliver();
    network::onConnect(w.a.s);
    w.a.connectRetryTimer.fire();  // before b's answer came
    w.deliver();
    QCOMPARE(conversation(w), (QStringList{"b 30:30接続abcdef", "a 30:30接続abcdef", "a 30:30接続abcdef", "b 30:鍵OK",
                                           "b 30:鍵OK", "a 30:07接続abcdef", "b 30:07接続確認1"}));
    QVERIFY(w.a.s.session.authenticated && w.b.s.session.authenticated);
}

void TestProtocol::noHandshake_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("number");
    QTest::newRow("another password") << "zyxwvu" << "7";
    QTest::newRow("another cipher number") << "abcdef" << "8";
}

void TestProtocol::noHandshake()
{
    QFETCH(QString, password);
    QFETCH(QString, number);

    test::MemoryWire w;
    w.b.s.form.txtPassword.text = password;
    w.b.s.form.cboCipherNumber.text = number;
    w.connectBoth();
    QVERIFY(!w.a.s.session.authenticated);
    QVERIFY(!w.b.s.session.authenticated);
    QVERIFY(w.a.s.session.waitingForPeer && w.b.s.session.waitingForPeer);
}

void TestProtocol::waitingCopyIgnoresStrangers()
{
    test::MemoryWire w;
    network::onConnect(w.a.s);
    w.deliver();
    QVERIFY(w.a.s.session.waitingForPeer);
    // A stranger who knows the program's fixed handshake key, from the peer's port.
    const QStringList texts{QStringLiteral("終了") + T, QStringLiteral("クリア") + T, QStringLiteral("2,開始") + T,
                            QStringLiteral("ホールド") + T, QStringLiteral("07接続確認1") + T,
                            QStringLiteral("1,60,0,0,0"), QStringLiteral("こんにちは")};
    for (const QString &text : texts)
        w.a.end.inbox.push_back(cipher30(text));
    w.a.end.inbox.push_back(QByteArray());
    w.a.end.inbox.push_back("\x01\x02junk\xff");
    w.a.end.onReadable();

    const AppState &s = w.a.s;
    QVERIFY(!s.session.authenticated && !s.session.peerQuit && !s.shell.quitWithoutAsking && !s.board.peerHolding);
    QVERIFY(!board::boardHasContent(s));
    QCOMPARE(s.board.boardSizeCode, int(Size19));
    QCOMPARE(w.a.dialogs.boxes(), 0);
    QVERIFY(w.a.end.isBound());

    network::onConnect(w.b.s);
    w.deliver();
    QVERIFY(w.a.s.session.authenticated && w.b.s.session.authenticated);
}

void TestProtocol::movesAndHold()
{
    test::MemoryWire w;
    QVERIFY(w.startGame());
    w.a.dialogs.notices.clear();  // the start's own notice

    // A stone placed on one side appears on the other, with the prisoner counts.
    w.b.s.board.blackPrisoners = 2;
    board::pressPoint(w.b.s, 60, board::MouseButton::Left);
    w.deliver();
    QCOMPARE(w.a.s.board.points[60].content, PointContent::Black);
    QCOMPARE(w.a.s.board.lastMovePoint, 60);
    QCOMPARE(w.a.s.moves.networkMoveLog, QStringList{"1,60,2,0,0"});
    QCOMPARE(w.a.s.form.lblBlackPrisoners.caption, QStringLiteral("2"));
    QVERIFY(w.a.s.form.cmdWait.enabled);

    // Empty numeric fields count as 0.
    w.b.s.sendPeerMessage(QStringLiteral("2,61,,,"));
    w.deliver();
    QCOMPARE(w.a.s.board.points[61].content, PointContent::White);
    QCOMPARE(w.a.s.moves.networkMoveLog.last(), QStringLiteral("2,61,0,0,0"));
    w.b.s.sendPeerMessage(QStringLiteral("1,60,2,0,0"));  // as the last but one: a stone already there is a repeat too
    w.deliver();
    QCOMPARE(w.a.s.moves.networkMoveLog.size(), 2);

    // The same move again is applied once; a point beyond the board is chat, not point 0.
    for (const QString &text : {QStringLiteral("1,60,2,0,0"), QStringLiteral("2,400,0,0,0"), QStringLiteral("2,3,0,5")}) {
        w.b.s.sendPeerMessage(text);
        w.deliver();
    }
    QCOMPARE(w.a.s.moves.networkMoveLog.size(), 2);
    QCOMPARE(w.a.s.board.points[0].content, PointContent::Empty);
    QVERIFY(w.a.s.session.appendToChatLog);  // the last text was chat

    // While the peer holds the board, nothing is placed here.
    w.b.s.sendHold();
    w.deliver();
    QVERIFY(w.a.s.board.peerHolding);
    board::pressPoint(w.a.s, 100, board::MouseButton::Left);
    QCOMPARE(w.a.s.board.points[100].content, PointContent::Empty);
    w.b.s.sendHoldRelease();
    w.deliver();
    QVERIFY(!w.a.s.board.peerHolding);

    // An unknown keyword only empties the typing indicator.
    w.b.s.sendKeyword(QStringLiteral("message_writing"));
    w.deliver();
    QCOMPARE(w.a.s.form.lblStatus.caption, QStringLiteral("相手がメッセージを書いています"));
    w.b.s.sendKeyword(QStringLiteral("何か新しい"));
    w.deliver();
    QCOMPARE(w.a.s.form.lblStatus.caption, QString());
    QCOMPARE(w.a.dialogs.boxes(), 0);
}

void TestProtocol::keywordsWholeOrEnding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("holding");
    QTest::addColumn<int>("whiteCount");  // -1: unchanged
    QTest::addColumn<bool>("statusKept");

    QTest::newRow("hold") << "ホールド" + T << true << -1 << true;
    QTest::newRow("text before hold") << "xホールド" + T << false << -1 << false;
    QTest::newRow("text after hold") << "ホールド" + T + "x" << false << -1 << false;
    QTest::newRow("count before prisoners") << "12,白ハマ" + T << false << 12 << true;
    QTest::newRow("prisoners without comma") << "白ハマ" + T << false << -1 << false;
    QTest::newRow("resign accepted") << "投了OK" + T << false << -1 << false;  // goes on as unknown
}

// A keyword is the whole text, except the prisoner counts, which only end with it.
void TestProtocol::keywordsWholeOrEnding()
{
    QFETCH(QString, text);
    QFETCH(bool, holding);
    QFETCH(int, whiteCount);
    QFETCH(bool, statusKept);
    test::MemoryWire w;
    w.connectBoth();
    const QString white = w.a.s.form.lblWhitePrisoners.caption;
    w.b.s.sendKeyword(QStringLiteral("message_writing"));
    w.deliver();
    const QString status = w.a.s.form.lblStatus.caption;
    QVERIFY(!status.isEmpty());

    w.b.s.sendPeerMessage(text);
    w.deliver();
    QCOMPARE(w.a.s.board.peerHolding, holding);
    QCOMPARE(w.a.s.form.lblWhitePrisoners.caption, whiteCount < 0 ? white : QString::number(whiteCount));
    QCOMPARE(w.a.s.form.lblStatus.caption, statusKept ? status : QString());
    QVERIFY(!w.a.s.session.appendToChatLog);  // a text with the terminator is never chat
}

void TestProtocol::peerQuits()
{
    test::MemoryWire w;
    w.connectBoth();
    w.b.s.sendKeyword(QStringLiteral("終了"));
    w.deliver();
    QCOMPARE(w.a.dialogs.notices, QStringList{QStringLiteral("相手側ホストから接続がオフになりましたので、一旦終了します。")});
    QVERIFY(w.a.s.session.peerQuit);  // the close asks nothing (tst_close)
    QVERIFY(!w.a.s.session.authenticated);
    QVERIFY(!w.a.end.isBound());  // closed before the window closes
}

void TestProtocol::junkGetsFewReplies()
{
    test::MemoryWire w;
    w.connectBoth();
    w.a.s.session.lastKeyMismatchReplyMs = -1;
    const qsizetype before = w.sent.size();
    for (int i = 0; i < 5; ++i)
        w.a.end.inbox.push_back(cipher30(QStringLiteral("偽物") + T));  // not deciphered by number 7
    w.a.end.onReadable();
    QCOMPARE(w.sent.size() - before, 1);  // one "鍵が違います" for the burst
    QCOMPARE(readable(w.sent.last().second, 7, QStringLiteral("abcdef")), QStringLiteral("7:鍵が違います"));
    w.deliver();
    QCOMPARE(w.b.dialogs.boxes(), 0);  // the peer ignores it
}

void TestProtocol::receivedDuringLocalQuestion()
{
    test::MemoryWire w;
    w.connectBoth();
    // While a question of this side is open, the peer's messages are handled at once.
    bool holdingWhileAsked = false;
    w.a.dialogs.whileOpen = [&] {
        w.b.s.sendHold();
        w.deliver();
        holdingWhileAsked = w.a.s.board.peerHolding;
    };
    w.a.dialogs.answers = {Answer::No};
    board::onResign(w.a.s);
    QCOMPARE(w.a.dialogs.questions, QStringList{QStringLiteral("投了または終局しますか？")});
    QVERIFY(holdingWhileAsked);
}

void TestProtocol::receivedDuringReceiveBox()
{
    test::MemoryWire w;
    QVERIFY(w.startGame());
    w.a.dialogs.notices.clear();  // the start's own notice
    // The peer ends the game: its notice is a box opened while receiving. What
    // arrives meanwhile waits for it, then is handled in order.
    bool stoneWhileOpen = true;
    w.a.dialogs.whileInformOpen = [&] {
        w.a.dialogs.whileInformOpen = nullptr;
        w.b.s.sendPeerMessage(QStringLiteral("1,70,0,0,0"));
        w.b.s.sendPeerMessage(QStringLiteral("2,71,0,0,0"));
        w.b.s.sendKeyword(QStringLiteral("message_writing"));
        w.deliver();
        stoneWhileOpen = w.a.s.board.points[70].content != PointContent::Empty;
    };
    w.b.dialogs.answers = {Answer::Yes};
    board::onResign(w.b.s);  // "投了、終局(&X)" on the other side
    QVERIFY(w.b.s.form.Frame8.visible);  // waiting for the OK
    w.deliver();
    QCOMPARE(w.a.dialogs.notices, QStringList{QStringLiteral("投了または終局しました。")});
    QVERIFY(!stoneWhileOpen);
    QCOMPARE(w.a.s.moves.networkMoveLog, (QStringList{"1,70,0,0,0", "2,71,0,0,0"}));
    QCOMPARE(w.a.s.form.lblStatus.caption, QStringLiteral("相手がメッセージを書いています"));
    QVERIFY(w.a.s.board.gameEnded && !w.a.s.board.gameStarted);
    QVERIFY(!w.b.s.form.Frame8.visible);  // this side's "投了OK" hid the waiting notice there
}

void TestProtocol::connectChecks_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");  // empty: the connect goes on and waits

    QTest::newRow("no peer address") << "address" << "  " << "相手側のIPアドレスまたはコンピューター名を入力して下さい。";
    QTest::newRow("no peer port") << "peer" << "" << "相手側のポート番号を入力して下さい。";
    QTest::newRow("no own port") << "own" << "" << "自分側のポート番号を入力して下さい。";
    QTest::newRow("password of spaces") << "password" << "   " << "合言葉が空欄です。";
    QTest::newRow("aab is easy to guess") << "password" << "aab" << "推測されやすい合言葉です。";
    QTest::newRow("abc is fine") << "password" << "abc" << "";
    QTest::newRow("port 65536") << "peer" << "65536" << "使用出来るポートは0～65535までの範囲です。";
    QTest::newRow("port 65535") << "peer" << "65535" << "";
    QTest::newRow("port 0 for the peer") << "peer" << "0" << "";
    QTest::newRow("port with a letter") << "own" << "12a" << "ポートは数値のみ使用できます。";
    QTest::newRow("own port 0") << "own" << "0" << "自分側ポートを開けませんでした。別のポート番号を入力して下さい。";
    QTest::newRow("own port taken") << "bind" << "" << "自分側ポートを開けませんでした。別のポート番号を入力して下さい。";
    QTest::newRow("unknown peer") << "host" << "" << "「IPアドレス(相手側)」を確認して下さい。";
    QTest::newRow("password that cannot key the cipher") << "password" << "考えるz" << "warning";
}

void TestProtocol::connectChecks()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, message);

    test::MemoryWire w;
    Form &f = w.a.s.form;
    if (field == QLatin1String("address"))
        f.txtPeerAddress.text = value;
    else if (field == QLatin1String("peer"))
        f.txtPeerPort.text = value;
    else if (field == QLatin1String("own"))
        f.txtOwnPort.text = value;
    else if (field == QLatin1String("password"))
        f.txtPassword.text = value;
    else if (field == QLatin1String("bind"))
        w.a.end.setup = TransportPort::Setup::BindFailed;
    else if (field == QLatin1String("host"))
        w.a.end.setup = TransportPort::Setup::HostNotFound;
    w.a.dialogs.answers = {Answer::Yes};  // spaces around the password are removed
    network::onConnect(w.a.s);

    if (message == QLatin1String("warning")) {
        // The cipher's own warning; the panel stays as it was and nothing is sent.
        QCOMPARE(w.a.dialogs.warnings.size(), 1);
        QVERIFY(w.sent.isEmpty());
        QVERIFY(!w.a.end.isBound());
        QVERIFY(f.Command1.enabled && f.txtPassword.enabled);
    } else if (message.isEmpty()) {
        QCOMPARE(w.a.dialogs.notices, QStringList());
        QVERIFY(w.a.s.session.waitingForPeer);
        QCOMPARE(w.sent.size(), 1);
    } else {
        QCOMPARE(w.a.dialogs.notices, QStringList{message});
        QVERIFY(!w.a.s.session.waitingForPeer);
        QVERIFY(w.sent.isEmpty());
        QVERIFY(f.Command1.enabled && !f.Command4.enabled && f.txtPassword.enabled);
    }
}

QTEST_MAIN(TestProtocol)
#include "tst_protocol.moc"
