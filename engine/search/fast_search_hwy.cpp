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
#define HWY_TARGET_INCLUDE "engine/search/fast_search_hwy.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "engine/search/column_sums_inl.h"
#include "engine/search/fast_search_kernel.h"
#include "engine/search/sum_selection_inl.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstddef>

HWY_BEFORE_NAMESPACE();
namespace fast_search_hwy {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <typename TColumn> std::span<TColumn> ColumnSums(const SStripeScratch& scratch)
{
    if constexpr (sizeof(TColumn) == 2)
        return scratch.columnSums16;
    else
        return scratch.columnSums32;
}

// Column sums of a group of candidate rows at the start of a stripe: S rows
// of costs. False when stopped.
template <typename TColumn>
bool StartColumns(const SStripeTask& task, const SGroup& group, TColumn* HWY_RESTRICT pColumns)
{
    const SSearchGeometry& g = task.planes.Geometry();
    std::fill_n(pColumns, static_cast<std::size_t>(group.nRows * group.nColumnStride), TColumn{0});
    for (int nRow = 0; nRow < group.nRows; ++nRow)
        for (int v = task.nFirstRow - g.nHalf; v < task.nFirstRow + g.nHalf; ++v) {
            if (!task.rows.Continue())
                return false;
            UpdateColumns<TColumn, false>(task.planes, pColumns + nRow * group.nColumnStride, v, v, group.dy0 + nRow, 0,
                                          g.nWidth + g.nFragment - 1);
        }
    return true;
}

// The best candidates of row y. When all rows of candidates are compared
// in one group, a row is finished as soon as it is searched, and one row of
// them is enough.
std::span<SPixelBest> RowBest(const SStripeTask& task, int y)
{
    const SSearchGeometry& g = task.planes.Geometry();
    const int nRow = OneGroup(g) ? 0 : y - task.nFirstRow;
    return task.scratch.best.subspan(static_cast<std::size_t>(nRow) * g.nWidth, g.nWidth);
}

// Columns slid down a row before the positions that read them are chosen:
// a block of them stays in the first-level cache from one to the other.
constexpr int kBlockColumns = 32;

// Slides the column sums of every candidate row of the group down to row y
// and chooses the best candidates of the row's positions, a block of
// columns at a time. Position x reads columns x − 1 and x + S − 1.
template <typename TColumn>
void SlideAndSelect(const SStripeTask& task, const SGroup& group, TColumn* HWY_RESTRICT pColumns, int y,
                    SPixelBest* HWY_RESTRICT pBest)
{
    const SSearchGeometry& g = task.planes.Geometry();
    const int nColumns = g.nWidth + g.nFragment - 1;
    int x = 0;
    for (int nFirst = 0; nFirst < nColumns; nFirst += kBlockColumns) {
        const int nEnd = std::min(nFirst + kBlockColumns, nColumns);
        for (int nRow = 0; nRow < group.nRows; ++nRow)
            UpdateColumns<TColumn, true>(task.planes, pColumns + nRow * group.nColumnStride, y + g.nHalf - 1,
                                         y - g.nHalf - 1, group.dy0 + nRow, nFirst, nEnd);
        const int xEnd = nEnd - g.nFragment + 1;
        if (xEnd > x)
            SelectRow(task, group, pColumns, y, pBest, x, xEnd);
        x = std::max(x, xEnd);
    }
}

// One pass of a group of candidate rows over the stripe. False when stopped.
template <typename TColumn> bool SearchGroup(const SStripeTask& task, const SGroup& group, bool bLastGroup)
{
    const SSearchGeometry& g = task.planes.Geometry();
    TColumn* HWY_RESTRICT pColumns = ColumnSums<TColumn>(task.scratch).data();
    if (!StartColumns(task, group, pColumns))
        return false;
    for (int y = task.nFirstRow; y < task.nEndRow; ++y) {
        if (!task.rows.Continue())
            return false;
        const std::span<SPixelBest> best = RowBest(task, y);
        if (OneGroup(g))
            std::fill(best.begin(), best.end(), SPixelBest{});
        if (y > task.nFirstRow)
            SlideAndSelect(task, group, pColumns, y, best.data());
        else
            SelectRow(task, group, pColumns, y, best.data(), 0, g.nWidth);
        if (bLastGroup)
            task.rows.FinishRow(y, best);
    }
    return true;
}

template <typename TColumn> bool SearchStripeRows(const SStripeTask& task)
{
    const SSearchGeometry& g = task.planes.Geometry();
    const int nBestRows = OneGroup(g) ? 1 : task.nEndRow - task.nFirstRow;
    std::fill_n(task.scratch.best.begin(), static_cast<std::size_t>(nBestRows) * g.nWidth, SPixelBest{});
    for (int dy0 = -g.nMaxDy; dy0 <= g.nMaxDy; dy0 += g.nRowsTogether) {
        const SGroup group{dy0, std::min(g.nRowsTogether, g.nMaxDy - dy0 + 1),
                           static_cast<std::ptrdiff_t>(g.nWidth + g.nFragment - 1) * g.nLanes};
        if (!SearchGroup<TColumn>(task, group, dy0 + group.nRows > g.nMaxDy))
            return false;
    }
    return true;
}

bool SearchStripeImpl(const SStripeTask& task)
{
    if (FastSearchColumnSumBytes(task.planes.Geometry().nFragment) == 2)
        return SearchStripeRows<std::uint16_t>(task);
    return SearchStripeRows<std::int32_t>(task);
}

// floor(T / (3·S²)) for T < 2^24: a single-precision quotient is within
// 2^-15 of the exact one, so at most one step off, which the integer check corrects.
HWY_INLINE hn::Vec<D32> Quotient(hn::Vec<D32> sum, std::int32_t nDivisor)
{
    const D32 d;
    const hn::Rebind<float, D32> df;
    const hn::Vec<D32> divisor = hn::Set(d, nDivisor);
    hn::Vec<D32> q
        = hn::ConvertTo(d, hn::Mul(hn::ConvertTo(df, sum), hn::Set(df, 1.0f / static_cast<float>(nDivisor))));
    const hn::Vec<D32> one = hn::Set(d, 1);
    q = hn::IfThenElse(hn::Gt(hn::Mul(q, divisor), sum), hn::Sub(q, one), q);
    return hn::IfThenElse(hn::Gt(hn::Mul(hn::Add(q, one), divisor), sum), q, hn::Add(q, one));
}

// The three bytes of a displacement pixel: −d when negative, d when not, and the third byte.
HWY_INLINE void StoreDisplacements(hn::Vec<D32> d32, hn::Vec<D32> third, std::uint8_t* p)
{
    const D32 d;
    const hn::Rebind<std::uint8_t, D32> d8;
    const hn::Vec<D32> zero = hn::Zero(d);
    hn::StoreInterleaved3(hn::DemoteTo(d8, hn::Max(hn::Neg(d32), zero)), hn::DemoteTo(d8, hn::Max(d32, zero)),
                          hn::DemoteTo(d8, third), d8, p);
}

void WriteRowImpl(const SPixelBest* HWY_RESTRICT pBest, int nWidth, int y, const CExactScorer& scorer,
                  std::uint8_t* HWY_RESTRICT pXd, std::uint8_t* HWY_RESTRICT pYd, SSearchRange& range)
{
    const D32 d;
    const int nStep = static_cast<int>(hn::Lanes(d));
    hn::Vec<D32> minDx = hn::Set(d, range.nMinDx), maxDx = hn::Set(d, range.nMaxDx);
    hn::Vec<D32> minDy = hn::Set(d, range.nMinDy), maxDy = hn::Set(d, range.nMaxDy);
    int x = 0;
    for (; x + nStep <= nWidth; x += nStep) {
        hn::Vec<D32> sum, place, low, high;
        hn::LoadInterleaved4(d, reinterpret_cast<const std::int32_t*>(pBest + x), sum, place, low, high);
        const hn::Vec<D32> dx = hn::ShiftRight<16>(hn::ShiftLeft<16>(place));
        const hn::Vec<D32> dy = hn::ShiftRight<16>(place);
        minDx = hn::Min(minDx, dx);
        maxDx = hn::Max(maxDx, dx);
        minDy = hn::Min(minDy, dy);
        maxDy = hn::Max(maxDy, dy);
        const hn::Vec<D32> quotient = Quotient(sum, scorer.ThreeAreas());
        StoreDisplacements(dx, quotient, pXd + 3 * x);
        StoreDisplacements(dy, hn::Zero(d), pYd + 3 * x);
        // A known literal score (sign bit clear) or a whole-number mean needs the scorer.
        const auto whole
            = hn::And(hn::Eq(hn::Mul(quotient, hn::Set(d, scorer.ThreeAreas())), sum), hn::Gt(sum, hn::Zero(d)));
        const auto exact = hn::Or(hn::Gt(high, hn::Set(d, -1)), whole);
        if (!hn::AllFalse(d, exact))
            for (int n = x; n < x + nStep; ++n)
                pXd[3 * n + 2] = static_cast<std::uint8_t>(scorer.ScoreByte(pBest[n], n, y));
    }
    range = {hn::GetLane(hn::MinOfLanes(d, minDx)), hn::GetLane(hn::MaxOfLanes(d, maxDx)),
             hn::GetLane(hn::MinOfLanes(d, minDy)), hn::GetLane(hn::MaxOfLanes(d, maxDy))};
    for (; x < nWidth; ++x) {
        const int dx = pBest[x].nDx, dy = pBest[x].nDy;
        range = {std::min(range.nMinDx, dx), std::max(range.nMaxDx, dx), std::min(range.nMinDy, dy),
                 std::max(range.nMaxDy, dy)};
        const std::uint8_t xd[3]
            = {static_cast<std::uint8_t>(dx < 0 ? -dx : 0), static_cast<std::uint8_t>(dx >= 0 ? dx : 0),
               static_cast<std::uint8_t>(scorer.ScoreByte(pBest[x], x, y))};
        const std::uint8_t yd[3]
            = {static_cast<std::uint8_t>(dy < 0 ? -dy : 0), static_cast<std::uint8_t>(dy >= 0 ? dy : 0), 0};
        std::copy_n(xd, 3, pXd + 3 * x);
        std::copy_n(yd, 3, pYd + 3 * x);
    }
}

void SplitPixelsImpl(const std::uint8_t* HWY_RESTRICT pPixels, std::size_t nPixels, std::uint8_t* HWY_RESTRICT pBlue,
                     std::uint8_t* HWY_RESTRICT pGreen, std::uint8_t* HWY_RESTRICT pRed)
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
HWY_EXPORT(WriteRowImpl);
HWY_EXPORT(TargetNameImpl);

} // namespace fast_search_hwy

