// Stereo files on the command line: the order options and the split that fills a job's pair.
#include "cli/stereo_input.h"

#include "engine/job/depth_map_job.h"

EStereoLayout ParseStereoLayout(const CCommandLine& line, const std::string& path)
{
    const bool bCross = line.Flag("--cross");
    const bool bParallel = line.Flag("--parallel");
    if (bCross && bParallel)
        throw SUsageError("options --cross and --parallel exclude each other");
    const EStereoLayout layout = StereoLayoutOf(path);
    if (layout == EStereoLayout::kMpo && (bCross || bParallel))
        throw SUsageError("options --cross and --parallel apply to side-by-side images, not to " + path);
    if (bCross)
        return EStereoLayout::kCrossEyed;
    return bParallel ? EStereoLayout::kParallel : layout;
}

std::optional<SStereoInput> ParsePairOption(const CCommandLine& line)
{
    if (!line.Has("--pair")) {
        if (line.Flag("--cross") || line.Flag("--parallel"))
            throw SUsageError("options --cross and --parallel need --pair");
        return std::nullopt;
    }
    if (line.Has("--left") || line.Has("--right"))
        throw SUsageError("option --pair replaces --left and --right; give one or the other");
    const std::string path = line.Text("--pair");
    return SStereoInput{path, ParseStereoLayout(line, path)};
}

bool SplitIntoJob(const SStereoInput& input, CDepthMapJob& job, CStageHost& host, const std::string& outputFolder)
{
    std::optional<CStereoPair> views
        = SplitStereoFile(input.strPath, input.layout, job.m_settings.m_saveFormat, host, outputFolder);
    if (!views)
        return false;
    job.m_pair = std::move(*views);
    return true;
}
