// tessaly-cli: the command-line front end of the depth-map engine.
#include "cli/cli_options.h"
#include "cli/command_outcome.h"
#include "cli/commands.h"
#include "cli/json_report.h"
#include "engine/base/thread_budget.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

struct SCommand {
    const char* szName;
    int (*pRun)(const std::vector<std::string>&);
    const std::string* pUsage;
};

const SCommand kCommands[] = {
    {"depth", RunDepthCommand, &kDepthUsage},    {"outline", RunOutlineCommand, &kOutlineUsage},
    {"smooth", RunSmoothCommand, &kSmoothUsage}, {"split", RunSplitCommand, &kSplitUsage},
    {"batch", RunBatchCommand, &kBatchUsage},
};

std::string UsageText()
{
    std::string text = "Usage: tessaly-cli COMMAND [OPTIONS] [--threads N] [--json]\n"
                       "  or:  tessaly-cli --version\n\n"
                       "Options take their value as the next argument or after \"=\" (--fragment=16); \"--\"\n"
                       "ends the options.\n\n"
                       "--threads N: the threads a command keeps busy at most (default: the CPUs the process\n"
                       "may use, from its CPU affinity and cgroup quota, or TESSALY_THREADS). Results never\n"
                       "depend on it.\n\n"
                       "--json: print one JSON object on stdout instead of the paths: the files written, the\n"
                       "settings, the depth range, the messages, the time taken and the outcome (a batch prints\n"
                       "one a pair as each finishes, then a summary with \"summary\": true).\n\n"
                       "Commands:\n\n";
    for (const SCommand& command : kCommands)
        text += *command.pUsage + "\n";
    return text;
}

// A closed standard stream would give its number to the next file opened, and
// what is printed would land in that file (a map being saved, on another
// thread of a batch). A read-only /dev/null in its place makes every write to
// it fail instead, and the failure is reported.
void KeepStandardStreamsOpen()
{
    for (const int nStream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(nStream, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int nNull = ::open("/dev/null", O_RDONLY);
        if (nNull >= 0 && nNull != nStream) {
            ::dup2(nNull, nStream);
            ::close(nNull);
        }
    }
}

int RunCommandLine(const std::vector<std::string>& args)
{
    if (!args.empty() && args[0] == "--version")
        return PrintText("tessaly-cli " TESSALY_VERSION "\n") ? kExitDone : kExitFailed;
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        if (args.empty()) {
            std::fputs(UsageText().c_str(), stderr);
            return kExitUsage;
        }
        return PrintText(UsageText()) ? kExitDone : kExitFailed;
    }
    for (const SCommand& command : kCommands) {
        if (args[0] != command.szName)
            continue;
        std::vector<std::string> rest = SplitOptionValues({args.begin() + 1, args.end()});
        if (!rest.empty() && (rest[0] == "--help" || rest[0] == "-h"))
            return PrintText(*command.pUsage) ? kExitDone : kExitFailed;
        SetJsonOutput(TakeJsonOption(rest));
        if (const std::string problem = ApplyThreadsEnvironment(); !problem.empty())
            std::fprintf(stderr, "tessaly-cli: %s\n", problem.c_str());
        try {
            if (const std::optional<int> nThreads = TakeThreadsOption(rest))
                SetThreadBudget(*nThreads);
        } catch (const SUsageError& error) {
            return ReportUsageError(command.szName, error.what());
        }
        return command.pRun(rest);
    }
    std::fprintf(stderr, "tessaly-cli: unknown command \"%s\"\nTry 'tessaly-cli --help'.\n", args[0].c_str());
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv)
{
    // A reader that goes away (`| head`) must not end the tool silently: the
    // write fails with EPIPE instead, and the tool says so and exits with 1.
    std::signal(SIGPIPE, SIG_IGN);
    KeepStandardStreamsOpen();
    const int nExit = RunCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    // Output lost after the command's own checks fails a command that was
    // done; a usage error or an interrupt keeps its own code.
    return FlushStandardOutput() || nExit != kExitDone ? nExit : kExitFailed;
}
