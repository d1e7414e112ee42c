// The fast search's vector kernel, compiled once per instruction set and chosen at run time.
//
// For one row of candidates (fixed dy, every dx side by side in vector
// lanes) the kernel keeps, per fragment column, the sum of the costs t of
// its S rows; moving down a row adds the entering row and takes off the
// leaving one. The window sum T of a position is the sum of S such column
// sums and slides along the row the same way. So a candidate costs the same
// few integer operations per pixel whatever the fragment size. Only
// integers are computed here; the literal double scores of tied candidates
// come from CExactScorer, which is compiled for the baseline processor.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/fast_search_hwy.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "engine/fast_search_kernel.h"
#include "engine/parallax_search.h"

#include <algorithm>
#include <climits>
#include <cstddef>

HWY_BEFORE_NAMESPACE();
namespace fast_search_hwy {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D32 = hn::ScalableTag<std::int32_t>;

// Column sums of 16 bits hold 765·S while S <= 84; the costs are formed in
// signed lanes of the same width.
template <typename TColumn>
struct SLanes;
template <>
struct SLanes<std::uint16_t> {
    using DC = hn::ScalableTag<std::uint16_t>;
    using DI = hn::ScalableTag<std::int16_t>;
};
template <>
struct SLanes<std::int32_t> {
    using DC = hn::ScalableTag<std::int32_t>;
    using DI = hn::ScalableTag<std::int32_t>;
};

// One main pixel against a vector of other pixels of one row.
template <class DI>
struct SMainPixel {
    hn::Vec<DI> blue, green, red;
};

template <class DI>
HWY_INLINE SMainPixel<DI> BroadcastMain(DI di, const std::uint8_t* const* pMain, int u)
{
    using T = hn::TFromD<DI>;
    return {hn::Set(di, static_cast<T>(pMain[0][u])), hn::Set(di, static_cast<T>(pMain[1][u])),
            hn::Set(di, static_cast<T>(pMain[2][u]))};
}

template <class DI>
HWY_INLINE hn::Vec<DI> ChannelCost(DI di, const std::uint8_t* pOther, hn::Vec<DI> main)
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

// Adds the costs of row vIn to every column sum, and with kSlide takes off
// those of row vOut.
template <typename TColumn, bool kSlide>
void UpdateColumns(const CSearchPlanes& planes, TColumn* pColumns, int vIn, int vOut, int dy)
{
    using DC = typename SLanes<TColumn>::DC;
    using DI = typename SLanes<TColumn>::DI;
    const DC dc;
    const DI di;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(dc));
    const SSearchGeometry& g = planes.Geometry();
    const SRowPointers in = RowPointers(planes, vIn, dy);
    const SRowPointers out = RowPointers(planes, kSlide ? vOut : vIn, dy);
    const int nColumns = g.nWidth + g.nFragment - 1;
    for (int nColumn = 0; nColumn < nColumns; ++nColumn) {
        const int u = nColumn - g.nHalf;
        const SMainPixel<DI> mainIn = BroadcastMain(di, in.pMain, u);
        const SMainPixel<DI> mainOut = BroadcastMain(di, out.pMain, u);
        TColumn* pColumn = pColumns + static_cast<std::ptrdiff_t>(nColumn) * g.nLanes;
        for (std::ptrdiff_t k = 0; k < g.nLanes; k += nStep) {
            hn::Vec<DC> sum = hn::Add(hn::LoadU(dc, pColumn + k), hn::BitCast(dc, Cost(di, in.pOther, u + k, mainIn)));
            if constexpr (kSlide)
                sum = hn::Sub(sum, hn::BitCast(dc, Cost(di, out.pOther, u + k, mainOut)));
            hn::StoreU(sum, dc, pColumn + k);
        }
    }
}

template <typename TColumn>
HWY_INLINE hn::Vec<D32> LoadColumnSums(D32 d, const TColumn* p)
{
    if constexpr (sizeof(TColumn) == 2) {
        const hn::Rebind<std::uint16_t, D32> d16;
        return hn::BitCast(d, hn::PromoteTo(hn::RebindToUnsigned<D32>(), hn::LoadU(d16, p)));
    } else {
        return hn::LoadU(d, p);
    }
}

// The window sums of the candidates of one row at the current position.
struct SRowSums {
    std::int32_t* pSums;
    std::ptrdiff_t nBlocks;  // vectors holding the 2·HP + 1 candidates
    hn::Vec<D32> padding;     // INT32_MAX on the lanes of the last vector past the candidates
};

