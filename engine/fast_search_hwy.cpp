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

// One vector of column sums: adds the costs of the entering row and, with
// kSlide, takes off those of the leaving one.
template <bool kSlide, class DC, class DI>
HWY_INLINE void UpdateBlock(DC dc, DI di, hn::TFromD<DC>* pColumn, std::ptrdiff_t n, const SRowPointers& in,
                            const SRowPointers& out, int u)
{
    using TI = hn::TFromD<DI>;
    const SMainPixel<DI> mainIn{hn::Set(di, static_cast<TI>(in.pMain[0][u])),
                                hn::Set(di, static_cast<TI>(in.pMain[1][u])),
                                hn::Set(di, static_cast<TI>(in.pMain[2][u]))};
    hn::Vec<DC> sum = hn::Add(hn::LoadU(dc, pColumn + n), hn::BitCast(dc, Cost(di, in.pOther, u + n, mainIn)));
    if constexpr (kSlide) {
        const SMainPixel<DI> mainOut{hn::Set(di, static_cast<TI>(out.pMain[0][u])),
                                     hn::Set(di, static_cast<TI>(out.pMain[1][u])),
                                     hn::Set(di, static_cast<TI>(out.pMain[2][u]))};
        sum = hn::Sub(sum, hn::BitCast(dc, Cost(di, out.pOther, u + n, mainOut)));
    }
    hn::StoreU(sum, dc, pColumn + n);
}

// Adds the costs of row vIn to every column sum, and with kSlide takes off
// those of row vOut. The lanes are whole vectors of column sums and at most
// one half vector.
template <typename TColumn, bool kSlide>
void UpdateColumns(const CSearchPlanes& planes, TColumn* pColumns, int vIn, int vOut, int dy)
{
    using DC = typename SLanes<TColumn>::DC;
    using DI = typename SLanes<TColumn>::DI;
    const DC dc;
    const DI di;
    const hn::Half<DC> dcHalf;
    const hn::Half<DI> diHalf;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(dc));
    const SSearchGeometry& g = planes.Geometry();
    const std::ptrdiff_t nWhole = g.nLanes / nStep * nStep;
    const bool bHalf = nWhole < g.nLanes;
    const SRowPointers in = RowPointers(planes, vIn, dy);
    const SRowPointers out = RowPointers(planes, kSlide ? vOut : vIn, dy);
    const int nColumns = g.nWidth + g.nFragment - 1;
    for (int nColumn = 0; nColumn < nColumns; ++nColumn) {
        const int u = nColumn - g.nHalf;
        TColumn* pColumn = pColumns + static_cast<std::ptrdiff_t>(nColumn) * g.nLanes;
        for (std::ptrdiff_t n = 0; n < nWhole; n += nStep)
            UpdateBlock<kSlide>(dc, di, pColumn, n, in, out, u);
        if (bHalf)
            UpdateBlock<kSlide>(dcHalf, diHalf, pColumn, nWhole, in, out, u);
    }
}

template <typename TColumn, class D>
HWY_INLINE hn::Vec<D> LoadColumnSums(D d, const TColumn* p)
{
    if constexpr (sizeof(TColumn) == 2) {
        const hn::Rebind<std::uint16_t, D> d16;
        return hn::BitCast(d, hn::PromoteTo(hn::RebindToUnsigned<D>(), hn::LoadU(d16, p)));
    } else {
        return hn::LoadU(d, p);
    }
}

// The vectors of window sums that hold the 2·HP + 1 candidates of a row.
struct SRowSums {
    std::ptrdiff_t nBlocks;
    std::ptrdiff_t nLast; // first lane of the last vector
};

SRowSums RowSums(const SSearchGeometry& g)
{
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(D32()));
    const std::ptrdiff_t nBlocks = (2 * g.nMaxDx + 1 + nStep - 1) / nStep;
    return {nBlocks, (nBlocks - 1) * nStep};
}

// Hands the candidates of row dy whose window sum is nSum, from lane nFirst
// on, to the choice rules. nShift drops the lane bits of keyed sums.
template <typename TSum>
void OfferEqualLanes(const SStripeTask& task, const TSum* pSums, int nShift, std::int32_t nSum, std::ptrdiff_t nFirst,
                     int x, int y, int dy, SPixelBest& best)
{
    const int nMaxDx = task.pPlanes->Geometry().nMaxDx;
    int dxs[2 * kMaxParallax + 1];
    int n = 0;
    for (std::ptrdiff_t nLane = nFirst; nLane <= 2 * nMaxDx; ++nLane)
        if (static_cast<std::int32_t>(pSums[nLane] >> nShift) == nSum)
            dxs[n++] = static_cast<int>(nLane) - nMaxDx;
    task.pScorer->OfferTies(best, nSum, x, y, dy, std::span<const int>(dxs, n));
}

