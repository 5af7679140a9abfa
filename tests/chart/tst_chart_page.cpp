// The chart page: one engine call and one drawing per chart, the hint
// window, clicks on the picture with any mouse button opening the right
// explanation, and the explanation window itself.
#include "ChartPage.h"
#include "DBStarFrm.h"
#include "Gbk.h"
#include "KeloError.h"
#include "ShowTutorialFrm.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <cstring>

namespace {

constexpr double kBirth = 30756.0 + 8.5 / 24;  // 1984-03-15 08:30

// The centre of the first recorded region with this name, or (-1, -1).
QPoint CentreOf(const TKeloDraw &draw, const QString &name)
{
    for (int i = 0; i < draw.HitCount; ++i) {
        const HitRegion &r = draw.HitRegions[i];
        if (r.Name == name)
            return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    return QPoint(-1, -1);
}

}  // namespace

class TestChartPage : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pageLayout();
    void showChartCallsTheEngineOnceAndDrawsOnce();
    void pictureIsMadeOnceAndKept();
    void hintAfterEveryChartUntilTicked();
    void hintWindow();
    void clickWithAnyButtonOpensTheExplanation_data();
    void clickWithAnyButtonOpensTheExplanation();
    void clickOnABorderOrAGapOpensNothing();
    void cycleStarsAreLookedUpWithTheirDigit();
    void nameWithoutARowShowsTheNoExplanationText();
    void explanationWindow();
    void explanationWindowClosesOnEscEnterShift_data();
    void explanationWindowClosesOnEscEnterShift();
    void drawingErrorLeavesThePartlyDrawnPicture();
    void longNameIsCutAtAWholeCharacter();

private:
    ChartPage *page = nullptr;
    TfrmDBStar *explanation = nullptr;
    int panCalls = 0;
    QStringList modals;  // object names of the modal windows shown
    std::function<void(QDialog &)> answer;
};

void TestChartPage::init()
{
    page = new ChartPage;
    explanation = new TfrmDBStar;
    QVERIFY(explanation->OpenStarTable(QStringLiteral(KELO_STAR_DB)));
    page->setExplanationWindow(explanation);
    panCalls = 0;
    modals.clear();
    answer = nullptr;
    page->Pan = [this](double b, uint8_t m, int32_t r, void *p, void *h, void *pi, void *l) {
        ++panCalls;
        Dll_Pan(b, m, r, p, h, pi, l);
    };
    page->ExecModal = [this](QDialog &d) {
        modals << d.objectName();
        if (answer)
            answer(d);
        return int(QDialog::Accepted);
    };
}

void TestChartPage::cleanup()
{
    delete page;
    delete explanation;
}

void TestChartPage::pageLayout()
{
    QCOMPARE(page->objectName(), QStringLiteral("tsMing"));
    QCOMPARE(page->imgDisk->objectName(), QStringLiteral("imgDisk"));
    QCOMPARE(page->imgDisk->geometry(), QRect(8, 8, 723, 515));
}

void TestChartPage::showChartCallsTheEngineOnceAndDrawsOnce()
{
    QByteArray nameOnEntry;
    page->Pan = [&](double b, uint8_t m, int32_t r, void *p, void *h, void *pi, void *l) {
        ++panCalls;
        nameOnEntry = QByteArray(static_cast<const char *>(h));
        QCOMPARE(r, 1);
        QCOMPARE(m, uint8_t(0));
        QCOMPARE(b, kBirth);
        Dll_Pan(b, m, r, p, h, pi, l);
    };
    page->ShowTutorial = false;
    QSignalSpy drawn(page, &ChartPage::chartDrawn);
    page->ShowChart(kBirth, false, QStringLiteral("王芳"));
    QCOMPARE(panCalls, 1);
    QCOMPARE(drawn.count(), 1);
    QCOMPARE(nameOnEntry, ToGbk(QStringLiteral("王芳")));
    QCOMPARE(page->Name, QStringLiteral("王芳"));
    QCOMPARE(page->Birthday, kBirth);
    QCOMPARE(page->Sex, false);
    // The screen geometry and a fresh hit list.
    QCOMPARE(page->KeloDraw.OriginX, 1);
    QCOMPARE(page->KeloDraw.ChartWidth, 720);
    QCOMPARE(page->KeloDraw.ChartHeight, 512);
    QVERIFY(page->KeloDraw.HitCount > 12);
    QVERIFY(!page->imgDisk->pixmap().isNull());
    QVERIFY(modals.isEmpty());
    // The header line 0 now holds the name line written by the engine.
    QVERIFY(FromGbk(page->TextBlock, 31).contains(QStringLiteral("王芳")));
}

