// The program kelo: the application titled "Kelo", the main window TfrmMain
// and the message loop.

#include "FormMain.h"
#include "KeloApplication.h"
#include "QtDialogs.h"

int main(int argc, char *argv[])
{
    KeloApplication app(argc, argv);
    QtDialogs dialogs;
    app.setDialogs(&dialogs);

    TfrmMain::StartUp startUp;
    startUp.arguments = app.arguments().mid(1);
    startUp.programDir = QCoreApplication::applicationDirPath();
    startUp.programPath = QCoreApplication::applicationFilePath();
    TfrmMain window(dialogs, startUp);
    dialogs.setOwner(&window);
    window.show();
    if (window.startFailed())
        return 1;
    return app.exec();
}
