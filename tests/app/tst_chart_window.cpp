// The chart page inside the real main window: when a chart is drawn (tree
// click, page change, save and cast), the hint after a chart and its setting,
// explanations of clicked names, printing to PDF and the picture export, the
// File menu and the tool bar.

#include "AppHarness.h"
#include "InfoPageFrm.h"
#include "ShowTutorialFrm.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPrinter>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolBar>

namespace {

constexpr double kZhangBirth = 30756.0 + 8.5 / 24;   // 1984-03-15 08:30
constexpr double kLiBirth = 33000.0 + 22.25 / 24;    // 1990-05-07 22:15
constexpr double kNewBirth = 36000.0 + 6.0 / 24;     // 1998-07-24 06:00

// Types text into a widget as key presses carrying the characters.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

// The centre of the last recorded region with this name (the one a click
// there finds), or (-1, -1).
QPoint CentreOf(const TKeloDraw &draw, const QString &name)
{
    QPoint at(-1, -1);
    for (int i = 0; i < draw.HitCount; ++i) {
        const HitRegion &r = draw.HitRegions[i];
        if (r.Name == name)
            at = QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    return at;
}

QByteArray FileHead(const QString &fileName, int size)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.read(size);
}

// A mouse press on a widget, delivered whether or not it is shown.
void press(QWidget *widget, Qt::MouseButton button, QPoint at)
{
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(at), widget->mapToGlobal(QPointF(at)), button, button,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

}  // namespace

class TestChartWindow : public QObject {
    Q_OBJECT

    // Groups of the default file: 2 亲戚, 3 朋友 ... 6 客户 (no members).
    struct Fixture {
        Harness h;
        int zhang = 0, li = 0, wang = 0;
        int panCalls = 0;
        QList<double> births;            // the birth of every engine call
        std::unique_ptr<QSignalSpy> drawn;

        explicit Fixture(bool hint = false)
        {
            h.start();
            zhang = member(2, QStringLiteral("张三"), kZhangBirth, true);
            li = member(2, QStringLiteral("李四"), kLiBirth, false);
            wang = member(3, QStringLiteral("王五"), kZhangBirth, true);
            h.window->ApplyTreeFilter();
            h.window->ApplyGridFilter();
            h.window->tsMing->ShowTutorial = hint;
            h.window->tsMing->Pan = [this](double b, uint8_t m, int32_t r, void *p, void *hd, void *pi, void *l) {
                ++panCalls;
                births << b;
                Dll_Pan(b, m, r, p, hd, pi, l);
            };
            drawn = std::make_unique<QSignalSpy>(h.window->tsMing, &ChartPage::chartDrawn);
            h.dialogs.clear();
        }
        int member(int parent, const QString &name, double birth, bool male)
        {
            const int id = h.addMember(parent, name);
            UsersCursor &grid = h.store().tblGrid;
            grid.Locate(UsersField::ID, id);
            grid.Edit();
            grid.SetFieldValue(UsersField::Birthday, birth);
            grid.SetFieldValue(UsersField::Sex, male);
            // The details page's check takes the birth from its controls.
            h.window->ShowBirthday(birth);
            h.window->SaveRecord();
            return id;
        }
        TfrmMain &w() { return *h.window; }
        ChartPage &page() { return *h.window->tsMing; }
        // The chart page showing the chart of one member, drawn by the tree
        // click and the page change as the user makes them.
        void showChartOf(int id)
        {
            h.clickNode(id);
            if (w().PageControl1->currentWidget() != w().tsMing)
                h.clickPage(2);
        }
        QImage shownPicture() { return page().imgDisk->pixmap().toImage(); }
    };

private slots:
    void initTestCase() { UseTestLocations(); }
    void init() { ClearSettings(); }

