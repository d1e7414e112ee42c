// Outline images and smoothing in memory: the kernels' images, a pump a row, nothing when cancelled.
#include "engine/job/smoothing_stages.h"
#include "engine/kernels/gradient_image.h"
#include "engine/kernels/outline_mask.h"
#include "engine/kernels/segment_smoothing.h"
#include "engine/kernels/sign_image.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

TEST(SmoothingStages, OutlineAndPassesAreTheKernelsImagesAndStopWhenCancelled)
{
    std::mt19937 random(4);
    const CImage source = RandomImage(12, 9, random);
    const auto map = std::make_shared<const CImage>(RandomImage(12, 9, random));
    for (const int nDegree : {0, 1, 4}) {
        CRecordingHost host;
        const auto outline = MakeOutlineImage(source, 60, host);
        ASSERT_TRUE(outline);
        EXPECT_EQ(*outline, MaskOutline(ComputeSignImage(source), ComputeGradientImage(source), 60));
        CImage expected = *map;
        for (int n = 0; n < std::max(nDegree, 1); ++n)
            expected = SmoothDepth(*outline, expected);
        const auto smoothed = SmoothDepthMap(map, *outline, nDegree, host);
        ASSERT_TRUE(smoothed);
        EXPECT_EQ(std::tuple(*smoothed, host.m_nPumps, host.Events()),
                  std::tuple(expected, 9 * (3 + std::max(nDegree, 1)), std::vector<std::string>{}));
        host.m_bCancelled = true;
        EXPECT_EQ(std::pair(MakeOutlineImage(source, 60, host), SmoothDepthMap(map, *outline, nDegree, host)),
                  std::pair(std::shared_ptr<const CImage>(), std::shared_ptr<const CImage>()));
    }
}
