#include "InfoPageFrm.h"

#include "Dialogs.h"
#include "Gbk.h"
#include "JingWei.h"
#include "KeloError.h"
#include "RecordStore.h"
#include "UsersCursor.h"

#include <star.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QTextCursor>
#include <QValidator>

#include <cmath>

namespace {

// Text a string field can store: characters GBK cannot write are dropped
// and the rest is cut to the field's size in GBK bytes at a whole character.
QString storableText(const QString &text, int maxBytes)
{
    QString kept;
    if (IsGbkEncodable(text)) {
        kept = text;
    } else {
        kept.reserve(text.size());
        for (qsizetype i = 0; i < text.size();) {
            const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            const QString ch = text.mid(i, len);
            if (IsGbkEncodable(ch))
                kept += ch;
            i += len;
        }
    }
    return maxBytes > 0 ? CutToGbkBytes(kept, maxBytes) : kept;
}

// A line edit's limit in GBK bytes: typed or pasted text is cut to what
// the field holds, so 32 bytes take 16 Chinese characters or 32 Latin ones.
class GbkLimitValidator : public QValidator {
public:
    GbkLimitValidator(int maxBytes, QObject *parent) : QValidator(parent), m_maxBytes(maxBytes) {}

    State validate(QString &input, int &pos) const override
    {
        const QString kept = storableText(input, m_maxBytes);
        if (kept != input) {
            input = kept;
            pos = std::min<int>(pos, int(input.size()));
        }
        return Acceptable;
    }

private:
    int m_maxBytes;
};

int fieldSize(UsersField field) { return FieldInfo(field).size; }

QString feeText(double fee)
{
    return QString::number(fee, 'f', 2);
}

double feeValue(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

QStringList numberItems(int first, int last)
{
    QStringList items;
    for (int i = first; i <= last; ++i)
        items << QString::number(i);
    return items;
}

QComboBox *editableCombo(const QString &name, const QStringList &items, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->addItems(items);
    // Typed text stays as typed: no completion into an item, no new items.
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

void setComboText(QComboBox *box, const QString &text)
{
    const int index = box->findText(text, Qt::MatchExactly);
    if (index >= 0)
        box->setCurrentIndex(index);
    if (box->currentText() != text)
        box->setEditText(text);
}

} // namespace

TInfoPage::TInfoPage(UsersCursor &grid, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_grid(grid), m_gridAlive(&grid), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("InfoPage"));
    buildControls();
    connectControls();
    connectCursor();
    m_grid.SetBeforePost([this](UsersRecord &record) { tblGridBeforePost(record); });
    showFields();
    if (m_grid.Active() && m_grid.RecNo() >= 0)
        tblGridAfterScroll();
    updateEnabled();
}

TInfoPage::~TInfoPage()
{
    if (m_gridAlive)
        m_gridAlive->SetBeforePost({});
}

// ---------------------------------------------------------------------------
// Controls

void TInfoPage::buildControls()
{
    auto lineEdit = [this](const char *name, UsersField field) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        if (fieldSize(field) > 0)
            edit->setValidator(new GbkLimitValidator(fieldSize(field), edit));
        m_textBoxes.append({edit, field});
        return edit;
    };

