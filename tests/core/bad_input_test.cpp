// Hostile and odd inputs: files that are not images, lie about their size, or sit at awkward paths.
#include "engine/depth_map_job.h"
#include "engine/file_names.h"
#include "engine/image_file.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>

namespace {

std::string Le16(unsigned n)
{
    return {static_cast<char>(n & 0xFF), static_cast<char>(n >> 8 & 0xFF)};
}
std::string Le32(std::uint32_t n)
{
    return Le16(n & 0xFFFF) + Le16(n >> 16);
}
std::string Be32(std::uint32_t n)
{
    return {static_cast<char>(n >> 24), static_cast<char>(n >> 16 & 0xFF), static_cast<char>(n >> 8 & 0xFF),
            static_cast<char>(n & 0xFF)};
}

std::uint32_t Crc32(const std::string& bytes)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

// A 24-bit BMP whose header claims the size; only a few pixel bytes follow.
std::string BmpClaiming(std::int32_t nWidth, std::int32_t nHeight)
{
    return "BM" + Le32(70) + Le32(0) + Le32(54) + Le32(40) + Le32(static_cast<std::uint32_t>(nWidth))
        + Le32(static_cast<std::uint32_t>(nHeight)) + Le16(1) + Le16(24) + Le32(0) + Le32(0) + Le32(2835) + Le32(2835)
        + Le32(0) + Le32(0) + std::string(16, '\0');
}

std::string PngChunk(const std::string& type, const std::string& data)
{
    return Be32(static_cast<std::uint32_t>(data.size())) + type + data + Be32(Crc32(type + data));
}

// An RGB PNG whose IHDR claims the size, with valid CRCs and an empty
// compressed stream for pixels.
std::string PngClaiming(std::uint32_t nWidth, std::uint32_t nHeight)
{
    const std::string ihdr = Be32(nWidth) + Be32(nHeight) + std::string{8, 2, 0, 0, 0};
    const std::string idat("\x78\x9c\x03\x00\x00\x00\x00\x01", 8);
    return "\x89PNG\r\n\x1a\n" + PngChunk("IHDR", ihdr) + PngChunk("IDAT", idat) + PngChunk("IEND", "");
}

// A little-endian RGB TIFF whose only directory claims the size.
std::string TiffClaiming(std::uint32_t nWidth, std::uint32_t nHeight)
{
    const std::array<std::array<std::uint32_t, 4>, 9> entries{{{256, 4, 1, nWidth},
                                                               {257, 4, 1, nHeight},
                                                               {258, 3, 1, 8},
                                                               {259, 3, 1, 1},
                                                               {262, 3, 1, 2},
                                                               {273, 4, 1, 8},
                                                               {277, 3, 1, 3},
                                                               {278, 4, 1, nHeight},
                                                               {279, 4, 1, 16}}};
    std::string tiff = "II*" + std::string(1, '\0') + Le32(24) + std::string(16, '\0') + Le16(entries.size());
    for (const auto& e : entries)
        tiff += Le16(e[0]) + Le16(e[1]) + Le32(e[2]) + Le32(e[3]);
    return tiff + Le32(0);
}

// A real JPEG of 8 x 8 pixels whose frame header is patched to claim the size.
std::string JpegClaiming(const std::string& path, std::uint16_t nWidth, std::uint16_t nHeight)
{
    FIBITMAP* pBitmap = FreeImage_Allocate(8, 8, 24);
    FreeImage_Save(FIF_JPEG, pBitmap, path.c_str(), 0);
    FreeImage_Unload(pBitmap);
    std::string jpeg = ReadBytes(path);
    const std::size_t sof = jpeg.find("\xFF\xC0");
    jpeg.replace(sof + 5, 4,
                 {static_cast<char>(nHeight >> 8), static_cast<char>(nHeight & 0xFF), static_cast<char>(nWidth >> 8),
                  static_cast<char>(nWidth & 0xFF)});
    return jpeg;
}

std::string GoodImageBytes(const CTempFolder& folder, int nFormat)
{
    const std::string path = MakeDerivedName(folder.File("good"), ".", nFormat);
    SaveImageFile(UniformImage(40, 30, 10, 200, 30), path, nFormat);
    return ReadBytes(path);
}

class BadInput : public testing::Test {
protected:
    ELoadStatus Load(const std::string& name) { return LoadImageFile(m_folder.File(name)).status; }
    void Write(const std::string& name, const std::string& bytes) { WriteBytes(m_folder.File(name), bytes); }

    CTempFolder m_folder;
};

} // namespace

TEST_F(BadInput, NamesThatAreNoRegularFileAreRefusedWithoutBlocking)
{
    // Opening a FIFO for reading would wait for a writer forever.
    ASSERT_EQ(::mkfifo(m_folder.File("pipe.bmp").c_str(), 0600), 0);
    EXPECT_EQ(Load("pipe.bmp"), ELoadStatus::kUnreadable);
    std::filesystem::create_symlink("/dev/zero", m_folder.File("zero.tif"));
    EXPECT_EQ(Load("zero.tif"), ELoadStatus::kUnreadable);
    for (const char* name : {"empty.bmp", "empty.png", "empty.tif", "empty.jpg"}) {
        Write(name, "");
        EXPECT_EQ(Load(name), ELoadStatus::kUnreadable) << name;
    }
}

