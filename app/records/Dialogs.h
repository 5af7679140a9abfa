#pragma once
// Every message box and dialog of the main window goes through this one
// interface: the program uses the Qt boxes (QtDialogs), the tests a scripted
// set of answers (ScriptedDialogs).

#include <QString>

class Dialogs {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Dialogs() = default;

    // A plain message with an OK button under the application title "Kelo".
    virtual void message(const QString &text) = 0;
    // The application's error box: error icon, caption "Kelo", OK. The text
    // is shown as given; ErrorBoxText completes it.
    virtual void error(const QString &text) = 0;
    // A warning box titled with the application title.
    virtual void warning(const QString &text) = 0;
    // An information box with the given caption and an OK button.
    virtual void notice(const QString &caption, const QString &text) = 0;
    // A question with Yes and No, and Cancel when withCancel is set.
    virtual Answer question(const QString &caption, const QString &text, bool withCancel) = 0;
    // A confirmation with OK and Cancel; true on OK.
    virtual bool confirm(const QString &caption, const QString &text) = 0;
    // The text input dialog: caption, prompt, one field preset with text
    // (masked with * when password is set). True and the edited text on OK.
    virtual bool inputText(const QString &caption, const QString &prompt, QString &text,
                           bool password) = 0;
    // File dialogs; filter in Qt's form, e.g. "数据库(*.kvr)". Empty when
    // the user cancels. The save dialog asks before it overwrites a file.
    virtual QString openFileName(const QString &filter, const QString &defaultSuffix) = 0;
    virtual QString saveFileName(const QString &filter, const QString &defaultSuffix) = 0;
};

// The text of the error box: a full stop is appended when the last character
// sorts after "." (so a Chinese message gets an ASCII full stop).
QString ErrorBoxText(const QString &message);

// The error path of the program: runs work and shows a KeloError (or any
// other exception that escapes it) in the error box. Returns false when the
// work was stopped by an error.
template <typename Work>
bool RunGuarded(Dialogs &dialogs, Work &&work);

#include "KeloError.h"
#include <exception>

template <typename Work>
bool RunGuarded(Dialogs &dialogs, Work &&work)
{
    try {
        work();
        return true;
    } catch (const KeloError &e) {
        dialogs.error(ErrorBoxText(e.message()));
    } catch (const std::exception &e) {
        dialogs.error(ErrorBoxText(QString::fromUtf8(e.what())));
    }
    return false;
}
