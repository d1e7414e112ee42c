// tessaly: the desktop app.
#include "app/stereo_app.h"
#include "engine/base/thread_budget.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

constexpr const char* kHelp = "Usage: tessaly [--help | --version]\n"
                              "Opens the Tessaly window: choose a stereo pair, set the fragment size, the parallax\n"
                              "limits and the Quality..Speed factor, and make its depth maps. TESSALY_THREADS=N caps\n"
                              "the threads a job keeps busy. tessaly-cli does the same from scripts.\n";

// --help and --version answer before any window opens, so they work
// without a display; every other argument is Qt's (-platform, -style, ...).
std::optional<int> Answer(const std::string& arg)
{
    if (arg == "--version")
        return std::printf("tessaly " TESSALY_VERSION "\n") > 0 ? 0 : 1;
    if (arg == "--help" || arg == "-h")
        return std::fputs(kHelp, stdout) >= 0 ? 0 : 1;
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        if (const std::optional<int> nExit = Answer(argv[1]))
            return *nExit;
    // TESSALY_THREADS caps the threads a job keeps busy, as tessaly-cli's --threads does.
    if (const std::string problem = ApplyThreadsEnvironment(); !problem.empty())
        std::fprintf(stderr, "tessaly: %s\n", problem.c_str());
    CStereoApp app(argc, argv);
    app.InitInstance();
    return 0;
}
