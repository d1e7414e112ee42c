// The vector kernel of the fast search: integer window sums of every candidate over a stripe of rows.
#pragma once

#include "engine/search/exact_choice.h"
#include "engine/search/search_planes.h"

#include <hwy/base.h>

#include <cstddef>
#include <cstdint>
#include <span>

// Scratch of one worker, sized for a stripe by CSearchStripes. Only the
// column sums and window sums of the width in use are sized.
struct SStripeScratch {
    std::span<std::uint16_t> columnSums16; // rows together × (W + S − 1) × lanes, while 765·S fits 16 bits
    std::span<std::int32_t> columnSums32;  // the same, when it does not
    std::span<std::uint32_t> keys;         // rows together × lanes keys T·2^shift + candidate (16-bit sums)
    std::span<std::int32_t> sums;          // lanes window sums (32-bit sums)
    std::span<SPixelBest> best;            // rows × W best candidates (one row when OneGroup)
};

// Where the kernel's rows go. Continue is asked before every row of work
// (each row of each group of candidates), FinishRow gets each row's final
// best candidates while they are still in the cache.
class CStripeRows {
public:
    virtual bool Continue() = 0;
    virtual void FinishRow(int y, std::span<const SPixelBest> best) = 0;

protected:
    ~CStripeRows() = default;
};

struct SStripeTask {
    const CSearchPlanes& planes;
    const CExactScorer& scorer;
    int nFirstRow; // rows [nFirstRow, nEndRow) of the area
    int nEndRow;
    const SStripeScratch& scratch;
    STieScratch& ties;
    CStripeRows& rows;
};

// Candidates are handled in groups of this many lanes; the candidate row of
// 2·HP + 1 is rounded up to a multiple of it.
int FastSearchLanes();
// Bytes of column sums per column-and-lane (2 while 765·S fits 16 bits, else 4).
int FastSearchColumnSumBytes(int nFragment);
// Rows of candidates (dy) whose sums are compared together: as many as the
// lane bits of a window sum's key and about half a megabyte of column sums allow.
int FastSearchRowsTogether(const SSearchGeometry& g);
// Whether all rows of candidates are compared in one group.
inline bool OneGroup(const SSearchGeometry& g)
{
    return g.nRowsTogether >= 2 * g.nMaxDy + 1;
}
// Bits below a window sum T in its key T·2^bits + candidate.
int FastSearchKeyShift(int nFragment);
// Finds, for every pixel of the stripe, the best candidate under the
// literal rule into scratch.best (row-major, W per row), and hands each
// finished row to task.rows. Returns false when task.rows says stop.
bool SearchStripe(const SStripeTask& task);
// The smallest and largest displacements written so far.
struct SSearchRange {
    int nMinDx = 0, nMaxDx = 0, nMinDy = 0, nMaxDy = 0;
};
// Writes row y of the "-xd." and "-yd." images (best.size() pixels of three
// bytes) from the row's best candidates and widens the range.
void WriteSearchRow(std::span<const SPixelBest> best, int y, const CExactScorer& scorer, std::uint8_t* HWY_RESTRICT pXd,
                    std::uint8_t* HWY_RESTRICT pYd, SSearchRange& range);
// Splits nPixels three-byte pixels into three planes.
void SplitPixels(const std::uint8_t* HWY_RESTRICT pPixels, std::size_t nPixels, std::uint8_t* HWY_RESTRICT pBlue,
                 std::uint8_t* HWY_RESTRICT pGreen, std::uint8_t* HWY_RESTRICT pRed);
// The instruction set the kernel runs with.
const char* FastSearchTargetName();
