// Segment smoothing against a literal reading of its definition.
#include "engine/base/numeric.h"
#include "engine/kernels/segment_smoothing.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The window as 27 integers: b and g of the outline, d of the map.
int ReferenceLevel(const CImage& outline, const CImage& map, int x, int y)
{
    int b[9], g[9], d[9], nb = 0, ng = 0, n = 0, s = 0;
    for (int k = 0; k < 9; ++k) {
        b[k] = outline.Pixel(x + k % 3 - 1, y + k / 3 - 1)[0], nb += b[k] == 255;
        g[k] = outline.Pixel(x + k % 3 - 1, y + k / 3 - 1)[1], ng += g[k] == 255;
        d[k] = map.Pixel(x + k % 3 - 1, y + k / 3 - 1)[0];
    }
    for (int k = 0; k < 9; ++k) {
        const bool bSelected = b[4] == g[4] ? (ng >= nb ? g[k] == 255 : b[k] == 255) : b[k] == b[4] || g[k] == g[4];
        n += bSelected, s += bSelected ? d[k] : 0;
    }
    return n == 0 ? 0 : RoundToInt(static_cast<double>(s) / n);
}

CImage ReferencePass(const CImage& outline, const CImage& map)
{
    const int w = std::min(outline.Width(), map.Width()), h = std::min(outline.Height(), map.Height());
    CImage out(w, h);
    for (int y = 0; y < h && w > 2 && h > 2; ++y)
        for (int x = 0; x < w; ++x) // a border pixel takes its inner neighbour's level; corners none
            if ((x > 0 && x < w - 1) || (y > 0 && y < h - 1))
                std::fill_n(out.Pixel(x, y), 3,
                            ReferenceLevel(outline, map, std::clamp(x, 1, w - 2), std::clamp(y, 1, h - 2)));
    return out;
}

} // namespace

TEST(SegmentSmoothing, MatchesItsLiteralReadingOnRandomOutlines)
{
    static const std::uint8_t kCodes[5][3] = {{0, 255, 0}, {255, 0, 0}, {255, 255, 255}, {0, 0, 0}, {255, 255, 0}};
    std::mt19937 random(3);
    for (int n = 0; n < 80; ++n) {
        CImage outline = RandomImage(1 + n % 11, 1 + n / 8, random); // codes, black, yellow and noise
        for (int k = 0; k < outline.Width() * outline.Height(); ++k)
            if (const unsigned nCode = random() % 7; nCode < 5)
                std::copy_n(kCodes[nCode], 3, outline.Pixel(k % outline.Width(), k / outline.Width()));
        const CImage map = RandomImage(1 + (n * 7) % 12, 1 + (n * 5) % 11, random);
        EXPECT_EQ(SmoothDepth(outline, map), ReferencePass(outline, map)) << n;
    }
}
