// CSearchStripes: stripe scheduling, the threads' output rows and the rows reported to the host.
#include "engine/search/search_stripes.h"

#include "engine/base/thread_budget.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace {

// Every stripe starts with S rows of column sums for each row of
// candidates, so stripes are made high, up to 128 rows, while each thread
// still gets two of them. With several groups of candidate rows, a row is
// finished only in the last group's pass over its stripe: there a stripe
// holds about 2^28 window sums (a quarter of a second of one core), but at
// least S rows, which keeps the start of its column sums near 5 % of its work.
int StripeRows(const SSearchGeometry& g, int nThreads)
{
    const int nBalanced = (g.nHeight + 2 * nThreads - 1) / (2 * nThreads);
    int nHigh = 128;
    if (!OneGroup(g)) {
        constexpr double kStripeSums = 1 << 28;
        const double dRowSums = static_cast<double>(g.nWidth) * (2 * g.nMaxDx + 1) * (2 * g.nMaxDy + 1);
        nHigh = static_cast<int>(std::clamp(kStripeSums / dRowSums, 1.0, 128.0));
    }
    return std::max({1, std::min(nBalanced, nHigh), std::min(g.nFragment, g.nHeight)});
}

// One thread per 2^20 window sums (about a millisecond of one core), up to
// the thread budget: a search that small gains little from another thread, and
// on the calling thread alone it waits for none, so that its host calls
// come alike on every run.
int ThreadsFor(const SSearchGeometry& g)
{
    const double dSums = static_cast<double>(g.nWidth) * g.nHeight * (2 * g.nMaxDx + 1) * (2 * g.nMaxDy + 1);
    return static_cast<int>(std::clamp(dSums / (1 << 20), 1.0, static_cast<double>(ThreadBudget())));
}

} // namespace

// The rows of the stripe a thread searches: written into the result as they
// finish. The calling thread's writer also does the host's part.
class CSearchStripes::CStripeWriter : public CStripeRows {
public:
    CStripeWriter(CSearchStripes& stripes, int nStripe, CStageHost* pHost)
        : m_stripes(stripes)
        , m_nStripe(nStripe)
        , m_pHost(pHost)
    { }
    bool Continue() override
    {
        if (m_pHost == nullptr)
            return !m_stripes.m_bStop.load(std::memory_order_relaxed);
        if (m_stripes.ReportRows(*m_pHost)) {
            m_pHost->PumpEvents();
            if (!m_pHost->IsCancelled())
                return true;
        }
        m_stripes.m_bStop.store(true);
        return false;
    }
    void FinishRow(int y, std::span<const SPixelBest> best) override { m_stripes.FinishRow(m_nStripe, y, best); }

private:
    CSearchStripes& m_stripes;
    int m_nStripe;
    CStageHost* m_pHost;
};

CSearchStripes::CSearchStripes(const CSearchPlanes& planes, const CExactScorer& scorer, SSearchResult& result,
                               int nThreads, std::vector<SWorkerScratch>& scratch)
    : m_planes(planes)
    , m_scorer(scorer)
    , m_result(result)
    , m_scratch(scratch)
{
    const SSearchGeometry& g = planes.Geometry();
    const int nThreadsWanted = nThreads > 0 ? nThreads : ThreadsFor(g);
    m_nStripeRows = StripeRows(g, nThreadsWanted);
    m_nStripes = (g.nHeight + m_nStripeRows - 1) / m_nStripeRows;
    m_nThreads = std::max(1, std::min(nThreadsWanted, m_nStripes));
    m_ranges.assign(m_nStripes, SSearchRange{});
    m_finished.assign(m_nStripes, 0);
    if (scratch.size() < static_cast<std::size_t>(m_nThreads))
        scratch.resize(m_nThreads);
    for (int n = 0; n < m_nThreads; ++n)
        SizeScratch(scratch[n], g, m_nStripeRows);
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
    scratch.ties.whole.resize(nCandidates + 1);
    scratch.ties.nScoredTerms = 0;
    scratch.best.resize(static_cast<std::size_t>(OneGroup(g) ? 1 : nStripeRows) * g.nWidth);
}

CSearchStripes::~CSearchStripes()
{
    Stop();
}

