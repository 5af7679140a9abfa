#pragma once
// The details page tsInfo: the 27 controls that edit the current member of
// the grid cursor tblGrid, in tab order. Most are bound to one field each: a
// user change puts the record into edit state and writes the field of the
// edit buffer; the controls show the current record again whenever the
// cursor moves, posts or cancels. The birth instant is entered through seven
// unbound controls (calendar, year, month, day, hour, minute, leap month),
// filled from Birthday whenever a member is shown and combined into Birthday
// by the cursor's before-post check, which this page installs.
//
// The page also fills the address from the place table: the cities of a
// province, the province and city of a postal code, the code of a city.

#include "BirthEntry.h"
#include "UsersRecord.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class Dialogs;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class UsersCursor;

class TInfoPage : public QWidget {
    Q_OBJECT
public:
    // Binds the page to the grid cursor and installs tblGridBeforePost as its
    // before-post hook (removed again when the page goes). Errors of a user
    // change (a record that cannot be edited) go to dialogs' error box.
    TInfoPage(UsersCursor &grid, Dialogs &dialogs, QWidget *parent = nullptr);
    ~TInfoPage() override;

    // --- the controls, in tab order
    QLineEdit *edtName;
    QLineEdit *edtNickname;
    QComboBox *cbSex;
    QLineEdit *edtCorporation;
    QLineEdit *edtJob;
    QDateEdit *dtpCome;
    QLineEdit *edtFee;
    QComboBox *cbDateType;
    QComboBox *cbYear;
    QComboBox *cbMonth;
    QComboBox *cbDay;
    QComboBox *cbHour;
    QComboBox *cbMinute;
    QCheckBox *cbLeap;
    QCheckBox *cbPrivacy;
    QLineEdit *edtZip;
    QComboBox *cbProvince;
    QComboBox *cbCity;
    QPlainTextEdit *memAddr;
    QLineEdit *edtTel;
    QLineEdit *edtHandTel;
    QLineEdit *edtFax;
    QLineEdit *edtQQ;
    QLineEdit *edtMSN;
    QLineEdit *edtEmail1;
    QLineEdit *edtEmail2;
    QPlainTextEdit *memMemo;

    // The 27 controls in tab order.
    QList<QWidget *> TabOrder() const;
    // The label shown for a control (none for cbLeap).
    QLabel *LabelOf(QWidget *control) const;

    // Fills the seven birth controls from an instant: Gregorian, the numbers
    // without leading zeros, leap cleared. Not a user change.
    void ShowBirthday(double instant);
    // What the birth controls hold.
    BirthEntry Birth() const;

    // After the cursor came to rest on another record: the city list of the
    // province shown, and the birth of the record.
    void tblGridAfterScroll();
    // A user change of a birth control: the record goes into edit state.
    void BirthdayChange();
    // The check and combine before a record is stored: the name must not be
    // empty, and the birth controls must give a date in range; Birthday is
    // set from them. Throws KeloError with the user's message.
    void tblGridBeforePost(UsersRecord &record);

    // The address helpers, as the user's changes of the three boxes run them.
    void cbProvinceChange(const QString &province);
    void cbCityChange(const QString &city);
    void edtZipChange(const QString &zip);

private:
    void buildControls();
    void connectControls();
    void connectCursor();
    // Shows the bound fields of the current record (only the controls whose
    // value differs, so a control being typed in keeps its cursor).
    void showFields();
    void showCities(const QStringList &cities, const QString &shown);
    void updateEnabled();
    void onStateChanged();
    // Puts the record into edit state for a user change; false when there is
    // no record to edit.
    bool ensureEditing();
    void writeField(UsersField field, const QVariant &value);

    UsersCursor &m_grid;
    // Null once the cursor is gone (a window's store may go before the
    // window's child widgets do); the hook is then no longer ours to remove.
    QPointer<UsersCursor> m_gridAlive;
    Dialogs &m_dialogs;
    QList<QWidget *> m_tabOrder;
    QList<QLabel *> m_labels;          // beside m_tabOrder, null for cbLeap
    QList<QPair<QLineEdit *, UsersField>> m_textBoxes;
    int m_filling = 0;                 // the page writes its controls itself
    int m_writing = 0;                 // the page writes the edit buffer itself
    int m_zipHandlerOff = 0;           // edtZipChange switched off
    bool m_wasInserting = false;
    // Birthday of the record as last seen, to tell when code other than
    // this page writes a new birth into the edit buffer.
    double m_seenBirthday = 0;
};
