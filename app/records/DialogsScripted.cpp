#include "DialogsScripted.h"

QStringList ScriptedDialogs::texts(const QString &kind) const
{
    QStringList out;
    for (const Call &c : calls)
        if (c.kind == kind)
            out << c.text;
    return out;
}

bool ScriptedDialogs::next(QVariant *out)
{
    if (m_answers.isEmpty()) {
        ++unanswered;
        return false;
    }
    *out = m_answers.takeFirst();
    return true;
}

void ScriptedDialogs::message(const QString &text) { calls.append(Call{"message", "Kelo", text}); }
void ScriptedDialogs::error(const QString &text) { calls.append(Call{"error", "Kelo", text}); }
void ScriptedDialogs::warning(const QString &text) { calls.append(Call{"warning", "Kelo", text}); }
void ScriptedDialogs::notice(const QString &caption, const QString &text)
{
    calls.append(Call{"notice", caption, text});
}

Dialogs::Answer ScriptedDialogs::question(const QString &caption, const QString &text, bool withCancel)
{
    calls.append(Call{"question", caption, text, withCancel ? "cancel" : ""});
    QVariant v;
    if (!next(&v))
        return withCancel ? Answer::Cancel : Answer::No;
    return Answer(v.toInt());
}

bool ScriptedDialogs::confirm(const QString &caption, const QString &text)
{
    calls.append(Call{"confirm", caption, text});
    QVariant v;
    return next(&v) && v.toBool();
}

bool ScriptedDialogs::inputText(const QString &caption, const QString &prompt, QString &text, bool password)
{
    calls.append(Call{"input", caption, prompt, text, password});
    QVariant v;
    if (!next(&v) || !v.isValid())
        return false;
    text = v.toString();
    return true;
}

QString ScriptedDialogs::openFileName(const QString &filter, const QString &)
{
    calls.append(Call{"open", QString(), filter});
    QVariant v;
    return next(&v) ? v.toString() : QString();
}

QString ScriptedDialogs::saveFileName(const QString &filter, const QString &)
{
    calls.append(Call{"save", QString(), filter});
    QVariant v;
    return next(&v) ? v.toString() : QString();
}
