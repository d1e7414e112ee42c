// The row-stage runner: the one loop of rows with events, cancellation and progress, and the stage around it.
#include "engine/job/row_stage.h"

#include <algorithm>

bool RunRows(CStageHost& host, const SRowProgress& progress, int nRange, int nFirst, int nEnd,
             const std::function<void(int y)>& row)
{
    if (progress.bProgressBar)
        host.SetProgressRange(nRange);
    for (int y = nFirst; y < nEnd; ++y) {
        if (!progress.bProgressBar)
            host.PumpEvents();
        if (host.IsCancelled()) {
            if (progress.bProgressBar)
                host.ResetProgress();
            return false;
        }
        row(y);
        if (progress.bProgressBar)
            host.StepProgress();
    }
    return true;
}

bool RunStage(CStageHost& host, const SRowProgress& progress, const TLoadInputs& load, int nBorder,
              const TRowKernel& kernel, const TKeepOutput& keep)
{
    if (progress.szStatus != nullptr)
        host.SetStatus(progress.szStatus);
    if (host.IsCancelled())
        return false;
    TStageImages images;
    if (!load(images))
        return false;
    int nWidth = images.front()->Width();
    int nHeight = images.front()->Height();
    for (const std::shared_ptr<const CImage>& pImage : images) {
        nWidth = std::min(nWidth, pImage->Width());
        nHeight = std::min(nHeight, pImage->Height());
    }
    auto pResult = std::make_shared<CImage>(nWidth, nHeight);
    if (!RunRows(host, progress, nHeight, nBorder, nHeight - nBorder, [&](int y) { kernel(images, *pResult, y); }))
        return false;
    images.clear();
    const bool bKept = keep(std::move(pResult));
    if (progress.bProgressBar)
        host.ResetProgress();
    return bKept;
}
