#pragma once
// The dialogs of the program as Qt message boxes and file dialogs, owned by
// the main window.

#include "Dialogs.h"

class QWidget;

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget *owner = nullptr) : m_owner(owner) {}
    void setOwner(QWidget *owner) { m_owner = owner; }

    void message(const QString &text) override;
    void error(const QString &text) override;
    void warning(const QString &text) override;
    void notice(const QString &caption, const QString &text) override;
    Answer question(const QString &caption, const QString &text, bool withCancel) override;
    bool confirm(const QString &caption, const QString &text) override;
    bool inputText(const QString &caption, const QString &prompt, QString &text, bool password) override;
    QString openFileName(const QString &filter, const QString &defaultSuffix) override;
    QString saveFileName(const QString &filter, const QString &defaultSuffix) override;

private:
    QWidget *m_owner;
};
