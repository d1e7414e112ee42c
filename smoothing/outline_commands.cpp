// CSmoothingCommands: "Create outline images": sign and gradient images of both sources, then the masks.
#include "engine/io/file_names.h"
#include "engine/job/depth_map_job.h"
#include "engine/job/smoothing_stages.h"
#include "smoothing/smoothing_commands.h"

SCommandOutcome CSmoothingCommands::CreateOutlineImages(const SSmoothingInputs& inputs)
{
    m_saveFormat = inputs.saveFormat;
    SSide sides[2];
    for (const bool bRight : {false, true}) {
        const std::string& base = bRight ? inputs.strRightBase : inputs.strLeftBase;
        sides[bRight].source = bRight ? inputs.strRightPath : inputs.strLeftPath;
        sides[bRight].outline = MakeDerivedName(base, kSuffixOutline, m_saveFormat);
        sides[bRight].gradient = MakeDerivedName(base, kSuffixGradient, m_saveFormat);
    }
    SCommandOutcome outcome;
    RunInFolders({sides[0].source, sides[1].source},
                 {{sides[0].outline, sides[0].source},
                  {sides[1].outline, sides[1].source},
                  {sides[0].gradient, sides[0].source},
                  {sides[1].gradient, sides[1].source}},
                 false, [&] {
                     for (SSide& side : sides)
                         side.sign = FromSource(side.source, MakeSignImage, {});
                     for (SSide& side : sides)
                         side.gradientImage = FromSource(side.source, MakeGradientImage, side.gradient);
                     return outcome.bDone = MaskBothSides(sides, outcome);
                 });
    Finish(outcome, inputs.bPreview, sides[1].outline);
    return outcome;
}

// A stage over a source: loaded, made in memory and saved under `saved`
// unless that is empty; null when the stage failed or was cancelled.
CSmoothingCommands::TImage CSmoothingCommands::FromSource(const std::string& source, TSourceStage stage,
                                                          const std::string& saved)
{
    TImage made;
    CatchNoMemory("Not enough memory to process the image " + source + ".", [&] {
        const TImage image = m_pHost->IsCancelled() ? nullptr : m_files.Load(source, kMsgLoadLeftOrRight);
        made = image ? stage(*image, *m_pHost) : nullptr;
        if (made && !saved.empty() && !m_files.Save(made, saved, m_saveFormat))
            made = nullptr;
        return made != nullptr;
    });
    return made;
}

// A side whose sign or gradient image was not made is not masked: the
// earlier outline image stays as it was.
bool CSmoothingCommands::MaskBothSides(SSide (&sides)[2], SCommandOutcome& outcome)
{
    bool bDone = true;
    try {
        for (const SSide& side : sides) {
            const bool bMasked = MaskSide(side);
            if (bMasked)
                outcome.written.push_back(side.outline);
            bDone = bDone && bMasked;
        }
    } catch (...) {
        m_pHost->ShowMessage(kMsgMaskFailed);
        bDone = false;
    }
    return bDone;
}

// Any exception is left to the command, which reports it as "SOS".
bool CSmoothingCommands::MaskSide(const SSide& side)
{
    if (!side.sign || !side.gradientImage)
        return false;
    TImage outline = MaskOutlineImage(*side.sign, *side.gradientImage, m_nLevel, *m_pHost);
    return outline && m_files.Save(std::move(outline), side.outline, m_saveFormat);
}
