// CSmoothingCommands: the inputs from the main side and the load, save and row loop its stages share.
#include "smoothing/smoothing_commands.h"

#include "engine/depth_map_job.h"
#include "engine/image_file.h"

SSmoothingInputs SmoothingInputsOf(const CDepthMapJob& job)
{
    SSmoothingInputs inputs;
    inputs.strLeftPath = job.m_strLeftPath;
    inputs.strRightPath = job.m_strRightPath;
    inputs.strLeftBase = job.m_strLeftBase;
    inputs.strRightBase = job.m_strRightBase;
    inputs.nSaveFormat = job.m_nSaveFormat;
    inputs.bPreview = job.m_bPreview != 0;
    return inputs;
}

// Anything but a readable 24-bit image is a failed load, shown with the
// stage's own message unless the image is too large for memory.
bool CSmoothingCommands::LoadStageImage(const std::string& path, const char* loadMessage, CImage& image)
{
    SLoadResult loaded = LoadImageFile(path);
    if (loaded.status == ELoadStatus::kOk) {
        image = std::move(loaded.image);
        return true;
    }
    const std::string detail = DescribeLoadFailure(loaded, path);
    m_pHost->ShowMessage(detail.empty() ? loadMessage : detail);
    return false;
}

bool CSmoothingCommands::SaveImage(const CImage& image, const std::string& path)
{
    if (SaveImageFile(image, path, m_nSaveFormat))
        return true;
    m_pHost->ShowMessage(CreateFileMessage(path));
    return false;
}

// Lets the front end paint between rows; false when it asked to stop.
bool CSmoothingCommands::ForEachRow(int nRows, const std::function<void(int)>& row)
{
    for (int y = 0; y < nRows; ++y) {
        m_pHost->PumpEvents();
        if (m_pHost->IsCancelled())
            return false;
        row(y);
    }
    return true;
}

// The working images of a stage did not fit in memory: that stage fails.
bool CSmoothingCommands::ShowNoMemory(const std::string& path)
{
    m_pHost->ShowMessage("Not enough memory to process the image " + path + ".");
    return false;
}

void CSmoothingCommands::Finish(SCommandOutcome& outcome, bool bPreview, const std::string& previewPath) const
{
    outcome.bCancelled = m_pHost->IsCancelled();
    if (outcome.bCancelled)
        outcome.bDone = false;
    else if (bPreview)
        outcome.strPreviewPath = previewPath;
}
