#include "ChartPrint.h"

#include "ChartGif.h"
#include "ChartPage.h"
#include "Dialogs.h"
#include "QtCanvas.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinterInfo>

const QString ChartPrint::kNothingToPrint = QStringLiteral("当前没有可供打印的数据！");
const QString ChartPrint::kNoPrinter = QStringLiteral("没有打印机！");

ChartPrint::ChartPrint(ChartPage &page) : m_page(page)
{
    PrintDialog = [this](QPrinter &p) {
        QPrintDialog dialog(&p, m_page.window());
        return dialog.exec() == QDialog::Accepted;
    };
    PrinterSetupDialog = [this](QPrinter &p) {
        QPageSetupDialog dialog(&p, m_page.window());
        dialog.exec();
    };
    SavePictureDialog = [this] {
        return QFileDialog::getSaveFileName(m_page.window(), QStringLiteral("导出图片"), QString(),
                                            QStringLiteral("GIF 图片 (*.gif);;所有文件 (*)"), nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
}

void ChartPrint::SetLandscapeWhenPrinterExists()
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        printer.setPageOrientation(QPageLayout::Landscape);
}

void ChartPrint::message(const QString &text)
{
    if (Dialogs *dialogs = m_page.dialogs())
        dialogs->message(text);
    else
        QMessageBox::information(m_page.window(), QStringLiteral("Kelo"), text);
}

QPoint ChartPrint::CentredOrigin(int pageW, int pageH, int chartW, int chartH)
{
    const int x0 = int(TKeloDraw::RoundHalfEven(int64_t(pageW) - chartW, 2));
    const int y0 = int(TKeloDraw::RoundHalfEven(int64_t(pageH) - chartH, 2));
    if (x0 >= 0 && y0 >= 0)
        return QPoint(x0, y0);
    return QPoint(13, 10);
}

void ChartPrint::actPrintExecute(const std::optional<ChartSubject> &record)
{
    if (!record) {
        message(kNothingToPrint);
        return;
    }
    bool failed = false;
    try {
        PrintChart(*record);
    } catch (...) {
        failed = true;
    }
    if (failed)
        message(kNoPrinter);
}

void ChartPrint::PrintChart(const ChartSubject &record)
{
    if (!PrintDialog(printer))
        return;
    m_page.Name = record.Name;
    m_page.PutNameIntoTextBlock(m_page.Name);
    printer.setDocName(QStringLiteral("Kelo-") + m_page.Name);

    QPainter painter;
    if (!painter.begin(&printer))
        throw KeloError(kNoPrinter);
    TKeloDraw &draw = m_page.KeloDraw;
    // A failed job is abandoned and its page dropped; the draw object never
    // keeps the printer canvas beyond this call.
    struct JobGuard {
        QPrinter &printer;
        QPainter &painter;
        TKeloDraw &draw;
        bool done = false;
        ~JobGuard()
        {
            draw.canvas = nullptr;
            if (!done && painter.isActive()) {
                printer.abort();
                painter.end();
                // A file printer cannot take a page back: drop the file.
                if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
                    QFile::remove(printer.outputFileName());
            }
        }
    } guard{printer, painter, draw};

    QtCanvas canvas(painter, printer.logicalDpiY());
    canvas.setFontCharset(kGb2312Charset);
    canvas.setFontSize(11);
    canvas.setFontName(kSongTi);

    m_page.Birthday = record.Birthday;
    m_page.Sex = record.Sex;
    m_page.Pan(m_page.Birthday, m_page.Sex ? 1 : 0, 1, m_page.PalaceBlock, m_page.HeaderBlock(),
               m_page.PillarBlock(), m_page.LuckBlock());

    draw.SetCanvas(&canvas);
    draw.SetChartData(m_page.PalaceBlock, m_page.HeaderBlock(), m_page.PillarBlock(), m_page.LuckBlock());
    const QPoint origin = CentredOrigin(printer.width(), printer.height(), draw.ChartWidth, draw.ChartHeight);
    if (origin != QPoint(draw.OriginX, draw.OriginY))
        draw.SetOrigin(origin.x(), origin.y());
    draw.Draw();
    guard.done = true;
    draw.canvas = nullptr;
    if (!painter.end())
        throw KeloError(kNoPrinter);
}

void ChartPrint::N31Click()
{
    PrinterSetupDialog(printer);
}

void ChartPrint::actGifExportExecute()
{
    const QString chosen = SavePictureDialog();
    if (chosen.isEmpty())
        return;
    const QString fileName = chosen + QStringLiteral(".gif");
    if (Dialogs *dialogs = m_page.dialogs())
        RunGuarded(*dialogs, [&] { WriteChartGif(m_page.PictureOrBlank(), fileName); });
    else
        WriteChartGif(m_page.PictureOrBlank(), fileName);
}
