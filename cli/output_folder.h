// --output-dir: the folder a command writes every file into, made when missing, and each batch pair's folder in it.
#pragma once

#include "cli/cli_options.h"

#include <string>

class CStageHost;

// The value of --output-dir, or "" (every file beside its source) without
// it; SUsageError for an empty value.
std::string ParseOutputFolder(const CCommandLine& line);

// Makes the folder with its parents when missing, as "mkdir -p" does; then
// "", or "cannot use the output folder FOLDER: REASON" when it cannot be
// made or is no folder. "" for no folder.
std::string OutputFolderProblem(const std::string& folder);
// The same for a single command: false when the folder cannot be used,
// with "tessaly-cli: " and the problem through the host.
bool UseOutputFolder(const std::string& folder, CStageHost& host);

// A batch pair's output folder, from the path of its first file: the
// file's folder relative to the batch's base (a FOLDER, or a list's folder),
// under outputFolder, so that pairs of two folders never share a name; a
// folder outside the base goes under its whole path without the leading
// "/". "" when outputFolder is "".
std::string PairOutputFolder(const std::string& outputFolder, const std::string& base, const std::string& path);
