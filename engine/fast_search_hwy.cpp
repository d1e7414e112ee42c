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
#include <bit>
#include <climits>
#include <cstddef>

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

template <typename TColumn, class D> HWY_INLINE hn::Vec<D> LoadColumnSums(D d, const TColumn* p)
{
    if constexpr (sizeof(TColumn) == 2) {
        const hn::Rebind<std::uint16_t, D> d16;
        return hn::BitCast(d, hn::PromoteTo(hn::RebindToUnsigned<D>(), hn::LoadU(d16, p)));
    } else {
        return hn::LoadU(d, p);
    }
}

// The window sums of a row of candidates: whole vectors, then perhaps a
// half vector; lanes past the 2·HP + 1 candidates lie in the last half.
struct SRowSums {
    std::ptrdiff_t nWhole; // lanes in whole vectors
    bool bHalf;
};

HWY_INLINE SRowSums RowSums(const SSearchGeometry& g)
{
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(D32()));
    const std::ptrdiff_t nWhole = g.nLanes / nStep * nStep;
    return {nWhole, kHalves && nWhole < g.nLanes};
}

// All ones (or INT32_MAX) on the lanes of a vector from lane nFirst on that lie past the candidates.
template <class D> HWY_INLINE hn::Vec<D> Padding(D d, std::ptrdiff_t nFirst, int nCandidates, hn::TFromD<D> fill)
{
    const hn::RebindToSigned<D> di;
    const auto past = hn::Gt(hn::Iota(di, static_cast<std::int32_t>(nFirst)), hn::Set(di, nCandidates - 1));
    return hn::IfThenElseZero(hn::RebindMask(d, past), hn::Set(d, fill));
}

// Where the sums of a stripe's rows are compared: a group of rows of
// candidates, from row dy0 on, each row nLanes wide in the sums.
struct SGroup {
    int dy0;
    int nRows;
    std::ptrdiff_t nColumnStride; // elements between the column sums of two rows
};

// Hands the candidates whose window sum is nSum, from index nFirst on, to
// the choice rules in the literal order. nShift drops the index bits of keys.
template <typename TSum>
void OfferEqualLanes(const SStripeTask& task, const SGroup& group, const TSum* pSums, int nShift, std::int32_t nSum,
                     std::ptrdiff_t nFirst, int x, int y, SPixelBest& best)
{
    const SSearchGeometry& g = task.pPlanes->Geometry();
    const SStripeScratch& scratch = task.scratch;
    std::size_t n = 0;
    for (std::ptrdiff_t nIndex = nFirst; nIndex < group.nRows * g.nLanes; ++nIndex) {
        const int nLane = static_cast<int>(nIndex % g.nLanes);
        if (nLane <= 2 * g.nMaxDx && static_cast<std::int32_t>(pSums[nIndex] >> nShift) == nSum) {
            ++n;
            scratch.tieDx[n] = nLane - g.nMaxDx;
            scratch.tieDy[n] = group.dy0 + static_cast<int>(nIndex / g.nLanes);
        }
    }
    task.pScorer->OfferTies(best, nSum, x, y, n, scratch.tieDx, scratch.tieDy, scratch.tieScores);
}

// Takes the group's minimum nSum, first reached at index nFirst (bTied when
// another candidate reaches it too), into the best candidate of the pixel.
template <typename TSum>
HWY_INLINE void OfferMinimum(const SStripeTask& task, const SGroup& group, const TSum* pSums, int nShift,
                             std::int32_t nSum, std::ptrdiff_t nFirst, bool bTied, int x, int y, SPixelBest& best)
{
    // A larger sum never wins; an equal zero sum scores 0.0 like the earlier one.
    if (nSum > best.nSum || (nSum == best.nSum && nSum == 0))
        return;
    if (nSum < best.nSum && (!bTied || nSum == 0)) {
        const SSearchGeometry& g = task.pPlanes->Geometry();
        best = SPixelBest{nSum, static_cast<std::int16_t>(nFirst % g.nLanes - g.nMaxDx),
                          static_cast<std::int16_t>(group.dy0 + nFirst / g.nLanes), nSum == 0 ? 0.0 : -1.0};
        return;
    }
    OfferEqualLanes(task, group, pSums, nShift, nSum, nFirst, x, y, best);
}

// With 16-bit column sums (S <= 84) a window sum T is kept as the key
// T·2^shift + index of the candidate in the group: the smallest key names
// the smallest sum and its first candidate, and the smallest key with its
// index bits flipped its last one.
using DU32Half = hn::Half<DU32>;

