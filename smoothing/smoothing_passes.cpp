// CSmoothingCommands: "Smooth left/right depth map": the passes in memory, the result saved once.
#include "engine/io/file_names.h"
#include "engine/job/smoothing_stages.h"
#include "smoothing/smoothing_commands.h"

SCommandOutcome CSmoothingCommands::SmoothSide(const SSmoothingInputs& inputs, bool bRight)
{
    m_saveFormat = inputs.saveFormat;
    const std::string& base = bRight ? inputs.strRightBase : inputs.strLeftBase;
    const std::string map = MakeDerivedName(base, kSuffixDepthMap, m_saveFormat);
    const std::string result = MakeDerivedName(base, kSuffixDepthMapNew, m_saveFormat);
    const std::string outline = MakeDerivedName(base, kSuffixOutline, m_saveFormat);
    SCommandOutcome outcome;
    outcome.bDone
        = RunInFolders({map, outline}, {{result, map}}, false, [&] { return SmoothFiles(outline, map, result); });
    if (outcome.bDone)
        outcome.written.push_back(result);
    Finish(outcome, inputs.bPreview, result);
    return outcome;
}

bool CSmoothingCommands::SmoothFiles(const std::string& outline, const std::string& map, const std::string& result)
{
    return CatchNoMemory("Not enough memory to process the image " + map + ".", [&] {
        const TImage pOutline = m_pHost->IsCancelled() ? nullptr : m_files.Load(outline, kMsgLoadOutline);
        TImage pMap = pOutline ? m_files.Load(map, kMsgLoadDepthMap) : nullptr;
        pMap = pMap ? SmoothDepthMap(std::move(pMap), *pOutline, m_nDegree, *m_pHost) : nullptr;
        return pMap && m_files.Save(std::move(pMap), result, m_saveFormat);
    });
}
