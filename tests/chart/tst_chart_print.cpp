// Printing the chart to a PDF file through the print path, and the picture
// export as a GIF read back with giflib.
#include "ChartGif.h"
#include "ChartPage.h"
#include "DialogsScripted.h"

#include <QtTest>
#include <QTemporaryDir>
#include <cstring>
#include <gif_lib.h>
#include <sys/stat.h>

namespace {

constexpr double kBirth = 30756.0 + 8.5 / 24;  // 1984-03-15 08:30

struct GifPicture {
    int width = 0, height = 0;
    QList<QRgb> palette;
    QImage image;
};

GifPicture ReadGif(const QString &fileName)
{
    GifPicture out;
    int error = 0;
    GifFileType *gif = DGifOpenFileName(QFile::encodeName(fileName).constData(), &error);
    if (!gif)
        return out;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1) {
        out.width = gif->SWidth;
        out.height = gif->SHeight;
        const ColorMapObject *map = gif->SColorMap ? gif->SColorMap : gif->SavedImages[0].ImageDesc.ColorMap;
        for (int i = 0; map && i < map->ColorCount; ++i)
            out.palette << qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
        const SavedImage &img = gif->SavedImages[0];
        out.image = QImage(img.ImageDesc.Width, img.ImageDesc.Height, QImage::Format_RGB32);
        for (int y = 0; y < img.ImageDesc.Height; ++y)
            for (int x = 0; x < img.ImageDesc.Width; ++x)
                out.image.setPixel(x, y, out.palette.value(img.RasterBits[y * img.ImageDesc.Width + x]));
    }
    DGifCloseFile(gif, &error);
    return out;
}

}  // namespace

class TestChartPrint : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void centredOrigin_data();
    void centredOrigin();
    void printsOnePageToPdf();
    void oddSpareWidthsOnARealPage_data();
    void oddSpareWidthsOnARealPage();
    void pageSmallerThanTheBoard();
    void nothingToPrint();
    void cancelledPrintDialogPrintsNothing();
    void failuresReportNoPrinterAndEndTheJob();
    void printingLeavesTheScreenChart();
    void exportFileNames_data();
    void exportFileNames();
    void exportedGifKeepsSizeAndColours();
    void exportWithoutAChartWritesABlankBoard();
    void exportUsesTheUsersPermissions_data();
    void exportUsesTheUsersPermissions();
    void exportFailureGoesToTheErrorBox();

private:
    QTemporaryDir dir;
    ChartPage *page = nullptr;
    ScriptedDialogs dialogs;
    int panCalls = 0;
    // How the print dialog sets the printer up; true = OK.
    std::function<bool(QPrinter &)> setup;
    QString pdf;
};

void TestChartPrint::init()
{
    QVERIFY(dir.isValid());
    page = new ChartPage;
    page->setDialogs(&dialogs);
    page->ShowTutorial = false;
    page->ExecModal = [](QDialog &) { return int(QDialog::Accepted); };
    dialogs.clear();
    panCalls = 0;
    page->Pan = [this](double b, uint8_t m, int32_t r, void *p, void *h, void *pi, void *l) {
        ++panCalls;
        Dll_Pan(b, m, r, p, h, pi, l);
    };
    pdf = dir.filePath(QStringLiteral("chart-%1.pdf").arg(QTest::currentTestFunction()));
    QFile::remove(pdf);
    setup = [this](QPrinter &p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        p.setResolution(600);
        p.setPageSize(QPageSize(QPageSize::A4));
        p.setPageOrientation(QPageLayout::Landscape);
        return true;
    };
    page->Printing.PrintDialog = [this](QPrinter &p) { return setup(p); };
}

void TestChartPrint::cleanup()
{
    delete page;
}

void TestChartPrint::centredOrigin_data()
{
    QTest::addColumn<int>("spareW");
    QTest::addColumn<int>("spareH");
    QTest::addColumn<QPoint>("origin");
    QTest::newRow("spare 5 and 7") << 5 << 7 << QPoint(2, 4);
    QTest::newRow("spare 7 and 5") << 7 << 5 << QPoint(4, 2);
    QTest::newRow("exact fit") << 0 << 0 << QPoint(0, 0);
    QTest::newRow("even spare") << 2000 << 1000 << QPoint(1000, 500);
    QTest::newRow("one pixel too narrow rounds to 0") << -1 << 100 << QPoint(0, 50);
    QTest::newRow("too narrow") << -3 << 100 << QPoint(13, 10);
    QTest::newRow("too low") << 100 << -3 << QPoint(13, 10);
}

