// Vector code of the fast search: window sums sliding along a row and the choice of each pixel's smallest.
// Included once per instruction set by fast_search_hwy.cpp.
#if defined(TESSALY_ENGINE_SUM_SELECTION_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef TESSALY_ENGINE_SUM_SELECTION_INL_H_
#undef TESSALY_ENGINE_SUM_SELECTION_INL_H_
#else
#define TESSALY_ENGINE_SUM_SELECTION_INL_H_
#endif

#include <hwy/highway.h>

#include "engine/search/column_sums_inl.h"
#include "engine/search/exact_choice.h"
#include "engine/search/fast_search_kernel.h"
#include "engine/search/parallax_search.h"

#include <climits>
#include <cstddef>
#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace fast_search_hwy {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

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
// Rows are nLanes wide, a whole number of half vectors; lanes past 2·HP
// are padding. Flat areas tie hundreds of candidates at every position, so
// the lanes are compared a half vector at a time. Near the top and bottom
// whole rows of candidates read only the black border: all their
// candidates have the same terms in the same order, so the same literal
// score, and the first of them wins against all the others. Only that one
// is offered.
template <typename TSum>
void OfferEqualLanes(const SStripeTask& task, const SGroup& group, const TSum* pSums, int nShift, std::int32_t nSum,
                     std::ptrdiff_t nFirst, int x, int y, SPixelBest& best)
{
    const DU32Half d;
    const hn::RebindToSigned<DU32Half> di;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    const SSearchGeometry& g = task.planes.Geometry();
    STieScratch& ties = task.ties;
    const hn::Vec<DU32Half> sum = hn::Set(d, static_cast<std::uint32_t>(nSum));
    const auto candidates = hn::Set(di, 2 * g.nMaxDx + 1);
    const auto beforeFirst = hn::Set(di, static_cast<std::int32_t>(nFirst) - 1);
    std::size_t n = 0;
    bool bBorderOffered = false;
    for (int nRow = static_cast<int>(nFirst / g.nLanes); nRow < group.nRows; ++nRow) {
        const int dy = group.dy0 + nRow;
        const bool bBorderRow = y + dy + g.nHalf - 1 < 0 || y + dy - g.nHalf >= g.nHeight;
        if (bBorderRow && bBorderOffered)
            continue;
        const std::ptrdiff_t nRowFirst = static_cast<std::ptrdiff_t>(nRow) * g.nLanes;
        for (std::ptrdiff_t k = 0; k < g.nLanes; k += nStep) {
            const hn::Vec<DU32Half> keys = hn::LoadU(d, reinterpret_cast<const std::uint32_t*>(pSums + nRowFirst + k));
            const auto lanes = hn::Iota(di, static_cast<std::int32_t>(k));
            const auto index = hn::Add(lanes, hn::Set(di, static_cast<std::int32_t>(nRowFirst)));
            const auto wanted = hn::And(hn::Lt(lanes, candidates), hn::Gt(index, beforeFirst));
            const auto equal = hn::And(hn::Eq(hn::ShiftRightSame(keys, nShift), sum), hn::RebindMask(d, wanted));
            if (hn::AllFalse(d, equal))
                continue;
            std::uint8_t bits[8] = {};
            hn::StoreMaskBits(d, equal, bits);
            for (std::ptrdiff_t nLane = 0; nLane < nStep && !(bBorderRow && bBorderOffered); ++nLane)
                if ((bits[nLane / 8] >> (nLane % 8)) & 1) {
                    ++n;
                    ties.dxs[n] = static_cast<int>(k + nLane) - g.nMaxDx;
                    ties.dys[n] = dy;
                    bBorderOffered = bBorderRow;
                }
            if (bBorderOffered && bBorderRow)
                break;
        }
    }
    task.scorer.OfferTies(best, nSum, x, y, n, ties);
}

