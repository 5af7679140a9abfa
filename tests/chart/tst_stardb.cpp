// The explanation database "00.dll": every name the engine and the drawing
// can record has a row, the table opens read-only and matches names exactly,
// and make_stardb reads its source faithfully and refuses a faulty one.
#include "ChartBlocks.h"
#include "Gbk.h"
#include "KvrDraw.h"
#include "Names.h"
#include "RecordingCanvas.h"
#include "StarTable.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

namespace {

QString ItemName(int code)
{
    return FromGbk(QByteArray(star::ItemName(code)));
}

// The lookup names the drawing can record for the engine's item codes:
// palaces 23-34, 身 35, the stars 36-104 with the four transformations among
// them, and the 博士, 将前 and 岁前 cycles 105-140 with their digits.
QStringList LookupNamesOfTheEngine()
{
    QStringList names;
    for (int code = 23; code <= 104; ++code) {
        QString name = ItemName(code);
        if (name == QStringLiteral("截正") || name == QStringLiteral("截傍"))
            name = QStringLiteral("截空");
        if (name == QStringLiteral("旬正") || name == QStringLiteral("旬傍"))
            name = QStringLiteral("旬空");
        names << name;
    }
    for (int code = 105; code <= 140; ++code)
        names << ItemName(code) + QString::number((code - 105) / 12 + 1);
    names.removeDuplicates();
    return names;
}

QByteArray Sha1(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
}

}  // namespace

class TestStarDb : public QObject {
    Q_OBJECT
private slots:
    void everyEngineNameHasARow();
    void everyNameDrawnInRealChartsHasARow();
    void exactLookups_data();
    void exactLookups();
    void opensReadOnly();
    void refusesMissingDamagedAndForeignFiles();
    void makeStardbReadsItsSource();
    void makeStardbRefusesFaultySources_data();
    void makeStardbRefusesFaultySources();

private:
    QTemporaryDir dir;
};

void TestStarDb::everyEngineNameHasARow()
{
    StarTable table;
    QVERIFY(table.Open(QStringLiteral(KELO_STAR_DB)));
    const QStringList names = LookupNamesOfTheEngine();
    QVERIFY(names.contains(QStringLiteral("病符1")) && names.contains(QStringLiteral("病符3")));
    QVERIFY(names.contains(QStringLiteral("禄")) && names.contains(QStringLiteral("身")));
    QStringList missing;
    for (const QString &name : names)
        if (!table.Lookup(name) || table.Lookup(name)->trimmed().isEmpty())
            missing << name;
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(' ')));
    QVERIFY(table.Lookup(QString::fromLatin1(StarTable::kNoEntryName)).has_value());
}

void TestStarDb::everyNameDrawnInRealChartsHasARow()
{
    StarTable table;
    QVERIFY(table.Open(QStringLiteral(KELO_STAR_DB)));
    QSet<QString> recorded;
    // Births over a lunar cycle of years, every month, every double hour, both sexes.
    for (int year = 0; year < 60; ++year) {
        for (int month = 0; month < 12; month += 5) {
            const double birth = 800.0 + year * 365.2422 + month * 30.4 + 0.5 / 24;
            for (int hour = 0; hour < 24; hour += 2) {
                ChartBlocks b;
                std::memset(b.text, 0, sizeof b.text);
                Dll_Pan(birth + hour / 24.0 + year * 0.01, (year + hour) & 1, 1, b.palaces, b.header(), b.pillars(),
                        b.luck());
                RecordingCanvas canvas;
                TKeloDraw draw;
                draw.SetCanvas(&canvas);
                canvas.setFontHeight(-14);
                draw.SetOrigin(1, 1);
                draw.SetChartData(b.palaces, b.header(), b.pillars(), b.luck());
                draw.Draw();
                for (int i = 0; i < draw.HitCount; ++i)
                    recorded.insert(draw.HitRegions[i].Name);
            }
        }
    }
    QStringList missing;
    for (const QString &name : recorded)
        if (!table.Lookup(name))
            missing << name;
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(' ')));
    QVERIFY(recorded.size() > 100);
    QVERIFY(recorded.contains(QStringLiteral("截空")));
    QVERIFY(recorded.contains(QStringLiteral("旬空")));
}

void TestStarDb::exactLookups_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");
    QTest::newRow("紫微") << "紫微" << true;
    QTest::newRow("病符1") << "病符1" << true;
    QTest::newRow("病符 alone") << "病符" << false;
    QTest::newRow("part of a name") << "紫" << false;
    QTest::newRow("trailing space") << "紫微 " << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("quote") << "紫'微" << false;
}

void TestStarDb::exactLookups()
{
    QFETCH(QString, name);
    QFETCH(bool, found);
    StarTable table;
    QVERIFY(table.Open(QStringLiteral(KELO_STAR_DB)));
    QCOMPARE(table.Lookup(name).has_value(), found);
}

