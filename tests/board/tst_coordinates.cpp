// The coordinate labels around the board and the names of points.
#include "Coordinates.h"

#include <QtTest>

using namespace moyuta;

class TestCoordinates : public QObject {
    Q_OBJECT
private slots:
    void labels_data();
    void labels();
    void pointNames_data();
    void pointNames();
    void noneAndOffBoard();
};

namespace {

QString columns(int style, int lines)
{
    QStringList all;
    for (int i = 0; i < lines; ++i)
        all << board::columnLabel(style, lines, i);
    return all.join(u' ');
}

QString rows(int style, int lines)
{
    QStringList all;
    for (int i = 0; i < lines; ++i)
        all << board::rowLabel(style, lines, i);
    return all.join(u' ');
}

}  // namespace

void TestCoordinates::labels_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("columns");  // left to right
    QTest::addColumn<QString>("rows");     // top to bottom

    const int jp = CoordinatesJapanese, en = CoordinatesLetters;
    QTest::newRow("日本式 19") << jp << 19 << "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19"
                             << "一 二 三 四 五 六 七 八 九 十 十一 十二 十三 十四 十五 十六 十七 十八 十九";
    QTest::newRow("日本式 13") << jp << 13 << "1 2 3 4 5 6 7 8 9 10 11 12 13"
                             << "一 二 三 四 五 六 七 八 九 十 十一 十二 十三";
    QTest::newRow("日本式 9") << jp << 9 << "1 2 3 4 5 6 7 8 9" << "一 二 三 四 五 六 七 八 九";
    QTest::newRow("A〜T 19") << en << 19 << "A B C D E F G H J K L M N O P Q R S T"
                            << "19 18 17 16 15 14 13 12 11 10 9 8 7 6 5 4 3 2 1";
    QTest::newRow("A〜T 13") << en << 13 << "A B C D E F G H J K L M N" << "13 12 11 10 9 8 7 6 5 4 3 2 1";
    QTest::newRow("A〜T 9") << en << 9 << "A B C D E F G H J" << "9 8 7 6 5 4 3 2 1";
}

void TestCoordinates::labels()
{
    QFETCH(int, style);
    QFETCH(int, lines);
    QFETCH(QString, columns);
    QFETCH(QString, rows);

    QCOMPARE(::columns(style, lines), columns);
    QCOMPARE(::rows(style, lines), rows);
}

void TestCoordinates::pointNames_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("point");
    QTest::addColumn<QString>("name");

    const int none = CoordinatesNone, jp = CoordinatesJapanese, en = CoordinatesLetters;
    QTest::newRow("upper-right 3-4, 日本式") << jp << 19 << pointIndex(3, 16) << "17の四";
    QTest::newRow("upper-right 3-4, A〜T") << en << 19 << pointIndex(3, 16) << "R16";
    QTest::newRow("upper-right 4-4, A〜T") << en << 19 << pointIndex(3, 15) << "Q16";
    QTest::newRow("lower-left corner, A〜T") << en << 19 << pointIndex(18, 0) << "A1";
    QTest::newRow("centre of 9, 日本式") << jp << 9 << pointIndex(4, 4) << "5の五";
    QTest::newRow("upper-right of 9, A〜T") << en << 9 << pointIndex(0, 8) << "J9";
    QTest::newRow("lower-right of 13, 日本式") << jp << 13 << pointIndex(12, 12) << "13の十三";
    QTest::newRow("lower-right of 13, A〜T") << en << 13 << pointIndex(12, 12) << "N1";
    QTest::newRow("なし speaks 日本式") << none << 19 << pointIndex(0, 0) << "1の一";
    QTest::newRow("outside a 9-line board") << jp << 9 << pointIndex(9, 0) << "";
    QTest::newRow("no point") << en << 19 << kPointCount << "";
}

void TestCoordinates::pointNames()
{
    QFETCH(int, style);
    QFETCH(int, lines);
    QFETCH(int, point);
    QFETCH(QString, name);

    QCOMPARE(board::pointName(style, lines, point), name);
}

// なし draws nothing; an index off the board has no label.
void TestCoordinates::noneAndOffBoard()
{
    QCOMPARE(columns(CoordinatesNone, 19), QString(18, u' '));
    QCOMPARE(rows(CoordinatesNone, 19), QString(18, u' '));
    for (int style : {int(CoordinatesJapanese), int(CoordinatesLetters)}) {
        QVERIFY(board::columnLabel(style, 9, 9).isEmpty());
        QVERIFY(board::rowLabel(style, 13, -1).isEmpty());
        QVERIFY(board::rowLabel(style, 13, 13).isEmpty());
    }
}

QTEST_MAIN(TestCoordinates)
#include "tst_coordinates.moc"