// Hands the lanes holding the row minimum nSum on to the choice rules;
// called only when they can change the best candidate.
void OfferMinimum(const SStripeTask& task, const SRowSums& sums, std::int32_t nSum, int x, int y, int dy,
                  SPixelBest& best)
{
    const SSearchGeometry& g = task.pPlanes->Geometry();
    const D32 d;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    const hn::Vec<D32> minimum = hn::Set(d, nSum);
    std::ptrdiff_t nFirst = -1;
    std::size_t nCount = 0;
    for (std::ptrdiff_t k = 0; k < sums.nBlocks; ++k) {
        hn::Vec<D32> block = hn::LoadU(d, sums.pSums + k * nStep);
        if (k == sums.nBlocks - 1)
            block = hn::Max(block, sums.padding);
        const auto equal = hn::Eq(block, minimum);
        const std::size_t n = hn::CountTrue(d, equal);
        if (n != 0 && nFirst < 0)
            nFirst = k * nStep + hn::FindFirstTrue(d, equal);
        nCount += n;
    }
    if (nSum < best.nSum && (nCount == 1 || nSum == 0)) {
        best = SPixelBest{nSum, static_cast<std::int16_t>(nFirst - g.nMaxDx), static_cast<std::int16_t>(dy),
                          nSum == 0 ? 0.0 : -1.0};
        return;
    }
    int dxs[2 * kMaxParallax + 1];
    int n = 0;
    for (int nLane = static_cast<int>(nFirst); nLane <= 2 * g.nMaxDx; ++nLane)
        if (sums.pSums[nLane] == nSum)
            dxs[n++] = nLane - g.nMaxDx;
    task.pScorer->OfferTies(best, nSum, x, y, dy, std::span<const int>(dxs, n));
}

// Moves the window sums one column to the right (with kSlide) and returns
// their minimum over the candidates.
template <typename TColumn, bool kSlide>
HWY_INLINE std::int32_t SlideSums(const SRowSums& sums, const TColumn* pIn, const TColumn* pOut)
{
    const D32 d;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    hn::Vec<D32> minimum = hn::Set(d, INT32_MAX);
    for (std::ptrdiff_t k = 0; k < sums.nBlocks * nStep; k += nStep) {
        hn::Vec<D32> sum = hn::LoadU(d, sums.pSums + k);
        if constexpr (kSlide) {
            sum = hn::Add(sum, hn::Sub(LoadColumnSums(d, pIn + k), LoadColumnSums(d, pOut + k)));
            hn::StoreU(sum, d, sums.pSums + k);
        }
        if (k + nStep == sums.nBlocks * nStep)
            sum = hn::Max(sum, sums.padding);
        minimum = hn::Min(minimum, sum);
    }
    return hn::GetLane(hn::MinOfLanes(d, minimum));
}

// The window sums of the first position of a row: S column sums.
template <typename TColumn>
void StartRow(const SSearchGeometry& g, const SRowSums& sums, const TColumn* pColumns)
{
    const D32 d;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    for (std::ptrdiff_t k = 0; k < sums.nBlocks * nStep; k += nStep) {
        hn::Vec<D32> sum = hn::Zero(d);
        for (int nColumn = 0; nColumn < g.nFragment; ++nColumn)
            sum = hn::Add(sum, LoadColumnSums(d, pColumns + static_cast<std::ptrdiff_t>(nColumn) * g.nLanes + k));
        hn::StoreU(sum, d, sums.pSums + k);
    }
}

// The window sums of every position of row y, and the choice among them.
template <typename TColumn>
void SelectRow(const SStripeTask& task, const TColumn* pColumns, int y, int dy)
{
    const SSearchGeometry& g = task.pPlanes->Geometry();
    const D32 d;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    const int nCandidates = 2 * g.nMaxDx + 1;
    SRowSums sums{task.scratch.pSums, (nCandidates + nStep - 1) / nStep, hn::Zero(d)};
    const std::int32_t nLast = static_cast<std::int32_t>((sums.nBlocks - 1) * nStep);
    sums.padding = hn::IfThenElseZero(hn::Gt(hn::Iota(d, nLast), hn::Set(d, nCandidates - 1)), hn::Set(d, INT32_MAX));
    StartRow(g, sums, pColumns);
    SPixelBest* pBest = task.scratch.pBest + static_cast<std::ptrdiff_t>(y - task.nFirstRow) * g.nWidth;
    for (int x = 0; x < g.nWidth; ++x) {
        const std::int32_t nSum =
            x == 0 ? SlideSums<TColumn, false>(sums, pColumns, pColumns)
                   : SlideSums<TColumn, true>(sums, pColumns + static_cast<std::ptrdiff_t>(x + g.nFragment - 1) * g.nLanes,
                                              pColumns + static_cast<std::ptrdiff_t>(x - 1) * g.nLanes);
        SPixelBest& best = pBest[x];
        // A larger sum never wins; an equal zero sum scores 0.0 like the earlier one.
        if (nSum > best.nSum || (nSum == best.nSum && nSum == 0))
            continue;
        OfferMinimum(task, sums, nSum, x, y, dy, best);
    }
}