// Per lane position of a half vector, the smallest key and the smallest
// key with flipped index bits over a group.
struct SKeyedMinimum {
    hn::Vec<DU32Half> first;
    hn::Vec<DU32Half> last;
};

template <bool kSlide, class D>
HWY_INLINE hn::Vec<D> SlideKey(D d, int nShift, std::uint32_t* pKey, const std::uint16_t* pIn,
                               const std::uint16_t* pOut)
{
    hn::Vec<D> key = hn::LoadU(d, pKey);
    if constexpr (kSlide) {
        key = hn::Add(key, hn::ShiftLeftSame(hn::Sub(LoadColumnSums(d, pIn), LoadColumnSums(d, pOut)), nShift));
        hn::StoreU(key, d, pKey);
    }
    return key;
}

// The keys of the group slid one column on (with kSlide): for each row, its
// column sums at the entering and leaving columns nIn and nOut. The padding
// vectors mask the lanes past the candidates in the last whole vector (when
// no half follows) and in the half vector of each row.
template <bool kSlide>
HWY_INLINE SKeyedMinimum SlideKeys(const SRowSums& rows, const SGroup& group, int nShift, std::uint32_t* pKeys,
                                   const std::uint16_t* pIn, const std::uint16_t* pOut, std::ptrdiff_t nLanes,
                                   hn::Vec<DU32> padding, hn::Vec<DU32Half> paddingHalf)
{
    const DU32 d;
    const DU32Half dh;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    const hn::Vec<DU32> flip = hn::Set(d, (1u << nShift) - 1);
    hn::Vec<DU32> first = hn::Set(d, UINT32_MAX);
    hn::Vec<DU32> last = first;
    hn::Vec<DU32Half> firstHalf = hn::Set(dh, UINT32_MAX);
    hn::Vec<DU32Half> lastHalf = firstHalf;
    for (int nRow = 0; nRow < group.nRows; ++nRow) {
        std::uint32_t* pRowKeys = pKeys + nRow * nLanes;
        const std::ptrdiff_t nColumns = nRow * group.nColumnStride;
        for (std::ptrdiff_t k = 0; k < rows.nWhole; k += nStep) {
            hn::Vec<DU32> key = SlideKey<kSlide>(d, nShift, pRowKeys + k, pIn + nColumns + k, pOut + nColumns + k);
            if (k + nStep == rows.nWhole)
                key = hn::Or(key, padding);
            first = hn::Min(first, key);
            last = hn::Min(last, hn::Xor(key, flip));
        }
        if (kHalves && rows.bHalf) {
            const std::ptrdiff_t k = rows.nWhole;
            const hn::Vec<DU32Half> key = hn::Or(
                SlideKey<kSlide>(dh, nShift, pRowKeys + k, pIn + nColumns + k, pOut + nColumns + k), paddingHalf);
            firstHalf = hn::Min(firstHalf, key);
            lastHalf = hn::Min(lastHalf, hn::Xor(key, hn::Set(dh, (1u << nShift) - 1)));
        }
    }
    return {hn::Min(MinOfHalves(d, first), firstHalf), hn::Min(MinOfHalves(d, last), lastHalf)};
}

// Hands the group's smallest key on when its sum can change the best
// candidate. Keys below the threshold have sums not above the best one, and
// a flipped key below the flipped smallest key is a later candidate with its sum.
HWY_INLINE void OfferKeyedMinimum(const SStripeTask& task, const SGroup& group, int nShift, const std::uint32_t* pKeys,
                                  const SKeyedMinimum& minimum, int x, int y, SPixelBest& best)
{
    const DU32Half d;
    const std::uint32_t nMask = (1u << nShift) - 1;
    // T <= 765·S² < 2^(32 − shift), and 765·S² is even, so (T + 1)·2^shift fits.
    const std::uint32_t nThreshold
        = best.nSum == INT32_MAX ? UINT32_MAX : (static_cast<std::uint32_t>(best.nSum) + 1) << nShift;
    if (hn::AllFalse(d, hn::Gt(hn::Set(d, nThreshold), minimum.first)))
        return;
    const std::uint32_t nKey = hn::GetLane(hn::MinOfLanes(d, minimum.first));
    const bool bTied = !hn::AllFalse(d, hn::Gt(hn::Set(d, nKey ^ nMask), minimum.last));
    OfferMinimum(task, group, pKeys, nShift, static_cast<std::int32_t>(nKey >> nShift), nKey & nMask, bTied, x, y,
                 best);
}

