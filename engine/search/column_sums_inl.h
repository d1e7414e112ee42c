// Vector code of the fast search: the costs of a row of candidates and the sliding sums of the fragment's columns.
// Included once per instruction set by fast_search_hwy.cpp.
#if defined(TESSALY_ENGINE_COLUMN_SUMS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef TESSALY_ENGINE_COLUMN_SUMS_INL_H_
#undef TESSALY_ENGINE_COLUMN_SUMS_INL_H_
#else
#define TESSALY_ENGINE_COLUMN_SUMS_INL_H_
#endif

#include <hwy/highway.h>

#include "engine/search/search_planes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace fast_search_hwy {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Rows of 2·HP + 1 candidates are rounded up to half a vector of window
// sums; the last half and quarter vectors are narrower ones.
using D32 = hn::ScalableTag<std::int32_t>;
using DU32 = hn::ScalableTag<std::uint32_t>;

// Single-lane code has no half vectors: its rows are not rounded at all.
#if HWY_TARGET == HWY_SCALAR
constexpr bool kHalves = false;
using D32Half = D32;
using DU32Half = DU32;
template <class D> HWY_INLINE hn::Vec<D> MinOfHalves(D, hn::Vec<D> v)
{
    return v;
}
#else
constexpr bool kHalves = true;
using D32Half = hn::Half<D32>;
using DU32Half = hn::Half<DU32>;
template <class D> HWY_INLINE hn::Vec<hn::Half<D>> MinOfHalves(D, hn::Vec<D> v)
{
    const hn::Half<D> dh;
    return hn::Min(hn::LowerHalf(dh, v), hn::UpperHalf(dh, v));
}
#endif

// Column sums of 16 bits hold 765·S while S <= 84; the costs are formed in
// signed lanes of the same width.
template <typename TColumn> struct SLanes;
template <> struct SLanes<std::uint16_t> {
    using DC = hn::ScalableTag<std::uint16_t>;
    using DI = hn::ScalableTag<std::int16_t>;
};
template <> struct SLanes<std::int32_t> {
    using DC = hn::ScalableTag<std::int32_t>;
    using DI = hn::ScalableTag<std::int32_t>;
};

// One main pixel, broadcast, against a vector of other pixels of one row.
template <class DI> struct SMainPixel {
    hn::Vec<DI> blue, green, red;
};

// The pixel's blue byte at p, green and red one and two planes further.
template <class DI> HWY_INLINE SMainPixel<DI> BroadcastMain(DI di, const std::uint8_t* p, std::ptrdiff_t nPlane)
{
    using T = hn::TFromD<DI>;
    return {hn::Set(di, static_cast<T>(p[0])), hn::Set(di, static_cast<T>(p[nPlane])),
            hn::Set(di, static_cast<T>(p[2 * nPlane]))};
}

template <class DI> HWY_INLINE SMainPixel<hn::Half<DI>> LowerHalves(DI, const SMainPixel<DI>& main)
{
    const hn::Half<DI> dh;
    return {hn::LowerHalf(dh, main.blue), hn::LowerHalf(dh, main.green), hn::LowerHalf(dh, main.red)};
}

template <class DI> HWY_INLINE hn::Vec<DI> ChannelCost(DI di, const std::uint8_t* pOther, hn::Vec<DI> main)
{
    const hn::Rebind<std::uint8_t, DI> d8;
    const hn::RebindToUnsigned<DI> du;
    const hn::Vec<DI> other = hn::BitCast(di, hn::PromoteTo(du, hn::LoadU(d8, pOther)));
    return hn::Abs(hn::Sub(other, main));
}

// t = |blue difference| + |red difference| + |green difference| per lane;
// pOther points at the blue bytes of the candidates.
template <class DI>
HWY_INLINE hn::Vec<DI> Cost(DI di, const std::uint8_t* pOther, std::ptrdiff_t nPlane, const SMainPixel<DI>& main)
{
    const hn::Vec<DI> blue = ChannelCost(di, pOther, main.blue);
    const hn::Vec<DI> green = ChannelCost(di, pOther + nPlane, main.green);
    const hn::Vec<DI> red = ChannelCost(di, pOther + 2 * nPlane, main.red);
    return hn::Add(hn::Add(blue, red), green);
}

// The rows a column-sum update reads: the main image's entering and leaving
// rows at column 0, and the other image's rows dy further, moved so that
// lane k of column u reads candidate dx = k − HP.
struct SUpdateRows {
    const std::uint8_t* pMainIn;
    const std::uint8_t* pMainOut;
    const std::uint8_t* pOtherIn;
    const std::uint8_t* pOtherOut;
    std::ptrdiff_t nMainPlane;
    std::ptrdiff_t nOtherPlane;
};

