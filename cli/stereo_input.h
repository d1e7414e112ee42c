// A stereo file given on the command line (split FILE, depth --pair FILE): its layout options and its split into a
// job's pair.
#pragma once

#include "cli/cli_options.h"
#include "engine/job/stereo_split.h"

#include <optional>
#include <string>

class CDepthMapJob;
class CStageHost;

struct SStereoInput {
    std::string strPath;
    EStereoLayout layout = EStereoLayout::kParallel;
};

// The file's layout: by its name, or --cross / --parallel for a
// side-by-side image. SUsageError for both flags, or either with an MPO.
EStereoLayout ParseStereoLayout(const CCommandLine& line, const std::string& path);

// --pair FILE [--cross|--parallel] of the depth command, or nothing without
// --pair. SUsageError for --pair with --left or --right, or a layout flag
// without --pair.
std::optional<SStereoInput> ParsePairOption(const CCommandLine& line);

// Splits the file (side-by-side halves in the job's format) beside it, or
// into outputFolder, and makes its views the job's pair; failures reach the host.
bool SplitIntoJob(const SStereoInput& input, CDepthMapJob& job, CStageHost& host, const std::string& outputFolder = {});
