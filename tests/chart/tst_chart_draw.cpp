// The chart board drawn on a recording canvas: geometry, the positions and
// colours of every palace item, hit regions and their lookup names, and the
// drawing's failures.
#include "ChartBlocks.h"
#include "KeloError.h"
#include "KvrDraw.h"
#include "RecordingCanvas.h"

#include <QtTest>
#include <star.h>

namespace {

const QColor kPurple(128, 0, 128), kRed(255, 0, 0), kGreen(0, 128, 0), kWhite(255, 255, 255), kBlack(0, 0, 0);

// The screen set-up of the chart page: 14-pixel character height, origin (1, 1).
void ScreenSetup(TKeloDraw &draw, RecordingCanvas &canvas)
{
    draw.SetCanvas(&canvas);
    canvas.setFontCharset(kGb2312Charset);
    canvas.setFontName(kSongTi);
    canvas.setFontHeight(-14);
    draw.SetOrigin(1, 1);
}

const RecordingCanvas::Call *FindText(const RecordingCanvas &canvas, const QString &text, int nth = 0)
{
    for (const auto &c : canvas.calls)
        if (c.op == QLatin1String("textOut") && c.text == text && nth-- == 0)
            return &c;
    return nullptr;
}

QList<HitRegion> Regions(const TKeloDraw &draw)
{
    return QList<HitRegion>(draw.HitRegions.begin(), draw.HitRegions.begin() + draw.HitCount);
}

const HitRegion *FindRegion(const TKeloDraw &draw, const QString &name)
{
    for (int i = 0; i < draw.HitCount; ++i)
        if (draw.HitRegions[i].Name == name)
            return &draw.HitRegions[i];
    return nullptr;
}

}  // namespace

class TestChartDraw : public QObject {
    Q_OBJECT
private slots:
    void geometry_data();
    void geometry();
    void setCanvasPutsOriginAt13And10();
    void roundingHalvesToEven_data();
    void roundingHalvesToEven();
    void palaceItemPositionsAndColours();
    void hitRegionsOfAPalace();
    void emptySlotsKeepTheColumnPositions();
    void fullWidthSpaceSlotsDrawNothing();
    void lookupNames();
    void hitTestEdgesAndOverlaps();
    void hitRegionsBeyondTheLimitAreDropped();
    void cellTexts_data();
    void cellTexts();
    void middleBlock();
    void luckCellZeroMustBeANumber_data();
    void luckCellZeroMustBeANumber();
    void printerDrawingKeepsTheScreenHitList();
    void realChartFromTheEngine();
    void setChartDataCopiesTheBlocks();
};

void TestChartDraw::geometry_data()
{
    QTest::addColumn<int>("fontPpi");
    QTest::addColumn<int>("points");  // 0: height given in pixels
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("C");
    QTest::addColumn<int>("P");
    QTest::addColumn<int>("cellW");
    QTest::addColumn<int>("cellH");
    QTest::addColumn<bool>("hits");
    QTest::newRow("screen 14 px") << 96 << 0 << -14 << 14 << 1 << 180 << 128 << true;
    QTest::newRow("13 px uses the small cells") << 96 << 0 << -13 << 13 << 1 << 156 << 117 << true;
    QTest::newRow("15 px records no hits") << 96 << 0 << -15 << 15 << 1 << 193 << 137 << false;
    QTest::newRow("11 pt at 600 dpi") << 600 << 11 << 0 << 92 << 6 << 1183 << 841 << false;
    QTest::newRow("11 pt at 300 dpi") << 300 << 11 << 0 << 46 << 3 << 591 << 421 << false;
    QTest::newRow("P 144/96 = 1.5 rounds to 2") << 144 << 0 << -14 << 14 << 2 << 180 << 128 << true;
    QTest::newRow("P 240/96 = 2.5 rounds to 2") << 240 << 0 << -14 << 14 << 2 << 180 << 128 << true;
}

