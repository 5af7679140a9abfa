// The details page, the search box and the password command inside the real
// main window, on its sample database in a temporary program folder.

#include "AppHarness.h"
#include "ChgPwdFrm.h"
#include "InfoPageFrm.h"
#include "ShowSearchFrm.h"
#include "WhenShown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

namespace {


void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

void replaceText(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    typeText(edit, text);
}

double instantOf(int y, int m, int d, int hour, int minute)
{
    return KeloDate(QDate(y, m, d)) + (hour * 60 + minute) / 1440.0;
}

} // namespace

class TestWindowRecords : public QObject {
    Q_OBJECT

    struct Fixture {
        Harness h;
        int zhang = 0, li = 0, chongqing = 0;
        Fixture()
        {
            h.start();
            zhang = h.addMember(2, QStringLiteral("张三"));
            li = h.addMember(2, QStringLiteral("李四"));
            chongqing = h.addMember(3, QStringLiteral("重庆"));
            h.window->ApplyTreeFilter();
            h.window->ApplyGridFilter();
        }
        TInfoPage &page() { return *h.window->InfoPage; }
    };

private slots:
    void initTestCase() { UseTestLocations(); }
    void init() { ClearSettings(); }

    void detailsPageSitsInTsInfo()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        QVERIFY(w.InfoPage);
        QVERIFY(w.tsInfo->isAncestorOf(w.InfoPage));
        QCOMPARE(w.tsInfo->findChildren<QWidget *>(QStringLiteral("edtName")).size(), 1);
        // The birth stored by the harness is what the page shows.
        QCOMPARE(f.page().cbYear->currentText(), QString::number(KeloToDate(30000.5).year()));
    }

    void newMemberIsCheckedAndStored()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        f.h.clickNode(3);
        w.actNewMember->trigger();
        QCOMPARE(w.PageControl1->currentWidget(), w.tsInfo);
        QCOMPARE(QApplication::focusWidget(), f.page().edtName);
        QCOMPARE(f.page().cbYear->currentText(), QString::number(QDate::currentDate().year()));
        QCOMPARE(f.page().cbSex->currentText(), QStringLiteral("男"));

        // Saving without a name is refused; the member stays open.
        w.miSave->trigger();
        QCOMPARE(f.h.dialogs.texts("error"), QStringList{"姓名不可为空."});
        QVERIFY(f.h.store().tblGrid.Editing());

        // A lunar birth in a leap month is stored as its Gregorian date.
        replaceText(f.page().edtName, QStringLiteral("孙七"));
        f.page().cbDateType->setCurrentIndex(1);
        emit f.page().cbDateType->activated(1);
        replaceText(f.page().cbYear->lineEdit(), QStringLiteral("2020"));
        replaceText(f.page().cbMonth->lineEdit(), QStringLiteral("4"));
        replaceText(f.page().cbDay->lineEdit(), QStringLiteral("1"));
        replaceText(f.page().cbHour->lineEdit(), QStringLiteral("9"));
        replaceText(f.page().cbMinute->lineEdit(), QStringLiteral("45"));
        f.page().cbLeap->click();
        w.miSave->trigger();
        QCOMPARE(f.h.dialogs.texts("error").size(), 1);
        QVERIFY(!f.h.store().tblGrid.Editing());
        const UsersRecord saved = f.h.store().tblGrid.Current();
        QCOMPARE(saved.Name, QStringLiteral("孙七"));
        QCOMPARE(saved.ParentID, 3);
        QCOMPARE(saved.Birthday, instantOf(2020, 5, 23, 9, 45));
        QCOMPARE(f.page().cbDateType->currentText(), QStringLiteral("公历"));
        QCOMPARE(f.page().cbMonth->currentText(), QStringLiteral("5"));
        QVERIFY(!f.page().cbLeap->isChecked());
    }

    void cancelShowsTheStoredBirth()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        f.h.clickNode(f.zhang);
        const QString year = f.page().cbYear->currentText();
        replaceText(f.page().cbYear->lineEdit(), QStringLiteral("1999"));
        QVERIFY(f.h.store().tblGrid.Editing());
        w.miCancel->trigger();
        QVERIFY(!f.h.store().tblGrid.Editing());
        QCOMPARE(f.page().cbYear->currentText(), year);
    }

    void searchBoxFindsByInitials()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        w.ShowSearch = false;
        f.h.clickNode(1);
        QCOMPARE(f.h.listNames(), QStringList({"李四", "张三", "重庆"}));
        w.edtSearch->setFocus();
        QTest::keyClicks(w.edtSearch, "cq");
        QCOMPARE(f.h.store().tblGrid.CurrentID(), f.chongqing);
        QCOMPARE(w.DBGridEh1->currentIndex().row(), 2);
        QCOMPARE(f.page().edtName->text(), QStringLiteral("重庆"));
        // Text that matches nobody leaves the row; clearing goes to the first.
        QTest::keyClicks(w.edtSearch, "x");
        QCOMPARE(f.h.store().tblGrid.CurrentID(), f.chongqing);
        w.edtSearch->clear();
        QCOMPARE(f.h.store().tblGrid.CurrentID(), f.li);
        QCOMPARE(f.page().edtName->text(), QStringLiteral("李四"));
        QTest::keyClicks(w.edtSearch, "ZS");
        QCOMPARE(f.h.store().tblGrid.CurrentID(), f.zhang);
        // The tree's selection does not follow.
        QCOMPARE(f.h.currentTreeId(), 1);
        QVERIFY(f.h.dialogs.calls.isEmpty());
    }

    void searchHintOnClick()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        QVERIFY(w.ShowSearch);
        int shown = 0;
        whenShown<TfrmShowSarch>([&](TfrmShowSarch *hint) {
            ++shown;
            hint->cbNoMore->click();
            hint->btnOk->click();
        });
        QTest::mouseClick(w.edtSearch, Qt::LeftButton);
        QCOMPARE(shown, 1);
        QVERIFY(!w.ShowSearch);
        QTest::mouseClick(w.edtSearch, Qt::LeftButton);   // no hint any more
        QCOMPARE(shown, 1);
    }

    // With KELO_SCREENSHOT_INFO set, the details page of a member is saved
    // there as a picture; otherwise this does nothing.
    void screenshot()
    {
        const QString target = qEnvironmentVariable("KELO_SCREENSHOT_INFO");
        if (target.isEmpty())
            QSKIP("KELO_SCREENSHOT_INFO not set");
        Fixture f;
        TfrmMain &w = *f.h.window;
        w.resize(1000, 640);
        f.h.clickNode(f.zhang);
        w.PageControl1->setCurrentWidget(w.tsInfo);
        QTest::qWait(50);
        QVERIFY(w.grab().save(target));
    }

    void passwordCommand()
    {
        Fixture f;
        TfrmMain &w = *f.h.window;
        QVERIFY(w.actEncrypt->isEnabled());
        QCOMPARE(w.actEncrypt->text(), QStringLiteral("更改密码(&C)"));
        bool wasTicked = true;
        whenShown<TChgPwdForm>([&](TChgPwdForm *form) {
            wasTicked = form->CheckPwdCheckBox->isChecked();
            form->CheckPwdCheckBox->click();
            form->PasswordEdit->setText(QStringLiteral("pw"));
            form->Password2Edit->setText(QStringLiteral("pw"));
            form->OkButton->click();
        });
        w.actEncrypt->trigger();
        QVERIFY(!wasTicked);
        QCOMPARE(f.h.dialogs.texts("warning"), QStringList{"密码设置成功。"});
        QVERIFY(RecordStore::IsFileEnciphered(f.h.store().FileName()));

        // No database open: the store's error, no dialog.
        f.h.dialogs.clear();
        w.CloseDatabase();
        w.actEncrypt->trigger();
        QCOMPARE(f.h.dialogs.texts("error"),
                 QStringList{"Cannot perform this operation on a closed database."});
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestWindowRecords)
#include "tst_window_records.moc"
