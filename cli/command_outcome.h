// The end of a smoothing command on the terminal: its result paths and its exit code.
#pragma once

#include "cli/console_host.h"
#include "smoothing/smoothing_commands.h"

// Prints the files the command wrote, one a line on stdout (also after a
// partial failure, so that a script finds what was made), and returns the
// exit code: done, failed or interrupted.
int ReportOutcome(const SCommandOutcome& outcome, CConsoleHost& host);

// Prints the paths one a line on stdout; when they cannot be written there
// (a full disk, a closed pipe) says so on stderr and returns false, so that a
// script never takes a lost path for success.
bool PrintPaths(const std::vector<std::string>& paths);
