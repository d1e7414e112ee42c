// The depth-map settings options, read once for a depth command or a whole batch.
#include "cli/depth_settings.h"

#include "engine/job/depth_map_job.h"

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
    return Joined({"--gradient", "--reference", "--keep-orientation"}, own);
}

SDepthSettings ParseDepthSettings(const CCommandLine& line)
{
    using S = SDepthMapSettings;
    SDepthSettings settings; // the desktop app's start values where no option is given
    settings.m_nFragmentSize
        = line.Number("--fragment", settings.m_nFragmentSize, S::kMinFragmentSize, S::kMaxFragmentSize);
    if (settings.m_nFragmentSize % 2 != 0)
        throw SUsageError("option --fragment takes an even number from " + std::to_string(S::kMinFragmentSize) + " to "
                          + std::to_string(S::kMaxFragmentSize));
    settings.m_nMaxParallaxX = line.Number("--max-parallax-x", settings.m_nMaxParallaxX, 0, S::kMaxParallax);
    settings.m_nMaxParallaxY = line.Number("--max-parallax-y", settings.m_nMaxParallaxY, 0, S::kMaxParallax);
    settings.m_nSpeedFactor = line.Number("--speed", settings.m_nSpeedFactor, S::kMinSpeedFactor, S::kMaxSpeedFactor);
    settings.m_bAnalyzeSource = !line.Flag("--gradient");
    settings.m_saveFormat = ParseFormat(line.Text("--format", SaveExtension(settings.m_saveFormat)));
    settings.m_bReferenceSearch = line.Flag("--reference");
    settings.bRightMap = ParseSide(line);
    settings.bKeepOrientation = line.Flag("--keep-orientation");
    return settings;
}

void SDepthSettings::ApplyTo(CDepthMapJob& job) const
{
    job.m_settings = *this;
    job.m_orientation = bKeepOrientation ? EOrientation::kStored : EOrientation::kUpright;
}

std::string FlatMapNotice(const SDepthMapSettings& settings)
{
    if (settings.m_nMaxParallaxX != 0 || settings.m_nMaxParallaxY != 0)
        return {};
    return "Both parallax limits are 0, so only the displacement (0, 0) is tried and the depth map is flat: "
           "give --max-parallax-x (and --max-parallax-y) the largest parallax of the pair, in pixels.";
}
