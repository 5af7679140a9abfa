// The place table and the look-ups behind the province, city and
// postal-code boxes of the details page.
#include <QFile>
#include <QTest>

#include "JingWei.h"

using namespace JingWei;

namespace {

const QStringList kProvinceOrder = QString("安徽 北京 福建 甘肃 广东 广西 贵州 海南 河北 河南 黑龙江 湖北 "
                                           "湖南 吉林 江苏 江西 辽宁 内蒙古 宁夏 青海 山东 山西 陕西 上海 "
                                           "四川 天津 西藏 新疆 云南 浙江 重庆 台湾")
                                       .split(' ');

const QStringList kTableOrder = QString("安徽 北京 福建 甘肃 广东 广西 贵州 海南 河北 河南 黑龙江 湖北 "
                                        "湖南 吉林 江苏 江西 辽宁 内蒙古 宁夏 青海 山东 山西 陕西 上海 "
                                        "四川 台湾 天津 西藏 新疆 云南 浙江 重庆")
                                    .split(' ');

const int kCounts[] = {78, 9, 68, 82, 98, 88, 80, 20, 145, 130, 80, 83, 101, 48, 75, 92,
                       60, 88, 20, 42, 110, 106, 97, 10, 130, 30, 6, 24, 83, 126, 79, 32};

QString u(const char *utf8) { return QString::fromUtf8(utf8); }

}  // namespace

class TestJingWei : public QObject {
    Q_OBJECT

private slots:
    void tableMatchesPlaceList();
    void provinceList();
    void groupedByProvinceWithCounts();
    void noCityTwiceInAProvince();
    void listCities_data();
    void listCities();
    void findPlaceByZip_data();
    void findPlaceByZip();
    void findZip_data();
    void findZip();
    void provinceChanged();
    void cityChanged_data();
    void cityChanged();
    void zipChanged_data();
    void zipChanged();
};

// Every row of the place list the generator read is in the compiled table,
// in the same place, with the same values.
void TestJingWei::tableMatchesPlaceList()
{
    QFile file(QStringLiteral(KELO_SOURCE_DIR "/../shared/data/places.tsv"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        QSKIP("the place list is not beside the repository");
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.first(), QByteArray("City\tProvince\tZip\tAreaCode\tLongitude\tLatitude"));
    int row = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        QVERIFY2(row < PlaceCount, "more rows in the place list than in the table");
        const QList<QByteArray> f = lines[i].split('\t');
        QCOMPARE(f.size(), 6);
        const PlaceRecord &place = PlaceTable[row];
        const QByteArray where = "row " + QByteArray::number(row) + ": " + f[0];
        QVERIFY2(f[0] == place.City, where);
        QVERIFY2(f[1] == place.Province, where);
        QVERIFY2(f[2] == place.Zip, where);
        QVERIFY2(f[3] == place.AreaCode, where);
        QVERIFY2((f[4].isEmpty() ? 0.0 : f[4].toDouble()) == place.Longitude, where);
        QVERIFY2((f[5].isEmpty() ? 0.0 : f[5].toDouble()) == place.Latitude, where);
        ++row;
    }
    QCOMPARE(row, PlaceCount);
}

void TestJingWei::provinceList()
{
    QCOMPARE(Provinces(), kProvinceOrder);
}

void TestJingWei::groupedByProvinceWithCounts()
{
    QStringList runs;
    QList<int> counts;
    for (const PlaceRecord &place : PlaceTable) {
        const QString province = u(place.Province);
        if (runs.isEmpty() || runs.last() != province) {
            runs.append(province);
            counts.append(0);
        }
        ++counts.last();
    }
    QCOMPARE(runs, kTableOrder);
    QCOMPARE(counts, QList<int>(std::begin(kCounts), std::end(kCounts)));
    for (qsizetype i = 0; i < kTableOrder.size(); ++i)
        QCOMPARE(ListCities(kTableOrder[i]).size(), kCounts[i]);
}

void TestJingWei::noCityTwiceInAProvince()
{
    for (const QString &province : kProvinceOrder) {
        const QStringList cities = ListCities(province);
        QVERIFY2(QSet<QString>(cities.begin(), cities.end()).size() == cities.size(), qPrintable(province));
    }
}

void TestJingWei::listCities_data()
{
    QTest::addColumn<QString>("province");
    QTest::addColumn<QStringList>("cities");
    QTest::newRow("北京") << u("北京") << u("北京 通县 平台 顺义 怀柔 密云 延庆 昌平 大兴").split(' ');
    QTest::newRow("天津") << u("天津") << u("天津 宁河 静海 武清 宝坻 蓟县").split(' ');
    QTest::newRow("unknown") << u("火星") << QStringList();
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("part of a name") << u("黑龙") << QStringList();
    QTest::newRow("trailing blank") << u("北京 ") << QStringList();
}

void TestJingWei::listCities()
{
    QFETCH(QString, province);
    QFETCH(QStringList, cities);
    QCOMPARE(ListCities(province), cities);
}