void TestChartDraw::geometry()
{
    QFETCH(int, fontPpi);
    QFETCH(int, points);
    QFETCH(int, height);
    RecordingCanvas canvas(fontPpi, 96);
    TKeloDraw draw;
    draw.SetCanvas(&canvas);
    if (points)
        canvas.setFontSize(points);
    else
        canvas.setFontHeight(height);
    draw.SetOrigin(1, 1);
    QFETCH(int, C);
    QFETCH(int, P);
    QFETCH(int, cellW);
    QFETCH(int, cellH);
    QFETCH(bool, hits);
    QCOMPARE(draw.CharHeight, C);
    QCOMPARE(draw.PenWidth, P);
    QCOMPARE(draw.CellWidth, cellW);
    QCOMPARE(draw.CellHeight, cellH);
    QCOMPARE(draw.ChartWidth, 4 * draw.CellWidth);
    QCOMPARE(draw.ChartHeight, 4 * draw.CellHeight);
    QCOMPARE(draw.RecordHits, hits);
    if (QTest::currentDataTag() == QLatin1String("screen 14 px")) {
        QCOMPARE(draw.ChartWidth, 720);
        QCOMPARE(draw.ChartHeight, 512);
    }
    if (QTest::currentDataTag() == QLatin1String("11 pt at 600 dpi")) {
        QCOMPARE(draw.ChartWidth, 4732);
        QCOMPARE(draw.ChartHeight, 3364);
    }
}

void TestChartDraw::setCanvasPutsOriginAt13And10()
{
    RecordingCanvas canvas;
    TKeloDraw draw;
    QCOMPARE(draw.LifePalace, 0);
    QCOMPARE(draw.HitCount, 0);
    draw.SetCanvas(&canvas);
    QCOMPARE(draw.OriginX, 13);
    QCOMPARE(draw.OriginY, 10);
}

void TestChartDraw::roundingHalvesToEven_data()
{
    QTest::addColumn<qint64>("a");
    QTest::addColumn<qint64>("b");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("5/2") << qint64(5) << qint64(2) << qint64(2);
    QTest::newRow("7/2") << qint64(7) << qint64(2) << qint64(4);
    QTest::newRow("-5/2") << qint64(-5) << qint64(2) << qint64(-2);
    QTest::newRow("-7/2") << qint64(-7) << qint64(2) << qint64(-4);
    QTest::newRow("1260/7") << qint64(1260) << qint64(7) << qint64(180);
    QTest::newRow("0.28 x 180") << qint64(180 * 28) << qint64(100) << qint64(50);
    QTest::newRow("1.8 x 14") << qint64(14 * 18) << qint64(10) << qint64(25);
    QTest::newRow("0.5") << qint64(1) << qint64(2) << qint64(0);
    QTest::newRow("1.5") << qint64(3) << qint64(2) << qint64(2);
}

void TestChartDraw::roundingHalvesToEven()
{
    QFETCH(qint64, a);
    QFETCH(qint64, b);
    QFETCH(qint64, expected);
    QCOMPARE(TKeloDraw::RoundHalfEven(a, b), expected);
}

