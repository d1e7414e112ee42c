// The outline image in memory: the kernels' image, a pump a row, nothing when cancelled. (The smoothing passes are
// pinned through the commands that run them, in smoothing_commands_test and interrupt_test.)
#include "engine/job/smoothing_stages.h"
#include "engine/kernels/gradient_image.h"
#include "engine/kernels/outline_mask.h"
#include "engine/kernels/sign_image.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

// A pump a row of each of the sign, the gradient and the mask, and no progress calls.
TEST(SmoothingStages, OutlineIsTheKernelsImageAndStopsWhenCancelled)
{
    std::mt19937 random(4);
    const CImage source = RandomImage(12, 9, random);
    CRecordingHost host;
    const auto outline = MakeOutlineImage(source, 60, host);
    ASSERT_TRUE(outline);
    EXPECT_EQ(std::tuple(*outline, host.m_nPumps, host.Events()),
              std::tuple(MaskOutline(ComputeSignImage(source), ComputeGradientImage(source), 60), 9 * 3,
                         std::vector<std::string>{}));
    host.m_bCancelled = true;
    EXPECT_EQ(MakeOutlineImage(source, 60, host), nullptr);
}
