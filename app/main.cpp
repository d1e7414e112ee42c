// tessaly: the desktop app.
#include "app/stereo_app.h"

int main(int argc, char** argv)
{
    CStereoApp app(argc, argv);
    app.InitInstance();
    return 0;
}