// Palace 巳 (index 6) sits in the top-left cell, so its offsets are measured
// from the origin (1, 1).
void TestChartDraw::palaceItemPositionsAndColours()
{
    ChartBlocks b;
    const QStringList stars = {"紫微", "天机", "太阳", "武曲", "天同", "廉贞", "天府", "太阴", "贪狼", "巨门"};
    for (int s = 0; s < 10; ++s) {
        b.slot(6, s, stars[s], 1);
        b.slot(6, 10 + s, QString(QChar(0x4e00 + s)), 5);  // 一 丁 ... one character each
        b.slot(6, 20 + s, QStringLiteral("禄"), 10);
    }
    b.slot(6, 50, QStringLiteral("博士"));
    b.slot(6, 51, QStringLiteral("将星"));
    b.slot(6, 52, QStringLiteral("岁建"));
    b.slot(6, 53, QStringLiteral("长生"));
    b.slot(6, 54, QStringLiteral("丙寅"));
    b.slot(6, 55, QStringLiteral("迁移"), 66);
    b.slot(6, 56, QStringLiteral("身"), 13);

    RecordingCanvas canvas;
    TKeloDraw draw;
    ScreenSetup(draw, canvas);
    draw.SetChartData(b.palaces, b.header(), b.pillars(), b.luck());
    draw.Draw();

    const int ox = 1, oy = 1;
    for (int s = 0; s < 10; ++s) {
        const int x = ox + 163 - 15 * s;
        const RecordingCanvas::Call *first = nullptr, *second = nullptr;
        for (const auto &c : canvas.calls) {
            if (c.op != QLatin1String("textOut") || c.x != x)
                continue;
            if (c.y == oy + 4)
                first = &c;
            if (c.y == oy + 18)
                second = &c;
        }
        QVERIFY2(first && second, qPrintable(stars[s]));
        QCOMPARE(first->text, stars[s].left(1));
        QCOMPARE(second->text, stars[s].mid(1, 1));
        QCOMPARE(first->fontColor, kPurple);
        QCOMPARE(first->brushColor, kWhite);
        const auto *bright = FindText(canvas, QString(QChar(0x4e00 + s)));
        QVERIFY(bright);
        QCOMPARE(QPoint(bright->x, bright->y), QPoint(x, oy + 34));
        QCOMPARE(bright->fontColor, kRed);
        const auto *mark = FindText(canvas, QStringLiteral("禄"), s);
        QVERIFY(mark);
        QCOMPARE(QPoint(mark->x, mark->y), QPoint(x, oy + 66));
        QCOMPARE(mark->fontColor, kWhite);
        QCOMPARE(mark->brushColor, kGreen);
    }
    const QList<QPair<QString, QPoint>> fixed = {
        {"博", {4, 96}},  {"士", {4, 110}}, {"将", {19, 96}}, {"岁", {34, 96}},
        {"迁移", {76, 96}}, {"66-76", {76, 110}}, {"身", {104, 96}},
        {"丙", {163, 96}}, {"寅", {163, 110}}, {"长", {148, 96}}, {"生", {148, 110}}};
    for (const auto &[text, at] : fixed) {
        const auto *c = FindText(canvas, text);
        QVERIFY2(c, qPrintable(text));
        QCOMPARE(QPoint(c->x, c->y), at + QPoint(ox, oy));
    }
    QCOMPARE(FindText(canvas, QStringLiteral("身"))->fontColor, kRed);
    QCOMPARE(FindText(canvas, QStringLiteral("迁移"))->fontColor, kBlack);

    // The same palace record in 子 (index 1, column 2, row 3) moves by whole cells.
    ChartBlocks z;
    z.slot(1, 0, QStringLiteral("七杀"), 1);
    RecordingCanvas c2;
    TKeloDraw d2;
    ScreenSetup(d2, c2);
    d2.SetChartData(z.palaces, z.header(), z.pillars(), z.luck());
    d2.Draw();
    const auto *qi = FindText(c2, QStringLiteral("七"));
    QVERIFY(qi);
    QCOMPARE(QPoint(qi->x, qi->y), QPoint(ox + 2 * 180 + 163, oy + 3 * 128 + 4));
}

