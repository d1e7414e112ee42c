// Segment smoothing kernel.
#include "engine/kernels/segment_smoothing.h"

#include "engine/base/numeric.h"

#include <algorithm>

namespace {

void PutGrey(CImage& image, int x, int y, int nLevel)
{
    std::uint8_t* p = image.Pixel(x, y);
    p[0] = p[1] = p[2] = static_cast<std::uint8_t>(nLevel);
}

// For a white or black centre: whether the green pixels of the window win.
bool GreenSideWins(const CImage& outline, int x, int y)
{
    int nBlue = 0;
    int nGreen = 0;
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            const std::uint8_t* p = outline.Pixel(x + i, y + j);
            nBlue += p[0] == 255;
            nGreen += p[1] == 255;
        }
    return nGreen >= nBlue;
}

} // namespace

int SmoothedLevel(const CImage& outline, const CImage& map, int x, int y)
{
    const std::uint8_t* pCentre = outline.Pixel(x, y);
    const int nCentreBlue = pCentre[0];
    const int nCentreGreen = pCentre[1];
    const bool bEdgeCentre = nCentreBlue != nCentreGreen;
    const bool bGreenSide = !bEdgeCentre && GreenSideWins(outline, x, y);
    int nCount = 0;
    int nSum = 0;
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            const std::uint8_t* p = outline.Pixel(x + i, y + j);
            const bool bSelected
                = bEdgeCentre ? p[0] == nCentreBlue || p[1] == nCentreGreen : (bGreenSide ? p[1] : p[0]) == 255;
            if (bSelected) {
                ++nCount;
                nSum += map.Pixel(x + i, y + j)[0];
            }
        }
    return nCount == 0 ? 0 : RoundToInt(static_cast<double>(nSum) / nCount);
}

void SmoothDepthRow(const CImage& outline, const CImage& map, CImage& result, int y)
{
    const int nWidth = result.Width();
    const int nHeight = result.Height();
    if (y < 1 || y > nHeight - 2)
        return;
    for (int x = 1; x <= nWidth - 2; ++x) {
        const int nLevel = SmoothedLevel(outline, map, x, y);
        PutGrey(result, x, y, nLevel);
        if (x == 1)
            PutGrey(result, 0, y, nLevel);
        if (x == nWidth - 2)
            PutGrey(result, nWidth - 1, y, nLevel);
        if (y == 1)
            PutGrey(result, x, 0, nLevel);
        if (y == nHeight - 2)
            PutGrey(result, x, nHeight - 1, nLevel);
    }
}

CImage AllocateSmoothingResult(const CImage& outline, const CImage& map)
{
    return CImage(std::min(outline.Width(), map.Width()), std::min(outline.Height(), map.Height()));
}

CImage SmoothDepth(const CImage& outline, const CImage& map)
{
    CImage result = AllocateSmoothingResult(outline, map);
    for (int y = 1; y <= result.Height() - 2; ++y)
        SmoothDepthRow(outline, map, result, y);
    return result;
}
