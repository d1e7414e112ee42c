// --json: a command's report as one JSON object on a line of stdout, for scripts.
#pragma once

#include "cli/depth_settings.h"
#include "engine/kernels/depth_map_assembly.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// Takes "--json" (before any "--") out of a command's arguments; with it the
// command prints one JSON object instead of its paths (a batch one a pair as
// each finishes, then a summary). Messages still go to stderr as text.
bool TakeJsonOption(std::vector<std::string>& args);
void SetJsonOutput(bool bJson);
bool IsJsonOutput();

// One report: fields set by the command, then printed with its outcome, the
// files written, the messages shown and the seconds since it was made.
// Paths are printed as the command spelled them; bytes that are not UTF-8
// become U+FFFD, so that every line parses.
class CJsonReport {
public:
    explicit CJsonReport(std::string command);

    nlohmann::ordered_json& operator[](const char* key) { return m_object[key]; }
    // The object as printed, for an exit code (0 done, 1 failed, 2 usage
    // error, 130 interrupted); "written" is the paths given unless set.
    nlohmann::ordered_json Finished(int nExitCode, const std::vector<std::string>& written,
                                    const std::vector<std::string>& messages) const;

private:
    nlohmann::ordered_json m_object;
    std::chrono::steady_clock::time_point m_start;
};

// "done", "failed", "usage error" or "interrupted".
const char* OutcomeName(int nExitCode);

// The object on one line, ended by a line break.
std::string JsonLine(const nlohmann::ordered_json& object);
// One JSON line, as PrintText prints it.
bool PrintJson(const nlohmann::ordered_json& object);

// The settings of a depth-map job as the options name them.
nlohmann::ordered_json DepthSettingsJson(const SDepthSettings& settings);
struct SDepthJobOutcome;
// What a depth job made: its "depth_map" (null when not made), every file "written" and its "range".
void ReportDepthJob(const SDepthJobOutcome& outcome, CJsonReport& report);
// {"min_dx", "max_dx", "min_dy", "max_dy"}, or null when no map was made.
nlohmann::ordered_json RangeJson(const std::optional<SDisplacementRange>& range);
