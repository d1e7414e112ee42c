// Image files: round trips in every format, and everything that is not a whole image of a decoded type refused.
#include "engine/io/file_names.h"
#include "engine/io/image_file.h"
#include "engine/io/image_writer.h"
#include "engine/io/safe_file.h"
#include "support/test_images.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <thread>

// Every format keeps the row order and the byte order. A job decodes its two
// inputs side by side, and a batch runs jobs side by side: loads on several
// threads at once each find the type of their name and give their image.
TEST(ImageFile, RoundTripsEveryFormatAlsoOnManyThreadsAtOnce)
{
    CTempFolder folder;
    std::mt19937 random(4);
    const CImage image = RandomImage(13, 7, random);
    for (const SSaveFormatInfo& info : SaveFormats()) {
        const std::string path = folder.File(std::string("x.") + info.szExtension);
        ASSERT_TRUE(SaveImageFile(image, path, info.format));
        EXPECT_EQ(LoadImageFile(path).image, image) << path;
    }
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"x.bmp", "x.png", "x.tif"}));
    std::atomic<int> nRight{0};
    std::vector<std::jthread> threads;
    for (int n = 0; n < 4; ++n)
        threads.emplace_back([&] {
            for (int k = 0; k < 2000; ++k) {
                const bool bImage = k % 100 == 0;
                const SLoadResult loaded = LoadImageFile(folder.File(bImage      ? "x.png"
                                                                         : k % 2 ? "none.tif"
                                                                                 : "none.gif"));
                nRight += bImage ? loaded.image == image
                                 : loaded.status == (k % 2 ? ELoadStatus::kUnreadable : ELoadStatus::kUnsupported);
            }
        });
    threads.clear();
    EXPECT_EQ(nRight, 8000);
}

