#include "QtDialogs.h"

#include "InputFrm.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {

const QString kTitle = QStringLiteral("Kelo");

void Box(QWidget *owner, QMessageBox::Icon icon, const QString &caption, const QString &text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

QString WithSuffix(QString name, const QString &suffix)
{
    if (!name.isEmpty() && !suffix.isEmpty() && QFileInfo(name).suffix().isEmpty())
        name += QLatin1Char('.') + suffix;
    return name;
}

} // namespace

void QtDialogs::message(const QString &text) { Box(m_owner, QMessageBox::NoIcon, kTitle, text); }
void QtDialogs::error(const QString &text) { Box(m_owner, QMessageBox::Critical, kTitle, text); }
void QtDialogs::warning(const QString &text) { Box(m_owner, QMessageBox::Warning, kTitle, text); }
void QtDialogs::notice(const QString &caption, const QString &text)
{
    Box(m_owner, QMessageBox::Information, caption, text);
}

Dialogs::Answer QtDialogs::question(const QString &caption, const QString &text, bool withCancel)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, m_owner);
    QAbstractButton *yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
    QAbstractButton *no = box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
    QAbstractButton *cancel = nullptr;
    if (withCancel) {
        cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(no);
    }
    box.setDefaultButton(static_cast<QPushButton *>(yes));
    box.exec();
    if (box.clickedButton() == yes)
        return Answer::Yes;
    if (box.clickedButton() == no || !withCancel)
        return Answer::No;
    return Answer::Cancel;
}

bool QtDialogs::confirm(const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel, m_owner);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    return box.exec() == QMessageBox::Ok;
}

bool QtDialogs::inputText(const QString &caption, const QString &prompt, QString &text, bool password)
{
    return InputText(m_owner, caption, prompt, text, password);
}

QString QtDialogs::openFileName(const QString &filter, const QString &defaultSuffix)
{
    QFileDialog dialog(m_owner, QString(), QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

QString QtDialogs::saveFileName(const QString &filter, const QString &defaultSuffix)
{
    QFileDialog dialog(m_owner, QString(), QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);  // the dialog also asks before overwriting
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return WithSuffix(dialog.selectedFiles().first(), defaultSuffix);
}