TEST_F(BadInput, GarbageAndMislabelledFilesAreUnreadable)
{
    const std::string garbage(5000, '\x5A');
    for (const char* name : {"garbage.bmp", "garbage.png", "garbage.tif", "garbage.jpg"}) {
        Write(name, garbage);
        EXPECT_EQ(Load(name), ELoadStatus::kUnreadable) << name;
    }
    Write("png-inside.bmp", GoodImageBytes(m_folder, kFormatPng));
    EXPECT_EQ(Load("png-inside.bmp"), ELoadStatus::kUnreadable);
    Write("bmp-inside.tif", GoodImageBytes(m_folder, kFormatBmp));
    EXPECT_EQ(Load("bmp-inside.tif"), ELoadStatus::kUnreadable);
}

// A cut-off file either fails or decodes to the size its header names (the
// JPEG and TIFF decoders fill what is missing); it never yields anything else.
TEST_F(BadInput, TruncatedFilesFailOrKeepTheirDeclaredSize)
{
    for (const int nFormat : {kFormatBmp, kFormatPng, kFormatTiff}) {
        const std::string whole = GoodImageBytes(m_folder, nFormat);
        for (const std::size_t nKeep : {std::size_t{1}, std::size_t{20}, whole.size() / 2, whole.size() - 1}) {
            const std::string name = "cut" + std::to_string(nKeep) + "." + SaveExtension(nFormat);
            Write(name, whole.substr(0, nKeep));
            const SLoadResult result = LoadImageFile(m_folder.File(name));
            if (result.status == ELoadStatus::kOk)
                EXPECT_TRUE(result.image.Width() == 40 && result.image.Height() == 30) << name;
            else
                EXPECT_EQ(result.status, ELoadStatus::kUnreadable) << name;
        }
    }
}

TEST_F(BadInput, HugeDeclaredSizesAreRefusedFromTheHeader)
{
    Write("huge.bmp", BmpClaiming(100000, 100000));
    Write("huge-top-down.bmp", BmpClaiming(100000, -100000));
    Write("huge.png", PngClaiming(60000, 60000));
    Write("huge.tif", TiffClaiming(60000, 60000));
    Write("huge.jpg", JpegClaiming(m_folder.File("small.jpg"), 65000, 65000));
    Write("wide.png", PngClaiming(40000, 10));
    for (const char* name : {"huge.bmp", "huge-top-down.bmp", "huge.png", "huge.tif", "huge.jpg", "wide.png"})
        EXPECT_EQ(Load(name), ELoadStatus::kTooLarge) << name;
    // A side beyond int: libtiff itself refuses it.
    Write("beyond-int.tif", TiffClaiming(0xFFFFFFF0, 2));
    EXPECT_NE(Load("beyond-int.tif"), ELoadStatus::kOk);
    const SLoadResult png = LoadImageFile(m_folder.File("huge.png"));
    EXPECT_EQ(png.nWidth, 60000);
    EXPECT_EQ(png.nHeight, 60000);
    EXPECT_EQ(DescribeLoadFailure(png, "p.png"),
              "The image p.png is too large (60000 x 60000 pixels; the limit is 32768 pixels a side and 200000000 "
              "pixels in all).");
}

