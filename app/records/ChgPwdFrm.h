#pragma once
// The database password: the dialog TChgPwdForm ("设置密码") and the command
// "更改密码(&C)" (actEncryptExecute), which switches the protection of the
// open records database on or off and sets a new password for it.

#include <QColor>
#include <QDialog>
#include <QString>
#include <functional>

class Dialogs;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class RecordStore;

// What the dialog edits: whether the database is (to be) enciphered, and the
// new password (empty when not).
struct TChgPwdFormData {
    bool Encrypt = false;
    QString Password;
};

class TChgPwdForm : public QDialog {
    Q_OBJECT
public:
    // The grey of the password fields while encryption is not ticked.
    static inline const QColor DisabledFieldColor{220, 220, 220};

    // Warnings ("两个密码必须相同。") go through dialogs.
    explicit TChgPwdForm(Dialogs &dialogs, QWidget *parent = nullptr);

    void setData(const TChgPwdFormData &data);
    TChgPwdFormData data() const;

    QCheckBox *CheckPwdCheckBox;
    QLabel *PasswordLabel;
    QLineEdit *PasswordEdit;
    QLabel *Password2Label;
    QLineEdit *Password2Edit;
    QPushButton *OkButton;
    QPushButton *CancelButton;

    // Both fields are enabled, in the window colour, exactly when the box is
    // ticked; unticking greys and empties them.
    void CheckPwdCheckBoxClick();
    // Refuses two different entries while encryption is ticked.
    void OkButtonClick();
    void CancelButtonClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    Dialogs &m_dialogs;
};

// Shows TChgPwdForm filled from data; true and the edited data on OK, false
// on Cancel.
bool EditPasswordSettings(Dialogs &dialogs, TChgPwdFormData &data, QWidget *parent = nullptr);

// How actEncryptExecute asks for the new settings (the dialog in the
// program; tests may answer it directly).
using PasswordSettingsEditor = std::function<bool(TChgPwdFormData &data)>;

// "更改密码(&C)": reads whether the open database is enciphered (the store's
// error is shown and nothing else happens when none is open), lets the user
// edit the settings, asks the store to rewrite the file with them and tells
// "密码设置成功。" or "密码设置失败。" in a warning box. Returns true when the
// protection was changed.
bool actEncryptExecute(RecordStore &store, Dialogs &dialogs, const PasswordSettingsEditor &edit);
// The same with the dialog TChgPwdForm owned by parent.
bool actEncryptExecute(RecordStore &store, Dialogs &dialogs, QWidget *parent = nullptr);
