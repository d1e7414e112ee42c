// tessaly-cli depth: one depth-map job on a stereo pair.
#include "cli/cli_options.h"
#include "cli/command_outcome.h"
#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/depth_settings.h"
#include "cli/json_report.h"
#include "cli/output_folder.h"
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
      "    [--gradient] [--format bmp|png|tif] [--reference] [--keep-orientation]\n"
      "    [--output-dir DIR]\n"
      "  Makes the depth map of one side of the pair beside its source image and prints its path.\n"
      "  --pair splits a stereo file first, as \"split\" does (side-by-side halves in the --format).\n"
      "  Defaults: --side left --fragment "
    + std::to_string(S().m_nFragmentSize) + " --max-parallax-x " + std::to_string(S().m_nMaxParallaxX)
    + " --max-parallax-y " + std::to_string(S().m_nMaxParallaxY) + " --speed " + std::to_string(S().m_nSpeedFactor)
    + " --format " + SaveExtension(S().m_saveFormat)
    + ",\n"
      "  source-image comparison. --gradient compares the gradient (edge) images instead.\n"
      "  --reference runs the literal search (same result, much slower). JPEG sources are turned\n"
      "  upright by their EXIF orientation; --keep-orientation keeps their stored pixels.\n"
      "  --output-dir DIR writes every file (views too) into DIR, made when missing, under its usual name.\n";

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
    std::string outputFolder;
    try {
        const CCommandLine line(args, DepthSettingOptions({"--left", "--right", "--pair", "--output-dir"}),
                                DepthSettingFlags({"--cross", "--parallel"}));
        pair = ParsePairOption(line);
        if (!pair)
            Configure(line, job);
        settings = ParseDepthSettings(line);
        settings.ApplyTo(job);
        outputFolder = ParseOutputFolder(line);
    } catch (const SUsageError& error) {
        return ReportUsageError("depth", error.what());
    }
    if (const std::string notice = FlatMapNotice(settings); !notice.empty())
        host.ShowNotice(notice);
    CJsonReport report("depth");
    if (pair)
        report["pair"] = pair->strPath;
    report["settings"] = DepthSettingsJson(settings);
    if (!UseOutputFolder(outputFolder, host))
        return FinishCommand(kExitFailed, {}, host, report);
    if (pair && !SplitIntoJob(*pair, job, host, outputFolder))
        return FinishCommand(g_bInterrupted ? kExitInterrupted : kExitFailed, {}, host, report);
    job.m_pair = job.m_pair.WithOutputFolder(outputFolder);
    report["left"] = job.m_pair.LeftPath();
    report["right"] = job.m_pair.RightPath();
    const SDepthJobOutcome outcome = job.RunJob(settings.bRightMap);
    ReportDepthJob(outcome, report);
    // An interrupt that came too late to stop the last stage leaves a
    // finished map, which is reported as done.
    const int nExit = outcome.bDone ? kExitDone : g_bInterrupted ? kExitInterrupted : kExitFailed;
    return FinishCommand(nExit, outcome.written, host, report);
}
