// BMP writer: every size gives the image library's bytes.
#include "engine/io/bmp_writer.h"
#include "support/test_images.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

// Widths of every remainder of the padding, from one pixel to a long row.
TEST(BmpWriter, WritesTheLibrarysBytes)
{
    CTempFolder folder;
    std::mt19937 random(11);
    for (const auto& [nWidth, nHeight] : {std::pair(1, 1), {2, 3}, {3, 2}, {4, 5}, {5, 1}, {1, 40}, {1001, 3}}) {
        const CImage image = RandomImage(nWidth, nHeight, random);
        FIBITMAP* pBitmap = FreeImage_Allocate(nWidth, nHeight, 24);
        for (int y = 0; y < nHeight; ++y)
            std::copy_n(image.Row(y).data(), image.Pitch(), FreeImage_GetScanLine(pBitmap, y));
        FreeImage_Save(FIF_BMP, pBitmap, folder.File("library.bmp").c_str(), 0);
        FreeImage_Unload(pBitmap);
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(folder.File("ours.bmp").c_str(), "wb"),
                                                                   std::fclose);
        ASSERT_TRUE(WriteBmp(image, file.get()));
        std::fflush(file.get());
        EXPECT_EQ(ReadBytes(folder.File("ours.bmp")), ReadBytes(folder.File("library.bmp")))
            << nWidth << " x " << nHeight;
    }
}
