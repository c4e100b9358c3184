// A move entry read and written in the record's form and the wire's form.
#include "MoveEntry.h"

#include <QTest>

using namespace moyuta;
using namespace moyuta::board;

Q_DECLARE_METATYPE(moyuta::board::RecordReading)
Q_DECLARE_METATYPE(moyuta::board::WireReading)

class MoveEntryTest : public QObject {
    Q_OBJECT
private slots:
    void recordForm_data();
    void recordForm();
    void wireForm_data();
    void wireForm();
    void contentOfTool_data();
    void contentOfTool();
};

void MoveEntryTest::recordForm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<RecordReading>("reading");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QList<int>>("fields");  // tool, point, removed, number
    QTest::addColumn<QString>("written");

    const auto both = [](const char *name, const QString &text, bool read, QList<int> fields, const QString &written) {
        for (RecordReading r : {RecordReading::TakeBack, RecordReading::Replay})
            QTest::addRow("%s, %s", name, r == RecordReading::TakeBack ? "take-back" : "replay")
                << text << r << read << fields << written;
    };
    both("stone", "1,60,0,1", true, {1, 60, 0, 1}, "1,60,0,1");
    both("removal", "0,60,2,15", true, {0, 60, 2, 15}, "0,60,2,15");
    both("two commas", "1,60,0", false, {}, {});
    both("empty", "", false, {}, {});
    both("cut to 11 characters", "1,360,0,1000", true, {1, 360, 0, 100}, "1,360,0,100");
    both("third comma cut off", "1,12345678,0,1", false, {}, {});
    both("tool's first digit", "12,60,0,1", true, {1, 60, 0, 1}, "1,60,0,1");
    both("tool not a digit", "x,60,0,1", true, {0, 60, 0, 1}, "0,60,0,1");
    both("trailing spaces", "1,60,0,1   ", true, {1, 60, 0, 1}, "1,60,0,1");
    both("a fifth field", "1,60,0,1,9", true, {1, 60, 0, 1}, "1,60,0,1");

    const auto one = [](const char *name, RecordReading r, const QString &text, bool read, QList<int> fields,
                        const QString &written) {
        QTest::addRow("%s, %s", name, r == RecordReading::TakeBack ? "take-back" : "replay")
            << text << r << read << fields << written;
    };
    one("point with letters", RecordReading::TakeBack, "1,6x,0,1", true, {1, -1, 0, 1}, "1,-1,0,1");
    one("point with letters", RecordReading::Replay, "1,6x,0,1", true, {1, 6, 0, 1}, "1,6,0,1");
    one("signed point", RecordReading::TakeBack, "1,+6,0,1", true, {1, -1, 0, 1}, "1,-1,0,1");
    one("signed point", RecordReading::Replay, "1,+6,0,1", true, {1, 0, 0, 1}, "1,0,0,1");
    one("two-digit removed", RecordReading::TakeBack, "0,60,12,5", true, {0, 60, 1, 5}, "0,60,1,5");
    one("two-digit removed", RecordReading::Replay, "0,60,12,5", true, {0, 60, 12, 5}, "0,60,12,5");
    one("removed after a space", RecordReading::TakeBack, "0,60, 2,5", true, {0, 60, 0, 5}, "0,60,0,5");
    one("removed after a space", RecordReading::Replay, "0,60, 2,5", true, {0, 60, 2, 5}, "0,60,2,5");
    one("number above 999", RecordReading::TakeBack, "1,60,0,1000", true, {1, 60, 0, 1000}, "1,60,0,1000");
    one("number above 999", RecordReading::Replay, "1,60,0,1000", false, {}, {});
}

void MoveEntryTest::recordForm()
{
    QFETCH(QString, text);
    QFETCH(RecordReading, reading);
    QFETCH(bool, read);
    QFETCH(QList<int>, fields);
    QFETCH(QString, written);

    const std::optional<MoveEntry> e = MoveEntry::fromRecord(text, reading);
    QCOMPARE(e.has_value(), read);
    if (!e)
        return;
    QCOMPARE(QList<int>({e->tool, e->point, e->removed, e->number}), fields);
    QCOMPARE(e->recordText(), written);
    // What is written reads back as the same entry.
    QCOMPARE(MoveEntry::fromRecord(written, reading), e);
}