    edtName = lineEdit("edtName", UsersField::Name);
    edtNickname = lineEdit("edtNickname", UsersField::Nickname);
    cbSex = new QComboBox(this);
    cbSex->setObjectName(QStringLiteral("cbSex"));
    cbSex->addItems({QStringLiteral("男"), QStringLiteral("女")});
    edtCorporation = lineEdit("edtCorporation", UsersField::Corporation);
    edtJob = lineEdit("edtJob", UsersField::Job);
    dtpCome = new QDateEdit(this);
    dtpCome->setObjectName(QStringLiteral("dtpCome"));
    dtpCome->setCalendarPopup(true);
    dtpCome->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dtpCome->setMinimumDate(QDate(1899, 12, 30));
    edtFee = new QLineEdit(this);
    edtFee->setObjectName(QStringLiteral("edtFee"));
    edtFee->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\s*-?\\d{0,14}(\\.\\d{0,4})?\\s*")), edtFee));
    edtFee->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    cbDateType = new QComboBox(this);
    cbDateType->setObjectName(QStringLiteral("cbDateType"));
    cbDateType->addItems({QStringLiteral("公历"), QStringLiteral("阴历")});
    cbYear = editableCombo(QStringLiteral("cbYear"), numberItems(FirstBirthYear, LastBirthYear), this);
    cbMonth = editableCombo(QStringLiteral("cbMonth"), numberItems(1, 12), this);
    cbDay = editableCombo(QStringLiteral("cbDay"), numberItems(1, 31), this);
    cbHour = editableCombo(QStringLiteral("cbHour"), numberItems(0, 23), this);
    cbMinute = editableCombo(QStringLiteral("cbMinute"), numberItems(0, 59), this);
    for (QComboBox *box : {cbYear, cbMonth, cbDay, cbHour, cbMinute})
        box->setMinimumContentsLength(box == cbYear ? 4 : 2);
    cbLeap = new QCheckBox(QStringLiteral("闰月"), this);
    cbLeap->setObjectName(QStringLiteral("cbLeap"));
    cbPrivacy = new QCheckBox(this);
    cbPrivacy->setObjectName(QStringLiteral("cbPrivacy"));

    edtZip = lineEdit("edtZip", UsersField::Zip);
    cbProvince = editableCombo(QStringLiteral("cbProvince"), JingWei::Provinces(), this);
    cbProvince->setValidator(new GbkLimitValidator(fieldSize(UsersField::Province), cbProvince));
    cbCity = editableCombo(QStringLiteral("cbCity"), {}, this);
    cbCity->setValidator(new GbkLimitValidator(fieldSize(UsersField::City), cbCity));
    memAddr = new QPlainTextEdit(this);
    memAddr->setObjectName(QStringLiteral("memAddr"));
    memAddr->setTabChangesFocus(true);
    memAddr->setMaximumHeight(60);
    edtTel = lineEdit("edtTel", UsersField::Tel);
    edtHandTel = lineEdit("edtHandTel", UsersField::HandTel);
    edtFax = lineEdit("edtFax", UsersField::Fax);
    edtQQ = lineEdit("edtQQ", UsersField::QQ);
    edtMSN = lineEdit("edtMSN", UsersField::MSN);
    edtEmail1 = lineEdit("edtEmail1", UsersField::Email1);
    edtEmail2 = lineEdit("edtEmail2", UsersField::Email2);
    memMemo = new QPlainTextEdit(this);
    memMemo->setObjectName(QStringLiteral("memMemo"));
    memMemo->setTabChangesFocus(true);
    memMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_tabOrder = {edtName, edtNickname, cbSex, edtCorporation, edtJob, dtpCome, edtFee,
                  cbDateType, cbYear, cbMonth, cbDay, cbHour, cbMinute, cbLeap, cbPrivacy,
                  edtZip, cbProvince, cbCity, memAddr, edtTel, edtHandTel, edtFax, edtQQ,
                  edtMSN, edtEmail1, edtEmail2, memMemo};
    const char *const captions[] = {
        "姓名:", "网名:", "性别:", "单位:", "职务:", "来访日期:", "收费:", "生日:", "年:", "月:",
        "日:", "时:", "分:", nullptr, "保密:", "邮政编码:", "省/自治区:", "城市:", "街道地址:",
        "电话:", "手机:", "传真:", "QQ:", "MSN:", "Email1:", "Email2:", "附注:"};
    for (int i = 0; i < m_tabOrder.size(); ++i) {
        QLabel *label = nullptr;
        if (captions[i]) {
            label = new QLabel(QString::fromUtf8(captions[i]), this);
            // lblName for edtName, lblSex for cbSex, ...
            QString name = m_tabOrder[i]->objectName();
            while (!name.isEmpty() && name[0].isLower())
                name.remove(0, 1);
            label->setObjectName(QStringLiteral("lbl") + name);
            label->setBuddy(m_tabOrder[i]);
        }
        m_labels.append(label);
    }
    for (int i = 1; i < m_tabOrder.size(); ++i)
        setTabOrder(m_tabOrder[i - 1], m_tabOrder[i]);

