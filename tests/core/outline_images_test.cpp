// Outline image kernels on hand-made images: signs and the mask threshold.
#include "engine/kernels/outline_mask.h"
#include "engine/kernels/sign_image.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

namespace {

std::vector<int> At(const CImage& image, int x, int y)
{
    return {image.Pixel(x, y)[0], image.Pixel(x, y)[1], image.Pixel(x, y)[2]};
}

} // namespace

// Green where the Laplacian of the brightness is positive, else blue, inside a black border.
TEST(OutlineImages, SignIsGreenWhereTheLaplacianIsPositiveElseBlue)
{
    CImage dot(5, 5);
    std::fill_n(dot.Pixel(2, 2), 3, 30);
    EXPECT_EQ(At(ComputeSignImage(dot), 2, 2), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(At(ComputeSignImage(dot), 1, 3), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(ComputeSignImage(UniformImage(2, 5, 9, 9, 9)), CImage(2, 5)); // no interior
    const CImage grey = ComputeSignImage(UniformImage(5, 4, 100, 100, 100));
    EXPECT_EQ(At(grey, 2, 2), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(At(grey, 0, 1), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(At(ComputeSignImage(UniformImage(5, 4, 1, 0, 0)), 2, 2), (std::vector<int>{0, 255, 0})); // residue
}

TEST(OutlineImages, MaskWhitensBelowTheLevelOverTheCommonArea)
{
    const CImage outline = ComputeSignImage(UniformImage(4, 3, 100, 100, 100));
    const CImage white = UniformImage(4, 3, 255, 255, 255);
    CImage gradient(5, 2);
    std::fill_n(gradient.Pixel(1, 1), 3, 50);
    std::fill_n(gradient.Pixel(2, 1), 3, 50), gradient.Pixel(2, 1)[0] = 49;
    const CImage masked = MaskOutline(outline, gradient, 50);
    ASSERT_EQ(std::vector<int>({masked.Width(), masked.Height()}), (std::vector<int>{4, 2}));
    EXPECT_EQ(At(masked, 1, 1), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(At(masked, 2, 1), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(MaskOutline(outline, white, 0), outline); // the black border too
    EXPECT_EQ(MaskOutline(outline, white, 256), white);
}
