// tessaly-cli depth: one depth-map job on a stereo pair.
#include "cli/cli_options.h"
#include "cli/command_outcome.h"
#include "cli/commands.h"
#include "cli/console_host.h"
#include "engine/depth_map_job.h"
#include "engine/file_names.h"

#include <cstdio>

const char* const kDepthUsage
    = "tessaly-cli depth --left L.png --right R.png [--side left|right] [--fragment 2..128, even]\n"
      "    [--max-parallax-x 0..128] [--max-parallax-y 0..128] [--speed 1..10]\n"
      "    [--gradient] [--format bmp|png|tif] [--reference]\n"
      "  Makes the depth map of one side of the pair beside its source image and prints its path.\n"
      "  Defaults: --side left --fragment 2 --max-parallax-x 0 --max-parallax-y 0 --speed 1 --format bmp,\n"
      "  source-image comparison. --gradient compares the gradient (edge) images instead.\n"
      "  --reference runs the literal search (same result, much slower).\n";

namespace {

void Configure(const CCommandLine& line, CDepthMapJob& job)
{
    job.m_strLeftPath = line.Required("--left");
    job.m_strRightPath = line.Required("--right");
    job.m_strLeftBase = MakeBase(job.m_strLeftPath);
    job.m_strRightBase = MakeBase(job.m_strRightPath);
    job.m_nFragmentSize = line.Number("--fragment", 2, 2, 128);
    if (job.m_nFragmentSize % 2 != 0)
        throw SUsageError("option --fragment takes an even number from 2 to 128");
    job.m_nMaxParallaxX = line.Number("--max-parallax-x", 0, 0, 128);
    job.m_nMaxParallaxY = line.Number("--max-parallax-y", 0, 0, 128);
    job.m_nSpeedFactor = line.Number("--speed", 1, 1, 10);
    job.m_bAnalyzeSource = line.Flag("--gradient") ? 0 : 1;
    job.m_nSaveFormat = ParseFormat(line.Text("--format", "bmp"));
    job.m_bReferenceSearch = line.Flag("--reference");
}

bool ParseSide(const CCommandLine& line)
{
    const std::string side = line.Text("--side", "left");
    if (side != "left" && side != "right")
        throw SUsageError("option --side takes left or right, not \"" + side + "\"");
    return side == "right";
}

} // namespace

int RunDepthCommand(const std::vector<std::string>& args)
{
    CConsoleHost host;
    CDepthMapJob job(host);
    bool bRightMap = false;
    try {
        const CCommandLine line(args,
                                {"--left", "--right", "--side", "--fragment", "--max-parallax-x", "--max-parallax-y",
                                 "--speed", "--format"},
                                {"--gradient", "--reference"});
        Configure(line, job);
        bRightMap = ParseSide(line);
    } catch (const SUsageError& error) {
        std::fprintf(stderr, "tessaly-cli depth: %s\n\nUsage:\n%s", error.what(), kDepthUsage);
        return kExitUsage;
    }
    const bool bDone = job.RunJob(bRightMap);
    host.FinishLine();
    // An interrupt that came too late to stop the last stage leaves a
    // finished map, which is reported as done.
    if (!bDone)
        return g_bInterrupted ? kExitInterrupted : kExitFailed;
    return PrintPaths({job.m_strDepthMapPath}) ? kExitDone : kExitFailed;
}
