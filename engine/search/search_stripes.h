// CSearchStripes: the threads of the fast search over stripes of rows, and the rows they report to the host.
#pragma once

#include "engine/base/stage_host.h"
#include "engine/search/exact_choice.h"
#include "engine/search/fast_search_kernel.h"
#include "engine/search/parallax_search.h"
#include "engine/search/search_planes.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// The memory of one thread; kept by the search object between runs, since
// fresh pages cost more than the search itself on small images.
struct SWorkerScratch {
    std::vector<std::uint16_t> columnSums16;
    std::vector<std::int32_t> columnSums32;
    std::vector<std::uint32_t> keys;
    std::vector<std::int32_t> sums;
    std::vector<SPixelBest> best;
    STieScratch ties;
};

// Of n threads, thread t searches stripes t, t + n, t + 2·n and so on, the
// calling thread being thread 0, and writes their rows of the result; each
// thread's share, and so the number of host calls, does not depend on
// timing. Only the calling thread talks to the host: it reports the
// finished rows in order before each row of its own work and, once its
// stripes are done, while it waits for the workers' rows. All memory is
// sized in the constructor, on the calling thread, so that a failed
// allocation reaches the job's handler.
class CSearchStripes {
public:
    // nThreads counts the calling thread; 0 means up to the thread budget
    // (thread_budget.h), fewer for small searches.
    CSearchStripes(const CSearchPlanes& planes, const CExactScorer& scorer, SSearchResult& result, int nThreads,
                   std::vector<SWorkerScratch>& scratch);
    ~CSearchStripes();
    CSearchStripes(const CSearchStripes&) = delete;
    CSearchStripes& operator=(const CSearchStripes&) = delete;

    // Searches every row; per finished row, in row order, the host gets
    // PumpEvents, IsCancelled and StepProgress, and cancellation is also
    // polled before every row of the calling thread's work and every few
    // hundredths of a second while it waits. False when cancelled, with
    // every thread stopped.
    bool Run(CStageHost& host);
    // After Run: the displacement range of the whole area.
    void MergeRange(SSearchResult& result) const;

private:
    class CStripeWriter;

    static void SizeScratch(SWorkerScratch& scratch, const SSearchGeometry& g, int nStripeRows);
    bool SearchStripes(SWorkerScratch& scratch, int nThread, int nStarted, CStageHost* pHost);
    bool RunStripe(SWorkerScratch& scratch, int nStripe, CStageHost* pHost);
    void FinishRow(int nStripe, int y, std::span<const SPixelBest> best);
    int FinishedRowsLocked() const;
    bool ReportRows(CStageHost& host);
    bool AwaitRows(CStageHost& host);
    void Stop();

    const CSearchPlanes& m_planes;
    const CExactScorer& m_scorer;
    SSearchResult& m_result;
    std::vector<SWorkerScratch>& m_scratch;
    int m_nThreads = 1;
    int m_nStripeRows = 1;
    int m_nStripes = 0;
    int m_nReported = 0;                // rows reported to the host
    std::vector<SSearchRange> m_ranges; // per stripe
    std::vector<int> m_finished;        // rows finished per stripe, guarded by m_mutex
    mutable std::mutex m_mutex;
    std::condition_variable m_rowFinished;
    std::atomic<bool> m_bStop{false};
    std::vector<std::jthread> m_workers;
};