// Each entry point runs the best instruction set of this processor among
// those compiled; tests narrow the choice with hwy::SetSupportedTargetsForTest.
bool SearchStripe(const SStripeTask& task)
{
    return HWY_DYNAMIC_DISPATCH(fast_search_hwy::SearchStripeImpl)(task);
}

void SplitPixels(const std::uint8_t* HWY_RESTRICT pPixels, std::size_t nPixels, std::uint8_t* HWY_RESTRICT pBlue,
                 std::uint8_t* HWY_RESTRICT pGreen, std::uint8_t* HWY_RESTRICT pRed)
{
    HWY_DYNAMIC_DISPATCH(fast_search_hwy::SplitPixelsImpl)(pPixels, nPixels, pBlue, pGreen, pRed);
}

void WriteSearchRow(std::span<const SPixelBest> best, int y, const CExactScorer& scorer, std::uint8_t* HWY_RESTRICT pXd,
                    std::uint8_t* HWY_RESTRICT pYd, SSearchRange& range)
{
    HWY_DYNAMIC_DISPATCH(fast_search_hwy::WriteRowImpl)
    (best.data(), static_cast<int>(best.size()), y, scorer, pXd, pYd, range);
}

int FastSearchLanes()
{
    return HWY_DYNAMIC_DISPATCH(fast_search_hwy::LanesImpl)();
}

const char* FastSearchTargetName()
{
    return HWY_DYNAMIC_DISPATCH(fast_search_hwy::TargetNameImpl)();
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
#endif // HWY_ONCE