// The keys of the first position of a row: S column sums and the index.
template <class D>
HWY_INLINE void StartKey(D d, const SSearchGeometry& g, int nShift, const std::uint16_t* pColumns, std::ptrdiff_t k,
                         std::uint32_t nIndex, std::uint32_t* pKey)
{
    hn::Vec<D> sum = hn::Zero(d);
    for (int nColumn = 0; nColumn < g.nFragment; ++nColumn)
        sum = hn::Add(sum, LoadColumnSums(d, pColumns + static_cast<std::ptrdiff_t>(nColumn) * g.nLanes + k));
    hn::StoreU(hn::Add(hn::ShiftLeftSame(sum, nShift), hn::Iota(d, nIndex)), d, pKey);
}

void SelectRow(const SStripeTask& task, const SGroup& group, const std::uint16_t* pColumns, int y)
{
    const SSearchGeometry& g = task.pPlanes->Geometry();
    const DU32 d;
    const DU32Half dh;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    const SRowSums rows = RowSums(g);
    const int nCandidates = 2 * g.nMaxDx + 1;
    const int nShift = FastSearchKeyShift(g.nFragment);
    std::uint32_t* pKeys = reinterpret_cast<std::uint32_t*>(task.scratch.pSums);
    const hn::Vec<DU32> padding
        = rows.bHalf ? hn::Zero(d) : Padding(d, rows.nWhole - nStep, nCandidates, std::uint32_t{UINT32_MAX});
    const hn::Vec<DU32Half> paddingHalf = Padding(dh, rows.nWhole, nCandidates, std::uint32_t{UINT32_MAX});
    for (int nRow = 0; nRow < group.nRows; ++nRow) {
        const std::uint16_t* pRowColumns = pColumns + nRow * group.nColumnStride;
        const std::ptrdiff_t nRowFirst = static_cast<std::ptrdiff_t>(nRow) * g.nLanes;
        for (std::ptrdiff_t k = 0; k < rows.nWhole; k += nStep)
            StartKey(d, g, nShift, pRowColumns, k, static_cast<std::uint32_t>(nRowFirst + k), pKeys + nRowFirst + k);
        if (kHalves && rows.bHalf)
            StartKey(dh, g, nShift, pRowColumns, rows.nWhole, static_cast<std::uint32_t>(nRowFirst + rows.nWhole),
                     pKeys + nRowFirst + rows.nWhole);
    }
    SPixelBest* pBest = task.scratch.pBest + static_cast<std::ptrdiff_t>(y - task.nFirstRow) * g.nWidth;
    OfferKeyedMinimum(task, group, nShift, pKeys,
                      SlideKeys<false>(rows, group, nShift, pKeys, pColumns, pColumns, g.nLanes, padding, paddingHalf),
                      0, y, pBest[0]);
    for (int x = 1; x < g.nWidth; ++x) {
        const std::uint16_t* pIn = pColumns + static_cast<std::ptrdiff_t>(x + g.nFragment - 1) * g.nLanes;
        const std::uint16_t* pOut = pColumns + static_cast<std::ptrdiff_t>(x - 1) * g.nLanes;
        OfferKeyedMinimum(task, group, nShift, pKeys,
                          SlideKeys<true>(rows, group, nShift, pKeys, pIn, pOut, g.nLanes, padding, paddingHalf), x, y,
                          pBest[x]);
    }
}

// With 32-bit column sums (S >= 86) the sums themselves are compared, and
// the lanes of the minimum are found in a second pass.
template <bool kSlide, class D>
HWY_INLINE hn::Vec<D> SlideSum(D d, std::int32_t* pSum, const std::int32_t* pIn, const std::int32_t* pOut)
{
    hn::Vec<D> sum = hn::LoadU(d, pSum);
    if constexpr (kSlide) {
        sum = hn::Add(sum, hn::Sub(hn::LoadU(d, pIn), hn::LoadU(d, pOut)));
        hn::StoreU(sum, d, pSum);
    }
    return sum;
}

