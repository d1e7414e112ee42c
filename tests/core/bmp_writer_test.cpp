// BMP writer: every size gives the image library's bytes.
#include "engine/io/bmp_writer.h"
#include "support/test_images.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>

// Widths of every remainder of the padding, from one pixel to a long row.
TEST(BmpWriter, WritesTheLibrarysBytes)
{
    CTempFolder folder;
    std::mt19937 random(11);
    for (const auto& [nWidth, nHeight] : {std::pair(1, 1), {2, 3}, {3, 2}, {4, 5}, {5, 1}, {1, 40}, {1001, 3}}) {
        const CImage image = RandomImage(nWidth, nHeight, random);
        SaveWithLibrary(image, folder.File("library.bmp"), FIF_BMP);
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(folder.File("ours.bmp").c_str(), "wb"),
                                                                   std::fclose);
        ASSERT_TRUE(WriteBmp(image, file.get()));
        std::fflush(file.get());
        EXPECT_EQ(ReadBytes(folder.File("ours.bmp")), ReadBytes(folder.File("library.bmp")))
            << nWidth << " x " << nHeight;
    }
}
