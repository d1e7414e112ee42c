// The end of a smoothing command on the terminal.
#include "cli/command_outcome.h"

#include "cli/commands.h"

#include <cstdio>

int ReportOutcome(const SCommandOutcome& outcome, CConsoleHost& host)
{
    host.FinishLine();
    if (outcome.bCancelled || g_bInterrupted)
        return kExitInterrupted;
    for (const std::string& path : outcome.written)
        std::printf("%s\n", path.c_str());
    std::fflush(stdout);
    return outcome.bDone ? kExitDone : kExitFailed;
}