void MoveEntryTest::wireForm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<WireReading>("reading");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QList<int>>("fields");  // tool, point, black, white, kind
    QTest::addColumn<QString>("written");

    const auto received = [](const char *name, const QString &text, bool read, QList<int> fields, const QString &written) {
        QTest::addRow("received %s", name) << text << WireReading::Received << read << fields << written;
    };
    received("stone", "1,60,0,0,0", true, {1, 60, 0, 0, 0}, "1,60,0,0,0");
    received("removal with counts", "0,60,3,2,1", true, {0, 60, 3, 2, 1}, "0,60,3,2,1");
    received("last point", "2,360,999,999,0", true, {2, 360, 999, 999, 0}, "2,360,999,999,0");
    received("point off the board", "1,361,0,0,0", false, {}, {});
    received("black count above 999", "1,60,1000,0,0", false, {}, {});
    received("white count above 999", "1,60,0,1000,0", false, {}, {});
    received("kind of seven digits", "1,60,0,0,1234567", false, {}, {});
    received("point not a number", "1,6x,0,0,0", false, {}, {});
    received("empty point", "1,,0,0,0", true, {1, 0, 0, 0, 0}, "1,0,0,0,0");
    received("empty kind", "1,60,0,0,", true, {1, 60, 0, 0, 0}, "1,60,0,0,0");
    received("leading zeros", "1,0060,0,0,0", true, {1, 60, 0, 0, 0}, "1,60,0,0,0");
    received("tool's first digit", "12,60,0,0,0", true, {1, 60, 0, 0, 0}, "1,60,0,0,0");
    received("a sixth field", "1,60,0,0,0,7", true, {1, 60, 0, 0, 0}, "1,60,0,0,0");

    const auto logged = [](const char *name, const QString &text, QList<int> fields, const QString &written) {
        QTest::addRow("logged %s", name) << text << WireReading::Logged << true << fields << written;
    };
    logged("stone", "1,60,0,0,0", {1, 60, 0, 0, 0}, "1,60,0,0,0");
    logged("removal", "0,60,3,2,2", {0, 60, 3, 2, 2}, "0,60,3,2,2");
    logged("empty point", "1,,0,0,0", {1, -1, 0, 0, 0}, "1,-1,0,0,0");
    logged("tool only", "1", {1, -1, 0, 0, 0}, "1,-1,0,0,0");
    logged("point far off the board", "1,1234567,0,0,0", {1, 1234567, 0, 0, 0}, "1,1234567,0,0,0");
}

void MoveEntryTest::wireForm()
{
    QFETCH(QString, text);
    QFETCH(WireReading, reading);
    QFETCH(bool, read);
    QFETCH(QList<int>, fields);
    QFETCH(QString, written);

    const std::optional<MoveEntry> e = MoveEntry::fromWire(text, reading);
    QCOMPARE(e.has_value(), read);
    if (!e)
        return;
    QCOMPARE(QList<int>({e->tool, e->point, e->blackPrisoners, e->whitePrisoners, e->removed}), fields);
    QCOMPARE(e->wireText(), written);
    if (e->point >= 0)
        QCOMPARE(MoveEntry::fromWire(written, reading), e);
}

void MoveEntryTest::contentOfTool_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<bool>("places");
    QTest::addColumn<PointContent>("content");
    QTest::newRow("removal") << int(ToolRemove) << false << PointContent::Empty;
    QTest::newRow("black") << int(ToolBlack) << true << PointContent::Black;
    QTest::newRow("white") << int(ToolWhite) << true << PointContent::White;
    QTest::newRow("triangle") << int(ToolTriangle) << true << PointContent::Triangle;
    QTest::newRow("diamond") << int(ToolDiamond) << true << PointContent::Diamond;
    QTest::newRow("letter D") << int(ToolLetterD) << true << PointContent::LetterD;
    QTest::newRow("past the tools") << 9 << false << PointContent::Empty;
    QTest::newRow("negative") << -1 << false << PointContent::Empty;
}

void MoveEntryTest::contentOfTool()
{
    QFETCH(int, tool);
    QFETCH(bool, places);
    QFETCH(PointContent, content);
    const std::optional<PointContent> placed = contentPlacedBy(tool);
    QCOMPARE(placed.has_value(), places);
    if (placed)
        QCOMPARE(*placed, content);
}

QTEST_APPLESS_MAIN(MoveEntryTest)
#include "tst_moveentry.moc"
