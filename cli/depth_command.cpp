// tessaly-cli depth: one depth-map job on a stereo pair.
#include "cli/cli_options.h"
#include "cli/command_outcome.h"
#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/depth_settings.h"
#include "cli/stereo_input.h"
#include "engine/job/depth_map_job.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

using S = SDepthMapSettings;

std::string Range(int nMin, int nMax)
{
    return std::to_string(nMin) + ".." + std::to_string(nMax);
}

} // namespace

// The ranges and defaults are the settings' own declarations.
const std::string kDepthUsage
    = "tessaly-cli depth (--left L.png --right R.png | --pair FILE [--cross|--parallel]) [--side left|right]\n"
      "    [--fragment "
    + Range(S::kMinFragmentSize, S::kMaxFragmentSize) + ", even] [--max-parallax-x " + Range(0, S::kMaxParallax)
    + "] [--max-parallax-y " + Range(0, S::kMaxParallax) + "] [--speed " + Range(S::kMinSpeedFactor, S::kMaxSpeedFactor)
    + "]\n"
      "    [--gradient] [--format bmp|png|tif] [--reference]\n"
      "  Makes the depth map of one side of the pair beside its source image and prints its path.\n"
      "  --pair splits a stereo file first, as \"split\" does (side-by-side halves in the --format).\n"
      "  Defaults: --side left --fragment "
    + std::to_string(S().m_nFragmentSize) + " --max-parallax-x " + std::to_string(S().m_nMaxParallaxX)
    + " --max-parallax-y " + std::to_string(S().m_nMaxParallaxY) + " --speed " + std::to_string(S().m_nSpeedFactor)
    + " --format " + SaveExtension(S().m_saveFormat)
    + ",\n"
      "  source-image comparison. --gradient compares the gradient (edge) images instead.\n"
      "  --reference runs the literal search (same result, much slower).\n";

namespace {

void Configure(const CCommandLine& line, CDepthMapJob& job)
{
    job.m_pair = CStereoPair(line.Required("--left"), line.Required("--right"));
}

} // namespace

int RunDepthCommand(const std::vector<std::string>& args)
{
    CConsoleHost host;
    CDepthMapJob job(host);
    SDepthSettings settings;
    std::optional<SStereoInput> pair;
    try {
        const CCommandLine line(args, DepthSettingOptions({"--left", "--right", "--pair"}),
                                DepthSettingFlags({"--cross", "--parallel"}));
        pair = ParsePairOption(line);
        if (!pair)
            Configure(line, job);
        settings = ParseDepthSettings(line);
        settings.ApplyTo(job);
    } catch (const SUsageError& error) {
        return ReportUsageError("depth", error.what());
    }
    if (const std::string notice = FlatMapNotice(settings); !notice.empty())
        host.ShowNotice(notice);
    if (pair && !SplitIntoJob(*pair, job, host))
        return g_bInterrupted ? kExitInterrupted : kExitFailed;
    const SCommandOutcome outcome = job.RunJob(settings.bRightMap);
    host.FinishLine();
    // An interrupt that came too late to stop the last stage leaves a
    // finished map, which is reported as done.
    if (!outcome.bDone)
        return g_bInterrupted ? kExitInterrupted : kExitFailed;
    return PrintPaths(outcome.written) ? kExitDone : kExitFailed;
}