HWY_INLINE SUpdateRows UpdateRows(const CSearchPlanes& planes, int vIn, int vOut, int dy)
{
    const int nMaxDx = planes.Geometry().nMaxDx;
    return {planes.MainRow(0, vIn),
            planes.MainRow(0, vOut),
            planes.OtherRow(0, vIn + dy) - nMaxDx,
            planes.OtherRow(0, vOut + dy) - nMaxDx,
            planes.MainRow(1, 0) - planes.MainRow(0, 0),
            planes.OtherRow(1, 0) - planes.OtherRow(0, 0)};
}

// One vector of column sums: adds the costs of the entering row's
// candidates at pIn and, with kSlide, takes off those of the leaving row at pOut.
template <bool kSlide, class DC, class DI>
HWY_INLINE void UpdateBlock(DC dc, DI di, hn::TFromD<DC>* pSums, const std::uint8_t* pIn, const std::uint8_t* pOut,
                            std::ptrdiff_t nPlane, const SMainPixel<DI>& mainIn, const SMainPixel<DI>& mainOut)
{
    hn::Vec<DC> sum = hn::Add(hn::LoadU(dc, pSums), hn::BitCast(dc, Cost(di, pIn, nPlane, mainIn)));
    if constexpr (kSlide)
        sum = hn::Sub(sum, hn::BitCast(dc, Cost(di, pOut, nPlane, mainOut)));
    hn::StoreU(sum, dc, pSums);
}

// The lanes of column u: whole vectors of column sums, then at most a half
// and a quarter vector, all against the same main pixels.
template <bool kSlide, class DC, class DI>
HWY_INLINE void UpdateColumn(DC dc, DI di, hn::TFromD<DC>* pSums, const SUpdateRows& rows, int nLanes, int u)
{
    const SMainPixel<DI> mainIn = BroadcastMain(di, rows.pMainIn + u, rows.nMainPlane);
    const SMainPixel<DI> mainOut = kSlide ? BroadcastMain(di, rows.pMainOut + u, rows.nMainPlane) : mainIn;
    const std::uint8_t* pIn = rows.pOtherIn + u;
    const std::uint8_t* pOut = rows.pOtherOut + u;
    const std::ptrdiff_t nPlane = rows.nOtherPlane;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(dc));
    const std::ptrdiff_t nWhole = nLanes / nStep * nStep;
    for (std::ptrdiff_t n = 0; n < nWhole; n += nStep)
        UpdateBlock<kSlide>(dc, di, pSums + n, pIn + n, pOut + n, nPlane, mainIn, mainOut);
    if constexpr (kHalves) {
        const hn::Half<DC> dcHalf;
        const hn::Half<DI> diHalf;
        const SMainPixel<hn::Half<DI>> halfIn = LowerHalves(di, mainIn);
        const SMainPixel<hn::Half<DI>> halfOut = LowerHalves(di, mainOut);
        std::ptrdiff_t n = nWhole;
        if (nLanes - n >= nStep / 2) {
            UpdateBlock<kSlide>(dcHalf, diHalf, pSums + n, pIn + n, pOut + n, nPlane, halfIn, halfOut);
            n += nStep / 2;
        }
        if (n < nLanes)
            UpdateBlock<kSlide>(hn::Half<hn::Half<DC>>(), hn::Half<hn::Half<DI>>(), pSums + n, pIn + n, pOut + n,
                                nPlane, LowerHalves(diHalf, halfIn), LowerHalves(diHalf, halfOut));
    }
}

// Adds the costs of row vIn to the column sums of a candidate row, and
// with kSlide takes off those of row vOut: columns nFirst to nEnd − 1 of
// the W + S − 1.
template <typename TColumn, bool kSlide>
void UpdateColumns(const CSearchPlanes& planes, TColumn* pColumns, int vIn, int vOut, int dy, int nFirst, int nEnd)
{
    using DC = typename SLanes<TColumn>::DC;
    using DI = typename SLanes<TColumn>::DI;
    const SSearchGeometry& g = planes.Geometry();
    const SUpdateRows rows = UpdateRows(planes, vIn, kSlide ? vOut : vIn, dy);
    for (int nColumn = nFirst; nColumn < nEnd; ++nColumn)
        UpdateColumn<kSlide>(DC(), DI(), pColumns + static_cast<std::ptrdiff_t>(nColumn) * g.nLanes, rows, g.nLanes,
                             nColumn - g.nHalf);
}

} // namespace HWY_NAMESPACE
} // namespace fast_search_hwy
HWY_AFTER_NAMESPACE();

#endif // TESSALY_ENGINE_COLUMN_SUMS_INL_H_