void TestChartDraw::hitRegionsOfAPalace()
{
    ChartBlocks b;
    b.slot(6, 0, QStringLiteral("紫微"), 1);
    b.slot(6, 10, QStringLiteral("庙"), 5);
    b.slot(6, 20, QStringLiteral("权"), 10);
    b.slot(6, 50, QStringLiteral("博士"));
    b.slot(6, 53, QStringLiteral("长生"));
    b.slot(6, 54, QStringLiteral("丁巳"));
    b.slot(6, 56, QStringLiteral("身"), 13);
    RecordingCanvas canvas;
    TKeloDraw draw;
    ScreenSetup(draw, canvas);
    draw.SetChartData(b.palaces, b.header(), b.pillars(), b.luck());
    draw.Draw();

    auto rect = [](const HitRegion *r) { return QRect(QPoint(r->Left, r->Top), QPoint(r->Right, r->Bottom)); };
    QVERIFY(FindRegion(draw, "紫微"));
    QCOMPARE(rect(FindRegion(draw, "紫微")), QRect(QPoint(164, 5), QPoint(178, 33)));
    QCOMPARE(rect(FindRegion(draw, "权")), QRect(QPoint(164, 67), QPoint(178, 81)));
    QCOMPARE(rect(FindRegion(draw, "博士1")), QRect(QPoint(5, 97), QPoint(19, 125)));
    QCOMPARE(rect(FindRegion(draw, "疾厄")), QRect(QPoint(77, 97), QPoint(105, 111)));
    QCOMPARE(rect(FindRegion(draw, "身")), QRect(QPoint(105, 97), QPoint(119, 111)));
    // Brightness, stem and branch, the 长生 stage and the middle block are not clickable.
    QVERIFY(!FindRegion(draw, "庙"));
    QVERIFY(!FindRegion(draw, "丁巳"));
    QVERIFY(!FindRegion(draw, "长生"));
    for (const HitRegion &r : Regions(draw))
        QVERIFY2(!QRect(182, 130, 360, 256).contains(r.Left, r.Top), qPrintable(r.Name));
    // Twelve palace names, plus the five items above that are clickable.
    QCOMPARE(draw.HitCount, 12 + 4);
}

void TestChartDraw::emptySlotsKeepTheColumnPositions()
{
    ChartBlocks b;
    b.slot(3, 0, QStringLiteral("天府"), 1);
    b.slot(3, 1, QStringLiteral("文昌"), 2);
    b.slot(3, 2, QStringLiteral("天马"), 4);
    b.slot(3, 12, QStringLiteral("旺"), 5);  // brightness of the third star only
    RecordingCanvas canvas;
    TKeloDraw draw;
    ScreenSetup(draw, canvas);
    draw.SetChartData(b.palaces, b.header(), b.pillars(), b.luck());
    draw.Draw();
    // 寅 is column 0, row 3.
    const int cellX = 1, cellY = 1 + 3 * 128;
    QCOMPARE(FindText(canvas, "天", 0)->x, cellX + 163);
    QCOMPARE(FindText(canvas, "文")->x, cellX + 148);
    QCOMPARE(FindText(canvas, "马")->x, cellX + 133);
    QCOMPARE(QPoint(FindText(canvas, "旺")->x, FindText(canvas, "旺")->y), QPoint(cellX + 133, cellY + 34));
    int starTexts = 0;
    for (const auto &c : canvas.callsOf("textOut"))
        if (c.y >= cellY + 4 && c.y < cellY + 80 && c.x < 181)
            ++starTexts;
    QCOMPARE(starTexts, 7);  // three names of two characters and one mark
    QCOMPARE(Regions(draw).size(), 12 + 3);
}

void TestChartDraw::fullWidthSpaceSlotsDrawNothing()
{
    ChartBlocks b;
    b.slot(2, 9, QStringLiteral("\u3000"));
    b.slot(2, 19, QStringLiteral("\u3000"));
    b.slot(2, 29, QStringLiteral("\u3000科"));
    RecordingCanvas canvas;
    TKeloDraw draw;
    ScreenSetup(draw, canvas);
    draw.SetChartData(b.palaces, b.header(), b.pillars(), b.luck());
    draw.Draw();
    for (const auto &c : canvas.callsOf("textOut")) {
        QVERIFY(c.text != QStringLiteral("\u3000"));
        QVERIFY(c.text != QStringLiteral("科"));
    }
    QCOMPARE(draw.HitCount, 12);
    draw.AddHitRegion(QStringLiteral("\u3000"), 0, 0, 10, 10);
    draw.AddHitRegion(QString(), 0, 0, 10, 10);
    QCOMPARE(draw.HitCount, 12);
}

