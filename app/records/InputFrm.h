#pragma once
// TInputForm: a small dialog asking for one line of text (the database
// password at opening). Caption and prompt come from the caller; the field is
// preset with a text and masked with * for passwords.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TInputForm : public QDialog {
    Q_OBJECT
public:
    explicit TInputForm(QWidget *parent = nullptr);

    void setPrompt(const QString &prompt);
    void setText(const QString &text);
    QString text() const;
    void setPassword(bool password);

    QLabel *lblPrompt;
    QLineEdit *edtText;
    QPushButton *btnOk;
    QPushButton *btnCancel;
};

// Shows TInputForm; true and the edited text on OK, false on Cancel.
bool InputText(QWidget *parent, const QString &caption, const QString &prompt, QString &text,
               bool password);