template <typename TColumn>
bool SearchStripeRows(const SStripeTask& task)
{
    const SSearchGeometry& g = task.pPlanes->Geometry();
    TColumn* pColumns = static_cast<TColumn*>(task.scratch.pColumnSums);
    const std::size_t nColumnSums = static_cast<std::size_t>(g.nWidth + g.nFragment - 1) * g.nLanes;
    std::fill_n(task.scratch.pBest, static_cast<std::size_t>(task.nEndRow - task.nFirstRow) * g.nWidth,
                SPixelBest{});
    for (int dy = -g.nMaxDy; dy <= g.nMaxDy; ++dy) {
        std::fill_n(pColumns, nColumnSums, TColumn{0});
        for (int v = task.nFirstRow - g.nHalf; v < task.nFirstRow + g.nHalf; ++v)
            UpdateColumns<TColumn, false>(*task.pPlanes, pColumns, v, v, dy);
        for (int y = task.nFirstRow; y < task.nEndRow; ++y) {
            if (task.pStop->load(std::memory_order_relaxed))
                return false;
            if (y > task.nFirstRow)
                UpdateColumns<TColumn, true>(*task.pPlanes, pColumns, y + g.nHalf - 1, y - g.nHalf - 1, dy);
            SelectRow<TColumn>(task, pColumns, y, dy);
        }
    }
    return true;
}

bool SearchStripeImpl(const SStripeTask& task)
{
    if (FastSearchColumnSumBytes(task.pPlanes->Geometry().nFragment) == 2)
        return SearchStripeRows<std::uint16_t>(task);
    return SearchStripeRows<std::int32_t>(task);
}

int LanesImpl(int nFragment)
{
    if (FastSearchColumnSumBytes(nFragment) == 2)
        return static_cast<int>(hn::Lanes(hn::ScalableTag<std::uint16_t>()));
    return static_cast<int>(hn::Lanes(hn::ScalableTag<std::int32_t>()));
}

const char* TargetNameImpl()
{
    return hwy::TargetName(HWY_TARGET);
}

} // namespace HWY_NAMESPACE
} // namespace fast_search_hwy
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace fast_search_hwy {

HWY_EXPORT(SearchStripeImpl);
HWY_EXPORT(LanesImpl);
HWY_EXPORT(TargetNameImpl);

// The portable code is the build's baseline target; without -m options on
// x86-64 that is Highway's emulated 128-bit vectors in plain C++.
bool SearchStripe(const SStripeTask& task, bool bScalar)
{
    return bScalar ? HWY_STATIC_DISPATCH(SearchStripeImpl)(task) : HWY_DYNAMIC_DISPATCH(SearchStripeImpl)(task);
}

int Lanes(int nFragment, bool bScalar)
{
    return bScalar ? HWY_STATIC_DISPATCH(LanesImpl)(nFragment) : HWY_DYNAMIC_DISPATCH(LanesImpl)(nFragment);
}

const char* TargetName(bool bScalar)
{
    return bScalar ? HWY_STATIC_DISPATCH(TargetNameImpl)() : HWY_DYNAMIC_DISPATCH(TargetNameImpl)();
}

} // namespace fast_search_hwy

int FastSearchColumnSumBytes(int nFragment)
{
    return 765 * nFragment <= 65535 ? 2 : 4;
}

int FastSearchLanes(int nFragment, bool bScalar)
{
    return fast_search_hwy::Lanes(nFragment, bScalar);
}

bool SearchStripe(const SStripeTask& task, bool bScalar)
{
    return fast_search_hwy::SearchStripe(task, bScalar);
}

const char* FastSearchTargetName(bool bScalar)
{
    return fast_search_hwy::TargetName(bScalar);
}
#endif // HWY_ONCE
