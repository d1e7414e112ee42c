// The settings of a depth-map job as the depth and batch commands read them from their options.
#pragma once

#include "cli/cli_options.h"
#include "engine/base/depth_map_settings.h"

#include <string>
#include <vector>

class CDepthMapJob;

// The job's settings and the side of the map asked for.
struct SDepthSettings : SDepthMapSettings {
    bool bRightMap = false;
    bool bKeepOrientation = false; // --keep-orientation: the sources' stored pixels, not turned upright

    void ApplyTo(CDepthMapJob& job) const;
};

// The options that take a value (--side, --fragment, ...) and the flags
// (--gradient, --reference) of the settings, followed by a command's own.
std::vector<std::string> DepthSettingOptions(const std::vector<std::string>& own);
std::vector<std::string> DepthSettingFlags(const std::vector<std::string>& own);

// The settings given, with the desktop app's start values for the others;
// SUsageError for a value out of range.
SDepthSettings ParseDepthSettings(const CCommandLine& line);

// With both parallax limits 0 only the displacement (0, 0) is tried and the
// map comes out flat: the notice that says so and what to give instead;
// empty for other settings.
std::string FlatMapNotice(const SDepthMapSettings& settings);
