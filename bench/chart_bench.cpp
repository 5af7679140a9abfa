// The chart page's costs: ShowChart (one engine call and the drawing of the
// 723 × 515 board, shown in the picture control) and printing one chart page
// to a PDF file at 600 dpi.
#if __has_include("ChartPage.h")
#include "ChartPage.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>

namespace {

constexpr double kBirth = 30756.0 + 8.5 / 24;  // 1984-03-15 08:30

void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "chart_bench";
    static char *argv[] = {name, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
}

void BM_ShowChart(benchmark::State &state)
{
    EnsureApplication();
    ChartPage page;
    page.ShowTutorial = false;
    int n = 0;
    for (auto _ : state) {
        // A different birth each time: every hour of a few years.
        page.ShowChart(kBirth + (n++ % 20000) / 24.0, n & 1, QStringLiteral("张三"));
        benchmark::DoNotOptimize(page.KeloDraw.HitCount);
    }
}
BENCHMARK(BM_ShowChart)->Unit(benchmark::kMillisecond);

void BM_PrintPdf(benchmark::State &state)
{
    EnsureApplication();
    ChartPage page;
    page.ShowTutorial = false;
    const QString pdf = QDir::temp().filePath(QStringLiteral("kelo-chart-bench.pdf"));
    page.Printing.PrintDialog = [&](QPrinter &p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        p.setResolution(600);
        p.setPageSize(QPageSize(QPageSize::A4));
        p.setPageOrientation(QPageLayout::Landscape);
        return true;
    };
    for (auto _ : state)
        page.Printing.actPrintExecute(ChartSubject{kBirth, true, QStringLiteral("张三")});
    QFile::remove(pdf);
}
BENCHMARK(BM_PrintPdf)->Unit(benchmark::kMillisecond);

}  // namespace
#endif