void TestStarDb::opensReadOnly()
{
    const QString copy = dir.filePath("00.dll");
    QFile::remove(copy);
    QVERIFY(QFile::copy(QStringLiteral(KELO_STAR_DB), copy));
    const QByteArray before = Sha1(copy);
    {
        StarTable table;
        QVERIFY(table.Open(copy));
        QVERIFY(table.Lookup(QStringLiteral("天府")));
        // A write through the same connection is refused.
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(copy).constData(), &db, SQLITE_OPEN_READONLY, nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "DELETE FROM star", nullptr, nullptr, nullptr), SQLITE_READONLY);
        sqlite3_close(db);
    }
    QCOMPARE(Sha1(copy), before);
    // A read-only file opens too.
    QVERIFY(QFile::setPermissions(copy, QFileDevice::ReadOwner));
    StarTable table;
    QVERIFY(table.Open(copy));
    QVERIFY(table.Lookup(QStringLiteral("天府")));
}

void TestStarDb::refusesMissingDamagedAndForeignFiles()
{
    StarTable table;
    QVERIFY(!table.Open(dir.filePath("missing.dll")));
    QVERIFY(!table.IsOpen());
    QVERIFY(!table.Lookup(QStringLiteral("紫微")));

    QFile junk(dir.filePath("junk.dll"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(8192, 'k'));
    junk.close();
    QVERIFY(!table.Open(junk.fileName()));

    // Half of a real file.
    QFile real(QStringLiteral(KELO_STAR_DB));
    QVERIFY(real.open(QIODevice::ReadOnly));
    QFile cut(dir.filePath("cut.dll"));
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(real.read(real.size() / 2));
    cut.close();
    if (table.Open(cut.fileName()))
        table.Lookup(QStringLiteral("紫微"));  // may answer or not, but must not crash
    table.Close();

    const QString foreign = dir.filePath("foreign.dll");
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(foreign).constData(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "CREATE TABLE Users (ID INTEGER)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    QVERIFY(!table.Open(foreign));
    QVERIFY(!table.Open(dir.path()));  // a folder
}

void TestStarDb::makeStardbReadsItsSource()
{
    const QString source = dir.filePath("stars.txt"), target = dir.filePath("made.dll");
    QFile f(source);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("# comment before\n"
            "[*]\n"
            "none\n"
            "[紫微]\n"
            "\n"
            "first paragraph\n"
            "# a comment inside\n"
            "\n"
            "second paragraph\r\n"
            "\n"
            "\n"
            "[病符1]\n"
            "text [not a name] here\n");
    f.close();
    QCOMPARE(QProcess::execute(QStringLiteral(KELO_MAKE_STARDB), {source, target}), 0);
    StarTable table;
    QVERIFY(table.Open(target));
    QCOMPARE(table.Lookup(QStringLiteral("*")).value_or("?"), QStringLiteral("none"));
    QCOMPARE(table.Lookup(QStringLiteral("紫微")).value_or("?"), QStringLiteral("first paragraph\n\nsecond paragraph"));
    QCOMPARE(table.Lookup(QStringLiteral("病符1")).value_or("?"), QStringLiteral("text [not a name] here"));
    QVERIFY(!QFile::exists(target + ".tmp"));

    // The unique index byName exists.
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open_v2(QFile::encodeName(target).constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt *st = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, "PRAGMA index_list(star)", -1, &st, nullptr), SQLITE_OK);
    bool uniqueByName = false;
    while (sqlite3_step(st) == SQLITE_ROW)
        if (QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(st, 1))) == "byName")
            uniqueByName = sqlite3_column_int(st, 2) == 1;
    QVERIFY(uniqueByName);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

void TestStarDb::makeStardbRefusesFaultySources_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::newRow("twice the same name") << QByteArray("[紫微]\na\n[紫微]\nb\n");
    QTest::newRow("name not in GBK") << QByteArray("[\xf0\x9f\x98\x80]\na\n");
    QTest::newRow("text not in GBK") << QByteArray("[紫微]\n\xf0\x9f\x98\x80\n");
    QTest::newRow("name longer than 32 bytes") << QByteArray("[紫微紫微紫微紫微紫微紫微紫微紫微紫]\na\n");
    QTest::newRow("text before the first name") << QByteArray("stray\n[紫微]\na\n");
    QTest::newRow("empty name") << QByteArray("[]\na\n");
}

void TestStarDb::makeStardbRefusesFaultySources()
{
    QFETCH(QByteArray, source);
    const QString file = dir.filePath("bad.txt"), target = dir.filePath("bad.dll");
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(source);
    f.close();
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    QProcess tool;
    tool.start(QStringLiteral(KELO_MAKE_STARDB), {file, target});
    QVERIFY(tool.waitForFinished());
    QCOMPARE(tool.exitCode(), 1);
    QVERIFY(!tool.readAllStandardError().isEmpty());
    QCOMPARE(Sha1(target), QCryptographicHash::hash("old", QCryptographicHash::Sha1));  // left untouched
}

QTEST_GUILESS_MAIN(TestStarDb)
#include "tst_stardb.moc"
