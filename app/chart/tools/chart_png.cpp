// chart_png FILE.png [YYYY-MM-DD HH:MM] [M|F] [NAME] [PPI|page]
//
// Draws the chart of one birth exactly as the chart page does (723 × 515,
// 14-pixel font, origin (1, 1)) and saves the bitmap as a PNG picture; used
// for the picture in the README and to look at the board. With PPI the
// chart is drawn as on a printer page of that resolution (11-point font);
// with "page" instead, the chart page is saved as the window shows it.
#include "ChartPage.h"
#include "QtCanvas.h"

#include <QApplication>
#include <QDateTime>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: chart_png FILE.png [\"YYYY-MM-DD HH:MM\"] [M|F] [NAME]\n");
        return 2;
    }
    const QDateTime when = QDateTime::fromString(args.value(2, QStringLiteral("1984-03-15 08:30")),
                                                 QStringLiteral("yyyy-MM-dd HH:mm"));
    if (!when.isValid()) {
        std::fprintf(stderr, "chart_png: the birth must read YYYY-MM-DD HH:MM\n");
        return 2;
    }
    const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    const double birth = epoch.date().daysTo(when.date()) + when.time().msecsSinceStartOfDay() / 86400000.0;
    ChartPage page;
    page.ShowTutorial = false;
    page.ShowChart(birth, args.value(3, QStringLiteral("M")) != QLatin1String("F"),
                   args.value(4, QStringLiteral("张三")));
    const int ppi = args.value(5).toInt();
    if (args.value(5) == QLatin1String("page"))  // the page as it appears in the window
        return page.grab().save(args.at(1)) ? 0 : 1;
    if (ppi <= 0)
        return page.Picture().save(args.at(1)) ? 0 : 1;

    QImage sheet(ppi * 11, ppi * 8, QImage::Format_RGB32);
    QPainter painter(&sheet);
    QtCanvas canvas(painter, ppi);
    TKeloDraw draw;
    draw.SetCanvas(&canvas);
    canvas.setFontCharset(kGb2312Charset);
    canvas.setFontSize(11);
    canvas.setFontName(kSongTi);
    draw.SetOrigin(13, 10);
    draw.SetChartData(page.PalaceBlock, page.HeaderBlock(), page.PillarBlock(), page.LuckBlock());
    draw.Draw();
    painter.end();
    return sheet.save(args.at(1)) ? 0 : 1;
}
