// chart_png FILE.png [YYYY-MM-DD HH:MM] [M|F] [NAME]
//
// Draws the chart of one birth exactly as the chart page does (723 × 515,
// 14-pixel font, origin (1, 1)) and saves the bitmap as a PNG picture; used
// for the picture in the README and to look at the board.
#include "ChartPage.h"

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
    return page.Picture().save(args.at(1)) ? 0 : 1;
}
