// tessaly: the desktop app.
#include "app/stereo_app.h"
#include "engine/base/thread_budget.h"

#include <cstdio>

int main(int argc, char** argv)
{
    // TESSALY_THREADS caps the threads a job keeps busy, as tessaly-cli's --threads does.
    if (const std::string problem = ApplyThreadsEnvironment(); !problem.empty())
        std::fprintf(stderr, "tessaly: %s\n", problem.c_str());
    CStereoApp app(argc, argv);
    app.InitInstance();
    return 0;
}
