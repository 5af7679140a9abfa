#pragma once
// Printing and picture export of the chart page: actPrintExecute prints the
// current member's chart on one page, computed afresh at the printer's
// resolution and centred; N31Click is the printer setup; actGifExportExecute
// saves the chart picture as a GIF file.
//
// The system dialogs run through replaceable hooks, so tests can print to a
// PDF file and pick file names without a window.

#include <QPrinter>
#include <QString>
#include <functional>
#include <optional>

class ChartPage;

// The record a chart is made for.
struct ChartSubject {
    double Birthday = 0;
    bool Sex = true;
    QString Name;
};

class ChartPrint {
public:
    explicit ChartPrint(ChartPage &page);

    QPrinter printer{QPrinter::HighResolution};

    // The system print dialog; false when the user cancels.
    std::function<bool(QPrinter &)> PrintDialog;
    // The printer setup dialog (printer, paper, orientation).
    std::function<void(QPrinter &)> PrinterSetupDialog;
    // The file-save dialog for pictures (no overwrite question); empty when
    // the user cancels.
    std::function<QString()> SavePictureDialog;

    // Landscape when at least one printer is installed; the window's
    // start-up asks for it once (the printers are looked up each call).
    void SetLandscapeWhenPrinterExists();

    // Prints the chart of record (nothing: the message that there is nothing
    // to print). Any failure after that is reported as "没有打印机！" and the
    // print job is abandoned, so nothing more is printed.
    void actPrintExecute(const std::optional<ChartSubject> &record);
    void N31Click();
    // Saves the picture as the chosen name followed by ".gif"; a failure to
    // write it goes to the error box.
    void actGifExportExecute();

    // Origin of a board of chartW × chartH centred on a printable area of
    // pageW × pageH (halves to even); (13, 10) when it does not fit.
    static QPoint CentredOrigin(int pageW, int pageH, int chartW, int chartH);

    // Messages.
    static const QString kNothingToPrint;
    static const QString kNoPrinter;

private:
    void message(const QString &text);
    void PrintChart(const ChartSubject &record);

    ChartPage &m_page;
};
