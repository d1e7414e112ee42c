// The row-stage runner: the one loop of rows with events, cancellation and progress, and the load and save around it.
#include "engine/row_stage.h"

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

bool RunRowStage(CStageFiles& files, CStageHost& host, const SRowProgress& progress,
                 const std::vector<SStageInput>& inputs, const std::string& output, int nSaveFormat, int nBorder,
                 const TRowKernel& kernel)
{
    if (progress.szStatus != nullptr)
        host.SetStatus(progress.szStatus);
    if (host.IsCancelled())
        return false;
    std::vector<CImage> images(inputs.size());
    for (std::size_t n = 0; n < inputs.size(); ++n)
        if (!files.Load(inputs[n].path, inputs[n].szLoadMessage, images[n]))
            return false;
    int nWidth = images.front().Width();
    int nHeight = images.front().Height();
    for (const CImage& image : images) {
        nWidth = std::min(nWidth, image.Width());
        nHeight = std::min(nHeight, image.Height());
    }
    CImage result(nWidth, nHeight);
    if (!RunRows(host, progress, nHeight, nBorder, nHeight - nBorder, [&](int y) { kernel(images, result, y); }))
        return false;
    images.clear();
    const bool bSaved = files.Save(std::move(result), output, nSaveFormat);
    if (progress.bProgressBar)
        host.ResetProgress();
    return bSaved;
}