void TestChartPrint::centredOrigin()
{
    QFETCH(int, spareW);
    QFETCH(int, spareH);
    QFETCH(QPoint, origin);
    QCOMPARE(ChartPrint::CentredOrigin(4732 + spareW, 3364 + spareH, 4732, 3364), origin);
}

void TestChartPrint::printsOnePageToPdf()
{
    QPrinter *used = nullptr;
    setup = [&, base = setup](QPrinter &p) { used = &p; return base(p); };
    page->Printing.actPrintExecute(ChartSubject{kBirth, false, QStringLiteral("王芳")});
    QVERIFY2(dialogs.calls.isEmpty(), qPrintable(dialogs.texts("message").join(',')));
    QCOMPARE(panCalls, 1);
    QVERIFY(used);
    QCOMPARE(used->docName(), QStringLiteral("Kelo-王芳"));
    const TKeloDraw &draw = page->KeloDraw;
    QCOMPARE(draw.CharHeight, 92);
    QCOMPARE(draw.PenWidth, 6);
    QCOMPARE(draw.ChartWidth, 4732);
    QCOMPARE(draw.ChartHeight, 3364);
    QCOMPARE(QPoint(draw.OriginX, draw.OriginY),
             ChartPrint::CentredOrigin(used->width(), used->height(), 4732, 3364));
    QVERIFY(draw.OriginX > 13 && draw.OriginY > 10);
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 1);
    QCOMPARE(page->Name, QStringLiteral("王芳"));
    QCOMPARE(page->Sex, false);
    QCOMPARE(page->Birthday, kBirth);
}

// At 72 dpi a printer pixel is a point, so the page can be made exactly the
// board plus an odd spare: C = 11, cells 132 × 99, board 528 × 396.
void TestChartPrint::oddSpareWidthsOnARealPage_data()
{
    QTest::addColumn<int>("spareW");
    QTest::addColumn<int>("spareH");
    QTest::addColumn<QPoint>("origin");
    QTest::newRow("5 and 7") << 5 << 7 << QPoint(2, 4);
    QTest::newRow("7 and 5") << 7 << 5 << QPoint(4, 2);
}

void TestChartPrint::oddSpareWidthsOnARealPage()
{
    QFETCH(int, spareW);
    QFETCH(int, spareH);
    setup = [&](QPrinter &p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        p.setResolution(72);
        p.setFullPage(true);
        p.setPageOrientation(QPageLayout::Portrait);
        p.setPageSize(QPageSize(QSizeF(528 + spareW, 396 + spareH), QPageSize::Point));
        p.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
        return true;
    };
    page->Printing.actPrintExecute(ChartSubject{kBirth, true, QStringLiteral("甲")});
    QVERIFY(dialogs.calls.isEmpty());
    QCOMPARE(page->KeloDraw.ChartWidth, 528);
    QCOMPARE(page->KeloDraw.ChartHeight, 396);
    QCOMPARE(page->Printing.printer.width(), 528 + spareW);
    QFETCH(QPoint, origin);
    QCOMPARE(QPoint(page->KeloDraw.OriginX, page->KeloDraw.OriginY), origin);
}

void TestChartPrint::pageSmallerThanTheBoard()
{
    setup = [&, base = setup](QPrinter &p) {
        base(p);
        p.setPageSize(QPageSize(QSizeF(150, 100), QPageSize::Millimeter));  // 3543 px wide at 600 dpi
        return true;
    };
    page->Printing.actPrintExecute(ChartSubject{kBirth, true, QStringLiteral("甲")});
    QVERIFY(dialogs.calls.isEmpty());
    QVERIFY(page->Printing.printer.width() < 4732);
    QCOMPARE(QPoint(page->KeloDraw.OriginX, page->KeloDraw.OriginY), QPoint(13, 10));
    QVERIFY(QFileInfo(pdf).size() > 0);
}

