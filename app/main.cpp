// The program kelo: the application titled "Kelo", the main window TfrmMain,
// the explanation window TfrmDBStar beside it, and the message loop.

#include "DBStarFrm.h"
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
    // Made once and reused for every click on the chart; showing the main
    // window opens its star table.
    TfrmDBStar frmDBStar;
    window.setExplanationWindow(&frmDBStar);
    window.show();
    if (window.startFailed())
        return 1;
    return app.exec();
}
