// Two window states on real UDP sockets on 127.0.0.1: the handshake and a move.
#include "Protocol.h"
#include "QtUdpTransport.h"
#include "Session.h"
#include "TestDoubles.h"

#include <QUdpSocket>
#include <QtTest>

using namespace moyuta;

class TestUdpSession : public QObject {
    Q_OBJECT
private slots:
    void connectAndMove();
};

namespace {

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

// Lets events run while a handler waits, as the program's pump does.
class RunningPump : public EventPumpPort {
public:
    void processEvents() override { QCoreApplication::processEvents(); }
    void pace(qint64 turns) override
    {
        QEventLoop loop;
        QTimer::singleShot(int(turns / 10000), &loop, &QEventLoop::quit);
        loop.exec();
    }
};

struct UdpPeer {
    test::ScriptedDialogs dialogs;
    RunningPump pump;
    network::NetworkOutbox outbox;
    test::CountingSound sound;
    test::FakeClock clock;
    ui::QtUdpTransport transport;
    test::FakeProgram program;
    test::FakeWindows windows;
    test::FakeNews news;
    AppState s{{dialogs, pump, outbox, sound, clock, transport, program, windows, news}};

    UdpPeer(quint16 peer, quint16 own)
    {
        board::installHandlers(s);
        board::setInitialState(s);
        outbox.attach(s);
        Form &f = s.form;
        f.txtPeerAddress.text = QStringLiteral("127.0.0.1");
        f.txtPeerPort.text = QString::number(peer);
        f.txtOwnPort.text = QString::number(own);
        f.txtPassword.text = QStringLiteral("abcdef");
        f.cboCipherNumber.text = QStringLiteral("12");
        s.shell.sendPacingCount = 500000;  // 50 ms after every send
    }
};

}  // namespace

void TestUdpSession::connectAndMove()
{
    const quint16 pa = freePort(), pb = freePort();
    UdpPeer a(pb, pa), b(pa, pb);
    network::onConnect(a.s);
    QVERIFY(a.s.session.waitingForPeer);
    network::onConnect(b.s);
    QTRY_VERIFY_WITH_TIMEOUT(a.s.session.authenticated && b.s.session.authenticated, 5000);
    QCOMPARE(a.s.session.activeCipherNumber, 12);

    board::onStart(a.s);  // "対局開始" on a, carried to b
    QVERIFY(a.s.board.gameStarted);
    QTRY_VERIFY_WITH_TIMEOUT(b.s.board.gameStarted, 5000);
    board::pressPoint(a.s, 72, board::MouseButton::Left);
    QTRY_COMPARE_WITH_TIMEOUT(b.s.board.points[72].content, PointContent::Black, 5000);
}

QTEST_MAIN(TestUdpSession)
#include "tst_udpsession.moc"
