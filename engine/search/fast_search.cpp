// CFastSearch: copies the pair into search planes, runs the stripe workers and reports rows to the host.
#include "engine/search/fast_search.h"

#include "engine/search/exact_choice.h"
#include "engine/search/fast_search_kernel.h"
#include "engine/search/search_planes.h"
#include "engine/search/search_stripes.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

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
    if (!IsValidSearch(settings))
        throw std::invalid_argument("parallax search settings out of range");
    const SSearchGeometry g = MakeGeometry(main, other, settings);
    CSearchPlanes& planes = m_pWorkspace->planes;
    planes.Reset(g);
    if (!CopyIntoPlanes(main, other, planes, host))
        return false;
    PrepareResult(result, g.nWidth, g.nHeight);
    host.SetProgressRange(g.nHeight);
    m_pWorkspace->windows.Reset(planes);
    const CExactScorer scorer(planes, m_pWorkspace->windows);
    CSearchStripes stripes(planes, scorer, result, m_options.nThreads, m_pWorkspace->scratch);
    if (!stripes.Run(host))
        return false;
    stripes.MergeRange(result);
    return true;
}

const char* CFastSearch::TargetName() const
{
    return FastSearchTargetName();
}
