// tessaly: the desktop app.
#include "app/stereo_app.h"
#include "engine/base/thread_budget.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kHelp
    = "Usage: tessaly [LEFT RIGHT | STEREOFILE]\n"
      "  or:  tessaly --help | --version\n"
      "Opens the Tessaly window: choose a stereo pair, set the fragment size, the parallax\n"
      "limits and the Quality..Speed factor, and make its depth maps. LEFT and RIGHT open as\n"
      "the pair (one image alone as the left one); a stereo file (.mpo, .jps) is split beside\n"
      "itself into the pair. Qt's options (-platform, -style, ...) may come first; -- ends the\n"
      "options. TESSALY_THREADS=N caps the threads a job keeps busy. tessaly-cli does the same\n"
      "from scripts.\n";

constexpr std::string_view kEndOfOptions = "--";

int UsageError(const std::string& problem)
{
    std::fprintf(stderr, "tessaly: %s\nTry 'tessaly --help'.\n", problem.c_str());
    return 2;
}

bool IsOption(std::string_view arg)
{
    return arg.size() > 1 && arg.front() == '-';
}

// --help and --version answer before any window opens, so they work
// without a display, and so does a "--" option that is not ours: Qt's own
// take one dash (-platform, -style, ...) and are left to Qt.
std::optional<int> Answer(std::span<char* const> args)
{
    for (const std::string arg : args) {
        if (arg == kEndOfOptions)
            break;
        if (arg == "--version")
            return std::printf("tessaly " TESSALY_VERSION "\n") > 0 ? 0 : 1;
        if (arg == "--help" || arg == "-h")
            return std::fputs(kHelp, stdout) >= 0 ? 0 : 1;
        if (arg.starts_with("--"))
            return UsageError("unknown option: " + arg);
    }
    return std::nullopt;
}

// The files to open, relative to the current folder as the program
// starts (the names as given when that folder is gone).
void AddFiles(std::span<char* const> names, std::vector<std::string>& files)
{
    for (const std::string name : names) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(name, error);
        files.push_back(error ? name : absolute.string());
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::span<char* const> command(argv, static_cast<std::size_t>(std::max(argc, 1)));
    const std::span<char* const> args = command.subspan(1);
    if (const std::optional<int> nExit = Answer(args))
        return *nExit;
    // TESSALY_THREADS caps the threads a job keeps busy, as tessaly-cli's --threads does.
    if (const std::string problem = ApplyThreadsEnvironment(); !problem.empty())
        std::fprintf(stderr, "tessaly: %s\n", problem.c_str());
    // Qt sees the arguments before "--" only and takes its own out of them;
    // what it leaves, and everything after "--", names files.
    const std::size_t nQtArgs = 1 + (std::ranges::find(args, kEndOfOptions) - args.begin());
    std::vector<char*> qtArgv(command.begin(), command.begin() + nQtArgs);
    qtArgv.push_back(nullptr);
    int nQtArgc = static_cast<int>(nQtArgs);
    CStereoApp app(nQtArgc, qtArgv.data());
    const std::span<char* const> leftByQt = std::span(qtArgv).subspan(1, nQtArgc - 1);
    if (const auto option = std::ranges::find_if(leftByQt, IsOption); option != leftByQt.end())
        return UsageError("unknown option: " + std::string(*option));
    std::vector<std::string> files;
    AddFiles(leftByQt, files);
    AddFiles(command.subspan(std::min(nQtArgs + 1, command.size())), files);
    app.InitInstance(files);
    return 0;
}
