// The end of a smoothing command on the terminal.
#include "cli/command_outcome.h"

#include "cli/commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

int ReportOutcome(const SCommandOutcome& outcome, CConsoleHost& host)
{
    host.FinishLine();
    if (outcome.bCancelled || g_bInterrupted)
        return kExitInterrupted;
    if (!PrintPaths(outcome.written))
        return kExitFailed;
    return outcome.bDone ? kExitDone : kExitFailed;
}

bool PrintPaths(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths)
        std::printf("%s\n", path.c_str());
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0)
        return true;
    std::fprintf(stderr, "tessaly-cli: couldn't write to standard output: %s\n", std::strerror(errno));
    return false;
}
