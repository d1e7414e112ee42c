// --json: the report object, its outcome and its one-line printing.
#include "cli/json_report.h"

#include "cli/command_outcome.h"
#include "cli/commands.h"
#include "engine/job/depth_map_job.h"

#include <algorithm>
#include <atomic>

namespace {

std::atomic<bool> g_bJson{false};

} // namespace

bool TakeJsonOption(std::vector<std::string>& args)
{
    const auto end = std::find(args.begin(), args.end(), "--");
    const auto found = std::find(args.begin(), end, "--json");
    if (found == end)
        return false;
    args.erase(found);
    return true;
}

void SetJsonOutput(bool bJson)
{
    g_bJson = bJson;
}

bool IsJsonOutput()
{
    return g_bJson;
}

CJsonReport::CJsonReport(std::string command)
    : m_object{{"command", std::move(command)}}
    , m_start(std::chrono::steady_clock::now())
{ }

nlohmann::ordered_json CJsonReport::Finished(int nExitCode, const std::vector<std::string>& written,
                                             const std::vector<std::string>& messages) const
{
    nlohmann::ordered_json object = m_object;
    object["outcome"] = OutcomeName(nExitCode);
    object["exit_code"] = nExitCode;
    if (!object.contains("written"))
        object["written"] = written;
    object["messages"] = messages;
    object["seconds"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    return object;
}

const char* OutcomeName(int nExitCode)
{
    switch (nExitCode) {
    case kExitDone:
        return "done";
    case kExitUsage:
        return "usage error";
    case kExitInterrupted:
        return "interrupted";
    default:
        return "failed";
    }
}

std::string JsonLine(const nlohmann::ordered_json& object)
{
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + '\n';
}

bool PrintJson(const nlohmann::ordered_json& object)
{
    return PrintText(JsonLine(object));
}

void ReportDepthJob(const SDepthJobOutcome& outcome, CJsonReport& report)
{
    report["depth_map"] = outcome.bDone ? nlohmann::ordered_json(outcome.written.back()) : nullptr;
    report["written"] = outcome.stageFiles;
    report["range"] = RangeJson(outcome.range);
}

nlohmann::ordered_json DepthSettingsJson(const SDepthSettings& settings)
{
    return {{"side", settings.bRightMap ? "right" : "left"},
            {"fragment", settings.m_nFragmentSize},
            {"max_parallax_x", settings.m_nMaxParallaxX},
            {"max_parallax_y", settings.m_nMaxParallaxY},
            {"speed", settings.m_nSpeedFactor},
            {"gradient", !settings.m_bAnalyzeSource},
            {"format", SaveExtension(settings.m_saveFormat)},
            {"reference", settings.m_bReferenceSearch},
            {"keep_orientation", settings.bKeepOrientation}};
}

nlohmann::ordered_json RangeJson(const std::optional<SDisplacementRange>& range)
{
    if (!range)
        return nullptr;
    return {{"min_dx", range->nMinDx}, {"max_dx", range->nMaxDx}, {"min_dy", range->nMinDy}, {"max_dy", range->nMaxDy}};
}
