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

const char* const kDepthUsage
    = "tessaly-cli depth (--left L.png --right R.png | --pair FILE [--cross|--parallel]) [--side left|right]\n"
      "    [--fragment 2..128, even] [--max-parallax-x 0..128] [--max-parallax-y 0..128] [--speed 1..10]\n"
      "    [--gradient] [--format bmp|png|tif] [--reference]\n"
      "  Makes the depth map of one side of the pair beside its source image and prints its path.\n"
      "  --pair splits a stereo file first, as \"split\" does (side-by-side halves in the --format).\n"
      "  Defaults: --side left --fragment 2 --max-parallax-x 0 --max-parallax-y 0 --speed 1 --format bmp,\n"
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
        std::fprintf(stderr, "tessaly-cli depth: %s\n\nUsage:\n%s", error.what(), kDepthUsage);
        return kExitUsage;
    }
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
