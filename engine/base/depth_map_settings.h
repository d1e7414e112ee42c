// SDepthMapSettings: the settings of a depth-map job as one value, with their limits declared once.
#pragma once

#include "engine/base/image_format.h"

#include <string>

// Filled by a front end (the dialog's boxes, the command line's options) and
// read by the job, which checks it once at its start and never writes it.
// The front ends take their ranges from the limits declared here.
struct SDepthMapSettings {
    static constexpr int kMinFragmentSize = 2;   // even sizes only
    static constexpr int kMaxFragmentSize = 128; // the search windows' tables are made for it
    static constexpr int kMaxParallax = 128;     // either limit, from 0
    static constexpr int kMinSpeedFactor = 1;
    static constexpr int kMaxSpeedFactor = 10;

    int m_nFragmentSize = kMinFragmentSize;
    int m_nMaxParallaxX = 0;
    int m_nMaxParallaxY = 0;
    int m_nSpeedFactor = kMinSpeedFactor;
    bool m_bAnalyzeSource = true; // compare the source images, else their gradient images
    ESaveFormat m_saveFormat = kFormatBmp;
    bool m_bReferenceSearch = false; // the literal search instead of the fast one: same results, slower

    // Whether every setting is within its range.
    bool IsValid() const;
    // The message the user is shown when a setting is out of its range, or empty.
    std::string Problem() const;
};
