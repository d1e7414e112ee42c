// CStereoApp: the application object that runs the main dialog.
#pragma once

#include <QApplication>

#include <string>
#include <vector>

class CStereoApp : public QApplication {
    Q_OBJECT

public:
    CStereoApp(int& argc, char** argv);

    // Runs the main dialog modally, opening `files` (from the command line)
    // in it once it shows; the program ends when it ends, so this returns
    // false: there is no message loop of the application's own.
    bool InitInstance(const std::vector<std::string>& files = {});
};
