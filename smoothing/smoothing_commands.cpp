// CSmoothingCommands: the inputs from the main side and the load, save and row loop its stages share.
#include "smoothing/smoothing_commands.h"

#include "engine/job/depth_map_job.h"

SSmoothingInputs SmoothingInputsOf(const CDepthMapJob& job)
{
    SSmoothingInputs inputs;
    inputs.strLeftPath = job.m_pair.LeftPath();
    inputs.strRightPath = job.m_pair.RightPath();
    inputs.strLeftBase = job.m_pair.LeftBase();
    inputs.strRightBase = job.m_pair.RightBase();
    inputs.saveFormat = job.m_settings.m_saveFormat;
    inputs.bPreview = job.m_bPreview;
    return inputs;
}

bool CSmoothingCommands::ClaimFolders(CJobFolders& folders, const std::vector<std::string>& inputs,
                                      const std::vector<SPlannedWrite>& writes)
{
    return ClaimJobFolders(folders, inputs, writes, *m_pHost);
}

std::shared_ptr<const CImage> CSmoothingCommands::LoadStageImage(const std::string& path, const char* loadMessage)
{
    return m_files.Load(path, loadMessage);
}

bool CSmoothingCommands::SaveImage(CImage image, const std::string& path)
{
    return m_files.Save(std::move(image), path, m_saveFormat);
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
