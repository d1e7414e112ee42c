// The depth-map settings options, read once for a depth command or a whole batch.
#include "cli/depth_settings.h"

#include "engine/depth_map_job.h"

namespace {

std::vector<std::string> Joined(std::vector<std::string> names, const std::vector<std::string>& own)
{
    names.insert(names.end(), own.begin(), own.end());
    return names;
}

bool ParseSide(const CCommandLine& line)
{
    const std::string side = line.Text("--side", "left");
    if (side != "left" && side != "right")
        throw SUsageError("option --side takes left or right, not \"" + side + "\"");
    return side == "right";
}

} // namespace

std::vector<std::string> DepthSettingOptions(const std::vector<std::string>& own)
{
    return Joined({"--side", "--fragment", "--max-parallax-x", "--max-parallax-y", "--speed", "--format"}, own);
}

std::vector<std::string> DepthSettingFlags(const std::vector<std::string>& own)
{
    return Joined({"--gradient", "--reference"}, own);
}

SDepthSettings ParseDepthSettings(const CCommandLine& line)
{
    SDepthSettings settings;
    settings.nFragmentSize = line.Number("--fragment", 2, 2, 128);
    if (settings.nFragmentSize % 2 != 0)
        throw SUsageError("option --fragment takes an even number from 2 to 128");
    settings.nMaxParallaxX = line.Number("--max-parallax-x", 0, 0, 128);
    settings.nMaxParallaxY = line.Number("--max-parallax-y", 0, 0, 128);
    settings.nSpeedFactor = line.Number("--speed", 1, 1, 10);
    settings.bGradient = line.Flag("--gradient");
    settings.saveFormat = ParseFormat(line.Text("--format", "bmp"));
    settings.bReferenceSearch = line.Flag("--reference");
    settings.bRightMap = ParseSide(line);
    return settings;
}

void SDepthSettings::ApplyTo(CDepthMapJob& job) const
{
    job.m_nFragmentSize = nFragmentSize;
    job.m_nMaxParallaxX = nMaxParallaxX;
    job.m_nMaxParallaxY = nMaxParallaxY;
    job.m_nSpeedFactor = nSpeedFactor;
    job.m_bAnalyzeSource = bGradient ? 0 : 1;
    job.m_nSaveFormat = saveFormat;
    job.m_bReferenceSearch = bReferenceSearch;
}