    // Left: the person and the birth; right: the address and contacts; the
    // notes across the bottom.
    auto *grid = new QGridLayout(this);
    auto place = [&](QWidget *control, int row, int column, int rowSpan = 1) {
        if (QLabel *label = LabelOf(control))
            grid->addWidget(label, row, column, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(control, row, column + 1, rowSpan, 1);
    };
    place(edtName, 0, 0);
    place(edtNickname, 1, 0);
    place(cbSex, 2, 0);
    place(edtCorporation, 3, 0);
    place(edtJob, 4, 0);
    place(dtpCome, 5, 0);
    place(edtFee, 6, 0);
    place(cbDateType, 7, 0);
    auto *birth = new QHBoxLayout;
    for (QWidget *w : {static_cast<QWidget *>(cbYear), static_cast<QWidget *>(cbMonth),
                       static_cast<QWidget *>(cbLeap), static_cast<QWidget *>(cbDay),
                       static_cast<QWidget *>(cbHour), static_cast<QWidget *>(cbMinute)}) {
        if (QLabel *label = LabelOf(w))
            birth->addWidget(label);
        birth->addWidget(w);
    }
    birth->addStretch();
    grid->addLayout(birth, 8, 0, 1, 2);
    place(cbPrivacy, 9, 0);

    place(edtZip, 0, 2);
    place(cbProvince, 1, 2);
    place(cbCity, 2, 2);
    place(memAddr, 3, 2, 2);
    place(edtTel, 5, 2);
    place(edtHandTel, 6, 2);
    place(edtFax, 7, 2);
    place(edtQQ, 8, 2);
    place(edtMSN, 9, 2);
    place(edtEmail1, 10, 2);
    place(edtEmail2, 11, 2);
    grid->addWidget(LabelOf(memMemo), 12, 0, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(memMemo, 12, 1, 1, 3);
    grid->setRowStretch(12, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    cbDateType->setCurrentIndex(0);
    cbYear->setCurrentIndex(0);
    cbMonth->setCurrentIndex(0);
    cbDay->setCurrentIndex(0);
    cbHour->setCurrentIndex(0);
    cbMinute->setCurrentIndex(0);
}

QList<QWidget *> TInfoPage::TabOrder() const { return m_tabOrder; }

QLabel *TInfoPage::LabelOf(QWidget *control) const
{
    const qsizetype i = m_tabOrder.indexOf(control);
    return i < 0 ? nullptr : m_labels[i];
}

void TInfoPage::connectControls()
{
    for (const auto &[edit, field] : std::as_const(m_textBoxes)) {
        const UsersField f = field;
        connect(edit, &QLineEdit::textEdited, this, [this, f](const QString &text) { writeField(f, text); });
    }
    connect(edtZip, &QLineEdit::textChanged, this, &TInfoPage::edtZipChange);

    connect(cbSex, &QComboBox::activated, this, [this](int index) {
        writeField(UsersField::Sex, RecordStore::SexFromText(cbSex->itemText(index)));
    });
    connect(dtpCome, &QDateEdit::dateChanged, this, [this](QDate date) {
        if (!m_filling)
            writeField(UsersField::Come, KeloDate(date));
    });
    connect(edtFee, &QLineEdit::textEdited, this,
            [this](const QString &text) { writeField(UsersField::Fee, feeValue(text)); });
    connect(cbPrivacy, &QCheckBox::clicked, this, [this](bool on) { writeField(UsersField::Privacy, on); });

    // The birth controls: any user change puts the record into edit state.
    connect(cbDateType, &QComboBox::activated, this, &TInfoPage::BirthdayChange);
    for (QComboBox *box : {cbYear, cbMonth, cbDay, cbHour, cbMinute}) {
        connect(box, &QComboBox::activated, this, &TInfoPage::BirthdayChange);
        connect(box->lineEdit(), &QLineEdit::textEdited, this, &TInfoPage::BirthdayChange);
    }
    connect(cbLeap, &QCheckBox::clicked, this, &TInfoPage::BirthdayChange);

    // Province and city: typed or picked.
    auto provinceChosen = [this](const QString &text) {
        writeField(UsersField::Province, text);
        cbProvinceChange(text);
    };
    connect(cbProvince->lineEdit(), &QLineEdit::textEdited, this, provinceChosen);
    connect(cbProvince, &QComboBox::textActivated, this, provinceChosen);
    auto cityChosen = [this](const QString &text) {
        writeField(UsersField::City, text);
        cbCityChange(text);
    };
    connect(cbCity->lineEdit(), &QLineEdit::textEdited, this, cityChosen);
    connect(cbCity, &QComboBox::textActivated, this, cityChosen);

    // The notes: the address is cut to its field's size as it is typed.
    connect(memAddr, &QPlainTextEdit::textChanged, this, [this] {
        if (m_filling)
            return;
        const QString text = memAddr->toPlainText();
        const QString kept = storableText(text, fieldSize(UsersField::Addr));
        if (kept != text) {
            ++m_filling;
            QTextCursor cursor = memAddr->textCursor();
            const int pos = std::min<int>(cursor.position(), int(kept.size()));
            memAddr->setPlainText(kept);
            cursor = memAddr->textCursor();
            cursor.setPosition(pos);
            memAddr->setTextCursor(cursor);
            --m_filling;
        }
        writeField(UsersField::Addr, kept);
    });
    connect(memMemo, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_filling)
            writeField(UsersField::Memo, storableText(memMemo->toPlainText(), 0));
    });
}

void TInfoPage::connectCursor()
{
    connect(&m_grid, &UsersCursor::afterScroll, this, [this] {
        showFields();
        tblGridAfterScroll();
        updateEnabled();
    });
    connect(&m_grid, &UsersCursor::listReset, this, [this] {
        // The rows were read again (a save, a change through the tree, a
        // closed or newly opened file): show the record as stored.
        if (!m_grid.Editing())
            showFields();
        updateEnabled();
    });
    connect(&m_grid, &UsersCursor::stateChanged, this, &TInfoPage::onStateChanged);
    connect(&m_grid, &UsersCursor::bufferChanged, this, [this] {
        // Fields written by others (a new member's defaults) are shown; the
        // page's own writes are already on screen. A birth written into the
        // record that way is shown in the birth controls too, so that the
        // save stores it rather than what the controls held before.
        if (m_writing)
            return;
        showFields();
        const double birthday = m_grid.Current().Birthday;
        if (birthday != m_seenBirthday)
            ShowBirthday(birthday);
        m_seenBirthday = birthday;
    });
}

void TInfoPage::onStateChanged()
{
    const bool inserting = m_grid.state() == UsersCursor::State::Insert;
    if (inserting && !m_wasInserting) {
        // A new record never shows the previous member's birth.
        showFields();
        ShowBirthday(KeloDateTime(QDateTime::currentDateTime()));
        m_seenBirthday = m_grid.Current().Birthday;
    } else if (!m_grid.Editing() && !m_grid.ControlsDisabled()) {
        // After a save or a cancel the page shows the record as stored, its
        // birth in the Gregorian calendar. Within a batch move the cursor
        // tells where it came to rest once display updates resume.
        showFields();
        tblGridAfterScroll();
    }
    m_wasInserting = inserting;
    updateEnabled();
}

void TInfoPage::updateEnabled()
{
    setEnabled(m_grid.Active() && (m_grid.Editing() || m_grid.RecNo() >= 0));
}

void TInfoPage::showFields()
{
    const UsersRecord &r = m_grid.Current();
    ++m_filling;
    for (const auto &[edit, field] : std::as_const(m_textBoxes)) {
        const QString text = r.value(field).toString();
        if (edit->text() != text)
            edit->setText(text);
    }
    cbSex->setCurrentIndex(r.Sex ? 0 : 1);
    const QDate come = KeloToDate(r.Come);
    if (dtpCome->date() != come)
        dtpCome->setDate(come);
    // While the fee is being typed it stays as typed; a shown record has it
    // as an amount.
    if (!m_grid.Editing() || feeValue(edtFee->text()) != r.Fee)
        edtFee->setText(feeText(r.Fee));
    cbPrivacy->setChecked(r.Privacy);
    if (cbProvince->currentText() != r.Province)
        setComboText(cbProvince, r.Province);
    if (cbCity->currentText() != r.City)
        setComboText(cbCity, r.City);
    if (memAddr->toPlainText() != r.Addr)
        memAddr->setPlainText(r.Addr);
    if (memMemo->toPlainText() != r.Memo)
        memMemo->setPlainText(r.Memo);
    --m_filling;
}

void TInfoPage::showCities(const QStringList &cities, const QString &shown)
{
    ++m_filling;
    cbCity->clear();
    cbCity->addItems(cities);
    setComboText(cbCity, shown);
    --m_filling;
}

bool TInfoPage::ensureEditing()
{
    if (m_grid.Editing())
        return true;
    if (!m_grid.Active() || m_grid.RecNo() < 0)
        return false;
    RunGuarded(m_dialogs, [this] { m_grid.Edit(); });
    return m_grid.Editing();
}

void TInfoPage::writeField(UsersField field, const QVariant &value)
{
    if (m_filling || !ensureEditing())
        return;
    QVariant stored = value;
    if (FieldInfo(field).kind == UsersFieldKind::String)
        stored = storableText(value.toString(), fieldSize(field));
    ++m_writing;
    RunGuarded(m_dialogs, [&] { m_grid.SetFieldValue(field, stored); });
    --m_writing;
}

// ---------------------------------------------------------------------------
// Birth

void TInfoPage::ShowBirthday(double instant)
{
    const BirthEntry e = SplitBirthday(instant);
    ++m_filling;
    cbDateType->setCurrentIndex(0);
    setComboText(cbYear, e.year);
    setComboText(cbMonth, e.month);
    setComboText(cbDay, e.day);
    setComboText(cbHour, e.hour);
    setComboText(cbMinute, e.minute);
    cbLeap->setChecked(false);
    --m_filling;
}

BirthEntry TInfoPage::Birth() const
{
    BirthEntry e;
    e.calendar = cbDateType->currentIndex() == 1 ? BirthCalendar::Lunar : BirthCalendar::Gregorian;
    e.year = cbYear->currentText();
    e.month = cbMonth->currentText();
    e.day = cbDay->currentText();
    e.hour = cbHour->currentText();
    e.minute = cbMinute->currentText();
    e.leap = cbLeap->isChecked();
    return e;
}

void TInfoPage::tblGridAfterScroll()
{
    const UsersRecord &r = m_grid.Current();
    showCities(JingWei::ListCities(cbProvince->currentText()), r.City);
    ShowBirthday(r.Birthday);
    m_seenBirthday = r.Birthday;
}

void TInfoPage::BirthdayChange()
{
    if (!m_filling)
        ensureEditing();
}

void TInfoPage::tblGridBeforePost(UsersRecord &record)
{
    if (record.Name.isEmpty())
        throw KeloError(BirthMessages::EmptyName);
    record.Birthday = CombineBirthday(Birth(), &Dll_LunarToSolar);
}

// ---------------------------------------------------------------------------
// Province, city and postal code

void TInfoPage::cbProvinceChange(const QString &province)
{
    const JingWei::CityChoice choice = JingWei::ProvinceChanged(province);
    // The first city is only shown: City keeps its value until the user
    // picks or types one.
    showCities(choice.Cities, choice.ShownCity);
}

void TInfoPage::cbCityChange(const QString &city)
{
    const auto zip = JingWei::CityChanged(cbProvince->currentText(), city);
    if (!zip)
        return;
    writeField(UsersField::Zip, *zip);
    // The code written here is no postal code typed by the user: it does not
    // look the place up again.
    ++m_zipHandlerOff;
    edtZip->setText(*zip);
    --m_zipHandlerOff;
}

void TInfoPage::edtZipChange(const QString &zip)
{
    if (m_filling || m_zipHandlerOff)
        return;
    const auto fill = JingWei::ZipChanged(zip);
    if (!fill)
        return;
    writeField(UsersField::Province, fill->Province);
    writeField(UsersField::City, fill->City);
    ++m_filling;
    setComboText(cbProvince, fill->Province);
    --m_filling;
    showCities(fill->Cities, fill->City);
}
