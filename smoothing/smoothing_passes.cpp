// CSmoothingCommands: "Smooth left/right depth map" and its passes.
#include "engine/file_names.h"
#include "smoothing/segment_smoothing.h"
#include "smoothing/smoothing_commands.h"

#include <algorithm>
#include <new>

SCommandOutcome CSmoothingCommands::SmoothSide(const SSmoothingInputs& inputs, bool bRight)
{
    m_bFailed = 0;
    m_nSaveFormat = inputs.nSaveFormat;
    const std::string& base = bRight ? inputs.strRightBase : inputs.strLeftBase;
    const std::string map = MakeDerivedName(base, kSuffixDepthMap, m_nSaveFormat);
    const std::string result = MakeDerivedName(base, kSuffixDepthMapNew, m_nSaveFormat);
    std::string& outline = bRight ? m_strRightOutlinePath : m_strLeftOutlinePath;
    outline = MakeDerivedName(base, kSuffixOutline, m_nSaveFormat);
    // Later passes read the result of the one before; once a pass has
    // failed, the ones after it would only repeat its message.
    const int nPasses = std::max(1, m_nDegree);
    SmoothDepthMap(outline, map, result);
    for (int nPass = 1; nPass < nPasses && !m_bFailed; ++nPass)
        SmoothDepthMap(outline, result, result);
    SCommandOutcome outcome;
    outcome.bDone = !m_bFailed;
    if (outcome.bDone)
        outcome.written.push_back(result);
    Finish(outcome, inputs.bPreview, result);
    return outcome;
}

bool CSmoothingCommands::SmoothDepthMap(std::string outline, std::string map, std::string result)
{
    bool bDone = false;
    try {
        CImage outlineImage;
        CImage mapImage;
        bDone = !m_pHost->IsCancelled() && LoadStageImage(outline, kMsgLoadOutline, outlineImage)
            && LoadStageImage(map, kMsgLoadDepthMap, mapImage);
        if (bDone) {
            CImage smoothed = AllocateSmoothingResult(outlineImage, mapImage);
            bDone = ForEachRow(smoothed.Height(), [&](int y) { SmoothDepthRow(outlineImage, mapImage, smoothed, y); })
                && SaveImage(smoothed, result);
        }
    } catch (const std::bad_alloc&) {
        bDone = ShowNoMemory(map);
    }
    if (!bDone)
        m_bFailed = 1;
    return bDone;
}
