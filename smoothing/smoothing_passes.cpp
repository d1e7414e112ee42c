// CSmoothingCommands: "Smooth left/right depth map" and its passes.
#include "engine/io/file_names.h"
#include "engine/job/job_folders.h"
#include "engine/job/row_stage.h"
#include "engine/kernels/segment_smoothing.h"
#include "smoothing/smoothing_commands.h"

#include <algorithm>
#include <new>

SCommandOutcome CSmoothingCommands::SmoothSide(const SSmoothingInputs& inputs, bool bRight)
{
    m_bFailed = false;
    m_saveFormat = inputs.saveFormat;
    const std::string& base = bRight ? inputs.strRightBase : inputs.strLeftBase;
    const std::string map = MakeDerivedName(base, kSuffixDepthMap, m_saveFormat);
    const std::string result = MakeDerivedName(base, kSuffixDepthMapNew, m_saveFormat);
    std::string& outline = bRight ? m_strRightOutlinePath : m_strLeftOutlinePath;
    outline = MakeDerivedName(base, kSuffixOutline, m_saveFormat);
    CJobFolders folders;
    if (ClaimFolders(folders, {map, outline}, {{result, map}})) {
        const CStageFilesScope scope(m_files, folders);
        SmoothPasses(outline, map, result, std::max(1, m_nDegree));
    } else {
        m_bFailed = true;
    }
    SCommandOutcome outcome;
    outcome.bDone = !m_bFailed;
    if (outcome.bDone)
        outcome.written.push_back(result);
    Finish(outcome, inputs.bPreview, result);
    return outcome;
}

bool CSmoothingCommands::SmoothPasses(const std::string& outline, const std::string& map, const std::string& result,
                                      int nPasses)
{
    bool bDone = false;
    try {
        const std::shared_ptr<const CImage> pOutline
            = m_pHost->IsCancelled() ? nullptr : LoadStageImage(outline, kMsgLoadOutline);
        std::shared_ptr<const CImage> pMap = pOutline ? LoadStageImage(map, kMsgLoadDepthMap) : nullptr;
        bDone = pMap != nullptr;
        for (int nPass = 0; bDone && nPass < nPasses; ++nPass) {
            auto pSmoothed = std::make_shared<CImage>(AllocateSmoothingResult(*pOutline, *pMap));
            bDone = RunRows(*m_pHost, {}, pSmoothed->Height(), 0, pSmoothed->Height(),
                            [&](int y) { SmoothDepthRow(*pOutline, *pMap, *pSmoothed, y); });
            pMap = std::move(pSmoothed);
        }
        bDone = bDone && m_files.Save(std::move(pMap), result, m_saveFormat);
    } catch (const std::bad_alloc&) {
        bDone = ShowNoMemory(map);
    }
    if (!bDone)
        m_bFailed = true;
    return bDone;
}
