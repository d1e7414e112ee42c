// The vector kernel of the fast search: integer window sums of every candidate over a stripe of rows.
#pragma once

#include "engine/exact_choice.h"
#include "engine/search_planes.h"

#include <atomic>
#include <cstdint>

// Scratch of one worker, sized for a stripe by FastSearchScratchSize.
struct SStripeScratch {
    void* pColumnSums = nullptr;     // (W + S − 1) × lanes column sums (16- or 32-bit)
    std::int32_t* pSums = nullptr;   // lanes window sums of the current position
    SPixelBest* pBest = nullptr;     // rows × W best candidates
};

struct SStripeTask {
    const CSearchPlanes* pPlanes = nullptr;
    const CExactScorer* pScorer = nullptr;
    int nFirstRow = 0; // rows [nFirstRow, nEndRow) of the area
    int nEndRow = 0;
    SStripeScratch scratch;
    const std::atomic<bool>* pStop = nullptr; // checked once per row
};

// Candidates are handled in groups of this many lanes; the candidate row of
// 2·HP + 1 is rounded up to a multiple of it. bScalar picks the portable
// baseline code instead of the best instruction set of this processor.
int FastSearchLanes(bool bScalar);
// Bytes of column sums per column-and-lane (2 while 765·S fits 16 bits, else 4).
int FastSearchColumnSumBytes(int nFragment);
// Finds, for every pixel of the stripe, the best candidate under the
// literal rule into scratch.pBest (row-major, W per row). Returns false when stopped.
bool SearchStripe(const SStripeTask& task, bool bScalar);
// The instruction set the kernel runs with.
const char* FastSearchTargetName(bool bScalar);
