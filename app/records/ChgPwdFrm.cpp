#include "ChgPwdFrm.h"

#include "Dialogs.h"
#include "KeloError.h"
#include "RecordStore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

void maskWithStars(QLineEdit *edit)
{
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
}

void setFieldColour(QLineEdit *edit, const QColor &colour)
{
    QPalette p = edit->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Base, colour);
    edit->setPalette(p);
}

} // namespace

TChgPwdForm::TChgPwdForm(Dialogs &dialogs, QWidget *parent) : QDialog(parent), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("ChgPwdForm"));
    setWindowTitle(QStringLiteral("设置密码"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    CheckPwdCheckBox = new QCheckBox(QStringLiteral("启用加密"), this);
    CheckPwdCheckBox->setObjectName(QStringLiteral("CheckPwdCheckBox"));
    PasswordLabel = new QLabel(QStringLiteral("输入密码："), this);
    PasswordEdit = new QLineEdit(this);
    PasswordEdit->setObjectName(QStringLiteral("PasswordEdit"));
    Password2Label = new QLabel(QStringLiteral("再次确认："), this);
    Password2Edit = new QLineEdit(this);
    Password2Edit->setObjectName(QStringLiteral("Password2Edit"));
    PasswordLabel->setBuddy(PasswordEdit);
    Password2Label->setBuddy(Password2Edit);
    for (QLineEdit *edit : {PasswordEdit, Password2Edit}) {
        maskWithStars(edit);
        edit->setMinimumWidth(180);
    }
    OkButton = new QPushButton(QStringLiteral("确定"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("取消"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    connect(CheckPwdCheckBox, &QCheckBox::toggled, this, &TChgPwdForm::CheckPwdCheckBoxClick);
    connect(OkButton, &QPushButton::clicked, this, &TChgPwdForm::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TChgPwdForm::CancelButtonClick);

    auto *fields = new QGridLayout;
    fields->addWidget(PasswordLabel, 0, 0);
    fields->addWidget(PasswordEdit, 0, 1);
    fields->addWidget(Password2Label, 1, 0);
    fields->addWidget(Password2Edit, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(CheckPwdCheckBox);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
    CheckPwdCheckBoxClick();
}

void TChgPwdForm::setData(const TChgPwdFormData &data)
{
    PasswordEdit->clear();
    Password2Edit->clear();
    CheckPwdCheckBox->setChecked(data.Encrypt);
    CheckPwdCheckBoxClick();
}

TChgPwdFormData TChgPwdForm::data() const
{
    TChgPwdFormData d;
    d.Encrypt = CheckPwdCheckBox->isChecked();
    d.Password = d.Encrypt ? PasswordEdit->text() : QString();
    return d;
}

void TChgPwdForm::CheckPwdCheckBoxClick()
{
    const bool on = CheckPwdCheckBox->isChecked();
    for (QLineEdit *edit : {PasswordEdit, Password2Edit}) {
        edit->setEnabled(on);
        setFieldColour(edit, on ? palette().color(QPalette::Active, QPalette::Base) : DisabledFieldColor);
        if (!on)
            edit->clear();
    }
}

void TChgPwdForm::OkButtonClick()
{
    if (CheckPwdCheckBox->isChecked() && PasswordEdit->text() != Password2Edit->text()) {
        PasswordEdit->setFocus();
        m_dialogs.warning(QStringLiteral("两个密码必须相同。"));
        return;
    }
    accept();
}

void TChgPwdForm::CancelButtonClick()
{
    reject();
}

void TChgPwdForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

bool EditPasswordSettings(Dialogs &dialogs, TChgPwdFormData &data, QWidget *parent)
{
    TChgPwdForm form(dialogs, parent);
    form.setData(data);
    if (form.exec() != QDialog::Accepted)
        return false;
    data = form.data();
    return true;
}

bool actEncryptExecute(RecordStore &store, Dialogs &dialogs, const PasswordSettingsEditor &edit)
{
    bool changed = false;
    RunGuarded(dialogs, [&] {
        TChgPwdFormData data;
        data.Encrypt = store.IsEnciphered();   // the store's error when no file is open
        data.Password.clear();
        if (!edit || !edit(data))
            return;
        changed = store.ChangeEncryption(data.Encrypt, data.Password);
        dialogs.warning(changed ? QStringLiteral("密码设置成功。") : QStringLiteral("密码设置失败。"));
    });
    return changed;
}

bool actEncryptExecute(RecordStore &store, Dialogs &dialogs, QWidget *parent)
{
    return actEncryptExecute(store, dialogs, [&](TChgPwdFormData &data) {
        return EditPasswordSettings(dialogs, data, parent);
    });
}