void TestChartPage::pictureIsMadeOnceAndKept()
{
    page->ShowTutorial = false;
    page->ShowChart(kBirth, true, QStringLiteral("甲"));
    const uchar *bits = page->Picture().constBits();
    QCOMPARE(page->Picture().size(), QSize(723, 515));
    const QImage first = page->Picture().copy();
    page->ShowChart(kBirth + 400, false, QStringLiteral("乙"));
    QCOMPARE(page->Picture().constBits(), bits);
    QVERIFY(page->Picture() != first);
    // The board lies inside the bitmap: the grid's corners at (1, 1) and (721, 513).
    QCOMPARE(page->Picture().pixel(1, 1), qRgb(0, 0, 0));
    QCOMPARE(page->Picture().pixel(721, 513), qRgb(0, 0, 0));
    QCOMPARE(page->Picture().pixel(722, 514), qRgb(255, 255, 255));
    // On the page the white of the bitmap lets the background through.
    const QImage shown = page->imgDisk->pixmap().toImage();
    QCOMPARE(qAlpha(shown.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(shown.pixel(1, 1)), 255);
}

void TestChartPage::hintAfterEveryChartUntilTicked()
{
    QVERIFY(page->ShowTutorial);
    page->ShowChart(kBirth, true, QStringLiteral("甲"));
    page->ShowChart(kBirth, true, QStringLiteral("甲"));  // the same record redrawn
    QCOMPARE(modals, QStringList({"frmShowTutorial", "frmShowTutorial"}));
    QVERIFY(page->ShowTutorial);
    answer = [](QDialog &d) { static_cast<TfrmShowTutorial &>(d).cbNoShow->setChecked(true); };
    page->ShowChart(kBirth, true, QStringLiteral("甲"));
    QVERIFY(!page->ShowTutorial);
    page->ShowChart(kBirth, true, QStringLiteral("甲"));
    QCOMPARE(modals.size(), 3);
}

void TestChartPage::hintWindow()
{
    QAction tutorial(QStringLiteral("斗数教程"));
    QSignalSpy triggered(&tutorial, &QAction::triggered);
    TfrmShowTutorial hint(nullptr, &tutorial);
    QCOMPARE(hint.windowTitle(), QStringLiteral("提示"));
    QCOMPARE(hint.size(), QSize(253, 115));
    QCOMPARE(hint.Label1->text(), QStringLiteral("点击星耀、宫名，可以查看解释。"));
    QCOMPARE(hint.Label1->pos(), QPoint(16, 16));
    QCOMPARE(hint.cbNoShow->text(), QStringLiteral("不再提示"));
    QCOMPARE(hint.cbNoShow->pos(), QPoint(16, 40));
    QVERIFY(!hint.cbNoShow->isChecked());
    QCOMPARE(hint.btnJiaocheng->geometry(), QRect(80, 80, 75, 25));
    QCOMPARE(hint.btnJiaocheng->text(), QStringLiteral("斗数教程"));
    QVERIFY(hint.btnJiaocheng->isDefault());
    QCOMPARE(hint.Button2->geometry(), QRect(168, 80, 75, 25));
    QCOMPARE(hint.Button2->text(), QStringLiteral("确定"));
    hint.show();
    QTest::mouseClick(hint.btnJiaocheng, Qt::LeftButton);
    QCOMPARE(triggered.count(), 1);
    QVERIFY(hint.isVisible());  // the tutorial leaves the hint open
    QTest::mouseClick(hint.Button2, Qt::LeftButton);
    QVERIFY(!hint.isVisible());
    QCOMPARE(hint.result(), int(QDialog::Accepted));
}

void TestChartPage::clickWithAnyButtonOpensTheExplanation_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left") << Qt::LeftButton;
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void TestChartPage::clickWithAnyButtonOpensTheExplanation()
{
    QFETCH(Qt::MouseButton, button);
    page->ShowTutorial = false;
    page->ShowChart(kBirth, true, QStringLiteral("甲"));
    page->show();
    for (const QString &name : {QStringLiteral("命宫"), QStringLiteral("紫微")}) {
        modals.clear();
        const QPoint at = CentreOf(page->KeloDraw, name);
        QVERIFY2(at.x() >= 0, qPrintable(name));
        QTest::mouseClick(page->imgDisk, button, {}, at);
        QCOMPARE(modals, QStringList{"frmDBStar"});
        QCOMPARE(explanation->shownText(), explanation->tblStar.Lookup(name).value_or("?"));
        QVERIFY(!explanation->shownText().isEmpty());
    }
}

void TestChartPage::clickOnABorderOrAGapOpensNothing()
{
    page->ShowTutorial = false;
    page->ShowChart(kBirth, true, QStringLiteral("甲"));
    const TKeloDraw &draw = page->KeloDraw;
    const HitRegion r = draw.HitRegions[0];
    for (const QPoint at : {QPoint(r.Left, (r.Top + r.Bottom) / 2), QPoint(r.Right, (r.Top + r.Bottom) / 2),
                            QPoint((r.Left + r.Right) / 2, r.Top), QPoint((r.Left + r.Right) / 2, r.Bottom),
                            QPoint(400, 300) /* middle block */, QPoint(0, 0)}) {
        QString name;
        draw.HitTest(at.x(), at.y(), name);
        if (!name.isEmpty())
            continue;  // a neighbouring region covers this point
        page->imgDiskMouseDown(Qt::LeftButton, at.x(), at.y());
    }
    QVERIFY(modals.isEmpty());
}

void TestChartPage::cycleStarsAreLookedUpWithTheirDigit()
{
    page->ShowTutorial = false;
    page->ShowChart(kBirth, true, QStringLiteral("甲"));
    int cycles = 0;
    for (int i = 0; i < page->KeloDraw.HitCount; ++i) {
        const QString name = page->KeloDraw.HitRegions[i].Name;
        if (!name.back().isDigit())
            continue;
        ++cycles;
        QVERIFY2(explanation->Locate(name), qPrintable(name));
    }
    QCOMPARE(cycles, 36);
}

void TestChartPage::nameWithoutARowShowsTheNoExplanationText()
{
    QVERIFY(!explanation->Locate(QStringLiteral("不存在的星")));
    QCOMPARE(explanation->shownText(), explanation->tblStar.Lookup(QStringLiteral("*")).value());
    QVERIFY(!explanation->shownText().isEmpty());

    TfrmDBStar withoutDatabase;
    QVERIFY(!withoutDatabase.OpenStarTable(QDir::temp().filePath("no-such-dir/00.dll")));
    QVERIFY(!withoutDatabase.Locate(QStringLiteral("紫微")));
    QCOMPARE(withoutDatabase.shownText(), TfrmDBStar::kNoDatabase);
}

void TestChartPage::explanationWindow()
{
    QCOMPARE(explanation->windowTitle(), QStringLiteral("解析"));
    QCOMPARE(explanation->size(), QSize(533, 379));
    QVERIFY(explanation->DBRichEdit1->isReadOnly());
    QCOMPARE(explanation->DBRichEdit1->objectName(), QStringLiteral("DBRichEdit1"));
    QCOMPARE(explanation->DBRichEdit1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(explanation->Locate(QStringLiteral("紫微")));
    explanation->show();
    // Typing changes nothing; a selection does not stay.
    const QString before = explanation->shownText();
    QTest::keyClicks(explanation->DBRichEdit1, QStringLiteral("abc"));
    QCOMPARE(explanation->shownText(), before);
    QTextCursor cursor = explanation->DBRichEdit1->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(5, QTextCursor::KeepAnchor);
    explanation->DBRichEdit1->setTextCursor(cursor);
    QVERIFY(!explanation->DBRichEdit1->textCursor().hasSelection());
    explanation->DBRichEdit1->selectAll();
    QVERIFY(!explanation->DBRichEdit1->textCursor().hasSelection());
}

void TestChartPage::explanationWindowClosesOnEscEnterShift_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Esc") << int(Qt::Key_Escape);
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    QTest::newRow("Shift") << int(Qt::Key_Shift);
}

void TestChartPage::explanationWindowClosesOnEscEnterShift()
{
    QFETCH(int, key);
    explanation->Locate(QStringLiteral("天机"));
    explanation->show();
    QVERIFY(explanation->isVisible());
    QTest::keyClick(explanation->DBRichEdit1, Qt::Key(key));
    QVERIFY(!explanation->isVisible());
}

void TestChartPage::drawingErrorLeavesThePartlyDrawnPicture()
{
    page->Pan = [this](double b, uint8_t m, int32_t r, void *p, void *h, void *pi, void *l) {
        ++panCalls;
        Dll_Pan(b, m, r, p, h, pi, l);
        std::memcpy(l, "x\0", 2);  // luck cell 0 no longer a number
    };
    QSignalSpy drawn(page, &ChartPage::chartDrawn);
    QVERIFY_THROWS_EXCEPTION(KeloError, page->ShowChart(kBirth, true, QStringLiteral("甲")));
    QCOMPARE(panCalls, 1);
    QCOMPARE(drawn.count(), 0);
    QVERIFY(modals.isEmpty());  // the error leaves before the hint
    QCOMPARE(page->Picture().pixel(1, 1), qRgb(0, 0, 0));  // the grid was drawn
    QVERIFY(!page->imgDisk->pixmap().isNull());
}

void TestChartPage::longNameIsCutAtAWholeCharacter()
{
    // 16 characters = 32 bytes: line 0 holds at most 30 bytes before its NUL.
    const QString name(16, QChar(0x5f20));  // 张
    page->PutNameIntoTextBlock(name);
    QCOMPARE(qstrlen(page->TextBlock), 30u);
    page->PutNameIntoTextBlock(QStringLiteral("李😀"));  // a character GBK cannot write
    QCOMPARE(QByteArray(page->TextBlock), ToGbk(QStringLiteral("李")) + "?");
}

QTEST_MAIN(TestChartPage)
#include "tst_chart_page.moc"