// Takes the row's minimum nSum, first reached at lane nFirst (bTied when
// another lane reaches it too), into the best candidate of the pixel.
template <typename TSum>
HWY_INLINE void OfferMinimum(const SStripeTask& task, const TSum* pSums, int nShift, std::int32_t nSum,
                             std::ptrdiff_t nFirst, bool bTied, int x, int y, int dy, SPixelBest& best)
{
    // A larger sum never wins; an equal zero sum scores 0.0 like the earlier one.
    if (nSum > best.nSum || (nSum == best.nSum && nSum == 0))
        return;
    if (nSum < best.nSum && (!bTied || nSum == 0)) {
        best = SPixelBest{nSum, static_cast<std::int16_t>(nFirst - task.pPlanes->Geometry().nMaxDx),
                          static_cast<std::int16_t>(dy), nSum == 0 ? 0.0 : -1.0};
        return;
    }
    OfferEqualLanes(task, pSums, nShift, nSum, nFirst, x, y, dy, best);
}

// With 16-bit column sums (S <= 84) a window sum T < 2^23 is kept as the
// key T·512 + lane: the smallest key names the smallest sum and its first
// lane, and the smallest key with its lane bits flipped its last lane.
constexpr int kLaneBits = 9;
using DU32 = hn::ScalableTag<std::uint32_t>;

// Per lane position, the smallest key and the smallest key with flipped
// lane bits over the vectors of a row.
struct SKeyedMinimum {
    hn::Vec<DU32> first;
    hn::Vec<DU32> last;
};

template <bool kSlide>
HWY_INLINE SKeyedMinimum SlideKeys(const SRowSums& rows, std::uint32_t* pKeys, const std::uint16_t* pIn,
                                   const std::uint16_t* pOut, hn::Vec<DU32> padding)
{
    const DU32 d;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    const hn::Vec<DU32> flip = hn::Set(d, (1u << kLaneBits) - 1);
    SKeyedMinimum minimum{hn::Set(d, UINT32_MAX), hn::Set(d, UINT32_MAX)};
    for (std::ptrdiff_t k = 0; k <= rows.nLast; k += nStep) {
        hn::Vec<DU32> key = hn::LoadU(d, pKeys + k);
        if constexpr (kSlide) {
            const hn::Vec<DU32> change = hn::Sub(LoadColumnSums(d, pIn + k), LoadColumnSums(d, pOut + k));
            key = hn::Add(key, hn::ShiftLeft<kLaneBits>(change));
            hn::StoreU(key, d, pKeys + k);
        }
        if (k == rows.nLast)
            key = hn::Or(key, padding);
        minimum.first = hn::Min(minimum.first, key);
        minimum.last = hn::Min(minimum.last, hn::Xor(key, flip));
    }
    return minimum;
}

// Hands the row's smallest key on when its sum can change the best
// candidate. Keys below the threshold have sums not above the best one, and
// a flipped key below the flipped smallest key is a later lane with its sum.
HWY_INLINE void OfferKeyedMinimum(const SStripeTask& task, const std::uint32_t* pKeys, const SKeyedMinimum& minimum,
                                  int x, int y, int dy, SPixelBest& best)
{
    const DU32 d;
    const std::uint32_t nThreshold =
        best.nSum == INT32_MAX ? UINT32_MAX : (static_cast<std::uint32_t>(best.nSum) + 1) << kLaneBits;
    if (hn::AllFalse(d, hn::Gt(hn::Set(d, nThreshold), minimum.first)))
        return;
    const std::uint32_t nKey = hn::GetLane(hn::MinOfLanes(d, minimum.first));
    const std::uint32_t nFlipped = nKey ^ ((1u << kLaneBits) - 1);
    const bool bTied = !hn::AllFalse(d, hn::Gt(hn::Set(d, nFlipped), minimum.last));
    OfferMinimum(task, pKeys, kLaneBits, static_cast<std::int32_t>(nKey >> kLaneBits),
                 nKey & ((1u << kLaneBits) - 1), bTied, x, y, dy, best);
}

void SelectKeyedRow(const SStripeTask& task, const std::uint16_t* pColumns, int y, int dy)
{
    const SSearchGeometry& g = task.pPlanes->Geometry();
    const DU32 d;
    const hn::RebindToSigned<DU32> di;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    const SRowSums rows = RowSums(g);
    std::uint32_t* pKeys = reinterpret_cast<std::uint32_t*>(task.scratch.pSums);
    const hn::Vec<DU32> padding = hn::BitCast(
        d, hn::VecFromMask(di, hn::Gt(hn::Iota(di, static_cast<std::int32_t>(rows.nLast)), hn::Set(di, 2 * g.nMaxDx))));
    for (std::ptrdiff_t k = 0; k <= rows.nLast; k += nStep) {
        hn::Vec<DU32> sum = hn::Zero(d);
        for (int nColumn = 0; nColumn < g.nFragment; ++nColumn)
            sum = hn::Add(sum, LoadColumnSums(d, pColumns + static_cast<std::ptrdiff_t>(nColumn) * g.nLanes + k));
        hn::StoreU(hn::Add(hn::ShiftLeft<kLaneBits>(sum), hn::Iota(d, static_cast<std::uint32_t>(k))), d, pKeys + k);
    }
    SPixelBest* pBest = task.scratch.pBest + static_cast<std::ptrdiff_t>(y - task.nFirstRow) * g.nWidth;
    OfferKeyedMinimum(task, pKeys, SlideKeys<false>(rows, pKeys, pColumns, pColumns, padding), 0, y, dy, pBest[0]);
    for (int x = 1; x < g.nWidth; ++x) {
        const std::uint16_t* pIn = pColumns + static_cast<std::ptrdiff_t>(x + g.nFragment - 1) * g.nLanes;
        const std::uint16_t* pOut = pColumns + static_cast<std::ptrdiff_t>(x - 1) * g.nLanes;
        OfferKeyedMinimum(task, pKeys, SlideKeys<true>(rows, pKeys, pIn, pOut, padding), x, y, dy, pBest[x]);
    }
}

