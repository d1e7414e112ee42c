// CFastSearch: the parallax search on integer window sums, vector lanes and all cores; same output as the literal one.
#pragma once

#include "engine/base/image.h"
#include "engine/base/stage_host.h"
#include "engine/search/parallax_search.h"

#include <memory>

struct SFastSearchOptions {
    int nThreads
        = 0; // threads that search, the calling one among them; 0 = up to the thread budget (fewer for small searches)
};

// Gives, for every setting and image, the displacements, the truncated
// scores and the range that CParallaxSearch gives, tie for tie; see
// exact_choice.h for why integer sums may stand in for the double scores.
class CFastSearch {
public:
    explicit CFastSearch(SFastSearchOptions options = {});
    ~CFastSearch();

    // Same contract and host calls as CParallaxSearch::Run: PumpEvents and
    // IsCancelled once per row while copying, SetProgressRange(H), then per
    // row PumpEvents, IsCancelled and, as soon as the row is done, in row
    // order, StepProgress. Events are pumped and cancellation polled before
    // every row of the calling thread's own work and every few hundredths of
    // a second while it waits for other threads' rows as well; once
    // cancelled, the search stops within a row or two of work. Throws
    // std::invalid_argument for settings outside IsValidSearch. The
    // images of `result` are reused when they have the size of the area.
    // One object runs one search at a time; it keeps its working memory for
    // the next run.
    bool Run(const CImage& main, const CImage& other, const SSearchSettings& settings, CStageHost& host,
             SSearchResult& result);
    // The same, letting go of the images as soon as they are copied into the
    // search's planes: at photo sizes their memory then serves the search's
    // own instead of adding to the peak.
    bool Run(std::shared_ptr<const CImage> main, std::shared_ptr<const CImage> other, const SSearchSettings& settings,
             CStageHost& host, SSearchResult& result);

    // The instruction set Run uses, such as "AVX2" or "EMU128": the best one
    // of this processor among those compiled.
    const char* TargetName() const;

private:
    struct SWorkspace;

    bool CopyPair(const CImage& main, const CImage& other, const SSearchSettings& settings, CStageHost& host);
    bool SearchPlanes(CStageHost& host, SSearchResult& result);

    SFastSearchOptions m_options;
    std::unique_ptr<SWorkspace> m_pWorkspace;
};