bool CSearchStripes::Run(CStageHost& host)
{
    // Fewer threads than asked for only slow the search down: the calling
    // thread takes the stripes of those that did not start.
    int nStarted = 1;
    try {
        for (; nStarted < m_nThreads; ++nStarted)
            m_workers.emplace_back(
                [this, nStarted, &worker = m_scratch[nStarted]] { SearchStripes(worker, nStarted, 0, nullptr); });
    } catch (const std::system_error&) { }
    const bool bDone = SearchStripes(m_scratch[0], 0, nStarted, &host) && AwaitRows(host);
    Stop();
    return bDone;
}

// Thread nThread's stripes, and for the calling thread those of the threads
// from nStarted on. False when stopped.
bool CSearchStripes::SearchStripes(SWorkerScratch& scratch, int nThread, int nStarted, CStageHost* pHost)
{
    for (int nStripe = 0; nStripe < m_nStripes; ++nStripe) {
        const int nOwner = nStripe % m_nThreads;
        if ((nOwner == nThread || (nThread == 0 && nOwner >= nStarted)) && !RunStripe(scratch, nStripe, pHost))
            return false;
    }
    return true;
}

bool CSearchStripes::RunStripe(SWorkerScratch& scratch, int nStripe, CStageHost* pHost)
{
    const SSearchGeometry& g = m_planes.Geometry();
    const SStripeScratch stripeScratch{scratch.columnSums16, scratch.columnSums32, scratch.keys, scratch.sums,
                                       scratch.best};
    const int nFirstRow = nStripe * m_nStripeRows;
    const int nEndRow = std::min(nFirstRow + m_nStripeRows, g.nHeight);
    CStripeWriter writer(*this, nStripe, pHost);
    return SearchStripe({m_planes, m_scorer, nFirstRow, nEndRow, stripeScratch, scratch.ties, writer});
}

void CSearchStripes::FinishRow(int nStripe, int y, std::span<const SPixelBest> best)
{
    WriteSearchRow(best, y, m_scorer, m_result.xd.Pixel(0, y), m_result.yd.Pixel(0, y), m_ranges[nStripe]);
    {
        const std::lock_guard lock(m_mutex);
        ++m_finished[nStripe];
    }
    m_rowFinished.notify_one();
}

// The number of rows finished from row 0 on without a gap.
int CSearchStripes::FinishedRowsLocked() const
{
    int nStripe = std::min(m_nReported / m_nStripeRows, m_nStripes - 1);
    while (nStripe + 1 < m_nStripes && m_finished[nStripe] == m_nStripeRows)
        ++nStripe;
    return nStripe * m_nStripeRows + m_finished[nStripe];
}

// One step per newly finished row, in order. False when cancelled.
bool CSearchStripes::ReportRows(CStageHost& host)
{
    int nFinished = 0;
    {
        const std::lock_guard lock(m_mutex);
        nFinished = FinishedRowsLocked();
    }
    for (; m_nReported < nFinished; ++m_nReported) {
        host.PumpEvents();
        if (host.IsCancelled())
            return false;
        host.StepProgress();
    }
    return true;
}

// Once the calling thread has no stripe left: reports the workers' rows as
// they finish, keeping the window alive while one takes long.
bool CSearchStripes::AwaitRows(CStageHost& host)
{
    using namespace std::chrono_literals;
    const int nHeight = m_planes.Geometry().nHeight;
    while (ReportRows(host)) {
        if (m_nReported == nHeight)
            return true;
        std::unique_lock lock(m_mutex);
        if (!m_rowFinished.wait_for(lock, 40ms, [&] { return FinishedRowsLocked() > m_nReported; })) {
            lock.unlock();
            host.PumpEvents();
            if (host.IsCancelled())
                return false;
        }
    }
    return false;
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
    for (const SSearchRange& range : m_ranges) {
        result.nMinDx = std::min(result.nMinDx, range.nMinDx);
        result.nMaxDx = std::max(result.nMaxDx, range.nMaxDx);
        result.nMinDy = std::min(result.nMinDy, range.nMinDy);
        result.nMaxDy = std::max(result.nMaxDy, range.nMaxDy);
    }
}
