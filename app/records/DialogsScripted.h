#pragma once
// Dialogs that show nothing: each call is written into a log and answered
// from a queue of scripted answers. With no answer queued, a question is
// cancelled, an input and a file dialog are cancelled, and the call is noted
// as unanswered, so a test sees a prompt it did not expect.

#include "Dialogs.h"

#include <QList>
#include <QStringList>
#include <QVariant>

class ScriptedDialogs : public Dialogs {
public:
    struct Call {
        QString kind;      // message, error, warning, notice, question, confirm, input, open, save
        QString caption;
        QString text;      // the message or the prompt
        QString preset;    // input: the text the field started with; question: "cancel" when offered
        bool password = false;
        Call(QString k, QString c, QString t, QString p = {}, bool pw = false)
            : kind(std::move(k)), caption(std::move(c)), text(std::move(t)), preset(std::move(p)), password(pw) {}
    };

    // Answers, consumed in order: Answer for question, bool for confirm,
    // QString (or an invalid QVariant for Cancel) for input and file dialogs.
    void answer(Answer a) { m_answers.append(QVariant::fromValue(int(a))); }
    void answerConfirm(bool ok) { m_answers.append(QVariant(ok)); }
    void answerText(const QString &text) { m_answers.append(QVariant(text)); }
    void answerCancel() { m_answers.append(QVariant()); }

    QList<Call> calls;
    int unanswered = 0;
    int pendingAnswers() const { return int(m_answers.size()); }
    // The texts of all calls of one kind, in order.
    QStringList texts(const QString &kind) const;
    void clear() { calls.clear(); m_answers.clear(); unanswered = 0; }

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
    bool next(QVariant *out);
    QList<QVariant> m_answers;
};
