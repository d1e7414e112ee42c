// CFastSearch: copies the pair into search planes, runs the stripe workers and reports rows to the host.
#include "engine/search/fast_search.h"

#include "engine/search/exact_choice.h"
#include "engine/search/fast_search_kernel.h"
#include "engine/search/search_planes.h"
#include "engine/search/search_stripes.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace {

// Working memory of searches up to this many pixels is kept for the next one.
constexpr std::int64_t kKeptArea = std::int64_t{1} << 20;

SSearchGeometry MakeGeometry(const CImage& main, const CImage& other, const SSearchSettings& settings)
{
    SSearchGeometry g;
    g.nWidth = std::min(main.Width(), other.Width());
    g.nHeight = std::min(main.Height(), other.Height());
    g.nFragment = settings.nFragmentSize;
    g.nHalf = g.nFragment / 2;
    g.nMaxDx = settings.nMaxParallaxX;
    g.nMaxDy = settings.nMaxParallaxY;
    const int nStep = FastSearchLanes();
    g.nLanes = (2 * g.nMaxDx + 1 + nStep - 1) / nStep * nStep;
    g.nRowsTogether = FastSearchRowsTogether(g);
    return g;
}

bool CopyIntoPlanes(const CImage& main, const CImage& other, CSearchPlanes& planes, CStageHost& host)
{
    for (int y = 0; y < planes.Geometry().nHeight; ++y) {
        host.PumpEvents();
        if (host.IsCancelled())
            return false;
        planes.CopyRow(main, other, y);
    }
    return true;
}

// The area's images are kept when they have its size: every pixel is written.
void PrepareResult(SSearchResult& result, int nWidth, int nHeight)
{
    if (result.xd.Width() != nWidth || result.xd.Height() != nHeight || result.yd.Width() != nWidth
        || result.yd.Height() != nHeight)
        result = SSearchResult{CImage(nWidth, nHeight), CImage(nWidth, nHeight)};
    result.nMinDx = result.nMaxDx = result.nMinDy = result.nMaxDy = 0;
}

} // namespace

struct CFastSearch::SWorkspace {
    CSearchPlanes planes;
    CFlatWindows windows;
    std::vector<SWorkerScratch> scratch;
};

CFastSearch::CFastSearch(SFastSearchOptions options)
    : m_options(options)
    , m_pWorkspace(std::make_unique<SWorkspace>())
{ }

CFastSearch::~CFastSearch() = default;

bool CFastSearch::Run(const CImage& main, const CImage& other, const SSearchSettings& settings, CStageHost& host,
                      SSearchResult& result)
{
    return CopyPair(main, other, settings, host) && SearchPlanes(host, result);
}

bool CFastSearch::Run(std::shared_ptr<const CImage> main, std::shared_ptr<const CImage> other,
                      const SSearchSettings& settings, CStageHost& host, SSearchResult& result)
{
    if (!CopyPair(*main, *other, settings, host))
        return false;
    main.reset();
    other.reset();
    return SearchPlanes(host, result);
}

bool CFastSearch::CopyPair(const CImage& main, const CImage& other, const SSearchSettings& settings, CStageHost& host)
{
    if (!IsValidSearch(settings))
        throw std::invalid_argument("parallax search settings out of range");
    CSearchPlanes& planes = m_pWorkspace->planes;
    planes.Reset(MakeGeometry(main, other, settings));
    return CopyIntoPlanes(main, other, planes, host);
}

bool CFastSearch::SearchPlanes(CStageHost& host, SSearchResult& result)
{
    const CSearchPlanes& planes = m_pWorkspace->planes;
    const SSearchGeometry g = planes.Geometry();
    bool bDone = false;
    {
        PrepareResult(result, g.nWidth, g.nHeight);
        host.SetProgressRange(g.nHeight);
        m_pWorkspace->windows.Reset(planes);
        const CExactScorer scorer(planes, m_pWorkspace->windows);
        CSearchStripes stripes(planes, scorer, result, m_options.nThreads, m_pWorkspace->scratch);
        bDone = stripes.Run(host);
        if (bDone)
            stripes.MergeRange(result);
    }
    // Photo-size planes and tables are given back: the stages after the
    // search need the room, and the page faults of a fresh start cost a
    // search that size next to nothing.
    if (static_cast<std::int64_t>(g.nWidth) * g.nHeight >= kKeptArea)
        m_pWorkspace = std::make_unique<SWorkspace>();
    return bDone;
}

const char* CFastSearch::TargetName() const
{
    return FastSearchTargetName();
}
