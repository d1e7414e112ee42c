// The Up filter of the PNG writer in vector lanes, compiled once per instruction set and chosen at run time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/io/png_filter_hwy.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "engine/io/png_filter.h"

HWY_BEFORE_NAMESPACE();
namespace png_filter_hwy {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void FilterUpImpl(const std::uint8_t* HWY_RESTRICT pRow, const std::uint8_t* HWY_RESTRICT pAbove, std::size_t nPixels,
                  std::uint8_t* HWY_RESTRICT pOut)
{
    const hn::ScalableTag<std::uint8_t> d;
    const std::size_t nStep = hn::Lanes(d);
    std::size_t x = 0;
    for (; x + nStep <= nPixels; x += nStep) {
        hn::Vec<decltype(d)> blue, green, red, blueAbove, greenAbove, redAbove;
        hn::LoadInterleaved3(d, pRow + 3 * x, blue, green, red);
        hn::LoadInterleaved3(d, pAbove + 3 * x, blueAbove, greenAbove, redAbove);
        hn::StoreInterleaved3(hn::Sub(red, redAbove), hn::Sub(green, greenAbove), hn::Sub(blue, blueAbove), d,
                              pOut + 3 * x);
    }
    for (; x < nPixels; ++x)
        for (int c = 0; c < 3; ++c)
            pOut[3 * x + c] = static_cast<std::uint8_t>(pRow[3 * x + 2 - c] - pAbove[3 * x + 2 - c]);
}

} // namespace HWY_NAMESPACE
} // namespace png_filter_hwy
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace png_filter_hwy {
HWY_EXPORT(FilterUpImpl);
} // namespace png_filter_hwy

void FilterUp(const std::uint8_t* pRow, const std::uint8_t* pAbove, std::size_t nPixels, std::uint8_t* pOut)
{
    HWY_DYNAMIC_DISPATCH(png_filter_hwy::FilterUpImpl)(pRow, pAbove, nPixels, pOut);
}
#endif // HWY_ONCE
