// The vector kernel of the fast search: integer window sums of every candidate over a stripe of rows.
#pragma once

#include "engine/exact_choice.h"
#include "engine/search_planes.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

// Scratch of one worker, sized for a stripe by FastSearchScratchSize.
struct SStripeScratch {
    void* pColumnSums = nullptr;   // rows together × (W + S − 1) × lanes column sums (16- or 32-bit)
    std::int32_t* pSums = nullptr; // rows together × lanes window sums of the current position
    SPixelBest* pBest = nullptr;   // rows × W best candidates (one row when OneGroup)
    std::span<int> tieDx;          // 1 + rows together × lanes each: candidates of a tie
    std::span<int> tieDy;
    std::span<double> tieScores;
};

struct SStripeTask {
    const CSearchPlanes* pPlanes = nullptr;
    const CExactScorer* pScorer = nullptr;
    int nFirstRow = 0; // rows [nFirstRow, nEndRow) of the area
    int nEndRow = 0;
    SStripeScratch scratch;
    const std::atomic<bool>* pStop = nullptr; // checked once per row
    // Called with each row's final best candidates, while they are still in the cache.
    void (*pFinishRow)(void* pContext, int y, const SPixelBest* pRow) = nullptr;
    void* pFinishContext = nullptr;
};

// Candidates are handled in groups of this many lanes; the candidate row of
// 2·HP + 1 is rounded up to a multiple of it. bScalar picks the portable
// baseline code instead of the best instruction set of this processor.
int FastSearchLanes(bool bScalar);
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
// literal rule into scratch.pBest (row-major, W per row), and hands each
// finished row to pFinishRow. Returns false when stopped.
bool SearchStripe(const SStripeTask& task, bool bScalar);
// The smallest and largest displacements written so far.
struct SSearchRange {
    int nMinDx = 0, nMaxDx = 0, nMinDy = 0, nMaxDy = 0;
};
// Writes row y of the "-xd." and "-yd." images (nWidth pixels of three
// bytes) from the row's best candidates and widens the range.
void WriteSearchRow(const SPixelBest* pBest, int nWidth, int y, const CExactScorer& scorer, std::uint8_t* pXd,
                    std::uint8_t* pYd, SSearchRange& range, bool bScalar);
// Splits nPixels three-byte pixels into three planes.
void SplitPixels(const std::uint8_t* pPixels, std::size_t nPixels, std::uint8_t* pBlue, std::uint8_t* pGreen,
                 std::uint8_t* pRed);
// The instruction set the kernel runs with.
const char* FastSearchTargetName(bool bScalar);
