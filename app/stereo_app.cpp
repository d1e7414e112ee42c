// CStereoApp: the application object that runs the main dialog.
#include "app/stereo_app.h"

#include "app/stereo_dlg.h"

#include <QStyleFactory>

CStereoApp::CStereoApp(int& argc, char** argv)
    : QApplication(argc, argv)
{
    // One bevelled control look on every desktop.
    setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    setDesktopFileName(QStringLiteral("tessaly"));
    setWindowIcon(QIcon(QStringLiteral(":/resources/tessaly.png")));
}

bool CStereoApp::InitInstance()
{
    CStereoDlg dialog;
    dialog.DoModal();
    return false;
}