void TestChartDraw::lookupNames()
{
    ChartBlocks b;
    b.slot(5, 50, QStringLiteral("病符"));  // 博士 cycle
    b.slot(5, 51, QStringLiteral("将星"));
    b.slot(5, 52, QStringLiteral("病符"));  // 岁前 cycle
    b.slot(5, 3, QStringLiteral("截正"));
    b.slot(7, 4, QStringLiteral("截傍"));
    b.slot(8, 5, QStringLiteral("旬正"));
    b.slot(9, 6, QStringLiteral("旬傍"));
    RecordingCanvas canvas;
    TKeloDraw draw;
    ScreenSetup(draw, canvas);
    draw.SetChartData(b.palaces, b.header(), b.pillars(), b.luck());
    draw.Draw();
    QStringList names;
    for (const HitRegion &r : Regions(draw))
        names << r.Name;
    for (const char *n : {"病符1", "将星2", "病符3"})
        QVERIFY2(names.contains(QString::fromUtf8(n)), n);
    QCOMPARE(names.count(QStringLiteral("截空")), 2);
    QCOMPARE(names.count(QStringLiteral("旬空")), 2);
    QVERIFY(!names.contains(QStringLiteral("截正")) && !names.contains(QStringLiteral("旬傍")));
    // The drawn text keeps its own characters.
    QVERIFY(FindText(canvas, QStringLiteral("正")));
    QVERIFY(FindText(canvas, QStringLiteral("傍")));
}

void TestChartDraw::hitTestEdgesAndOverlaps()
{
    RecordingCanvas canvas;
    TKeloDraw draw;
    ScreenSetup(draw, canvas);
    draw.AddHitRegion(QStringLiteral("紫微"), 100, 100, 14, 28);      // 100..114 × 100..128
    draw.AddHitRegion(QStringLiteral("天机"), 110, 120, 14, 28);      // overlaps the lower right
    struct Case { int x, y; const char *expected; } cases[] = {
        {107, 110, "紫微"}, {100, 110, "(none)"}, {114, 110, "(none)"}, {107, 100, "(none)"},
        {107, 127, "紫微"}, {101, 101, "紫微"}, {112, 125, "天机"}, {123, 147, "天机"},
        {124, 140, "(none)"}, {115, 110, "(none)"},
    };
    for (const Case &c : cases) {
        QString name = QStringLiteral("(none)");
        draw.HitTest(c.x, c.y, name);
        QCOMPARE(name, QString::fromUtf8(c.expected));
    }
}

void TestChartDraw::hitRegionsBeyondTheLimitAreDropped()
{
    RecordingCanvas canvas;
    TKeloDraw draw;
    ScreenSetup(draw, canvas);
    for (int i = 0; i < 230; ++i)
        draw.AddHitRegion(QStringLiteral("星%1").arg(i), i * 2, 0, 2, 10);
    QCOMPARE(draw.HitCount, TKeloDraw::kMaxHitRegions);
    QString name;
    draw.HitTest(199 * 2 + 1, 5, name);
    QCOMPARE(name, QStringLiteral("星199"));
    name.clear();
    draw.HitTest(205 * 2 + 1, 5, name);
    QVERIFY(name.isEmpty());
}

void TestChartDraw::cellTexts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");
    QTest::newRow("NUL ends") << QByteArray("\xd7\xcf\xce\xa2\0\xcc\xec", 7) << 7 << QStringLiteral("紫微");
    QTest::newRow("full width, no NUL") << QByteArray("\xd7\xcf\xce\xa2\xcc\xec\xbb\xfa", 8) << 8
                                        << QStringLiteral("紫微天机");
    QTest::newRow("cut character dropped") << QByteArray("\xd7\xcf\xce\xa2\xcc\xec\xbb", 7) << 5
                                           << QStringLiteral("紫微");
    QTest::newRow("ASCII digits") << QByteArray("12\0", 3) << 7 << QStringLiteral("12");
    QTest::newRow("empty") << QByteArray("\0\xd7\xcf", 3) << 3 << QString();
}

void TestChartDraw::cellTexts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, width);
    bytes.append(QByteArray(16, '\0'));
    QFETCH(QString, expected);
    QCOMPARE(GbkCellText(bytes.constData(), width), expected);
}

