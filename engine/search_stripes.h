// CSearchStripes: the worker threads of the fast search, each searching whole stripes of rows.
#pragma once

#include "engine/exact_choice.h"
#include "engine/fast_search_kernel.h"
#include "engine/parallax_search.h"
#include "engine/search_planes.h"
#include "engine/stage_host.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// The memory of one worker; kept by the search object between runs, since
// fresh pages cost more than the search itself on small images.
struct SWorkerScratch {
    std::vector<std::uint16_t> columnSums16;
    std::vector<std::int32_t> columnSums32;
    std::vector<std::uint32_t> keys;
    std::vector<std::int32_t> sums;
    std::vector<SPixelBest> best;
    STieScratch ties;
};

// Workers take stripes in row order and write their rows of the result;
// the calling thread, the only one that talks to the host, waits for the
// rows in order. All memory is sized in the constructor, on the calling
// thread, so that a failed allocation reaches the job's handler.
class CSearchStripes {
public:
    CSearchStripes(const CSearchPlanes& planes, const CExactScorer& scorer, SSearchResult& result, int nThreads,
                   std::vector<SWorkerScratch>& scratch);
    ~CSearchStripes();
    CSearchStripes(const CSearchStripes&) = delete;
    CSearchStripes& operator=(const CSearchStripes&) = delete;

    // Waits until row y is written, letting the host pump events and
    // polling for cancellation while a stripe takes long. False when cancelled.
    bool WaitForRow(int y, CStageHost& host);
    // Stops the workers at their next row and waits for them.
    void Stop();
    // After every row is written: the displacement range of the whole area.
    void MergeRange(SSearchResult& result) const;

private:
    using SRange = SSearchRange;

    static void SizeScratch(SWorkerScratch& scratch, const SSearchGeometry& g, int nStripeRows);
    void Work(SWorkerScratch& scratch);
    class CRowWriter;

    const CSearchPlanes& m_planes;
    const CExactScorer& m_scorer;
    SSearchResult& m_result;
    int m_nStripeRows = 1;
    int m_nStripes = 0;
    std::vector<SRange> m_ranges; // per stripe
    std::vector<char> m_bDone;    // per stripe, guarded by m_mutex
    std::mutex m_mutex;
    std::condition_variable m_stripeDone;
    std::atomic<int> m_nNextStripe{0};
    std::atomic<bool> m_bStop{false};
    std::vector<std::jthread> m_workers;
};