template <bool kSlide>
HWY_INLINE std::int32_t SlideSums(const SRowSums& rows, std::int32_t* pSums, const std::int32_t* pIn,
                                  const std::int32_t* pOut, hn::Vec<D32> padding, hn::Vec<D32Half> paddingHalf)
{
    const D32 d;
    const D32Half dh;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    hn::Vec<D32> minimum = hn::Set(d, INT32_MAX);
    for (std::ptrdiff_t k = 0; k < rows.nWhole; k += nStep) {
        const hn::Vec<D32> sum = SlideSum<kSlide>(d, pSums + k, pIn + k, pOut + k);
        minimum = hn::Min(minimum, k + nStep == rows.nWhole ? hn::Max(sum, padding) : sum);
    }
    hn::Vec<D32Half> half = MinOfHalves(d, minimum);
    if (kHalves && rows.bHalf) {
        const std::ptrdiff_t k = rows.nWhole;
        half = hn::Min(half, hn::Max(SlideSum<kSlide>(dh, pSums + k, pIn + k, pOut + k), paddingHalf));
    }
    return hn::GetLane(hn::MinOfLanes(dh, half));
}

void SelectRow(const SStripeTask& task, const SGroup& group, const std::int32_t* pColumns, int y)
{
    const SSearchGeometry& g = task.pPlanes->Geometry();
    const D32 d;
    const D32Half dh;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    const SRowSums rows = RowSums(g);
    const int nCandidates = 2 * g.nMaxDx + 1;
    std::int32_t* pSums = task.scratch.pSums;
    const hn::Vec<D32> padding = rows.bHalf ? hn::Zero(d) : Padding(d, rows.nWhole - nStep, nCandidates, INT32_MAX);
    const hn::Vec<D32Half> paddingHalf = Padding(dh, rows.nWhole, nCandidates, INT32_MAX);
    for (std::ptrdiff_t k = 0; k < g.nLanes; ++k) {
        std::int32_t nSum = 0;
        for (int nColumn = 0; nColumn < g.nFragment; ++nColumn)
            nSum += pColumns[static_cast<std::ptrdiff_t>(nColumn) * g.nLanes + k];
        pSums[k] = nSum;
    }
    SPixelBest* pBest = task.scratch.pBest + static_cast<std::ptrdiff_t>(y - task.nFirstRow) * g.nWidth;
    for (int x = 0; x < g.nWidth; ++x) {
        const std::int32_t nSum = x == 0
            ? SlideSums<false>(rows, pSums, pColumns, pColumns, padding, paddingHalf)
            : SlideSums<true>(rows, pSums, pColumns + static_cast<std::ptrdiff_t>(x + g.nFragment - 1) * g.nLanes,
                              pColumns + static_cast<std::ptrdiff_t>(x - 1) * g.nLanes, padding, paddingHalf);
        if (nSum > pBest[x].nSum)
            continue;
        std::ptrdiff_t nFirst = 0;
        while (pSums[nFirst] != nSum)
            ++nFirst;
        bool bTied = false;
        for (std::ptrdiff_t nLane = nFirst + 1; nLane < nCandidates && !bTied; ++nLane)
            bTied = pSums[nLane] == nSum;
        OfferMinimum(task, group, pSums, 0, nSum, nFirst, bTied, x, y, pBest[x]);
    }
}

// Column sums of a group of candidate rows at the start of a stripe: S rows of costs.
template <typename TColumn> void StartColumns(const SStripeTask& task, const SGroup& group, TColumn* pColumns)
{
    const SSearchGeometry& g = task.pPlanes->Geometry();
    std::fill_n(pColumns, static_cast<std::size_t>(group.nRows * group.nColumnStride), TColumn{0});
    for (int nRow = 0; nRow < group.nRows; ++nRow)
        for (int v = task.nFirstRow - g.nHalf; v < task.nFirstRow + g.nHalf; ++v)
            UpdateColumns<TColumn, false>(*task.pPlanes, pColumns + nRow * group.nColumnStride, v, v, group.dy0 + nRow);
}

