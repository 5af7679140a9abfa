// The details page over the grid cursor of a real kvr file: its controls and
// tab order, bound fields with their GBK limits, the birth controls with the
// check and combine of a save (Gregorian and lunar), the address helpers of
// the place table, and the birth shown after moves, searches and cancels.

#include "BirthEntry.h"
#include "DialogsScripted.h"
#include "InfoPageFrm.h"
#include "MemberSearch.h"
#include "RecordStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

double dayOf(int y, int m, int d) { return KeloDate(QDate(y, m, d)); }
double instantOf(int y, int m, int d, int hour, int minute)
{
    return dayOf(y, m, d) + (hour * 60 + minute) / 1440.0;
}

// Types text key by key, Chinese characters included (as an input method
// hands them over: a key press carrying the text).
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

// Replaces the text of a line edit as the user does: select all, type.
void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        typeText(edit, text);
}

void typeInto(QComboBox *box, const QString &text) { typeInto(box->lineEdit(), text); }

// Picks an item of a combo box as from its drop-down list.
void pick(QComboBox *box, const QString &text)
{
    const int index = box->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setCurrentIndex(index);
    emit box->activated(index);
    emit box->textActivated(text);
}

QStringList items(const QComboBox *box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

} // namespace

class TestInfoPage : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<RecordStore> store;
    ScriptedDialogs dialogs;
    std::unique_ptr<TInfoPage> page;
    int zhang = 0, li = 0, wang = 0;

    UsersCursor &grid() { return store->tblGrid; }

    int addMember(const QString &name, double birthday, const QString &province = {},
                  const QString &city = {})
    {
        grid().Append();
        grid().SetFieldValue(UsersField::ParentID, 3);
        grid().SetFieldValue(UsersField::Name, name);
        grid().SetFieldValue(UsersField::Birthday, birthday);
        grid().SetFieldValue(UsersField::Province, province);
        grid().SetFieldValue(UsersField::City, city);
        grid().SetFieldValue(UsersField::Sex, true);
        grid().Post();
        return grid().CurrentID();
    }

    void goTo(int id) { QVERIFY(grid().Locate(UsersField::ID, id)); }

    // Saves as the save command does; the error box gets any refusal.
    bool save()
    {
        return RunGuarded(dialogs, [this] { store->SaveRecord(); });
    }

    void setBirth(int calendar, const QString &y, const QString &m, const QString &d,
                  const QString &h, const QString &min, bool leap)
    {
        page->cbDateType->setCurrentIndex(calendar);
        emit page->cbDateType->activated(calendar);
        typeInto(page->cbYear, y);
        typeInto(page->cbMonth, m);
        typeInto(page->cbDay, d);
        typeInto(page->cbHour, h);
        typeInto(page->cbMinute, min);
        if (page->cbLeap->isChecked() != leap)
            page->cbLeap->click();
    }

    QStringList birthShown() const
    {
        return {page->cbDateType->currentText(), page->cbYear->currentText(), page->cbMonth->currentText(),
                page->cbDay->currentText(), page->cbHour->currentText(), page->cbMinute->currentText(),
                page->cbLeap->isChecked() ? QStringLiteral("leap") : QString()};
    }