// Takes the group's minimum nSum, first reached at index nFirst (bTied when
// another candidate reaches it too), into the best candidate of the pixel.
template <typename TSum>
HWY_INLINE void OfferMinimum(const SStripeTask& task, const SGroup& group, const TSum* pSums, int nShift,
                             std::int32_t nSum, std::ptrdiff_t nFirst, bool bTied, int x, int y, SPixelBest& best)
{
    // A larger sum never wins. A zero sum has every term 0, so its literal
    // score is exactly 0.0 and the first candidate with it wins, unscored.
    if (nSum > best.nSum || (nSum == best.nSum && nSum == 0))
        return;
    if (nSum < best.nSum && (!bTied || nSum == 0)) {
        const SSearchGeometry& g = task.planes.Geometry();
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
// column sums at the entering and leaving columns pIn and pOut. The padding
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

// Chooses the best candidates of positions xBegin to xEnd − 1 of row y; the
// keys of position xBegin − 1 are those the last call left.
void SelectRow(const SStripeTask& task, const SGroup& group, const std::uint16_t* HWY_RESTRICT pColumns, int y,
               SPixelBest* HWY_RESTRICT pBest, int xBegin, int xEnd)
{
    const SSearchGeometry& g = task.planes.Geometry();
    const DU32 d;
    const DU32Half dh;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    const SRowSums rows = RowSums(g);
    const int nCandidates = 2 * g.nMaxDx + 1;
    const int nShift = FastSearchKeyShift(g.nFragment);
    std::uint32_t* HWY_RESTRICT pKeys = task.scratch.keys.data();
    const hn::Vec<DU32> padding
        = rows.bHalf ? hn::Zero(d) : Padding(d, rows.nWhole - nStep, nCandidates, std::uint32_t{UINT32_MAX});
    const hn::Vec<DU32Half> paddingHalf = Padding(dh, rows.nWhole, nCandidates, std::uint32_t{UINT32_MAX});
    if (xBegin == 0) {
        for (int nRow = 0; nRow < group.nRows; ++nRow) {
            const std::uint16_t* pRowColumns = pColumns + nRow * group.nColumnStride;
            const std::ptrdiff_t nRowFirst = static_cast<std::ptrdiff_t>(nRow) * g.nLanes;
            for (std::ptrdiff_t k = 0; k < rows.nWhole; k += nStep)
                StartKey(d, g, nShift, pRowColumns, k, static_cast<std::uint32_t>(nRowFirst + k),
                         pKeys + nRowFirst + k);
            if (kHalves && rows.bHalf)
                StartKey(dh, g, nShift, pRowColumns, rows.nWhole, static_cast<std::uint32_t>(nRowFirst + rows.nWhole),
                         pKeys + nRowFirst + rows.nWhole);
        }
        OfferKeyedMinimum(
            task, group, nShift, pKeys,
            SlideKeys<false>(rows, group, nShift, pKeys, pColumns, pColumns, g.nLanes, padding, paddingHalf), 0, y,
            pBest[0]);
    }
    for (int x = std::max(xBegin, 1); x < xEnd; ++x) {
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

void SelectRow(const SStripeTask& task, const SGroup& group, const std::int32_t* HWY_RESTRICT pColumns, int y,
               SPixelBest* HWY_RESTRICT pBest, int xBegin, int xEnd)
{
    const SSearchGeometry& g = task.planes.Geometry();
    const D32 d;
    const D32Half dh;
    const std::ptrdiff_t nStep = static_cast<std::ptrdiff_t>(hn::Lanes(d));
    const SRowSums rows = RowSums(g);
    const int nCandidates = 2 * g.nMaxDx + 1;
    std::int32_t* HWY_RESTRICT pSums = task.scratch.sums.data();
    const hn::Vec<D32> padding = rows.bHalf ? hn::Zero(d) : Padding(d, rows.nWhole - nStep, nCandidates, INT32_MAX);
    const hn::Vec<D32Half> paddingHalf = Padding(dh, rows.nWhole, nCandidates, INT32_MAX);
    for (std::ptrdiff_t k = 0; k < g.nLanes && xBegin == 0; ++k) {
        std::int32_t nSum = 0;
        for (int nColumn = 0; nColumn < g.nFragment; ++nColumn)
            nSum += pColumns[static_cast<std::ptrdiff_t>(nColumn) * g.nLanes + k];
        pSums[k] = nSum;
    }
    for (int x = xBegin; x < xEnd; ++x) {
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

} // namespace HWY_NAMESPACE
} // namespace fast_search_hwy
HWY_AFTER_NAMESPACE();

#endif // TESSALY_ENGINE_SUM_SELECTION_INL_H_
