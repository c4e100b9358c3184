// Moyuta.ini: what loads, what is refused without a word, and safe saving.
#include "ExtraSettings.h"
#include "Types.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace moyuta;

class TestExtraSettings : public QObject {
    Q_OBJECT
private slots:
    void load_data();
    void load();
    void saveAndLoad_data();
    void saveAndLoad();
    void ownNameSaveAndLoad_data();
    void ownNameSaveAndLoad();
    void ownNameLoad_data();
    void ownNameLoad();
    void coordinateStyle_data();
    void coordinateStyle();
    void saveKeepsOtherKeys();
    void saveReplacesRefusedFile();
    void strangeFilesLeftAlone_data();
    void strangeFilesLeftAlone();
};

namespace {

struct Folder {
    QTemporaryDir dir;
    QString path() const { return QDir::toNativeSeparators(dir.path() + QLatin1Char('/')); }
    QString ini() const { return dir.filePath(settings::kExtraSettingsFileName); }
    void write(const QByteArray &bytes) const
    {
        QFile f(ini());
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    QByteArray read() const
    {
        QFile f(ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // "file" (the bytes), "none", "folder" or "fifo" at the file's place.
    bool make(const QString &kind, const QByteArray &bytes) const
    {
        if (kind == QLatin1String("file"))
            write(bytes);
        else if (kind == QLatin1String("folder"))
            return QDir().mkdir(ini());
        else if (kind == QLatin1String("fifo"))
            return ::mkfifo(QFile::encodeName(ini()).constData(), 0600) == 0;
        return true;
    }
};

const QByteArray kTicked = "[network]\nclassicProtocol=true\n";

}  // namespace

void TestExtraSettings::load_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("classic");

    QTest::newRow("no file") << "none" << QByteArray() << false;
    QTest::newRow("ticked") << "file" << kTicked << true;
    QTest::newRow("unticked") << "file" << QByteArray("[network]\nclassicProtocol=false\n") << false;
    QTest::newRow("CRLF lines, other keys around")
        << "file" << QByteArray("[network]\r\nfuture=1\r\nclassicProtocol=true\r\n[window]\r\nx=3\r\n") << true;
    QTest::newRow("empty") << "file" << QByteArray() << false;
    QTest::newRow("a word not ours") << "file" << QByteArray("[network]\nclassicProtocol=yes\n") << false;
    QTest::newRow("a number") << "file" << QByteArray("[network]\nclassicProtocol=1\n") << false;
    QTest::newRow("outside its group") << "file" << QByteArray("classicProtocol=true\n") << false;
    QTest::newRow("binary") << "file" << QByteArray::fromHex("00ff10fe5b0a3d3d00") + kTicked.left(9) << false;
    QTest::newRow("quoted") << "file" << QByteArray("[network]\nclassicProtocol=\"true\"\n") << false;
    QTest::newRow("escaped") << "file" << QByteArray("[network]\nclassicProtocol=\\x74rue\n") << false;
    QByteArray large = kTicked;
    large += QByteArray(settings::kMaxExtraSettingsBytes, ';');
    QTest::newRow("larger than any of ours") << "file" << large << false;
    // A list claiming 4294967295 entries: QDataStream would reserve room for them all.
    QTest::newRow("forged list length")
        << "file" << QByteArray("[network]\nclassicProtocol=@Variant(\\0\\0\\0\\t\\xff\\xff\\xff\\xff)\n") << false;
    QTest::newRow("forged list length, unescaped")
        << "file" << QByteArray("[network]\nclassicProtocol=@Variant(") + QByteArray("\0\0\0\t", 4)
               + QByteArray("\xc3\xbf\xc3\xbf\xc3\xbf\xc3\xbf)\n") << false;
    QTest::newRow("a folder") << "folder" << QByteArray() << false;
    QTest::newRow("a FIFO: no waiting for a writer") << "fifo" << QByteArray() << false;
}

void TestExtraSettings::load()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, classic);

    Folder folder;
    QVERIFY(folder.make(kind, bytes));
    QCOMPARE(settings::loadExtraSettings(folder.path()).classicProtocol, classic);
}

void TestExtraSettings::saveAndLoad_data()
{
    QTest::addColumn<bool>("classic");
    QTest::newRow("ticked") << true;
    QTest::newRow("unticked") << false;
}

void TestExtraSettings::saveAndLoad()
{
    QFETCH(bool, classic);

    Folder folder;
    ExtraSettings v;
    v.classicProtocol = classic;
    settings::saveExtraSettings(folder.path(), v);
    QVERIFY(folder.read().contains(classic ? "classicProtocol=true" : "classicProtocol=false"));
    QVERIFY(settings::loadExtraSettings(folder.path()) == v);
    QCOMPARE(QDir(folder.dir.path()).entryList(QDir::Files), QStringList{settings::kExtraSettingsFileName});
}

void TestExtraSettings::ownNameSaveAndLoad_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("Japanese") << "山田 太郎";
    QTest::newRow("what QSettings would quote or escape") << " \"a\\b\", c;d=e% ";
    QTest::newRow("none") << "";
}

