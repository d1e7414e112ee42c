// CSmoothingCommands: the inputs from the main side.
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
