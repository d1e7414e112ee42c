// CSmoothingCommands: "Create outline images" and its sign, gradient and mask stages.
#include "engine/io/file_names.h"
#include "engine/job/depth_map_job.h"
#include "engine/job/job_folders.h"
#include "engine/job/row_stage.h"
#include "engine/kernels/gradient_image.h"
#include "engine/kernels/outline_mask.h"
#include "engine/kernels/sign_image.h"
#include "smoothing/smoothing_commands.h"

#include <algorithm>
#include <new>

SCommandOutcome CSmoothingCommands::CreateOutlineImages(const SSmoothingInputs& inputs)
{
    m_saveFormat = inputs.saveFormat;
    m_strLeftOutlinePath = MakeDerivedName(inputs.strLeftBase, kSuffixOutline, m_saveFormat);
    m_strRightOutlinePath = MakeDerivedName(inputs.strRightBase, kSuffixOutline, m_saveFormat);
    m_strLeftGradientPath = MakeDerivedName(inputs.strLeftBase, kSuffixGradient, m_saveFormat);
    m_strRightGradientPath = MakeDerivedName(inputs.strRightBase, kSuffixGradient, m_saveFormat);
    SCommandOutcome outcome;
    CJobFolders folders;
    if (ClaimFolders(folders, {inputs.strLeftPath, inputs.strRightPath},
                     {{m_strLeftOutlinePath, inputs.strLeftPath},
                      {m_strRightOutlinePath, inputs.strRightPath},
                      {m_strLeftGradientPath, inputs.strLeftPath},
                      {m_strRightGradientPath, inputs.strRightPath}})) {
        const CStageFilesScope scope(m_files, folders);
        m_files.Hold(m_strLeftOutlinePath);
        m_files.Hold(m_strRightOutlinePath);
        bool bLeftReady = MakeSignImage(inputs.strLeftPath, m_strLeftOutlinePath);
        bool bRightReady = MakeSignImage(inputs.strRightPath, m_strRightOutlinePath);
        bLeftReady = MakeGradientImage(inputs.strLeftPath, m_strLeftGradientPath) && bLeftReady;
        bRightReady = MakeGradientImage(inputs.strRightPath, m_strRightGradientPath) && bRightReady;
        m_files.Release(m_strLeftOutlinePath);
        m_files.Release(m_strRightOutlinePath);
        outcome.bDone = MaskBothSides(bLeftReady, bRightReady, outcome);
    }
    Finish(outcome, inputs.bPreview, m_strRightOutlinePath);
    return outcome;
}

// A side whose sign or gradient image was not made is not masked: the mask
// would read older files of those names and pass them off as new.
bool CSmoothingCommands::MaskBothSides(bool bLeftReady, bool bRightReady, SCommandOutcome& outcome)
{
    bool bLeftDone = false;
    bool bRightDone = false;
    try {
        bLeftDone = bLeftReady && MaskOutlineImage(m_strLeftOutlinePath, m_strLeftGradientPath, m_strLeftOutlinePath);
        if (bLeftDone)
            outcome.written.push_back(m_strLeftOutlinePath);
        bRightDone
            = bRightReady && MaskOutlineImage(m_strRightOutlinePath, m_strRightGradientPath, m_strRightOutlinePath);
        if (bRightDone)
            outcome.written.push_back(m_strRightOutlinePath);
    } catch (...) {
        m_pHost->ShowMessage(kMsgMaskFailed);
    }
    return bLeftDone && bRightDone;
}

// The sign and gradient stages: the source's image of the kernel, the size of the source.
bool CSmoothingCommands::MakeRowImage(const std::string& source, const std::string& destination, RowKernel kernel)
{
    try {
        return RunRowStage(
            m_files, *m_pHost, {}, {{source, kMsgLoadLeftOrRight}}, destination, m_saveFormat, 0,
            [kernel](const TStageImages& inputs, CImage& output, int y) { kernel(*inputs[0], output, y); });
    } catch (const std::bad_alloc&) {
        return ShowNoMemory(source);
    }
}

bool CSmoothingCommands::MakeSignImage(std::string source, std::string outline)
{
    return MakeRowImage(source, outline, ComputeSignRow);
}

bool CSmoothingCommands::MakeGradientImage(std::string source, std::string gradient)
{
    return MakeRowImage(source, gradient, ComputeGradientRow);
}

// Any exception is left to the command, which reports it as "SOS".
bool CSmoothingCommands::MaskOutlineImage(std::string outline, std::string gradient, std::string result)
{
    return RunRowStage(m_files, *m_pHost, {}, {{outline, kMsgLoadOutline}, {gradient, kMsgLoadGradient}}, result,
                       m_saveFormat, 0, [this](const TStageImages& inputs, CImage& masked, int y) {
                           MaskOutlineRow(*inputs[0], *inputs[1], m_nLevel, masked, y);
                       });
}