// Any name comes back as it was, in a file that loading does not refuse.
void TestExtraSettings::ownNameSaveAndLoad()
{
    QFETCH(QString, name);
    Folder folder;
    ExtraSettings v;
    v.classicProtocol = true;
    v.ownName = name;
    settings::saveExtraSettings(folder.path(), v);
    const QByteArray text = folder.read();
    QVERIFY2(!text.contains('"') && !text.contains('\\'), text.constData());
    QCOMPARE(settings::loadExtraSettings(folder.path()).ownName, name);
    QVERIFY(settings::loadExtraSettings(folder.path()) == v);
}

void TestExtraSettings::ownNameLoad_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::newRow("percent-encoded") << QByteArray("[kifu]\nownName=%E5%B1%B1%E7%94%B0\n") << "山田";
    QTest::newRow("plain letters") << QByteArray("[kifu]\nownName=Sato\n") << "Sato";
    QTest::newRow("far too long") << "[kifu]\nownName=" + QByteArray(400, 'a') + "\n" << "";
    QTest::newRow("missing") << kTicked << "";
}

void TestExtraSettings::ownNameLoad()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    Folder folder;
    folder.write(bytes);
    QCOMPARE(settings::loadExtraSettings(folder.path()).ownName, name);
}

void TestExtraSettings::coordinateStyle_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("style");

    QTest::newRow("no key: なし") << QByteArray("[network]\nclassicProtocol=true\n") << 0;
    QTest::newRow("日本式") << QByteArray("[board]\ncoordinates=1\n") << 1;
    QTest::newRow("A〜T・1〜19") << QByteArray("[board]\ncoordinates=2\n") << 2;
    QTest::newRow("beyond the choices") << QByteArray("[board]\ncoordinates=3\n") << 0;
    QTest::newRow("negative") << QByteArray("[board]\ncoordinates=-1\n") << 0;
    QTest::newRow("a word") << QByteArray("[board]\ncoordinates=japanese\n") << 0;
    QTest::newRow("a fraction") << QByteArray("[board]\ncoordinates=1.5\n") << 0;
}

// The style read back, and written by a save so that the next start finds it.
void TestExtraSettings::coordinateStyle()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, style);

    Folder folder;
    folder.write(bytes);
    const ExtraSettings loaded = settings::loadExtraSettings(folder.path());
    QCOMPARE(loaded.coordinateStyle, style);

    ExtraSettings other = loaded;
    other.coordinateStyle = (style + 1) % kCoordinateStyleCount;
    settings::saveExtraSettings(folder.path(), other);
    QCOMPARE(settings::loadExtraSettings(folder.path()).coordinateStyle, other.coordinateStyle);
    QCOMPARE(settings::loadExtraSettings(folder.path()).classicProtocol, loaded.classicProtocol);
}

// Keys that later versions add survive a save by this one.
void TestExtraSettings::saveKeepsOtherKeys()
{
    Folder folder;
    folder.write("[window]\nx=30\n[network]\nclassicProtocol=true\nfuture=abc\n");
    settings::saveExtraSettings(folder.path(), ExtraSettings{});
    const QByteArray text = folder.read();
    QVERIFY(text.contains("classicProtocol=false"));
    QVERIFY(text.contains("x=30"));
    QVERIFY(text.contains("future=abc"));
}

// A file that loading refuses is not merged into the new one.
void TestExtraSettings::saveReplacesRefusedFile()
{
    Folder folder;
    folder.write("[network]\nclassicProtocol=@Variant(\\0\\0\\0\\t\\xff\\xff\\xff\\xff)\nother=\"q\"\n");
    ExtraSettings v;
    v.classicProtocol = true;
    settings::saveExtraSettings(folder.path(), v);
    QVERIFY(!folder.read().contains("@Variant"));
    QVERIFY(settings::loadExtraSettings(folder.path()).classicProtocol);
}

void TestExtraSettings::strangeFilesLeftAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a FIFO") << "fifo";
    QTest::newRow("no program folder") << "gone";
}

// Nothing is written, nothing blocks, nothing is said.
void TestExtraSettings::strangeFilesLeftAlone()
{
    QFETCH(QString, kind);

    Folder folder;
    QVERIFY(folder.make(kind, {}));
    const QString target = kind == QLatin1String("gone") ? folder.path() + QStringLiteral("gone/") : folder.path();
    ExtraSettings v;
    v.classicProtocol = true;
    settings::saveExtraSettings(target, v);
    const QFileInfo info(target + settings::kExtraSettingsFileName);
    if (kind == QLatin1String("folder"))
        QVERIFY(info.isDir());
    else if (kind == QLatin1String("fifo"))
        QVERIFY(info.exists() && !info.isFile() && !info.isDir());
    else
        QVERIFY(!info.exists());
}

QTEST_MAIN(TestExtraSettings)
#include "tst_extrasettings.moc"