void TestChartDraw::middleBlock()
{
    ChartBlocks b;
    b.headerLine(0, QStringLiteral("姓名张三"));
    b.headerLine(1, QStringLiteral("命局水二局"));
    b.headerLine(4, QStringLiteral("起运三岁"));
    b.headerLine(5, QStringLiteral("不画"));
    // A header line that fills all 31 bytes: fifteen characters and one digit.
    QByteArray full = ToGbk(QString(15, QChar(0x4e00))) + "9";
    std::memcpy(b.header() + 2 * STAR_HEADER_LINE_SIZE, full.constData(), 31);
    for (int j = 0; j < 4; ++j) {
        b.pillar(0, j, QStringLiteral("甲%1").arg(j));
        b.pillar(1, j, QStringLiteral("乙%1").arg(j));
        b.pillar(2, j, QStringLiteral("丙%1").arg(j));
        b.pillar(3, j, QStringLiteral("丁%1").arg(j));
        b.pillar(4, j, QStringLiteral("戊%1").arg(j));
        b.pillar(6, j, QStringLiteral("己%1").arg(j));
        b.pillar(10, j, QStringLiteral("庚%1").arg(j));
    }
    b.luckCell(0, QStringLiteral("7"));
    for (int n = 1; n <= 8; ++n)
        b.luckCell(n, QStringLiteral("辛%1").arg(n));
    b.luckCell(9, QStringLiteral("廉贞"));
    b.luckCell(10, QStringLiteral("文昌"));
    b.luckCell(11, QStringLiteral("寅"));

    RecordingCanvas canvas;
    TKeloDraw draw;
    ScreenSetup(draw, canvas);
    draw.SetChartData(b.palaces, b.header(), b.pillars(), b.luck());
    draw.Draw();

    // Middle block from (181, 129); C = 14, P = 1, W = 180, H = 128.
    const int mx = 181, my = 129;
    auto at = [&](const QString &t, int nth = 0) {
        const auto *c = FindText(canvas, t, nth);
        return c ? QPoint(c->x, c->y) : QPoint(-1, -1);
    };
    QCOMPARE(at("姓"), QPoint(mx + 329, my + 8));
    QCOMPARE(at("名"), QPoint(mx + 329, my + 22));
    QCOMPARE(at("命"), QPoint(mx + 329 - 15, my + 8));
    QCOMPARE(at("起"), QPoint(mx + 329 - 60, my + 8));
    QVERIFY(!FindText(canvas, "不"));
    QCOMPARE(at("9"), QPoint(mx + 329 - 30, my + 8 + 15 * 14));  // the 31st byte is read

    // Pillar columns: a = 50, pillar x = mx + 200; text centred (width 21 → 10).
    const int px = mx + 200;
    QCOMPARE(at("甲0"), QPoint(px - 10, my + 10));
    QCOMPARE(at("甲3"), QPoint(px - 150 - 10, my + 10));
    QCOMPARE(FindText(canvas, "甲0")->fontColor, QColor(0, 0, 255));
    // Rows 1 and 2 in the pillar font: 15 pt at 96 ppi is 20 px, so R = 20.
    const auto *stem = FindText(canvas, "乙0");
    QCOMPARE(stem->fontName, kHeiTi);
    QCOMPARE(stem->fontHeight, -20);
    QCOMPARE(QPoint(stem->x, stem->y), QPoint(px - 15, my + 10 + 19));
    QCOMPARE(at("丙0"), QPoint(px - 15, my + 10 + 19 + 20));
    const auto *nayin = FindText(canvas, "丁0");
    QCOMPARE(nayin->fontName, kSongTi);
    QCOMPARE(nayin->fontHeight, -14);
    QCOMPARE(nayin->fontColor, kGreen);
    const int y3 = my + 10 + 19 + 40 + 5;
    QCOMPARE(at("丁0"), QPoint(px - 10, y3));
    QCOMPARE(at("戊0"), QPoint(px - 10, y3 + 19));
    QCOMPARE(at("己0"), QPoint(px - 10, y3 + 19 + 28 + 5));
    QCOMPARE(FindText(canvas, "己0")->fontColor, kPurple);
    QCOMPARE(at("庚0"), QPoint(px - 10, y3 + 19 + 28 + 5 + 4 * 14));

    // Luck pillars from the pillar x leftwards by 25, ages ten years apart.
    const int ly = my + 256 - 42 - 4;
    QCOMPARE(at("辛"), QPoint(px, ly));
    QCOMPARE(at("1"), QPoint(px, ly + 14));
    QCOMPARE(at("7"), QPoint(px + 7 - 3, ly + 28));  // "7" is 7 wide: centred on px + 7
    QCOMPARE(at("17"), QPoint(px - 25 + 7 - 7, ly + 28));
    QCOMPARE(at("77"), QPoint(px - 7 * 25 + 7 - 7, ly + 28));
    QCOMPARE(at("8"), QPoint(px - 7 * 25, ly + 14));
    // Master-star lines.
    QCOMPARE(at("命主：\u3000廉贞"), QPoint(mx + 360 - 98 - 3, ly));
    QCOMPARE(at("身主：\u3000文昌"), QPoint(mx + 360 - 98 - 3, ly + 14));
    QCOMPARE(at("子年斗君：寅"), QPoint(mx + 360 - 98 - 3, ly + 28));

    // The life triangle last: 命宫 in 子 (1) → 辰 (5) → 申 (9) → 子, then 午 (7).
    const auto lines = canvas.calls.mid(canvas.calls.size() - 5);
    QCOMPARE(lines[0].op, QStringLiteral("moveTo"));
    QCOMPARE(lines[0].penColor, kRed);
    const QList<QPoint> expected = {{mx + 270, my + 256}, {mx, my + 64}, {mx + 360, my},
                                    {mx + 270, my + 256}, {mx + 90, my}};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(QPoint(lines[i].x, lines[i].y), expected[i]);
    QCOMPARE(draw.LifePalace, 1);

    // Grid: the first line is the top border, the middle lines stop at the middle block.
    const auto moves = canvas.callsOf("moveTo");
    const auto tos = canvas.callsOf("lineTo");
    QCOMPARE(QPoint(moves[0].x, moves[0].y), QPoint(1, 1));
    QCOMPARE(QPoint(tos[0].x, tos[0].y), QPoint(721, 1));
    bool crossesMiddle = false;
    for (int i = 0; i < tos.size() - 4; ++i) {
        const QLine l(moves[i].x, moves[i].y, tos[i].x, tos[i].y);
        if ((l.y1() == l.y2() && l.y1() == 257 && l.x1() <= 200 && l.x2() >= 400)
            || (l.x1() == l.x2() && l.x1() == 361 && l.y1() <= 200 && l.y2() >= 300))
            crossesMiddle = true;
    }
    QVERIFY(!crossesMiddle);
    QCOMPARE(canvas.callsOf("fillRect").first().rect, QRect(0, 0, 723, 515));
    QCOMPARE(canvas.callsOf("fillRect").first().brushColor, kWhite);
}

