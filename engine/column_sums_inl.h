// Vector code of the fast search: the costs of a row of candidates and the sliding sums of the fragment's columns.
// Included once per instruction set by fast_search_hwy.cpp.
#if defined(TESSALY_ENGINE_COLUMN_SUMS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef TESSALY_ENGINE_COLUMN_SUMS_INL_H_
#undef TESSALY_ENGINE_COLUMN_SUMS_INL_H_
#else
#define TESSALY_ENGINE_COLUMN_SUMS_INL_H_
#endif

#include <hwy/highway.h>

#include "engine/search_planes.h"

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

// One main pixel against a vector of other pixels of one row.
template <class DI> struct SMainPixel {
    hn::Vec<DI> blue, green, red;
};

template <class DI> HWY_INLINE SMainPixel<DI> BroadcastMain(DI di, const std::uint8_t* const* pMain, int u)
{
    using T = hn::TFromD<DI>;
    return {hn::Set(di, static_cast<T>(pMain[0][u])), hn::Set(di, static_cast<T>(pMain[1][u])),
            hn::Set(di, static_cast<T>(pMain[2][u]))};
}

template <class DI> HWY_INLINE hn::Vec<DI> ChannelCost(DI di, const std::uint8_t* pOther, hn::Vec<DI> main)
{
    const hn::Rebind<std::uint8_t, DI> d8;
    const hn::RebindToUnsigned<DI> du;
    const hn::Vec<DI> other = hn::BitCast(di, hn::PromoteTo(du, hn::LoadU(d8, pOther)));
    return hn::Abs(hn::Sub(other, main));
}

// t = |blue difference| + |red difference| + |green difference| per lane.
template <class DI>
HWY_INLINE hn::Vec<DI> Cost(DI di, const std::uint8_t* const* pOther, std::ptrdiff_t n, const SMainPixel<DI>& main)
{
    const hn::Vec<DI> blue = ChannelCost(di, pOther[0] + n, main.blue);
    const hn::Vec<DI> green = ChannelCost(di, pOther[1] + n, main.green);
    const hn::Vec<DI> red = ChannelCost(di, pOther[2] + n, main.red);
    return hn::Add(hn::Add(blue, red), green);
}

// Row pointers of both images at row v, the other one shifted by dy and
// moved so that lane k of column u reads candidate dx = k − HP.
struct SRowPointers {
    const std::uint8_t* pMain[3];
    const std::uint8_t* pOther[3];
};

HWY_INLINE SRowPointers RowPointers(const CSearchPlanes& planes, int v, int dy)
{
    SRowPointers rows{};
    for (int c = 0; c < 3; ++c) {
        rows.pMain[c] = planes.MainRow(c, v);
        rows.pOther[c] = planes.OtherRow(c, v + dy) - planes.Geometry().nMaxDx;
    }
    return rows;
}

// One vector of column sums: adds the costs of the entering row and, with
// kSlide, takes off those of the leaving one.
template <bool kSlide, class DC, class DI>
HWY_INLINE void UpdateBlock(DC dc, DI di, hn::TFromD<DC>* pColumn, std::ptrdiff_t n, const SRowPointers& in,
                            const SRowPointers& out, int u)
{
    const SMainPixel<DI> mainIn = BroadcastMain(di, in.pMain, u);
    hn::Vec<DC> sum = hn::Add(hn::LoadU(dc, pColumn + n), hn::BitCast(dc, Cost(di, in.pOther, u + n, mainIn)));
    if constexpr (kSlide) {
        const SMainPixel<DI> mainOut = BroadcastMain(di, out.pMain, u);
        sum = hn::Sub(sum, hn::BitCast(dc, Cost(di, out.pOther, u + n, mainOut)));
    }
    hn::StoreU(sum, dc, pColumn + n);
}

// Adds the costs of row vIn to every column sum, and with kSlide takes off
// those of row vOut. The lanes are whole vectors of column sums, then at
// most a half and a quarter vector.
template <typename TColumn, bool kSlide>
void UpdateColumns(const CSearchPlanes& planes, TColumn* pColumns, int vIn, int vOut, int dy)
{
    using DC = typename SLanes<TColumn>::DC;
    using DI = typename SLanes<TColumn>::DI;
    const DC dc;
    const DI di;
    const hn::Half<DC> dcHalf;
    const hn::Half<DI> diHalf;
    const hn::Half<hn::Half<DC>> dcQuarter;
    const hn::Half<hn::Half<DI>> diQuarter;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(dc));
    const SSearchGeometry& g = planes.Geometry();
    const std::ptrdiff_t nWhole = g.nLanes / nStep * nStep;
    const bool bHalf = kHalves && g.nLanes - nWhole >= nStep / 2;
    const bool bQuarter = kHalves && nStep >= 4 && (g.nLanes - nWhole) % std::max<std::ptrdiff_t>(1, nStep / 2) != 0;
    const SRowPointers in = RowPointers(planes, vIn, dy);
    const SRowPointers out = RowPointers(planes, kSlide ? vOut : vIn, dy);
    const int nColumns = g.nWidth + g.nFragment - 1;
    for (int nColumn = 0; nColumn < nColumns; ++nColumn) {
        const int u = nColumn - g.nHalf;
        TColumn* pColumn = pColumns + static_cast<std::ptrdiff_t>(nColumn) * g.nLanes;
        for (std::ptrdiff_t n = 0; n < nWhole; n += nStep)
            UpdateBlock<kSlide>(dc, di, pColumn, n, in, out, u);
        if constexpr (kHalves) {
            if (bHalf)
                UpdateBlock<kSlide>(dcHalf, diHalf, pColumn, nWhole, in, out, u);
            if (bQuarter)
                UpdateBlock<kSlide>(dcQuarter, diQuarter, pColumn, g.nLanes - nStep / 4, in, out, u);
        }
    }
}

} // namespace HWY_NAMESPACE
} // namespace fast_search_hwy
HWY_AFTER_NAMESPACE();

#endif // TESSALY_ENGINE_COLUMN_SUMS_INL_H_