void TestChartPrint::nothingToPrint()
{
    bool dialogShown = false;
    setup = [&](QPrinter &) { dialogShown = true; return true; };
    page->Printing.actPrintExecute(std::nullopt);
    QCOMPARE(dialogs.texts("message"), QStringList{"当前没有可供打印的数据！"});
    QVERIFY(!dialogShown);
    QCOMPARE(panCalls, 0);
}

void TestChartPrint::cancelledPrintDialogPrintsNothing()
{
    setup = [](QPrinter &) { return false; };
    page->Printing.actPrintExecute(ChartSubject{kBirth, true, QStringLiteral("甲")});
    QVERIFY(dialogs.calls.isEmpty());
    QCOMPARE(panCalls, 0);
    QVERIFY(!QFile::exists(pdf));
}

void TestChartPrint::failuresReportNoPrinterAndEndTheJob()
{
    // A drawing error in the middle of the page.
    page->Pan = [this](double b, uint8_t m, int32_t r, void *p, void *h, void *pi, void *l) {
        ++panCalls;
        Dll_Pan(b, m, r, p, h, pi, l);
        std::memcpy(l, "?\0", 2);
    };
    page->Printing.actPrintExecute(ChartSubject{kBirth, true, QStringLiteral("甲")});
    QCOMPARE(dialogs.texts("message"), QStringList{"没有打印机！"});
    QVERIFY(!page->KeloDraw.canvas);
    QVERIFY2(!QFile::exists(pdf) || QFileInfo(pdf).size() == 0, "the abandoned page was printed");

    // A printer that cannot start a job.
    dialogs.clear();
    setup = [](QPrinter &p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(QStringLiteral("/nonexistent-dir/chart.pdf"));
        return true;
    };
    page->Printing.actPrintExecute(ChartSubject{kBirth, true, QStringLiteral("甲")});
    QCOMPARE(dialogs.texts("message"), QStringList{"没有打印机！"});

    // The next job prints normally.
    dialogs.clear();
    page->Pan = Dll_Pan;
    init();
    page->Printing.actPrintExecute(ChartSubject{kBirth, true, QStringLiteral("甲")});
    QVERIFY(dialogs.calls.isEmpty());
    QVERIFY(QFileInfo(pdf).size() > 1000);
}

void TestChartPrint::printingLeavesTheScreenChart()
{
    page->ShowChart(kBirth, true, QStringLiteral("甲"));
    const QImage screen = page->Picture().copy();
    const TKeloDraw &draw = page->KeloDraw;
    const HitRegion region = draw.HitRegions[draw.HitCount - 1];
    const QPoint inside((region.Left + region.Right) / 2, (region.Top + region.Bottom) / 2);
    page->Printing.actPrintExecute(ChartSubject{kBirth + 1000, false, QStringLiteral("乙")});
    QVERIFY(dialogs.calls.isEmpty());
    QCOMPARE(page->Picture(), screen);
    QString name;
    draw.HitTest(inside.x(), inside.y(), name);
    QCOMPARE(name, region.Name);
    QCOMPARE(page->Name, QStringLiteral("乙"));
    // The next screen chart takes the screen geometry again.
    page->ShowChart(kBirth, true, QStringLiteral("甲"));
    QCOMPARE(page->KeloDraw.ChartWidth, 720);
    QCOMPARE(page->Picture(), screen);
}

void TestChartPrint::exportFileNames_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("chart") << "chart" << "chart.gif";
    QTest::newRow("chart.gif") << "chart.gif" << "chart.gif.gif";
    QTest::newRow("chart.png") << "chart.png" << "chart.png.gif";
}

