#pragma once
// The chart page tsMing of the main window: the chart picture imgDisk, the
// chart state the window keeps (palace block, text block, birth instant, sex,
// name, ShowTutorial), the explanation of a clicked name, and the printing
// and picture-export commands.
//
// The main window embeds the page as its third tab, calls ShowChart with the
// current member's Birthday, Sex and Name whenever a chart is to be shown,
// and forwards actPrint, N31 and actGifExport to Printing. Errors of the
// drawing are thrown as KeloError for the window's error path.

#include "ChartPrint.h"
#include "DBStarFrm.h"
#include "KvrDraw.h"

#include <QImage>
#include <QLabel>
#include <QWidget>
#include <functional>
#include <star.h>

class Dialogs;
class QAction;
class QDialog;

// The picture control: a label holding the chart bitmap that reports every
// mouse button pressed on it.
class ChartPicture : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void pressed(Qt::MouseButton button, QPoint at);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

class ChartPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPictureWidth = 723, kPictureHeight = 515;
    using PanFunction = std::function<void(double, uint8_t, int32_t, void *, void *, void *, void *)>;

    explicit ChartPage(QWidget *parent = nullptr);
    ~ChartPage() override;

    // --- wiring by the main window
    // The program's dialogs (messages of printing, errors of the export).
    void setDialogs(Dialogs *dialogs) { m_dialogs = dialogs; }
    Dialogs *dialogs() const { return m_dialogs; }
    // The explanation window made at start-up; without one the page makes
    // its own on first use.
    void setExplanationWindow(TfrmDBStar *window) { m_explanation = window; }
    TfrmDBStar *explanationWindow();
    // The main window's tutorial command, for the hint window's button.
    void setTutorialAction(QAction *action) { m_tutorial = action; }

    // The chart engine's entry (Dll_Pan); replaceable to watch its calls.
    PanFunction Pan = Dll_Pan;
    // Runs a modal window (the hint, the explanation); replaceable so that
    // tests can answer it.
    std::function<int(QDialog &)> ExecModal;

    // --- state the window keeps for the chart
    TKeloDraw KeloDraw;
    char PalaceBlock[STAR_PALACE_BLOCK_SIZE] = {};
    char TextBlock[STAR_TEXT_BLOCKS_SIZE] = {};  // header, pillar and luck blocks
    double Birthday = 0;
    bool Sex = true;
    QString Name;
    bool ShowTutorial = true;  // read from and saved to the settings by the window
    ChartPrint Printing;

    ChartPicture *imgDisk;

    char *HeaderBlock() { return TextBlock; }
    char *PillarBlock() { return TextBlock + STAR_HEADER_BLOCK_SIZE; }
    char *LuckBlock() { return TextBlock + STAR_HEADER_BLOCK_SIZE + STAR_PILLAR_BLOCK_SIZE; }

    // The chart bitmap, made on first use and kept.
    QImage &Picture();
    // The bitmap as it is, or a blank (white) board when nothing was drawn.
    QImage PictureOrBlank() const;

    // Computes and draws the chart of one birth: the name into header line 0,
    // one engine call, the drawing at 14 pixels from (1, 1), and the hint
    // window while ShowTutorial holds. The caller checks first that there is
    // a current record.
    void ShowChart(double birth, bool male, const QString &name);
    // A mouse button pressed on the picture at (x, y).
    void imgDiskMouseDown(Qt::MouseButton button, int x, int y);
    // Shows the explanation window on name.
    void ShowExplanation(const QString &name);

    // Copies name, NUL-terminated GBK, to the start of the text block (cut
    // at a whole character to fit header line 0).
    void PutNameIntoTextBlock(const QString &name);
    // Shows the bitmap in imgDisk.
    void UpdatePicture();

signals:
    // After each drawing of the screen chart.
    void chartDrawn();

private:
    void ShowHint();

    Dialogs *m_dialogs = nullptr;
    TfrmDBStar *m_explanation = nullptr;
    TfrmDBStar *m_ownExplanation = nullptr;
    QAction *m_tutorial = nullptr;
    QImage m_picture;
};