void TestChartDraw::luckCellZeroMustBeANumber_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<bool>("valid");
    QTest::newRow("3") << "3" << true;
    QTest::newRow("12") << "12" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters") << "x3" << false;
    QTest::newRow("Chinese") << "三" << false;
    QTest::newRow("leading blank") << " 7" << true;
    QTest::newRow("trailing blank") << "7 " << false;
}

void TestChartDraw::luckCellZeroMustBeANumber()
{
    QFETCH(QString, cell);
    ChartBlocks b;
    b.slot(6, 0, QStringLiteral("紫微"), 1);
    b.luckCell(0, cell);
    b.luckCell(1, QStringLiteral("丁卯"));
    RecordingCanvas canvas;
    TKeloDraw draw;
    ScreenSetup(draw, canvas);
    draw.SetChartData(b.palaces, b.header(), b.pillars(), b.luck());
    QFETCH(bool, valid);
    if (valid) {
        draw.Draw();
        QVERIFY(FindText(canvas, QStringLiteral("卯")));
        return;
    }
    QString message;
    try {
        draw.Draw();
    } catch (const KeloError &e) {
        message = e.message();
    }
    QCOMPARE(message, QStringLiteral("'%1' is not a valid integer value").arg(cell));
    // What came before the luck pillars stays drawn; nothing after it is.
    QVERIFY(FindText(canvas, QStringLiteral("紫")));
    QVERIFY(!FindText(canvas, QStringLiteral("卯")));
    QVERIFY(canvas.calls.last().op != QLatin1String("lineTo") || canvas.calls.last().penColor != kRed);
}