void TestChartPrint::exportFileNames()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    page->ShowChart(kBirth, true, QStringLiteral("甲"));
    QFile::remove(dir.filePath(written));
    page->Printing.SavePictureDialog = [&] { return dir.filePath(chosen); };
    page->Printing.actGifExportExecute();
    QVERIFY(dialogs.calls.isEmpty());
    QVERIFY(QFileInfo::exists(dir.filePath(written)));
    QVERIFY(!QFileInfo::exists(dir.filePath(chosen)));
    // Cancelling writes nothing.
    QFile::remove(dir.filePath(written));
    page->Printing.SavePictureDialog = [] { return QString(); };
    page->Printing.actGifExportExecute();
    QVERIFY(!QFileInfo::exists(dir.filePath(written)));
    QVERIFY(!QFileInfo::exists(dir.filePath(".gif")));
}

void TestChartPrint::exportedGifKeepsSizeAndColours()
{
    page->ShowChart(kBirth, true, QStringLiteral("甲"));
    page->Printing.SavePictureDialog = [&] { return dir.filePath("colours"); };
    // Replaces an older file of the name.
    QFile old(dir.filePath("colours.gif"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
    old.close();
    page->Printing.actGifExportExecute();
    const GifPicture gif = ReadGif(dir.filePath("colours.gif"));
    QCOMPARE(gif.width, 723);
    QCOMPARE(gif.height, 515);
    QVERIFY(gif.palette.size() <= 256);
    for (QRgb c : kChartColours)
        QVERIFY2(gif.palette.contains(c), qPrintable(QColor(c).name()));

    const QImage source = page->Picture().convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> sixColours(std::begin(kChartColours), std::end(kChartColours));
    QSet<QRgb> seen;
    int exact = 0, worst = 0;
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb s = source.pixel(x, y) | 0xff000000, g = gif.image.pixel(x, y) | 0xff000000;
            seen.insert(g);
            if (sixColours.contains(s)) {
                QCOMPARE(g, s);
                ++exact;
            } else {
                worst = std::max({worst, std::abs(qRed(s) - qRed(g)), std::abs(qGreen(s) - qGreen(g)),
                                  std::abs(qBlue(s) - qBlue(g))});
            }
        }
    }
    QVERIFY(exact > 723 * 515 / 2);
    QVERIFY2(worst <= 40, qPrintable(QString::number(worst)));  // text edges keep their shade
    QVERIFY(seen.size() > 20);  // anti-aliasing is not flattened to six colours
    QCOMPARE(gif.image.pixel(300, 1), qRgb(0, 0, 0));    // grid line
    QCOMPARE(gif.image.pixel(0, 0), qRgb(255, 255, 255)); // fill
}

void TestChartPrint::exportWithoutAChartWritesABlankBoard()
{
    page->Printing.SavePictureDialog = [&] { return dir.filePath("blank"); };
    page->Printing.actGifExportExecute();
    QVERIFY(dialogs.calls.isEmpty());
    const GifPicture gif = ReadGif(dir.filePath("blank.gif"));
    QCOMPARE(gif.width, 723);
    QCOMPARE(gif.height, 515);
    for (int y = 0; y < 515; y += 7)
        for (int x = 0; x < 723; x += 7)
            QCOMPARE(gif.image.pixel(x, y), qRgb(255, 255, 255));
}

void TestChartPrint::exportUsesTheUsersPermissions_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("mode");
    QTest::newRow("022") << 022 << 0644;
    QTest::newRow("002") << 002 << 0664;
    QTest::newRow("077") << 077 << 0600;
}

void TestChartPrint::exportUsesTheUsersPermissions()
{
    QFETCH(int, mask);
    const mode_t saved = ::umask(mode_t(mask));
    const QString name = dir.filePath(QStringLiteral("perm%1").arg(mask));
    page->Printing.SavePictureDialog = [&] { return name; };
    page->Printing.actGifExportExecute();
    ::umask(saved);
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(name + ".gif").constData(), &st), 0);
    QFETCH(int, mode);
    QCOMPARE(int(st.st_mode & 0777), mode);
}

void TestChartPrint::exportFailureGoesToTheErrorBox()
{
    page->Printing.SavePictureDialog = [&] { return dir.filePath("no-such-folder/chart"); };
    page->Printing.actGifExportExecute();
    const QStringList errors = dialogs.texts("error");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains("chart.gif"), qPrintable(errors[0]));
    QVERIFY(errors[0].endsWith('.'));
}

QTEST_MAIN(TestChartPrint)
#include "tst_chart_print.moc"
