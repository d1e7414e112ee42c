// The one check of a job's settings.
#include "engine/base/depth_map_settings.h"

namespace {

bool Within(int nValue, int nMin, int nMax)
{
    return nValue >= nMin && nValue <= nMax;
}

} // namespace

bool SDepthMapSettings::IsValid() const
{
    return Within(m_nFragmentSize, kMinFragmentSize, kMaxFragmentSize) && m_nFragmentSize % 2 == 0
        && Within(m_nMaxParallaxX, 0, kMaxParallax) && Within(m_nMaxParallaxY, 0, kMaxParallax)
        && Within(m_nSpeedFactor, kMinSpeedFactor, kMaxSpeedFactor);
}

std::string SDepthMapSettings::Problem() const
{
    if (IsValid())
        return {};
    return "The analysis settings are out of range: the fragment size must be even, " + std::to_string(kMinFragmentSize)
        + " to " + std::to_string(kMaxFragmentSize) + ", the parallax limits 0 to " + std::to_string(kMaxParallax)
        + " and the speed factor " + std::to_string(kMinSpeedFactor) + " to " + std::to_string(kMaxSpeedFactor) + ".";
}