private slots:
    void init()
    {
        dialogs.clear();
        const QString file = dir.filePath(QStringLiteral("info.kvr"));
        store = std::make_unique<RecordStore>();
        QVERIFY(RecordStore::NewDatabase(file));
        QVERIFY(store->OpenDatabase(file, QString()));
        store->ApplyGridFilter();
        zhang = addMember(QStringLiteral("张三"), instantOf(1975, 3, 8, 10, 30), QStringLiteral("江苏"),
                          QStringLiteral("南京"));
        li = addMember(QStringLiteral("李四"), instantOf(2001, 12, 31, 23, 59), QStringLiteral("北京"),
                       QStringLiteral("北京"));
        wang = addMember(QStringLiteral("王五"), instantOf(1902, 1, 1, 0, 0));
        page = std::make_unique<TInfoPage>(grid(), dialogs);
        page->show();
        goTo(zhang);
    }

    void cleanup()
    {
        page.reset();
        store.reset();
    }

    void controlsInTabOrderWithTheirLabels()
    {
        const QStringList names = {
            "edtName", "edtNickname", "cbSex", "edtCorporation", "edtJob", "dtpCome", "edtFee",
            "cbDateType", "cbYear", "cbMonth", "cbDay", "cbHour", "cbMinute", "cbLeap", "cbPrivacy",
            "edtZip", "cbProvince", "cbCity", "memAddr", "edtTel", "edtHandTel", "edtFax", "edtQQ",
            "edtMSN", "edtEmail1", "edtEmail2", "memMemo"};
        const QStringList labels = {
            "姓名:", "网名:", "性别:", "单位:", "职务:", "来访日期:", "收费:", "生日:", "年:", "月:",
            "日:", "时:", "分:", "", "保密:", "邮政编码:", "省/自治区:", "城市:", "街道地址:",
            "电话:", "手机:", "传真:", "QQ:", "MSN:", "Email1:", "Email2:", "附注:"};
        const QList<QWidget *> order = page->TabOrder();
        // (the date picker takes Tab for its year, month and day first)
        QCOMPARE(order.size(), 27);
        for (int i = 0; i < order.size(); ++i) {
            QCOMPARE(order[i]->objectName(), names[i]);
            QCOMPARE(page->findChild<QWidget *>(names[i]), order[i]);
            QLabel *label = page->LabelOf(order[i]);
            QCOMPARE(label ? label->text() : QString(), labels[i]);
        }
        QCOMPARE(page->cbLeap->text(), QStringLiteral("闰月"));
        QCOMPARE(items(page->cbSex), QStringList({"男", "女"}));
        QCOMPARE(items(page->cbDateType), QStringList({"公历", "阴历"}));
        QCOMPARE(page->cbYear->count(), 149);
        QCOMPARE(page->cbYear->itemText(0), QStringLiteral("1902"));
        QCOMPARE(page->cbYear->itemText(148), QStringLiteral("2050"));
        QCOMPARE(page->cbDay->count(), 31);
        QCOMPARE(page->cbHour->itemText(23), QStringLiteral("23"));
        QCOMPARE(page->cbMinute->count(), 60);
        QCOMPARE(page->cbProvince->count(), 32);
        QCOMPARE(page->cbProvince->itemText(0), QStringLiteral("安徽"));
        QCOMPARE(page->cbProvince->itemText(30), QStringLiteral("重庆"));
        QCOMPARE(page->cbProvince->itemText(31), QStringLiteral("台湾"));
        QVERIFY(page->memMemo->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn);

        // Tab walks the controls in that order.
        QApplication::setActiveWindow(page.get());
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        page->edtName->setFocus();
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            for (int section = 0; section < 3 && order[i - 1] == page->dtpCome
                                  && page->dtpCome->isAncestorOf(QApplication::focusWidget()); ++section)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *focus = QApplication::focusWidget();
            QVERIFY2(focus == order[i] || order[i]->isAncestorOf(focus),
                     qPrintable(names[i] + " " + (focus ? focus->objectName() : QString())));
        }
    }

    void showsTheCurrentRecord()
    {
        QCOMPARE(page->edtName->text(), QStringLiteral("张三"));
        QCOMPARE(page->cbSex->currentText(), QStringLiteral("男"));
        QCOMPARE(page->cbProvince->currentText(), QStringLiteral("江苏"));
        QCOMPARE(page->cbCity->currentText(), QStringLiteral("南京"));
        QVERIFY(items(page->cbCity).contains(QStringLiteral("苏州")));
        QCOMPARE(birthShown(), QStringList({"公历", "1975", "3", "8", "10", "30", ""}));
        QCOMPARE(page->dtpCome->date(), QDate::currentDate());
        QVERIFY(!grid().Editing());

        goTo(li);
        QCOMPARE(page->edtName->text(), QStringLiteral("李四"));
        QCOMPARE(birthShown(), QStringList({"公历", "2001", "12", "31", "23", "59", ""}));
        QCOMPARE(items(page->cbCity).first(), QStringLiteral("北京"));
        QCOMPARE(items(page->cbCity).size(), 9);
        QVERIFY(!grid().Editing());
    }

    void boundFieldsAreWrittenAndSaved()
    {
        // Private members stay in the list, so the saved member stays shown.
        store->SetDisplayPrivacy(true);
        store->ApplyGridFilter();
        goTo(zhang);
        typeInto(page->edtTel, QStringLiteral("025-1234"));
        QVERIFY(grid().Editing());
        QCOMPARE(grid().Current().Tel, QStringLiteral("025-1234"));
        pick(page->cbSex, QStringLiteral("女"));
        typeInto(page->edtFee, QStringLiteral("12.5"));
        page->cbPrivacy->click();
        // The visit date goes into Come at once.
        page->dtpCome->setDate(QDate(2003, 4, 5));
        QCOMPARE(grid().Current().Come, dayOf(2003, 4, 5));
        page->memMemo->setFocus();
        typeText(page->memMemo, QStringLiteral("第一行"));
        QVERIFY(save());
        const UsersRecord r = store->ReadRecord(zhang);
        QCOMPARE(r.Tel, QStringLiteral("025-1234"));
        QCOMPARE(r.Sex, false);
        QCOMPARE(r.Fee, 12.5);
        QCOMPARE(r.Privacy, true);
        QCOMPARE(r.Come, dayOf(2003, 4, 5));
        QCOMPARE(r.Memo, QStringLiteral("第一行"));
        QCOMPARE(r.Birthday, instantOf(1975, 3, 8, 10, 30));
        QCOMPARE(page->edtFee->text(), QStringLiteral("12.50"));
    }

    void textBoxesHoldTheFieldSizeInGbkBytes()
    {
        // Name holds 32 bytes: 16 Chinese characters or 32 Latin letters.
        typeInto(page->edtName, QString(20, QChar(0x5F20)));
        QCOMPARE(page->edtName->text(), QString(16, QChar(0x5F20)));
        typeInto(page->edtName, QString(40, u'a'));
        QCOMPARE(page->edtName->text(), QString(32, u'a'));
        typeInto(page->edtName, QStringLiteral("a") + QString(20, QChar(0x5F20)));
        QCOMPARE(page->edtName->text(), QStringLiteral("a") + QString(15, QChar(0x5F20)));
        QCOMPARE(grid().Current().Name, page->edtName->text());
        // A character GBK cannot write is not taken.
        page->edtNickname->setFocus();
        page->edtNickname->insert(QStringLiteral("ab\U0001F600cd"));
        QCOMPARE(page->edtNickname->text(), QStringLiteral("abcd"));
        typeInto(page->edtZip, QStringLiteral("12345678"));
        QCOMPARE(page->edtZip->text(), QStringLiteral("123456"));
        typeInto(page->cbCity, QStringLiteral("乌鲁木齐市区"));
        QCOMPARE(page->cbCity->currentText(), QStringLiteral("乌鲁木齐市"));
        // The street address: 255 bytes.
        page->memAddr->setFocus();
        typeText(page->memAddr, QString(130, QChar(0x8DEF)));
        QCOMPARE(page->memAddr->toPlainText(), QString(127, QChar(0x8DEF)));
        QCOMPARE(grid().Current().Addr, page->memAddr->toPlainText());
        QVERIFY(save());
        QCOMPARE(store->ReadRecord(zhang).Addr, QString(127, QChar(0x8DEF)));
    }

    void checkAndCombine_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("calendar");
        QTest::addColumn<QStringList>("fields");   // year month day hour minute
        QTest::addColumn<bool>("leap");
        QTest::addColumn<QString>("error");        // empty: accepted
        QTest::addColumn<double>("birthday");

        const QString range = BirthMessages::YearRange, invalid = BirthMessages::InvalidDate;
        const QString name = QStringLiteral("张三");
        auto row = [&](const char *tag, const QString &n, int cal, QStringList f, bool leap,
                       const QString &error, double birthday = 0) {
            QTest::newRow(tag) << n << cal << f << leap << error << birthday;
        };
        row("1902-1-1 0:00", name, 0, {"1902", "1", "1", "0", "0"}, false, {}, instantOf(1902, 1, 1, 0, 0));
        row("2050-12-31 23:59", name, 0, {"2050", "12", "31", "23", "59"}, false, {},
            instantOf(2050, 12, 31, 23, 59));
        row("1901", name, 0, {"1901", "12", "31", "0", "0"}, false, range);
        row("2051", name, 0, {"2051", "1", "1", "0", "0"}, false, range);
        row("lunar 1901", name, 1, {"1901", "12", "1", "0", "0"}, false, range);
        row("lunar 2051", name, 1, {"2051", "1", "1", "0", "0"}, false, range);
        row("1999-2-29", name, 0, {"1999", "2", "29", "0", "0"}, false, invalid);
        row("2000-2-29", name, 0, {"2000", "2", "29", "8", "15"}, false, {}, instantOf(2000, 2, 29, 8, 15));
        row("2000-4-31", name, 0, {"2000", "4", "31", "0", "0"}, false, invalid);
        row("month 13", name, 0, {"2000", "13", "1", "0", "0"}, false, invalid);
        row("day 0", name, 0, {"2000", "1", "0", "0", "0"}, false, invalid);
        row("hour 24", name, 0, {"2000", "1", "1", "24", "0"}, false, invalid);
        row("minute 60", name, 0, {"2000", "1", "1", "0", "60"}, false, invalid);
        row("year abc", name, 0, {"abc", "1", "1", "0", "0"}, false, "'abc' is not a valid integer value");
        row("minute 3x", name, 0, {"2000", "1", "1", "0", "3x"}, false, "'3x' is not a valid integer value");
        row("empty day", name, 0, {"2000", "1", "", "0", "0"}, false, "'' is not a valid integer value");
        row("year before the month", name, 0, {"x", "y", "1", "0", "0"}, false, "'x' is not a valid integer value");
        row("leading blanks and sign", name, 0, {"  +1990", " 7", "1", "0", "0"}, false, {},
            instantOf(1990, 7, 1, 0, 0));
        row("trailing blank", name, 0, {"1990 ", "7", "1", "0", "0"}, false, "'1990 ' is not a valid integer value");
        // Numbers beyond 16 bits are not wrapped round into the range.
        row("year 67438", name, 0, {"67438", "1", "1", "0", "0"}, false, range);
        row("month 65537", name, 0, {"2000", "65537", "1", "0", "0"}, false, invalid);
        row("negative month", name, 0, {"2000", "-1", "1", "0", "0"}, false, invalid);
        row("leap ignored for Gregorian", name, 0, {"2000", "2", "29", "0", "0"}, true, {},
            instantOf(2000, 2, 29, 0, 0));
        row("lunar 2020-4-1", name, 1, {"2020", "4", "1", "6", "5"}, false, {}, instantOf(2020, 4, 23, 6, 5));
        row("lunar 2020 leap 4-1", name, 1, {"2020", "4", "1", "6", "5"}, true, {}, instantOf(2020, 5, 23, 6, 5));
        row("lunar 2021 has no leap 4", name, 1, {"2021", "4", "1", "0", "0"}, true, invalid);
        row("lunar month 13", name, 1, {"2000", "13", "1", "0", "0"}, false, invalid);
        row("lunar month 0", name, 1, {"2000", "0", "1", "0", "0"}, false, invalid);
        row("lunar day 31", name, 1, {"2000", "1", "31", "0", "0"}, false, invalid);
        row("lunar hour 24", name, 1, {"2000", "1", "1", "24", "0"}, false, invalid);
        row("one blank as name", QStringLiteral(" "), 0, {"1980", "1", "1", "0", "0"}, false, {},
            instantOf(1980, 1, 1, 0, 0));
        row("empty name", QString(), 0, {"1980", "1", "1", "0", "0"}, false, BirthMessages::EmptyName);
        row("empty name before the year", QString(), 0, {"abc", "1", "1", "0", "0"}, false, BirthMessages::EmptyName);
    }

    void checkAndCombine()
    {
        QFETCH(QString, name);
        QFETCH(int, calendar);
        QFETCH(QStringList, fields);
        QFETCH(bool, leap);
        QFETCH(QString, error);
        QFETCH(double, birthday);

        const UsersRecord before = store->ReadRecord(zhang);
        typeInto(page->edtName, name);
        setBirth(calendar, fields[0], fields[1], fields[2], fields[3], fields[4], leap);
        QVERIFY(grid().Editing());
        const bool saved = save();
        if (error.isEmpty()) {
            QVERIFY2(saved, qPrintable(dialogs.texts("error").join('|')));
            QVERIFY(!grid().Editing());
            const UsersRecord after = store->ReadRecord(zhang);
            QCOMPARE(after.Birthday, birthday);
            QCOMPARE(after.Name, name);
            // The page shows the stored instant, in the Gregorian calendar.
            const BirthEntry shown = SplitBirthday(birthday);
            QCOMPARE(birthShown(), QStringList({"公历", shown.year, shown.month, shown.day, shown.hour,
                                                 shown.minute, ""}));
        } else {
            QVERIFY(!saved);
            QCOMPARE(dialogs.texts("error"), QStringList{ErrorBoxText(error)});
            QVERIFY(grid().Editing());
            QCOMPARE(store->ReadRecord(zhang), before);
            // The controls keep what the user typed, to be corrected.
            QCOMPARE(page->cbYear->currentText(), fields[0]);
            grid().Cancel();
        }
    }

    void lunarSaveShowsTheGregorianDate()
    {
        setBirth(1, QStringLiteral("2020"), QStringLiteral("4"), QStringLiteral("1"), QStringLiteral("12"),
                 QStringLiteral("30"), true);
        QVERIFY(save());
        QVERIFY(!grid().Editing());
        QCOMPARE(birthShown(), QStringList({"公历", "2020", "5", "23", "12", "30", ""}));
        QCOMPARE(page->cbDateType->currentIndex(), 0);
        // Saving again without a change stores the same instant.
        page->cbDay->setFocus();
        typeInto(page->cbDay, QStringLiteral("23"));
        QVERIFY(save());
        QCOMPARE(store->ReadRecord(zhang).Birthday, instantOf(2020, 5, 23, 12, 30));
    }

    void birthChangesStartAnEdit()
    {
        QVERIFY(!grid().Editing());
        page->ShowBirthday(instantOf(1990, 1, 2, 3, 4));
        QVERIFY(!grid().Editing());   // filling is no user change
        QCOMPARE(birthShown(), QStringList({"公历", "1990", "1", "2", "3", "4", ""}));
        page->cbLeap->click();
        QVERIFY(grid().Editing());
        grid().Cancel();
        QCOMPARE(birthShown(), QStringList({"公历", "1975", "3", "8", "10", "30", ""}));
        pick(page->cbHour, QStringLiteral("5"));
        QVERIFY(grid().Editing());
        grid().Cancel();
        typeInto(page->cbYear, QStringLiteral("1980"));
        QVERIFY(grid().Editing());
        // A cancelled edit shows the stored birth again.
        grid().Cancel();
        QCOMPARE(page->cbYear->currentText(), QStringLiteral("1975"));
        QVERIFY(dialogs.calls.isEmpty());
    }

    void birthFollowsTheCursor()
    {
        // A move made while display updates are suspended is shown once they
        // resume.
        grid().DisableControls();
        goTo(li);
        goTo(wang);
        QCOMPARE(page->cbYear->currentText(), QStringLiteral("1975"));
        grid().EnableControls();
        QCOMPARE(birthShown(), QStringList({"公历", "1902", "1", "1", "0", "0", ""}));
        QCOMPARE(page->edtName->text(), QStringLiteral("王五"));

        // A search that finds another member: its birth is what a save stores.
        QVERIFY(SearchMembers(grid(), QStringLiteral("ls")));
        QCOMPARE(page->edtName->text(), QStringLiteral("李四"));
        QCOMPARE(birthShown(), QStringList({"公历", "2001", "12", "31", "23", "59", ""}));
        typeInto(page->edtTel, QStringLiteral("1"));
        QVERIFY(save());
        QCOMPARE(store->ReadRecord(li).Birthday, instantOf(2001, 12, 31, 23, 59));
        QCOMPARE(store->ReadRecord(wang).Birthday, instantOf(1902, 1, 1, 0, 0));
    }

    void newMemberGetsNowAndTheCheck()
    {
        grid().Append();
        grid().SetFieldValue(UsersField::ParentID, 3);
        grid().SetFieldValue(UsersField::Sex, true);
        QCOMPARE(page->edtName->text(), QString());
        QCOMPARE(page->cbSex->currentText(), QStringLiteral("男"));
        QCOMPARE(page->cbYear->currentText(), QString::number(QDate::currentDate().year()));
        QVERIFY(!save());
        QCOMPARE(dialogs.texts("error"), QStringList{ErrorBoxText(BirthMessages::EmptyName)});
        QVERIFY(grid().Editing());
        typeInto(page->edtName, QStringLiteral("赵六"));
        setBirth(0, "1966", "6", "6", "6", "6", false);
        QVERIFY(save());
        QCOMPARE(page->edtName->text(), QStringLiteral("赵六"));
        QCOMPARE(store->ReadRecord(grid().CurrentID()).Birthday, instantOf(1966, 6, 6, 6, 6));
    }

    void birthWrittenIntoTheRecordIsShownAndStored()
    {
        // Code that fills a new record's birth (an import, a copy) gets it
        // stored, not the time the record was begun at.
        grid().Append();
        grid().SetFieldValue(UsersField::ParentID, 3);
        grid().SetFieldValue(UsersField::Name, QStringLiteral("钱八"));
        grid().SetFieldValue(UsersField::Birthday, instantOf(1950, 10, 1, 12, 0));
        QCOMPARE(birthShown(), QStringList({"公历", "1950", "10", "1", "12", "0", ""}));
        grid().SetFieldValue(UsersField::Tel, QStringLiteral("1"));   // other fields leave it alone
        QCOMPARE(page->cbYear->currentText(), QStringLiteral("1950"));
        QVERIFY(save());
        QCOMPARE(store->ReadRecord(grid().CurrentID()).Birthday, instantOf(1950, 10, 1, 12, 0));
    }

    void postalCodeFillsProvinceAndCity_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("province");
        QTest::addColumn<QString>("city");
        QTest::newRow("2331") << "2331" << "安徽" << "凤阳";
        QTest::newRow("1000") << "1000" << "北京" << "北京";
        QTest::newRow("730000: the first of two") << "730000" << "甘肃" << "兰州";
        QTest::newRow("233: three characters") << "233" << "江苏" << "南京";
        QTest::newRow("9999: unknown") << "9999" << "江苏" << "南京";
    }

    void postalCodeFillsProvinceAndCity()
    {
        QFETCH(QString, typed);
        QFETCH(QString, province);
        QFETCH(QString, city);
        page->edtZip->setFocus();
        page->edtZip->selectAll();
        QTest::keyClick(page->edtZip, Qt::Key_Backspace);
        for (const QChar c : typed)
            typeText(page->edtZip, QString(c));
        QVERIFY(grid().Editing());
        QCOMPARE(grid().Current().Zip, typed);
        QCOMPARE(grid().Current().Province, province);
        QCOMPARE(grid().Current().City, city);
        QCOMPARE(page->cbProvince->currentText(), province);
        QCOMPARE(page->cbCity->currentText(), city);
        QVERIFY(items(page->cbCity).contains(city));
        QVERIFY(save());
        QCOMPARE(store->ReadRecord(zhang).City, city);
    }

    void provinceAndCityChoices()
    {
        // Another province: its cities, the first one shown but not written.
        pick(page->cbProvince, QStringLiteral("北京"));
        QVERIFY(grid().Editing());
        QCOMPARE(grid().Current().Province, QStringLiteral("北京"));
        QCOMPARE(items(page->cbCity), QStringList({"北京", "通县", "平台", "顺义", "怀柔", "密云", "延庆",
                                                   "昌平", "大兴"}));
        QCOMPARE(page->cbCity->currentText(), QStringLiteral("北京"));
        QCOMPARE(grid().Current().City, QStringLiteral("南京"));
        // An unknown province leaves an empty list.
        typeInto(page->cbProvince, QStringLiteral("火星"));
        QCOMPARE(page->cbCity->count(), 0);
        QCOMPARE(grid().Current().Province, QStringLiteral("火星"));
        grid().Cancel();
        QCOMPARE(page->cbProvince->currentText(), QStringLiteral("江苏"));

        // A city gives its postal code, and only that.
        page->edtZip->setText(QString());
        pick(page->cbProvince, QStringLiteral("江苏"));
        pick(page->cbCity, QStringLiteral("南京"));
        QCOMPARE(grid().Current().Zip, QStringLiteral("210000"));
        QCOMPARE(page->edtZip->text(), QStringLiteral("210000"));
        QCOMPARE(grid().Current().Province, QStringLiteral("江苏"));
        QCOMPARE(grid().Current().City, QStringLiteral("南京"));
        QCOMPARE(page->cbCity->currentText(), QStringLiteral("南京"));
        // A city the table does not know keeps the code.
        typeInto(page->cbCity, QStringLiteral("无名"));
        QCOMPARE(grid().Current().Zip, QStringLiteral("210000"));
        QVERIFY(save());
        QCOMPARE(store->ReadRecord(zhang).City, QStringLiteral("无名"));
    }

    void cityLongerThanItsField()
    {
        // 阿鲁科尔沁旗 takes 12 bytes, City holds 10: the code is still found
        // by the whole name, and the field keeps what fits.
        pick(page->cbProvince, QStringLiteral("内蒙古"));
        pick(page->cbCity, QStringLiteral("阿鲁科尔沁旗"));
        QCOMPARE(grid().Current().Zip, QStringLiteral("025550"));
        QCOMPARE(grid().Current().City, QStringLiteral("阿鲁科尔沁"));
        grid().Cancel();
        typeInto(page->edtZip, QStringLiteral("025550"));
        QCOMPARE(grid().Current().Province, QStringLiteral("内蒙古"));
        QCOMPARE(grid().Current().City, QStringLiteral("阿鲁科尔沁"));
        QVERIFY(save());
        QCOMPARE(store->ReadRecord(zhang).City, QStringLiteral("阿鲁科尔沁"));
    }

    void storeMayGoBeforeThePage()
    {
        // As in a window whose store member goes before its child widgets.
        store.reset();
        QVERIFY(!page->isEnabled());
        page.reset();
    }

    void emptyListDisablesThePage()
    {
        QVERIFY(page->isEnabled());
        store->tblTree.Locate(UsersField::ID, 5);   // 员工: no members
        store->ApplyGridFilter();
        QCOMPARE(grid().RecordCount(), 0);
        QVERIFY(!page->isEnabled());
        QCOMPARE(page->edtName->text(), QString());
        store->CloseDatabase();
        QVERIFY(!page->isEnabled());
        QVERIFY(dialogs.calls.isEmpty());
    }
};

QTEST_MAIN(TestInfoPage)
#include "tst_infopage.moc"
