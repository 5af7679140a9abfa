#pragma once
// The application object: title "Kelo", organisation "qarn", application
// "kelo" (settings and data folders), and the last stop of the error path:
// a KeloError that leaves an event handler is shown in the error box and the
// program goes on.

#include <QApplication>

class Dialogs;

class KeloApplication : public QApplication {
    Q_OBJECT
public:
    KeloApplication(int &argc, char **argv);
    void setDialogs(Dialogs *dialogs) { m_dialogs = dialogs; }
    bool notify(QObject *receiver, QEvent *event) override;

    // Sets the names under which settings and data are kept.
    static void SetNames();

private:
    Dialogs *m_dialogs = nullptr;
};
