// Image files: round trips in every format, refusal of other depths, and saves that lose nothing.
#include "engine/file_names.h"
#include "engine/image_file.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(ImageFile, RoundTripsEveryFormatKeepingRowOrderAndByteOrder)
{
    CTempFolder folder;
    std::mt19937 random(4);
    const CImage image = RandomImage(13, 7, random);
    for (const int nFormat : {kFormatBmp, kFormatPng, kFormatTiff}) {
        const std::string path = folder.File(std::string("x.") + SaveExtension(nFormat));
        ASSERT_TRUE(SaveImageFile(image, path, nFormat));
        const SLoadResult loaded = LoadImageFile(path);
        ASSERT_EQ(loaded.status, ELoadStatus::kOk) << path;
        EXPECT_EQ(loaded.image, image) << path;
    }
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"x.bmp", "x.png", "x.tif"}));
}

TEST(ImageFile, RefusesEverythingButTwentyFourBitColour)
{
    CTempFolder folder;
    for (const auto& [name, bpp] : {std::pair<std::string, int>{"grey.png", 8}, {"alpha.png", 32}, {"deep.tif", 48}}) {
        SaveWithDepth(folder.File(name), 4, 3, bpp);
        const SLoadResult loaded = LoadImageFile(folder.File(name));
        EXPECT_EQ(loaded.status, ELoadStatus::kNotRgb) << name;
        EXPECT_EQ(loaded.nBitsPerPixel, bpp) << name;
        EXPECT_EQ(ReadBitsPerPixel(folder.File(name)), bpp) << name;
    }
}

// Anything but a whole image file fails: a file cut short anywhere (the
// decoders would fill the rest with black), a header naming more pixels than
// the file can hold (a 118-byte BMP of 14000 x 14000), no image at all.
TEST(ImageFile, RefusesFilesCutShortOrTooShortForTheirHeader)
{
    CTempFolder folder;
    std::mt19937 random(8);
    const CImage image = RandomImage(30, 30, random);
    for (const int nFormat : {kFormatBmp, kFormatPng, kFormatTiff})
        ASSERT_TRUE(SaveImageFile(image, folder.File(std::string("x.") + SaveExtension(nFormat)), nFormat));
    WriteBytes(folder.File("x.jpg"), EncodeJpeg(image));
    for (const char* extension : {"bmp", "png", "tif", "jpg"}) {
        const std::string bytes = ReadBytes(folder.File(std::string("x.") + extension));
        ASSERT_EQ(LoadImageFile(folder.File(std::string("x.") + extension)).status, ELoadStatus::kOk) << extension;
        for (const std::size_t nCut : {bytes.size() / 2, std::size_t{1}}) {
            const std::string path = folder.File(std::string("cut.") + extension);
            WriteBytes(path, bytes.substr(0, bytes.size() - nCut));
            EXPECT_EQ(LoadImageFile(path).status, ELoadStatus::kUnreadable) << extension << " less " << nCut;
        }
    }
    std::string bomb = ReadBytes(folder.File("x.bmp")).substr(0, 118);
    bomb.replace(18, 8, std::string("\xb0\x36\0\0\xb0\x36\0\0", 8)); // 14000 x 14000
    WriteBytes(folder.File("bomb.bmp"), bomb);
    const SLoadResult loaded = LoadImageFile(folder.File("bomb.bmp"));
    EXPECT_EQ(loaded.status, ELoadStatus::kUnreadable);
    EXPECT_NE(loaded.strReason.find("14000 x 14000"), std::string::npos) << loaded.strReason;

    WriteBytes(folder.File("garbage.png"), "definitely not a PNG file");
    WriteBytes(folder.File("empty.bmp"), "");
    std::filesystem::create_directory(folder.File("folder.png"));
    for (const char* name : {"garbage.png", "empty.bmp", "folder.png", "missing.png", "x.xyz"})
        EXPECT_NE(LoadImageFile(folder.File(name)).status, ELoadStatus::kOk) << name;
    EXPECT_EQ(LoadImageFile("").status, ELoadStatus::kUnreadable);
    EXPECT_EQ(ReadBitsPerPixel(folder.File("missing.png")), 0);
}

TEST(ImageFile, FailedSaveKeepsTheEarlierFileAndLeavesNoTemporary)
{
    CTempFolder folder;
    const std::string path = folder.File("map.bmp");
    ASSERT_TRUE(SaveImageFile(UniformImage(3, 3, 1, 2, 3), path, kFormatBmp));
    const std::string before = ReadBytes(path);
    EXPECT_FALSE(SaveImageFile(CImage(), path, kFormatBmp));
    EXPECT_FALSE(SaveImageFile(UniformImage(3, 3, 9, 9, 9), folder.File("no/such/folder/map.bmp"), kFormatBmp));
    std::filesystem::create_directory(folder.File("taken.bmp"));
    EXPECT_FALSE(SaveImageFile(UniformImage(3, 3, 9, 9, 9), folder.File("taken.bmp"), kFormatBmp));
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"map.bmp", "taken.bmp"}));
}
