// CSearchStripes: stripe scheduling, the workers' output rows and the wait of the calling thread.
#include "engine/search_stripes.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>

namespace {

// Every stripe starts with S rows of column sums for each row of
// candidates, so stripes are made high, up to 128 rows, while each worker
// still gets two of them.
int StripeRows(const SSearchGeometry& g, int nWorkers)
{
    const int nBalanced = (g.nHeight + 2 * nWorkers - 1) / (2 * nWorkers);
    return std::max({1, std::min(nBalanced, 128), std::min(g.nFragment, g.nHeight)});
}

} // namespace

CSearchStripes::CSearchStripes(const CSearchPlanes& planes, const CExactScorer& scorer, SSearchResult& result,
                               int nThreads, std::vector<SWorkerScratch>& scratch)
    : m_planes(planes)
    , m_scorer(scorer)
    , m_result(result)
{
    const SSearchGeometry& g = planes.Geometry();
    const int nThreadsWanted
        = nThreads > 0 ? nThreads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    m_nStripeRows = StripeRows(g, nThreadsWanted);
    m_nStripes = (g.nHeight + m_nStripeRows - 1) / m_nStripeRows;
    const int nWorkers = std::min(nThreadsWanted, m_nStripes);
    m_ranges.resize(m_nStripes);
    m_bDone.assign(m_nStripes, 0);
    if (scratch.size() < static_cast<std::size_t>(nWorkers))
        scratch.resize(nWorkers);
    for (int n = 0; n < nWorkers; ++n)
        SizeScratch(scratch[n], g, m_nStripeRows);
    // Fewer threads than asked for only slow the search down.
    try {
        for (int n = 0; n < nWorkers; ++n)
            m_workers.emplace_back([this, &worker = scratch[n]] { Work(worker); });
    } catch (const std::system_error&) {
        if (m_workers.empty())
            throw std::bad_alloc();
    }
}

void CSearchStripes::SizeScratch(SWorkerScratch& scratch, const SSearchGeometry& g, int nStripeRows)
{
    const std::size_t nCandidates = static_cast<std::size_t>(g.nRowsTogether) * g.nLanes;
    const std::size_t nColumns = static_cast<std::size_t>(g.nWidth) + g.nFragment - 1;
    const bool b16 = FastSearchColumnSumBytes(g.nFragment) == 2;
    scratch.columnSums16.resize(b16 ? nCandidates * nColumns : 0);
    scratch.columnSums32.resize(b16 ? 0 : nCandidates * nColumns);
    scratch.keys.resize(b16 ? nCandidates : 0);
    scratch.sums.resize(b16 ? 0 : nCandidates);
    scratch.ties.dxs.resize(nCandidates + 1);
    scratch.ties.dys.resize(nCandidates + 1);
    scratch.ties.scores.resize(nCandidates + 1);
    scratch.best.resize(static_cast<std::size_t>(OneGroup(g) ? 1 : nStripeRows) * g.nWidth);
}

CSearchStripes::~CSearchStripes()
{
    Stop();
}

// Writes each finished row of a stripe into the result and widens the stripe's range.
class CSearchStripes::CRowWriter : public CStripeRows {
public:
    CRowWriter(CSearchStripes& stripes, SRange& range)
        : m_stripes(stripes)
        , m_range(range)
    { }
    bool Continue() override { return !m_stripes.m_bStop.load(std::memory_order_relaxed); }
    void FinishRow(int y, std::span<const SPixelBest> best) override
    {
        WriteSearchRow(best, y, m_stripes.m_scorer, m_stripes.m_result.xd.Pixel(0, y),
                       m_stripes.m_result.yd.Pixel(0, y), m_range);
    }

private:
    CSearchStripes& m_stripes;
    SRange& m_range;
};

void CSearchStripes::Work(SWorkerScratch& scratch)
{
    const SSearchGeometry& g = m_planes.Geometry();
    const SStripeScratch stripeScratch{scratch.columnSums16, scratch.columnSums32, scratch.keys, scratch.sums,
                                       scratch.best};
    for (;;) {
        const int nStripe = m_nNextStripe.fetch_add(1);
        if (nStripe >= m_nStripes || m_bStop.load())
            return;
        const int nFirstRow = nStripe * m_nStripeRows;
        CRowWriter writer(*this, m_ranges[nStripe]);
        const int nEndRow = std::min(nFirstRow + m_nStripeRows, g.nHeight);
        const SStripeTask task{m_planes, m_scorer, nFirstRow, nEndRow, stripeScratch, scratch.ties, writer};
        if (!SearchStripe(task))
            return;
        {
            const std::lock_guard lock(m_mutex);
            m_bDone[nStripe] = 1;
        }
        m_stripeDone.notify_all();
    }
}

bool CSearchStripes::WaitForRow(int y, CStageHost& host)
{
    using namespace std::chrono_literals;
    const int nStripe = y / m_nStripeRows;
    std::unique_lock lock(m_mutex);
    while (!m_stripeDone.wait_for(lock, 40ms, [&] { return m_bDone[nStripe] != 0; })) {
        // A stripe can take long at large settings: keep the window alive.
        lock.unlock();
        host.PumpEvents();
        const bool bCancelled = host.IsCancelled();
        lock.lock();
        if (bCancelled)
            return false;
    }
    return true;
}

void CSearchStripes::Stop()
{
    m_bStop.store(true);
    for (std::jthread& worker : m_workers)
        if (worker.joinable())
            worker.join();
}

void CSearchStripes::MergeRange(SSearchResult& result) const
{
    for (const SRange& range : m_ranges) {
        result.nMinDx = std::min(result.nMinDx, range.nMinDx);
        result.nMaxDx = std::max(result.nMaxDx, range.nMaxDx);
        result.nMinDy = std::min(result.nMinDy, range.nMinDy);
        result.nMaxDy = std::max(result.nMaxDy, range.nMaxDy);
    }
}
