#include "InputFrm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TInputForm::TInputForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("InputForm"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    lblPrompt = new QLabel(this);
    lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    edtText = new QLineEdit(this);
    edtText->setObjectName(QStringLiteral("edtText"));
    edtText->setMinimumWidth(240);
    lblPrompt->setBuddy(edtText);
    btnOk = new QPushButton(QStringLiteral("确定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblPrompt);
    layout->addWidget(edtText);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

void TInputForm::setPrompt(const QString &prompt) { lblPrompt->setText(prompt); }
void TInputForm::setText(const QString &text)
{
    edtText->setText(text);
    edtText->selectAll();
}
QString TInputForm::text() const { return edtText->text(); }
void TInputForm::setPassword(bool password)
{
    edtText->setEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
    // The mask character of the password prompt is *.
    edtText->setStyleSheet(password ? QStringLiteral("lineedit-password-character: 42;") : QString());
}

bool InputText(QWidget *parent, const QString &caption, const QString &prompt, QString &text,
               bool password)
{
    TInputForm form(parent);
    form.setWindowTitle(caption);
    form.setPrompt(prompt);
    form.setPassword(password);
    form.setText(text);
    if (form.exec() != QDialog::Accepted)
        return false;
    text = form.text();
    return true;
}