void TestJingWei::findPlaceByZip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("province");
    QTest::addColumn<QString>("city");
    QTest::newRow("2331") << "2331" << true << u("安徽") << u("凤阳");
    QTest::newRow("1000") << "1000" << true << u("北京") << u("北京");
    QTest::newRow("shared code, first row") << "730000" << true << u("甘肃") << u("兰州");
    QTest::newRow("239000") << "239000" << true << u("安徽") << u("滁州");
    QTest::newRow("210000") << "210000" << true << u("江苏") << u("南京");
    QTest::newRow("no such code") << "0000" << false << QString() << QString();
    QTest::newRow("longer than any code") << "2331000" << false << QString() << QString();
    QTest::newRow("letters") << "abcd" << false << QString() << QString();
    QTest::newRow("Chinese") << u("凤阳县城") << false << QString() << QString();
}

void TestJingWei::findPlaceByZip()
{
    QFETCH(QString, text);
    QFETCH(bool, found);
    QFETCH(QString, province);
    QFETCH(QString, city);
    const std::optional<ZipPlace> place = FindPlaceByZip(text);
    QCOMPARE(place.has_value(), found);
    if (found) {
        QCOMPARE(place->Province, province);
        QCOMPARE(place->City, city);
    }
}

void TestJingWei::findZip_data()
{
    QTest::addColumn<QString>("province");
    QTest::addColumn<QString>("city");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("zip");
    QTest::newRow("南京") << u("江苏") << u("南京") << true << "210000";
    QTest::newRow("凤阳") << u("安徽") << u("凤阳") << true << "233100";
    QTest::newRow("红古区") << u("甘肃") << u("红古区") << true << "730000";
    QTest::newRow("台北, no code") << u("台湾") << u("台北") << true << "";
    QTest::newRow("wrong province") << u("安徽") << u("南京") << false << "";
    QTest::newRow("unknown city") << u("江苏") << u("南京市") << false << "";
    QTest::newRow("empty") << QString() << QString() << false << "";
}

void TestJingWei::findZip()
{
    QFETCH(QString, province);
    QFETCH(QString, city);
    QFETCH(bool, found);
    QFETCH(QString, zip);
    const std::optional<QString> result = FindZip(province, city);
    QCOMPARE(result.has_value(), found);
    if (found)
        QCOMPARE(*result, zip);
}

void TestJingWei::provinceChanged()
{
    const CityChoice anhui = ProvinceChanged(u("安徽"));
    QCOMPARE(anhui.Cities, ListCities(u("安徽")));
    QCOMPARE(anhui.ShownCity, u(PlaceTable[0].City));

    const CityChoice beijing = ProvinceChanged(u("北京"));
    QCOMPARE(beijing.Cities.size(), 9);
    QCOMPARE(beijing.ShownCity, u("北京"));

    const CityChoice unknown = ProvinceChanged(u("火星"));
    QVERIFY(unknown.Cities.isEmpty());
    QVERIFY(unknown.ShownCity.isEmpty());
}

void TestJingWei::cityChanged_data()
{
    QTest::addColumn<QString>("province");
    QTest::addColumn<QString>("city");
    QTest::addColumn<bool>("writes");
    QTest::addColumn<QString>("zip");
    QTest::newRow("南京") << u("江苏") << u("南京") << true << "210000";
    QTest::newRow("兰州") << u("甘肃") << u("兰州") << true << "730000";
    QTest::newRow("unknown city") << u("江苏") << u("火星") << false << "";
    // The table knows no code for 台湾: the empty code replaces that of the
    // place chosen before.
    QTest::newRow("台北") << u("台湾") << u("台北") << true << "";
}

void TestJingWei::cityChanged()
{
    QFETCH(QString, province);
    QFETCH(QString, city);
    QFETCH(bool, writes);
    QFETCH(QString, zip);
    const std::optional<QString> result = CityChanged(province, city);
    QCOMPARE(result.has_value(), writes);
    if (writes) {
        QCOMPARE(*result, zip);
        if (zip.isEmpty())
            return;
        // The code written back finds the same place again.
        const std::optional<ZipPlace> back = FindPlaceByZip(*result);
        QVERIFY(back.has_value());
        QCOMPARE(back->Province, province);
    }
}

void TestJingWei::zipChanged_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fills");
    QTest::addColumn<QString>("province");
    QTest::addColumn<QString>("city");
    QTest::newRow("three characters") << "233" << false << QString() << QString();
    QTest::newRow("one character") << "1" << false << QString() << QString();
    QTest::newRow("empty") << "" << false << QString() << QString();
    QTest::newRow("2331") << "2331" << true << u("安徽") << u("凤阳");
    QTest::newRow("1000") << "1000" << true << u("北京") << u("北京");
    QTest::newRow("730000") << "730000" << true << u("甘肃") << u("兰州");
    QTest::newRow("unknown") << "9999" << false << QString() << QString();
    QTest::newRow("odd text") << u("邮编：？") << false << QString() << QString();
}

void TestJingWei::zipChanged()
{
    QFETCH(QString, text);
    QFETCH(bool, fills);
    QFETCH(QString, province);
    QFETCH(QString, city);
    const std::optional<ZipFill> fill = ZipChanged(text);
    QCOMPARE(fill.has_value(), fills);
    if (fills) {
        QCOMPARE(fill->Province, province);
        QCOMPARE(fill->City, city);
        QCOMPARE(fill->Cities, ListCities(province));
        QVERIFY(fill->Cities.contains(city));
    }
}

QTEST_GUILESS_MAIN(TestJingWei)
#include "tst_jingwei.moc"
