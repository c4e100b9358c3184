// Two real copies play a network game; each keeps it as SGF in its own
// Documents. One is killed in the middle of the game: its kifu still loads in
// GNU Go with every stone up to the last move.
#include "E2eProcesses.h"
#include "../record/GnuGo.h"

#include <QDir>

using namespace e2e;
using moyuta::test::Stones;

class TestKifuEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void keptThroughAKill_data();
    void keptThroughAKill();
};

namespace {

// The one kifu in a driver's folder (empty when there is not exactly one).
QString onlyKifu(const QString &tmp)
{
    const QDir folder(Driver::kifuFolder(tmp));
    const QStringList files = folder.entryList({QStringLiteral("*.sgf")}, QDir::Files);
    return files.size() == 1 ? folder.filePath(files.first()) : QString();
}

QString textOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

Stones stones(QStringList black, QStringList white)
{
    black.sort();
    white.sort();
    return Stones{black, white, {}};
}

}  // namespace

void TestKifuEndToEnd::keptThroughAKill_data()
{
    QTest::addColumn<bool>("classic");
    QTest::newRow("secure") << false;
    QTest::newRow("classic") << true;
}

void TestKifuEndToEnd::keptThroughAKill()
{
    QFETCH(bool, classic);
    Folders dir;
    QVERIFY(dir.make());
    const quint16 pa = freePort(), pb = freePort();
    Driver a, b;
    QVERIFY(a.start(dir("a"), dir("a-tmp")));
    QVERIFY(b.start(dir("b"), dir("b-tmp")));
    QVERIFY(connectBoth(a, pa, pb, b, pb, pa, classic));
    a.send(QStringLiteral("aset txtOwnName 山田"));
    b.send(QStringLiteral("aset txtOwnName 鈴木"));
    QVERIFY(startGame(a, b));

    // Black 60 and 62 from a, white 61 from b (60 = D16, 61 = E16, 62 = F16), and a prisoner count.
    const QString P = QStringLiteral("point ");
    QVERIFY(a.act(QStringLiteral("press 60"), P + "60", is(point(60, 1))));
    QVERIFY(b.act(QStringLiteral("click Option1_1"), QStringLiteral("checked Option1_1"), has(QStringLiteral(" 1"))));
    QVERIFY(b.poll(P + "60", is(point(60, 1))));
    QVERIFY(b.act(QStringLiteral("press 61"), P + "61", is(point(61, 2))));
    QVERIFY(a.poll(P + "61", is(point(61, 2))));
    QVERIFY(a.act(QStringLiteral("press 62"), P + "62", is(point(62, 1))));
    QVERIFY(a.act(QStringLiteral("spin UpDown1 1"), QStringLiteral("game"), has(QStringLiteral("white=1"))));
    QVERIFY(!inStep(a, b).isEmpty());

    a.kill();  // SIGKILL: nothing runs after the last move
    const QString kept = onlyKifu(dir("a-tmp"));
    QVERIFY2(!kept.isEmpty(), qPrintable(QDir(Driver::kifuFolder(dir("a-tmp"))).entryList().join(u' ')));
    const QString name = QFileInfo(kept).fileName();
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d_\\d{4}_127\\.0\\.0\\.1\\.sgf$")).match(name).hasMatch(),
             qPrintable(name));
    const QString text = textOf(kept);
    // The secure session tells each side the other's name; the classic wire does not.
    const QString peerOfA = classic ? QStringLiteral("相手") : QStringLiteral("鈴木");
    const QString peerOfB = classic ? QStringLiteral("相手") : QStringLiteral("山田");
    QVERIFY2(text.contains(QStringLiteral("PB[山田]PW[%1]").arg(peerOfA)), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("C[アゲハマ 黒石 0 白石 1]")), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("RE[")), qPrintable(text));
    const Stones expected = stones({QStringLiteral("D16"), QStringLiteral("F16")}, {QStringLiteral("E16")});
    QCOMPARE(moyuta::test::gnuGoStones(kept), expected);

    // The other copy kept the same game, with its own name on the other colour.
    const QString other = onlyKifu(dir("b-tmp"));
    QVERIFY(!other.isEmpty());
    QVERIFY2(textOf(other).contains(QStringLiteral("PB[%1]PW[鈴木]").arg(peerOfB)), qPrintable(textOf(other)));
    QCOMPARE(moyuta::test::gnuGoStones(other), expected);
    b.send(QStringLiteral("close"));
}

QTEST_GUILESS_MAIN(TestKifuEndToEnd)
#include "tst_kifu_e2e.moc"
