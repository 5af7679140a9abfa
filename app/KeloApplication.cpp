#include "KeloApplication.h"

#include "Dialogs.h"

KeloApplication::KeloApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    SetNames();
}

void KeloApplication::SetNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("qarn"));
    QCoreApplication::setApplicationName(QStringLiteral("kelo"));
}

bool KeloApplication::notify(QObject *receiver, QEvent *event)
{
    bool result = false;
    if (!m_dialogs)
        return QApplication::notify(receiver, event);
    RunGuarded(*m_dialogs, [&] { result = QApplication::notify(receiver, event); });
    return result;
}