// With 32-bit column sums (S >= 86) the sums themselves are compared, and
// the lanes of the minimum are found in a second pass.
template <bool kSlide>
HWY_INLINE std::int32_t SlideSums(const SRowSums& rows, std::int32_t* pSums, const std::int32_t* pIn,
                                  const std::int32_t* pOut, hn::Vec<D32> padding)
{
    const D32 d;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    hn::Vec<D32> minimum = hn::Set(d, INT32_MAX);
    for (std::ptrdiff_t k = 0; k <= rows.nLast; k += nStep) {
        hn::Vec<D32> sum = hn::LoadU(d, pSums + k);
        if constexpr (kSlide) {
            sum = hn::Add(sum, hn::Sub(hn::LoadU(d, pIn + k), hn::LoadU(d, pOut + k)));
            hn::StoreU(sum, d, pSums + k);
        }
        minimum = hn::Min(minimum, k == rows.nLast ? hn::Max(sum, padding) : sum);
    }
    return hn::GetLane(hn::MinOfLanes(d, minimum));
}

std::ptrdiff_t FirstLane(const SRowSums& rows, const std::int32_t* pSums, std::int32_t nSum, hn::Vec<D32> padding,
                         bool& bTied)
{
    const D32 d;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    std::ptrdiff_t nFirst = -1;
    std::size_t nCount = 0;
    for (std::ptrdiff_t k = 0; k <= rows.nLast; k += nStep) {
        const auto equal = hn::Eq(hn::Max(hn::LoadU(d, pSums + k), padding), hn::Set(d, nSum));
        const std::size_t n = hn::CountTrue(d, equal);
        if (n != 0 && nFirst < 0)
            nFirst = k + hn::FindFirstTrue(d, equal);
        nCount += n;
    }
    bTied = nCount > 1;
    return nFirst;
}

void SelectSummedRow(const SStripeTask& task, const std::int32_t* pColumns, int y, int dy)
{
    const SSearchGeometry& g = task.pPlanes->Geometry();
    const D32 d;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    const SRowSums rows = RowSums(g);
    std::int32_t* pSums = task.scratch.pSums;
    const hn::Vec<D32> padding = hn::IfThenElseZero(
        hn::Gt(hn::Iota(d, static_cast<std::int32_t>(rows.nLast)), hn::Set(d, 2 * g.nMaxDx)), hn::Set(d, INT32_MAX));
    for (std::ptrdiff_t k = 0; k <= rows.nLast; k += nStep) {
        hn::Vec<D32> sum = hn::Zero(d);
        for (int nColumn = 0; nColumn < g.nFragment; ++nColumn)
            sum = hn::Add(sum, hn::LoadU(d, pColumns + static_cast<std::ptrdiff_t>(nColumn) * g.nLanes + k));
        hn::StoreU(sum, d, pSums + k);
    }
    SPixelBest* pBest = task.scratch.pBest + static_cast<std::ptrdiff_t>(y - task.nFirstRow) * g.nWidth;
    for (int x = 0; x < g.nWidth; ++x) {
        const std::int32_t nSum =
            x == 0 ? SlideSums<false>(rows, pSums, pColumns, pColumns, padding)
                   : SlideSums<true>(rows, pSums, pColumns + static_cast<std::ptrdiff_t>(x + g.nFragment - 1) * g.nLanes,
                                     pColumns + static_cast<std::ptrdiff_t>(x - 1) * g.nLanes, padding);
        if (nSum > pBest[x].nSum)
            continue;
        bool bTied = false;
        const std::ptrdiff_t nFirst = FirstLane(rows, pSums, nSum, padding, bTied);
        OfferMinimum(task, pSums, 0, nSum, nFirst, bTied, x, y, dy, pBest[x]);
    }
}

template <typename TColumn>
void SelectRow(const SStripeTask& task, const TColumn* pColumns, int y, int dy)
{
    if constexpr (sizeof(TColumn) == 2)
        SelectKeyedRow(task, pColumns, y, dy);
    else
        SelectSummedRow(task, pColumns, y, dy);
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

int LanesImpl()
{
    return static_cast<int>(hn::Lanes(D32()));
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

int Lanes(bool bScalar)
{
    return bScalar ? HWY_STATIC_DISPATCH(LanesImpl)() : HWY_DYNAMIC_DISPATCH(LanesImpl)();
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
