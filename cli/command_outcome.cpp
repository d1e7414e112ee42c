// The end of a command on the terminal.
#include "cli/command_outcome.h"

#include "cli/commands.h"
#include "cli/json_report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

// Batch workers print from several threads: each write, its flush and the
// check of its result happen under one lock, so that a loss is said once.
std::mutex g_outputMutex;
bool g_bOutputLost = false;

// Says on stderr, the first time only, that stdout lost output; nError is
// the errno of the failed write, 0 when it is no longer known.
bool NoteLost(int nError)
{
    if (!g_bOutputLost)
        std::fprintf(stderr, "tessaly-cli: couldn't write to standard output%s%s\n", nError != 0 ? ": " : "",
                     nError != 0 ? std::strerror(nError) : "");
    g_bOutputLost = true;
    return false;
}

// A failed write sets the stream's error flag for good, but the buffer it
// could not write is dropped, so a later flush succeeds: both are checked.
bool FlushLocked()
{
    if (g_bOutputLost)
        return false;
    errno = 0;
    if (std::fflush(stdout) != 0)
        return NoteLost(errno);
    return std::ferror(stdout) == 0 || NoteLost(0);
}

} // namespace

int ReportOutcome(const SCommandOutcome& outcome, CConsoleHost& host, const CJsonReport& report)
{
    const bool bInterrupted = outcome.bCancelled || g_bInterrupted;
    return FinishCommand(bInterrupted        ? kExitInterrupted
                             : outcome.bDone ? kExitDone
                                             : kExitFailed,
                         outcome.written, host, report);
}

int FinishCommand(int nExitCode, const std::vector<std::string>& written, CConsoleHost& host, const CJsonReport& report)
{
    host.FinishLine();
    bool bPrinted = true;
    if (IsJsonOutput())
        bPrinted = PrintJson(report.Finished(nExitCode, written, host.Said()));
    else if (nExitCode != kExitInterrupted)
        bPrinted = PrintPaths(written);
    return bPrinted || nExitCode != kExitDone ? nExitCode : kExitFailed;
}

bool PrintText(const std::string& text)
{
    const std::lock_guard lock(g_outputMutex);
    if (g_bOutputLost)
        return false;
    errno = 0;
    if (std::fputs(text.c_str(), stdout) == EOF)
        return NoteLost(errno);
    return FlushLocked();
}

bool PrintPaths(const std::vector<std::string>& paths)
{
    std::string lines;
    for (const std::string& path : paths)
        lines += path + '\n';
    return PrintText(lines);
}

bool FlushStandardOutput()
{
    const std::lock_guard lock(g_outputMutex);
    return FlushLocked();
}