// Anything but a whole image file fails, without blocking and without
// decoding what cannot be there: a FIFO (opening it would wait for a writer),
// a device, a folder, an empty or garbage file, one of another type under
// the name, a file cut short anywhere (the decoders would fill the rest with
// black) and a header naming more pixels than the file can hold (a 54-byte
// BMP of 14000 x 14000). Files of other types are not decoded: a GIF
// claiming 65535 x 65535 would have no header-only check.
TEST(ImageFile, RefusesWhatIsNoWholeImageOfTheFourTypes)
{
    CTempFolder folder;
    ASSERT_EQ(::mkfifo(folder.File("pipe.bmp").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", folder.File("zero.tif"));
    std::filesystem::create_directory(folder.File("folder.png"));
    WriteBytes(folder.File("empty.jpg"), "");
    WriteBytes(folder.File("garbage.tif"), std::string(5000, 'Z'));
    std::mt19937 random(8);
    const CImage image = RandomImage(30, 30, random);
    std::vector<std::string> names{"pipe.bmp", "zero.tif", "folder.png", "empty.jpg", "garbage.tif", "missing.png"};
    for (const SSaveFormatInfo& info : SaveFormats())
        SaveImageFile(image, folder.File(std::string("x.") + info.szExtension), info.format);
    WriteBytes(folder.File("x.jpg"), EncodeJpeg(image));
    WriteBytes(folder.File("png-inside.bmp"), ReadBytes(folder.File("x.png")));
    names.push_back("png-inside.bmp");
    for (const char* extension : {"bmp", "png", "tif", "jpg"}) {
        const std::string bytes = ReadBytes(folder.File(std::string("x.") + extension));
        for (const std::size_t nCut : {bytes.size() / 2, std::size_t{1}}) {
            names.push_back("cut" + std::to_string(nCut) + "." + extension);
            WriteBytes(folder.File(names.back()), bytes.substr(0, bytes.size() - nCut));
        }
    }
    WriteBytes(folder.File("bomb.bmp"), BmpClaiming(14000, 14000));
    names.push_back("bomb.bmp");
    for (const std::string& name : names)
        EXPECT_EQ(LoadImageFile(folder.File(name)).status, ELoadStatus::kUnreadable) << name;
    EXPECT_NE(LoadImageFile(folder.File("bomb.bmp")).strReason.find("14000 x 14000"), std::string::npos);
    EXPECT_EQ(LoadImageFile("").status, ELoadStatus::kUnreadable);
    WriteBytes(folder.File("bomb.gif"), std::string("GIF89a\xff\xff\xff\xff", 10) + std::string(3, '\0'));
    SaveWithDepth(folder.File("real.tga"), 9, 7, 32);
    for (const std::string name : {"bomb.gif", "real.tga"})
        EXPECT_EQ(DescribeLoadFailure(LoadImageFile(folder.File(name)), name),
                  "The file " + name + " is not read: only BMP, PNG, TIFF and JPEG images are.");
}

// The limits are read from the header, before anything is decoded; at the
// limits an image is accepted.
TEST(ImageFile, SizeLimitsRefuseHeadersBeyondThemAndAcceptImagesAtThem)
{
    CTempFolder folder;
    WriteBytes(folder.File("huge.bmp"), BmpClaiming(60000, 60000));
    EXPECT_EQ(DescribeLoadFailure(LoadImageFile(folder.File("huge.bmp")), "p.png"),
              "The image p.png is too large (60000 x 60000 pixels; the limit is 32768 pixels a side and 200000000 "
              "pixels in all).");
    SaveImageFile(UniformImage(100, 100, 1, 2, 3), folder.File("ten-thousand.png"), kFormatPng);
    const struct {
        SImageLimits limits;
        ELoadStatus status;
    } cases[] = {{{1000, 9999}, ELoadStatus::kTooLarge},
                 {{99, 1'000'000}, ELoadStatus::kTooLarge},
                 {{100, 10'000}, ELoadStatus::kOk}};
    for (const auto& c : cases) {
        SetImageLimits(c.limits);
        EXPECT_EQ(LoadImageFile(folder.File("ten-thousand.png")).status, c.status) << c.limits.nMaxSide;
    }
    SetImageLimits({});
}

// Whatever fails (the writer of the bytes, the folder, the rename), the
// name keeps its earlier file and no temporary stays: for a single save, and
// for the saves written behind a job, where the ones queued after a failure
// are never written.
TEST(ImageFile, FailedSaveKeepsTheEarlierFileAndLeavesNoTemporary)
{
    CTempFolder folder;
    const std::string path = folder.File("map.bmp");
    ASSERT_TRUE(SaveImageFile(UniformImage(3, 3, 1, 2, 3), path, kFormatBmp));
    const std::string before = ReadBytes(path);
    EXPECT_FALSE(SaveImageFile(CImage(), path, kFormatBmp));
    EXPECT_FALSE(WriteFileSafely(path, [](std::FILE* pFile) { return std::fputs("half", pFile) < 0; }));
    EXPECT_FALSE(SaveImageFile(UniformImage(3, 3, 9, 9, 9), folder.File("no/such/folder/map.bmp"), kFormatBmp));
    std::filesystem::create_directory(folder.File("taken.bmp"));
    EXPECT_FALSE(SaveImageFile(UniformImage(3, 3, 9, 9, 9), folder.File("taken.bmp"), kFormatBmp));
    {
        CImageWriter writer;
        writer.Queue(std::make_shared<const CImage>(UniformImage(3, 3, 7, 7, 7)), folder.File("first.bmp"), kFormatBmp,
                     -1);
        writer.Queue(std::make_shared<const CImage>(), path, kFormatBmp, -1);
        writer.Queue(std::make_shared<const CImage>(UniformImage(3, 3, 7, 7, 7)), folder.File("later.bmp"), kFormatBmp,
                     -1);
        EXPECT_EQ(writer.Wait(), path);
    }
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"first.bmp", "map.bmp", "taken.bmp"}));
}