    void treeClickRedrawsOnlyOnTheChartPage()
    {
        Fixture f;
        // On the list page a click on a member draws nothing.
        f.h.clickNode(f.zhang);
        QCOMPARE(f.panCalls, 0);
        // The change to 命盘 draws the current member's chart once.
        f.h.clickPage(2);
        QCOMPARE(f.w().PageControl1->currentWidget(), f.w().tsMing);
        QCOMPARE(f.panCalls, 1);
        QCOMPARE(f.drawn->count(), 1);
        QCOMPARE(f.page().Name, QStringLiteral("张三"));
        QCOMPARE(f.births.last(), kZhangBirth);
        QVERIFY(f.page().Sex);
        const QImage zhang = f.shownPicture();
        // Another member clicked on the chart page is drawn at once.
        f.h.clickNode(f.li);
        QCOMPARE(f.panCalls, 2);
        QCOMPARE(f.drawn->count(), 2);
        QCOMPARE(f.page().Name, QStringLiteral("李四"));
        QCOMPARE(f.births.last(), kLiBirth);
        QVERIFY(!f.page().Sex);
        QVERIFY(f.shownPicture() != zhang);
        // A group goes back to the list page and draws nothing.
        f.h.clickNode(3);
        QCOMPARE(f.w().PageControl1->currentWidget(), f.w().tsList);
        QCOMPARE(f.panCalls, 2);
        f.h.clickNode(f.zhang);
        QCOMPARE(f.panCalls, 2);
        // The details page does not draw either.
        f.h.clickPage(1);
        f.h.clickNode(f.li);
        QCOMPARE(f.panCalls, 2);
        // A page change by the keyboard draws once, as the tab click does.
        f.w().PageControl1->setCurrentIndex(2);
        QCOMPARE(f.panCalls, 3);
        QCOMPARE(f.drawn->count(), 3);
        QCOMPARE(f.page().Name, QStringLiteral("李四"));
        QVERIFY(f.h.dialogs.calls.isEmpty());
    }

    void ctrlSSavesAndShowsTheChartOnce()
    {
        Fixture f;
        f.h.clickNode(2);
        f.w().actNewMember->trigger();
        QCOMPARE(f.w().PageControl1->currentWidget(), f.w().tsInfo);
        f.w().ShowBirthday(kNewBirth);
        typeText(f.w().InfoPage->edtName, QStringLiteral("孙七"));
        QVERIFY(f.h.store().tblGrid.Editing());
        f.w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.w()));
        QTest::keyClick(f.w().InfoPage->edtName, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!f.h.store().tblGrid.Editing());
        QCOMPARE(f.h.store().tblGrid.Current().Name, QStringLiteral("孙七"));
        QVERIFY(f.h.store().tblGrid.Current().ID > 0);
        QCOMPARE(f.w().PageControl1->currentWidget(), f.w().tsMing);
        // One engine call and one drawing, of the saved member.
        QCOMPARE(f.panCalls, 1);
        QCOMPARE(f.drawn->count(), 1);
        QCOMPARE(f.page().Name, QStringLiteral("孙七"));
        QVERIFY(qAbs(f.births.first() - kNewBirth) < 1.0 / 1440);
        QVERIFY(f.h.dialogs.calls.isEmpty());
        // Ctrl+S elsewhere than on the details page does nothing.
        QTest::keyClick(&f.w(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(f.panCalls, 1);
    }

    void refusedSaveDrawsNothing()
    {
        Fixture f;
        f.h.clickNode(2);
        f.w().actNewMember->trigger();
        QVERIFY(f.h.store().tblGrid.Editing());
        f.w().actSaveAndPan->trigger();   // the name is empty
        QCOMPARE(f.h.dialogs.texts("error"), QStringList{QStringLiteral("姓名不可为空.")});
        QVERIFY(f.h.store().tblGrid.Editing());
        QCOMPARE(f.w().PageControl1->currentWidget(), f.w().tsInfo);
        QCOMPARE(f.panCalls, 0);
        QCOMPARE(f.drawn->count(), 0);
    }

    void hintAfterEveryChartUntilTickedAndInLaterRuns()
    {
        const QString hint = QStringLiteral("frmShowTutorial");
        {
            Fixture f(true);
            f.showChartOf(f.zhang);
            QCOMPARE(f.h.modals, QStringList{hint});
            // The same record drawn again shows the hint again.
            f.h.clickNode(f.zhang);
            QCOMPARE(f.panCalls, 2);
            QCOMPARE(f.h.modals, (QStringList{hint, hint}));
            // Ticking "不再提示" stops it.
            f.h.answerModal = [](QDialog &d) {
                if (auto *t = qobject_cast<TfrmShowTutorial *>(&d)) {
                    QCOMPARE(t->cbNoShow->text(), QStringLiteral("不再提示"));
                    QVERIFY(!t->cbNoShow->isChecked());
                    t->cbNoShow->setChecked(true);
                }
            };
            f.h.clickNode(f.li);
            QCOMPARE(f.h.modals.size(), 3);
            QVERIFY(!f.page().ShowTutorial);
            f.h.clickNode(f.zhang);
            QCOMPARE(f.panCalls, 4);
            QCOMPARE(f.h.modals.size(), 3);
            f.h.close();
        }
        QCOMPARE(KeloSettings().value("ShowTutorial").toInt(), 0);
        // The next run keeps it off.
        Harness h;
        TfrmMain &w = h.start();
        QVERIFY(!w.tsMing->ShowTutorial);
        const int id = h.addMember(2, QStringLiteral("周八"));
        w.ApplyGridFilter();
        h.clickNode(id);
        h.clickPage(2);
        QCOMPARE(w.tsMing->Name, QStringLiteral("周八"));
        QVERIFY(h.modals.isEmpty());
    }

    void anyButtonOnANameOpensItsExplanation_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("palaceName");
        QTest::newRow("left on a star") << Qt::LeftButton << false;
        QTest::newRow("right on a star") << Qt::RightButton << false;
        QTest::newRow("middle on a star") << Qt::MiddleButton << false;
        QTest::newRow("right on a palace name") << Qt::RightButton << true;
    }