void TestChartDraw::printerDrawingKeepsTheScreenHitList()
{
    ChartBlocks b;
    b.slot(6, 0, QStringLiteral("紫微"), 1);
    RecordingCanvas screen;
    TKeloDraw draw;
    ScreenSetup(draw, screen);
    draw.SetChartData(b.palaces, b.header(), b.pillars(), b.luck());
    draw.Draw();
    const int hits = draw.HitCount;

    RecordingCanvas printer(600, 96, QRect(0, 0, 6000, 4000));
    draw.SetCanvas(&printer);
    printer.setFontSize(11);
    draw.SetOrigin(13, 10);
    draw.Draw();
    QVERIFY(!draw.RecordHits);
    QCOMPARE(draw.HitCount, hits);
    QString name;
    draw.HitTest(170, 10, name);
    QCOMPARE(name, QStringLiteral("紫微"));
    // The printed chart is the screen chart at the printer's scale.
    const auto *zi = FindText(printer, QStringLiteral("紫"));
    QCOMPARE(QPoint(zi->x, zi->y), QPoint(13 + 1183 - 92 - 18, 10 + 24));
    QCOMPARE(printer.callsOf("setPenWidth").first().value, 6);
}

void TestChartDraw::realChartFromTheEngine()
{
    ChartBlocks b;
    std::memset(b.text, 0, sizeof b.text);
    const QByteArray name = ToGbk(QStringLiteral("李四"));
    std::memcpy(b.text, name.constData(), name.size());
    // 1984-03-15 08:30, a man.
    Dll_Pan(30756.0 + 8.5 / 24, 1, 1, b.palaces, b.header(), b.pillars(), b.luck());
    RecordingCanvas canvas;
    TKeloDraw draw;
    ScreenSetup(draw, canvas);
    draw.SetChartData(b.palaces, b.header(), b.pillars(), b.luck());
    draw.Draw();
    QVERIFY(draw.HitCount > 12 * 4);
    QVERIFY(draw.HitCount <= 12 * 14);
    QVERIFY(draw.LifePalace >= 1 && draw.LifePalace <= 12);
    int lifeNames = 0, bodyMarks = 0;
    for (const HitRegion &r : Regions(draw)) {
        lifeNames += r.Name == QStringLiteral("命宫");
        bodyMarks += r.Name == QStringLiteral("身");
        QVERIFY((r.Right - r.Left == 14 || r.Right - r.Left == 28) && (r.Bottom - r.Top == 14 || r.Bottom - r.Top == 28));
        QVERIFY(r.Left > 1 && r.Right < 721 && r.Top > 1 && r.Bottom < 513);
    }
    QCOMPARE(lifeNames, 1);
    QVERIFY(bodyMarks <= 1);
    QCOMPARE(canvas.calls.last().op, QStringLiteral("lineTo"));
    QVERIFY(FindText(canvas, QStringLiteral("命主：\u3000") + GbkCellText(b.luck() + 9 * 7, 7)));
}

void TestChartDraw::setChartDataCopiesTheBlocks()
{
    ChartBlocks b;
    b.slot(6, 0, QStringLiteral("紫微"), 1);
    RecordingCanvas canvas;
    TKeloDraw draw;
    ScreenSetup(draw, canvas);
    draw.SetChartData(b.palaces, b.header(), b.pillars(), b.luck());
    b.slot(6, 0, QStringLiteral("破军"), 1);
    draw.Draw();
    QVERIFY(FindText(canvas, QStringLiteral("紫")));
    QVERIFY(!FindText(canvas, QStringLiteral("破")));
}

QTEST_GUILESS_MAIN(TestChartDraw)
#include "tst_chart_draw.moc"