template <typename TColumn> bool SearchStripeRows(const SStripeTask& task)
{
    const SSearchGeometry& g = task.pPlanes->Geometry();
    TColumn* pColumns = reinterpret_cast<TColumn*>(task.scratch.pColumnSums);
    std::fill_n(task.scratch.pBest, static_cast<std::size_t>(task.nEndRow - task.nFirstRow) * g.nWidth, SPixelBest{});
    for (int dy0 = -g.nMaxDy; dy0 <= g.nMaxDy; dy0 += g.nRowsTogether) {
        const SGroup group{dy0, std::min(g.nRowsTogether, g.nMaxDy - dy0 + 1),
                           static_cast<std::ptrdiff_t>(g.nWidth + g.nFragment - 1) * g.nLanes};
        StartColumns(task, group, pColumns);
        const bool bLastGroup = dy0 + group.nRows > g.nMaxDy;
        for (int y = task.nFirstRow; y < task.nEndRow; ++y) {
            if (task.pStop->load(std::memory_order_relaxed))
                return false;
            for (int nRow = 0; nRow < group.nRows && y > task.nFirstRow; ++nRow)
                UpdateColumns<TColumn, true>(*task.pPlanes, pColumns + nRow * group.nColumnStride, y + g.nHalf - 1,
                                             y - g.nHalf - 1, dy0 + nRow);
            SelectRow(task, group, pColumns, y);
            if (bLastGroup)
                task.pFinishRow(task.pFinishContext, y,
                                task.scratch.pBest + static_cast<std::ptrdiff_t>(y - task.nFirstRow) * g.nWidth);
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

void SplitPixelsImpl(const std::uint8_t* pPixels, std::size_t nPixels, std::uint8_t* pBlue, std::uint8_t* pGreen,
                     std::uint8_t* pRed)
{
    const hn::ScalableTag<std::uint8_t> d;
    const std::size_t nStep = hn::Lanes(d);
    std::size_t x = 0;
    for (; x + nStep <= nPixels; x += nStep) {
        hn::Vec<decltype(d)> blue, green, red;
        hn::LoadInterleaved3(d, pPixels + 3 * x, blue, green, red);
        hn::StoreU(blue, d, pBlue + x);
        hn::StoreU(green, d, pGreen + x);
        hn::StoreU(red, d, pRed + x);
    }
    for (; x < nPixels; ++x) {
        pBlue[x] = pPixels[3 * x];
        pGreen[x] = pPixels[3 * x + 1];
        pRed[x] = pPixels[3 * x + 2];
    }
}

// Rows of candidates are rounded up to half a vector of window sums.
int LanesImpl()
{
    return std::max(1, static_cast<int>(hn::Lanes(D32())) / 2);
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
HWY_EXPORT(SplitPixelsImpl);
HWY_EXPORT(TargetNameImpl);

// The portable code is the build's baseline target; without -m options on
// x86-64 that is Highway's emulated 128-bit vectors in plain C++.
bool SearchStripe(const SStripeTask& task, bool bScalar)
{
    return bScalar ? HWY_STATIC_DISPATCH(SearchStripeImpl)(task) : HWY_DYNAMIC_DISPATCH(SearchStripeImpl)(task);
}

int Lanes(bool bScalar)
{
    return bScalar ? HWY_STATIC_DISPATCH(LanesImpl)() : HWY_DYNAMIC_DISPATCH(LanesImpl)();
}

const char* TargetName(bool bScalar)
{
    return bScalar ? HWY_STATIC_DISPATCH(TargetNameImpl)() : HWY_DYNAMIC_DISPATCH(TargetNameImpl)();
}

} // namespace fast_search_hwy

void SplitPixels(const std::uint8_t* pPixels, std::size_t nPixels, std::uint8_t* pBlue, std::uint8_t* pGreen,
                 std::uint8_t* pRed)
{
    using namespace fast_search_hwy;
    HWY_DYNAMIC_DISPATCH(SplitPixelsImpl)(pPixels, nPixels, pBlue, pGreen, pRed);
}

int FastSearchColumnSumBytes(int nFragment)
{
    return 765 * nFragment <= 65535 ? 2 : 4;
}

int FastSearchKeyShift(int nFragment)
{
    return 32 - std::bit_width(static_cast<std::uint32_t>(765 * nFragment * nFragment));
}

int FastSearchRowsTogether(const SSearchGeometry& g)
{
    if (FastSearchColumnSumBytes(g.nFragment) != 2)
        return 1;
    constexpr std::int64_t kColumnSumBytes = 512 * 1024;
    const std::int64_t nRowBytes = std::int64_t{g.nWidth + g.nFragment - 1} * g.nLanes * 2;
    const std::int64_t nByKeys = (std::int64_t{1} << FastSearchKeyShift(g.nFragment)) / g.nLanes;
    return static_cast<int>(
        std::max<std::int64_t>(1, std::min({std::int64_t{2 * g.nMaxDy + 1}, nByKeys, kColumnSumBytes / nRowBytes})));
}

int FastSearchLanes(bool bScalar)
{
    return fast_search_hwy::Lanes(bScalar);
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
