// The end of a command on the terminal: what it prints on stdout and its exit code.
#pragma once

#include "cli/console_host.h"
#include "smoothing/smoothing_commands.h"

#include <string>
#include <vector>

class CJsonReport;

// Prints the files the command wrote, one a line on stdout (also after a
// partial failure, so that a script finds what was made), or with --json the
// report with them, and returns the exit code: done, failed or interrupted.
int ReportOutcome(const SCommandOutcome& outcome, CConsoleHost& host, const CJsonReport& report);

// The end of every command: the paths written (none when interrupted), or
// with --json the report; nExitCode, or failed when stdout lost them.
int FinishCommand(int nExitCode, const std::vector<std::string>& written, CConsoleHost& host,
                  const CJsonReport& report);

// Writes the text to stdout and flushes it. When stdout cannot take it (a
// full disk, a closed pipe) the loss is said once on stderr, whichever thread
// meets it first; from then on nothing more is written and every call
// returns false, so that a script never takes lost output for success.
bool PrintText(const std::string& text);

// The paths one a line, as PrintText.
bool PrintPaths(const std::vector<std::string>& paths);

// Flushes whatever else went to stdout (a progress line being cleared);
// false, said once like PrintText, when anything written there was lost.
bool FlushStandardOutput();