TEST_F(BadInput, SizeLimitsApplyToRealImagesBeforeDecoding)
{
    SaveImageFile(UniformImage(100, 100, 1, 2, 3), m_folder.File("ten-thousand.png"), kFormatPng);
    SetImageLimits({1000, 9999});
    EXPECT_EQ(Load("ten-thousand.png"), ELoadStatus::kTooLarge);
    SetImageLimits({99, 1'000'000});
    EXPECT_EQ(Load("ten-thousand.png"), ELoadStatus::kTooLarge);
    SetImageLimits({100, 10'000});
    EXPECT_EQ(Load("ten-thousand.png"), ELoadStatus::kOk);
    SetImageLimits({});
}

TEST_F(BadInput, TypesOutsideTheFourAreNotDecoded)
{
    // A GIF claiming 65535 x 65535: its decoder has no header-only mode.
    Write("bomb.gif",
          "GIF89a" + Le16(65535) + Le16(65535) + std::string(3, '\0') + "," + Le32(0) + Le16(65535) + Le16(65535)
              + std::string("\0\x02\x02\x44\x01\0;", 8));
    SaveWithDepth(m_folder.File("real.tga"), 9, 7, 32);
    for (const char* name : {"bomb.gif", "real.tga"}) {
        const SLoadResult result = LoadImageFile(m_folder.File(name));
        EXPECT_EQ(result.status, ELoadStatus::kUnsupported) << name;
        EXPECT_EQ(DescribeLoadFailure(result, name),
                  std::string("The file ") + name + " is not read: only BMP, PNG, TIFF and JPEG images are.");
    }
    Write("notes.txt", "left.png");
    EXPECT_EQ(Load("notes.txt"), ELoadStatus::kUnreadable);
}

TEST_F(BadInput, AMultiPageTiffGivesItsFirstPage)
{
    const std::string path = m_folder.File("pages.tif");
    FIMULTIBITMAP* pPages = FreeImage_OpenMultiBitmap(FIF_TIFF, path.c_str(), TRUE, FALSE);
    FIBITMAP* pFirst = FreeImage_Allocate(8, 6, 24);
    FIBITMAP* pSecond = FreeImage_Allocate(50, 40, 24);
    FreeImage_AppendPage(pPages, pFirst);
    FreeImage_AppendPage(pPages, pSecond);
    FreeImage_CloseMultiBitmap(pPages);
    FreeImage_Unload(pFirst);
    FreeImage_Unload(pSecond);
    const SLoadResult result = LoadImageFile(path);
    ASSERT_EQ(result.status, ELoadStatus::kOk);
    EXPECT_EQ(result.image.Width(), 8);
    EXPECT_EQ(result.image.Height(), 6);
}

namespace {

// A job over a pair in the test folder, in gradient mode so that every
// stage that can load a source is reached first by the hostile file.
class HostileJob : public testing::Test {
protected:
    HostileJob()
        : m_job(m_host)
    {
        m_job.m_bAnalyzeSource = 0;
        m_job.m_nMaxParallaxX = 2;
        m_job.m_nSpeedFactor = 2;
    }
    void SetPair(const std::string& left, const std::string& right)
    {
        m_job.m_strLeftPath = left;
        m_job.m_strRightPath = right;
        m_job.m_strLeftBase = MakeBase(left);
        m_job.m_strRightBase = MakeBase(right);
    }

    CTempFolder m_folder;
    CRecordingHost m_host;
    CDepthMapJob m_job;
};

} // namespace

TEST_F(HostileJob, AHugeHeaderEndsTheJobWithItsSizeAndWritesNothing)
{
    WriteBytes(m_folder.File("left.png"), PngClaiming(60000, 60000));
    SaveImageFile(UniformImage(20, 20, 5, 5, 5), m_folder.File("right.bmp"), kFormatBmp);
    SetPair(m_folder.File("left.png"), m_folder.File("right.bmp"));
    EXPECT_FALSE(m_job.RunJob(false));
    ASSERT_EQ(m_host.m_messages.size(), 1u);
    EXPECT_EQ(m_host.m_messages[0],
              DescribeLoadFailure(LoadImageFile(m_folder.File("left.png")), m_folder.File("left.png")));
    EXPECT_EQ(m_folder.Files(), (std::vector<std::string>{"left.png", "right.bmp"}));
    EXPECT_EQ(m_host.m_strStatus, kStatusReady);
}

TEST_F(HostileJob, GarbageAndUnsupportedSourcesGiveTheLoadMessage)
{
    WriteBytes(m_folder.File("left.jpg"), std::string(300, '\xFF'));
    WriteBytes(m_folder.File("right.gif"), "GIF89a");
    SetPair(m_folder.File("left.jpg"), m_folder.File("right.gif"));
    EXPECT_FALSE(m_job.RunJob(true));
    EXPECT_EQ(m_host.m_messages, std::vector<std::string>{kMsgLoadLeftOrRight});
    m_job.m_bAnalyzeSource = 1;
    m_host.m_messages.clear();
    EXPECT_FALSE(m_job.RunJob(true));
    EXPECT_EQ(m_host.m_messages,
              std::vector<std::string>{
                  DescribeLoadFailure(LoadImageFile(m_folder.File("right.gif")), m_folder.File("right.gif"))});
    EXPECT_EQ(m_folder.Files(), (std::vector<std::string>{"left.jpg", "right.gif"}));
}

// A name of 239 bytes (UTF-8) leaves room for "-gradient.png" but not for a
// temporary named after it in full: the temporary must take a shorter name.
TEST_F(HostileJob, ANameNearTheLengthLimitStillSaves)
{
    std::string title = "r";
    for (int i = 0; i < 119; ++i)
        title += "é";
    const std::string left = m_folder.File(title + ".bmp");
    std::mt19937 random(3);
    SaveImageFile(RandomImage(24, 18, random), left, kFormatBmp);
    SetPair(left, left);
    m_job.m_nSaveFormat = kFormatPng;
    ASSERT_TRUE(m_job.RunJob(true)) << testing::PrintToString(m_host.m_messages);
    std::vector<std::string> expected{title + "-3dmap.png", title + "-gradient.png", title + "-resize.png",
                                      title + "-xd.png",    title + "-yd.png",       title + ".bmp"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(m_folder.Files(), expected);
}