    void anyButtonOnANameOpensItsExplanation()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, palaceName);
        Fixture f;
        f.showChartOf(f.zhang);
        TfrmDBStar *star = f.w().explanationWindow();
        QVERIFY(star);
        QCOMPARE(star->tblStar.FileName(), f.h.path("00.dll"));
        const QString name = palaceName ? QStringLiteral("命宫") : QStringLiteral("紫微");
        const QPoint at = CentreOf(f.page().KeloDraw, name);
        QVERIFY2(at.x() >= 0, qPrintable(name));
        QTest::mousePress(f.page().imgDisk, button, {}, at);
        QCOMPARE(f.h.modals, QStringList{QStringLiteral("frmDBStar")});
        const auto text = star->tblStar.Lookup(name);
        QVERIFY(text && !text->isEmpty());
        QCOMPARE(f.h.explanations.value(0), *text);
    }

    void gapsAndBordersOpenNothing()
    {
        Fixture f;
        f.showChartOf(f.zhang);
        const TKeloDraw &draw = f.page().KeloDraw;
        QVERIFY(draw.HitCount > 10);
        // Points on region borders and just beside them that no region holds
        // strictly inside.
        QList<QPoint> empty;
        for (int i = 0; i < draw.HitCount; ++i) {
            const HitRegion &r = draw.HitRegions[i];
            const int midY = (r.Top + r.Bottom) / 2;
            for (const QPoint p : {QPoint(r.Left, midY), QPoint(r.Right, midY), QPoint((r.Left + r.Right) / 2, r.Top)}) {
                QString name;
                draw.HitTest(p.x(), p.y(), name);
                if (name.isEmpty())
                    empty << p;
            }
        }
        QVERIFY(empty.size() >= 10);
        empty << QPoint(360, 256) << QPoint(2, 2);   // the middle block, the board's corner
        for (const QPoint p : std::as_const(empty))
            QTest::mousePress(f.page().imgDisk, Qt::RightButton, {}, p);
        QVERIFY(f.h.modals.isEmpty());
    }

    void printsToPdfThroughTheWindow()
    {
        Fixture f;
        QTemporaryDir out;
        const QString pdf = out.filePath(QStringLiteral("chart.pdf"));
        int asked = 0;
        QString title;
        f.h.printDialog = [&](QPrinter &p) {
            ++asked;
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(pdf);
            return true;
        };
        // An empty list: the message, no print dialog.
        f.h.clickNode(6);
        f.w().actPrint->trigger();
        QCOMPARE(f.h.dialogs.texts("message"), QStringList{QStringLiteral("当前没有可供打印的数据！")});
        QCOMPARE(asked, 0);
        QVERIFY(!QFile::exists(pdf));
        // A member: printed by Ctrl+P, computed afresh for the printer.
        f.h.dialogs.clear();
        f.h.clickNode(f.li);
        f.w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.w()));
        QTest::keyClick(f.w().DBTreeView1, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(asked, 1);
        QCOMPARE(f.page().Printing.printer.docName(), QStringLiteral("Kelo-李四"));
        QCOMPARE(f.panCalls, 1);
        QCOMPARE(f.births.last(), kLiBirth);
        QCOMPARE(FileHead(pdf, 5), QByteArray("%PDF-"));
        QVERIFY(QFileInfo(pdf).size() > 10000);
        QVERIFY(f.h.dialogs.calls.isEmpty());
        // A cancelled print dialog prints nothing.
        QFile::remove(pdf);
        f.h.printDialog = [&](QPrinter &) { ++asked; return false; };
        f.w().actPrint->trigger();
        QCOMPARE(asked, 2);
        QCOMPARE(f.panCalls, 1);
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(f.h.dialogs.calls.isEmpty());
    }

    void printingLeavesTheScreenChartAndItsClicks()
    {
        Fixture f;
        QTemporaryDir out;
        f.h.printDialog = [&](QPrinter &p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(out.filePath(QStringLiteral("chart.pdf")));
            return true;
        };
        f.showChartOf(f.zhang);
        const QImage picture = f.page().Picture().copy();
        const QImage shown = f.shownPicture();
        const int hits = f.page().KeloDraw.HitCount;
        const QPoint ziwei = CentreOf(f.page().KeloDraw, QStringLiteral("紫微"));
        QVERIFY(ziwei.x() >= 0);

        // With the list page shown another member is printed.
        f.h.clickPage(0);
        f.h.clickNode(f.li);
        QCOMPARE(f.panCalls, 1);
        f.w().actPrint->trigger();
        QCOMPARE(f.panCalls, 2);
        QCOMPARE(f.births.last(), kLiBirth);
        QVERIFY(QFileInfo(out.filePath(QStringLiteral("chart.pdf"))).size() > 10000);
        QCOMPARE(f.drawn->count(), 1);
        QCOMPARE(f.page().Picture(), picture);
        QCOMPARE(f.shownPicture(), shown);
        QCOMPARE(f.page().KeloDraw.HitCount, hits);
        // A click on the picture still finds the names drawn on it.
        press(f.page().imgDisk, Qt::LeftButton, ziwei);
        QCOMPARE(f.h.modals, QStringList{QStringLiteral("frmDBStar")});
        QCOMPARE(f.h.explanations.value(0), *f.w().explanationWindow()->tblStar.Lookup(QStringLiteral("紫微")));

        // Printed from the chart page, then clicked as the user does.
        f.h.clickNode(f.zhang);
        f.h.clickPage(2);
        QCOMPARE(f.panCalls, 3);
        const QImage again = f.page().Picture().copy();
        f.w().actPrint->trigger();
        QCOMPARE(f.panCalls, 4);
        QCOMPARE(f.page().Picture(), again);
        f.h.modals.clear();
        f.h.explanations.clear();
        for (const QString name : {QStringLiteral("紫微"), QStringLiteral("命宫")}) {
            QTest::mousePress(f.page().imgDisk, Qt::RightButton, {}, CentreOf(f.page().KeloDraw, name));
            QCOMPARE(f.h.explanations.last(), *f.w().explanationWindow()->tblStar.Lookup(name));
        }
        QCOMPARE(f.h.modals.size(), 2);
        QVERIFY(f.h.dialogs.calls.isEmpty());
    }

    void exportNamesTheFileChosenDotGif_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain name") << "chart" << "chart.gif";
        QTest::newRow("already .gif") << "chart.gif" << "chart.gif.gif";
        QTest::newRow("other picture type") << "chart.png" << "chart.png.gif";
    }

    void exportNamesTheFileChosenDotGif()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        Fixture f;
        QTemporaryDir out;
        f.showChartOf(f.zhang);
        f.h.pictureName = out.filePath(chosen);
        f.w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.w()));
        QTest::keyClick(f.w().DBTreeView1, Qt::Key_E, Qt::ControlModifier);
        const QString file = out.filePath(written);
        QVERIFY2(QFile::exists(file), qPrintable(file));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{written});
        // A GIF of the picture's size (logical screen width and height).
        const QByteArray head = FileHead(file, 10);
        QCOMPARE(head.left(4), QByteArray("GIF8"));
        QCOMPARE(uchar(head[6]) | uchar(head[7]) << 8, ChartPage::kPictureWidth);
        QCOMPARE(uchar(head[8]) | uchar(head[9]) << 8, ChartPage::kPictureHeight);
        QVERIFY(f.h.dialogs.calls.isEmpty());
    }

    void exportAndTreeKeysWorkFromATextField()
    {
        // With the focus in a text field, Ctrl+E and Ctrl+D stay the picture
        // export and the tree switch.
        Fixture f;
        QTemporaryDir out;
        f.showChartOf(f.zhang);
        f.h.pictureName = out.filePath(QStringLiteral("from-search-box"));
        f.w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.w()));
        f.w().edtSearch->setFocus();
        QTest::keyClick(f.w().edtSearch, Qt::Key_E, Qt::ControlModifier);
        QVERIFY(QFile::exists(out.filePath(QStringLiteral("from-search-box.gif"))));

        const bool treeShown = f.w().actViewTree->isChecked();
        QTest::keyClick(f.w().edtSearch, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(f.w().actViewTree->isChecked(), !treeShown);
        // Other editing keys still belong to the field.
        f.w().edtSearch->setText(QStringLiteral("zs"));
        f.w().edtSearch->setCursorPosition(0);
        QTest::keyClick(f.w().edtSearch, Qt::Key_End);
        QCOMPARE(f.w().edtSearch->cursorPosition(), 2);
    }

    void exportCancelledOrWithoutAChart()
    {
        Fixture f;
        QTemporaryDir out;
        // Cancelled: nothing written.
        f.h.pictureName.clear();
        f.w().actGifExport->trigger();
        QVERIFY(QDir(out.path()).entryList(QDir::Files).isEmpty());
        // Before any chart the blank board is written, through the tool button.
        f.h.pictureName = out.filePath(QStringLiteral("blank"));
        QAction *button = f.w().findChild<QAction *>(QStringLiteral("tbPicture"));
        QVERIFY(button);
        button->trigger();
        QCOMPARE(FileHead(out.filePath(QStringLiteral("blank.gif")), 4), QByteArray("GIF8"));
        QCOMPARE(f.panCalls, 0);
        // A folder that cannot be written: the error box, the program goes on.
        f.h.pictureName = out.filePath(QStringLiteral("missing/chart"));
        f.w().actGifExport->trigger();
        QCOMPARE(f.h.dialogs.texts("error").size(), 1);
    }

    void fileMenuToolBarAndCommands()
    {
        Fixture f;
        TfrmMain &w = f.w();
        QMenu *file = w.menuBar()->findChild<QMenu *>(QStringLiteral("miFile"));
        QVERIFY(file);
        QStringList items;
        for (QAction *a : file->actions())
            items << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(items, (QStringList{QStringLiteral("新建数据库(&N)..."), QStringLiteral("打开数据库(&O)..."),
                                     QStringLiteral("-"), QStringLiteral("导出图片(&E)"), QStringLiteral("-"),
                                     QStringLiteral("打印设置(&U)..."), QStringLiteral("打印(&P)...")}));
        QCOMPARE(w.actGifExport->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
        QCOMPARE(w.actPrint->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
        QVERIFY(w.N31->shortcut().isEmpty());
        QCOMPARE(w.actSaveAndPan->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(w.actSaveAndPan->text(), QStringLiteral("保存并排盘(&S)"));
        // The tool bar's picture and print buttons run the two commands.
        QStringList captions;
        for (QAction *a : w.tbMain->actions())
            if (!a->text().isEmpty())
                captions << a->text();
        QVERIFY(captions.indexOf(QStringLiteral("图片")) >= 0);
        QCOMPARE(captions.indexOf(QStringLiteral("打印")), captions.indexOf(QStringLiteral("图片")) + 1);
        int printAsked = 0;
        f.h.printDialog = [&](QPrinter &) { ++printAsked; return false; };
        f.h.clickNode(f.zhang);
        w.findChild<QAction *>(QStringLiteral("tbPrint"))->trigger();
        QCOMPARE(printAsked, 1);
        // The printer setup shows its dialog and nothing else.
        w.N31->trigger();
        QCOMPARE(f.h.modals, QStringList{QStringLiteral("printerSetup")});
        QCOMPARE(f.panCalls, 0);
        // Always enabled: while a member is edited, and with an empty list.
        w.actNewMember->trigger();
        QVERIFY(f.h.store().tblGrid.Editing());
        for (QAction *a : {w.actGifExport, w.N31, w.actPrint})
            QVERIFY2(a->isEnabled(), qPrintable(a->text()));
        w.miCancel->trigger();
        f.h.clickNode(6);
        for (QAction *a : {w.actGifExport, w.N31, w.actPrint})
            QVERIFY2(a->isEnabled(), qPrintable(a->text()));
        QVERIFY(w.findChild<QAction *>(QStringLiteral("tbPicture"))->isEnabled());
        QVERIFY(w.findChild<QAction *>(QStringLiteral("tbPrint"))->isEnabled());
        // The chart page is the third tab with the picture at (8, 8).
        QCOMPARE(w.PageControl1->widget(2), static_cast<QWidget *>(w.tsMing));
        QCOMPARE(w.PageControl1->tabText(2), QStringLiteral("命盘"));
        QCOMPARE(w.tsMing->imgDisk->geometry(), QRect(8, 8, 723, 515));
    }

    void missingExplanationsAreReportedAndTheRecordsStillFiltered()
    {
        // A file with a private member, made by a first run.
        Harness first;
        first.start();
        const int secret = first.addMember(2, QStringLiteral("赵六"), true);
        const int open = first.addMember(2, QStringLiteral("张三"));
        first.close();

        Harness h;
        h.withStarTable = false;
        TfrmMain &w = h.start();
        QVERIFY(!w.startFailed());
        QCOMPARE(h.store().FileName(), first.path("Sample.kvr"));
        QCOMPARE(h.dialogs.texts("error"), QStringList{ErrorBoxText(TfrmDBStar::kNoDatabase)});
        // The list and the tree were filtered all the same.
        QVERIFY(!h.model().indexOfId(secret).isValid());
        QVERIFY(h.model().indexOfId(open).isValid());
        QVERIFY(!h.listNames().contains(QStringLiteral("赵六")));
        // A click on a name tells that there is no explanation.
        h.clickNode(open);
        h.clickPage(2);
        const QPoint at = CentreOf(w.tsMing->KeloDraw, QStringLiteral("命宫"));
        QTest::mousePress(w.tsMing->imgDisk, Qt::LeftButton, {}, at);
        QCOMPARE(h.modals.filter(QStringLiteral("frmDBStar")).size(), 1);
        QCOMPARE(h.explanations.value(0), TfrmDBStar::kNoDatabase);
    }

    // With KELO_SCREENSHOT_CHART set, the window showing a member's chart is
    // saved there as a picture (for the README); otherwise this does nothing.
    void screenshot()
    {
        const QString target = qEnvironmentVariable("KELO_SCREENSHOT_CHART");
        if (target.isEmpty())
            QSKIP("KELO_SCREENSHOT_CHART not set");
        Fixture f;
        f.showChartOf(f.zhang);
        QVERIFY(f.w().grab().save(target));
    }
};

QTEST_MAIN(TestChartWindow)
#include "tst_chart_window.moc"
