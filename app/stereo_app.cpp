// CStereoApp: the application object that runs the main dialog.
#include "app/stereo_app.h"

#include "app/stereo_dlg.h"

#include <QStyleFactory>
#include <QTimer>

#include <cstdio>

CStereoApp::CStereoApp(int& argc, char** argv)
    : QApplication(argc, argv)
{
    // One bevelled control look on every desktop.
    setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    setDesktopFileName(QStringLiteral("tessaly"));
    setWindowIcon(QIcon(QStringLiteral(":/resources/tessaly.png")));
}

// A desktop may pass any number of files; a set the dialog refuses is also
// reported on stderr, for whoever started the program from a terminal.
bool CStereoApp::InitInstance(const std::vector<std::string>& files)
{
    CStereoDlg dialog;
    if (!CStereoDlg::IsOpenableSet(files))
        std::fprintf(stderr, "tessaly: %s\n", kOpenableFilesMessage);
    // Opened from the event loop, so that the window shows first and any
    // message about the files comes over it.
    if (!files.empty())
        QTimer::singleShot(0, &dialog, [&dialog, &files] { dialog.OpenFiles(files); });
    dialog.DoModal();
    return false;
}
