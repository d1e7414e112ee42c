// The depth-map job: files and host calls of each mode, its stages handed to each other in memory, failing loads and
// saves, and odd inputs.
#include "engine/io/file_names.h"
#include "engine/io/image_file.h"
#include "engine/job/depth_map_job.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using Names = std::vector<std::string>;

class DepthMapJobTest : public ::testing::Test {
protected:
    DepthMapJobTest()
        : m_job(m_host)
    {
        std::mt19937 random(21);
        m_left = RandomImage(24, 16, random);
        m_right = ShiftedCopy(m_left, 2, random);
        SaveImageFile(m_left, m_folder.File("left.png"), kFormatPng);
        SaveImageFile(m_right, m_folder.File("right.png"), kFormatPng);
        SetPair(m_job, m_folder.File("left.png"), m_folder.File("right.png"));
        m_job.m_settings.m_nFragmentSize = 4;
        m_job.m_settings.m_nMaxParallaxX = 3;
    }

    // A fresh host for the job, and the folder back to the pair alone.
    void Reset()
    {
        m_host = CRecordingHost();
        for (const std::string& name : m_folder.Files())
            if (name != "left.png" && name != "right.png")
                std::filesystem::remove_all(m_folder.File(name));
    }
    CImage Load(const std::string& name) const { return LoadImageFile(m_folder.File(name)).image; }

    CTempFolder m_folder;
    CRecordingHost m_host;
    CDepthMapJob m_job;
    CImage m_left, m_right;
};

} // namespace

// Each side, mode, speed and format: the files on the main base (the
// gradients of both sides, left first), the working images, and the host's
// calls in order.
TEST_F(DepthMapJobTest, EachModeWritesItsFilesAndReportsItsStages)
{
    const struct {
        bool bRight;
        int bAnalyzeSource, nSpeed;
        ESaveFormat format;
        const char* szFiles;
        const char* szEvents;
    } cases[]
        = {{false, 1, 3, kFormatBmp,
            "left-3dmap.bmp left-resize.bmp left-xd.bmp left-yd.bmp left.png right-resize.bmp right.png",
            "status: Depth map creating|range: 0|range: 5|steps: 5|reset|status: Depth map creating|range: 5|steps: 5|"
            "reset|status: Ready"},
           {true, 0, 1, kFormatPng,
            "left-gradient.png left.png right-3dmap.png right-gradient.png right-xd.png right-yd.png right.png",
            "status: Gradient image creating|range: 0|range: 16|steps: 14|reset|status: Gradient image creating|"
            "range: 16|steps: 14|reset|status: Depth map creating|range: 16|steps: 16|reset|status: Depth map creating|"
            "range: 16|steps: 16|reset|status: Ready"},
           {false, 0, 2, kFormatTiff,
            "left-3dmap.tif left-gradient.tif left-resize.tif left-xd.tif left-yd.tif left.png right-gradient.tif "
            "right-resize.tif right.png",
            "status: Gradient image creating|range: 0|range: 16|steps: 14|reset|status: Gradient image creating|"
            "range: 16|steps: 14|reset|status: Depth map creating|range: 8|steps: 8|reset|status: Depth map creating|"
            "range: 8|steps: 8|reset|status: Ready"}};
    const auto join = [](const Names& names, char cSeparator) {
        std::string text;
        for (const std::string& name : names)
            text += (text.empty() ? "" : std::string(1, cSeparator)) + name;
        return text;
    };
    for (const auto& c : cases) {
        Reset();
        m_job.m_settings.m_bAnalyzeSource = c.bAnalyzeSource;
        m_job.m_settings.m_nSpeedFactor = c.nSpeed;
        m_job.m_settings.m_saveFormat = c.format;
        m_job.m_settings.m_nMaxParallaxX = 5;
        ASSERT_TRUE(m_job.RunJob(c.bRight).bDone);
        const std::string main = c.bRight ? "right" : "left", extension = SaveExtension(c.format);
        EXPECT_EQ(std::tuple(join(m_folder.Files(), ' '), join(m_host.Events(), '|'), m_job.m_strDepthMapPath),
                  std::tuple(c.szFiles, c.szEvents, m_folder.File(main + "-3dmap." + extension)));
    }
    EXPECT_EQ(m_job.m_settings.m_nMaxParallaxX, 5); // the job reads its settings, never writes them
}

// A source that cannot be used ends the job with one message (the size of a
// huge header, the unread type, else the stage's own load message), keeps
// the earlier map's name, and writes nothing.
TEST_F(DepthMapJobTest, ASourceThatCannotBeUsedEndsTheJobWithItsMessage)
{
    ASSERT_TRUE(m_job.RunJob(false).bDone);
    const std::string earlier = m_job.m_strDepthMapPath;
    WriteBytes(m_folder.File("huge.bmp"), BmpClaiming(60000, 60000));
    WriteBytes(m_folder.File("garbage.jpg"), std::string(300, '\xFF'));
    WriteBytes(m_folder.File("other.gif"), "GIF89a");
    SaveWithDepth(m_folder.File("grey.png"), 24, 16, 1);
    // The search reads the left image first, the gradient stage and the reduction the left source first.
    const struct {
        const char* szBad;
        int bAnalyzeSource, nSpeed;
        std::string message;
    } cases[]
        = {{"huge.bmp", 1, 1, DescribeLoadFailure(LoadImageFile(m_folder.File("huge.bmp")), m_folder.File("huge.bmp"))},
           {"other.gif", 1, 1,
            DescribeLoadFailure(LoadImageFile(m_folder.File("other.gif")), m_folder.File("other.gif"))},
           {"garbage.jpg", 1, 1, kMsgLoadBitmap},
           {"gone.png", 1, 1, kMsgLoadBitmap},
           {"gone.png", 1, 2, kMsgLoadLeftOrRight},
           {"grey.png", 0, 1,
            DescribeLoadFailure(LoadImageFile(m_folder.File("grey.png")), m_folder.File("grey.png"))},
           {"", 0, 1, kMsgLoadLeftOrRight}};
    m_job.m_settings.m_saveFormat = kFormatPng;
    const Names before = m_folder.Files();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szBad);
        const std::string bad = *c.szBad ? m_folder.File(c.szBad) : "";
        const bool bBadFirst = !c.bAnalyzeSource || c.nSpeed > 1;
        SetPair(m_job, bBadFirst ? bad : m_folder.File("left.png"), bBadFirst ? m_folder.File("right.png") : bad);
        m_job.m_settings.m_bAnalyzeSource = c.bAnalyzeSource;
        m_job.m_settings.m_nSpeedFactor = c.nSpeed;
        m_host = CRecordingHost();
        EXPECT_FALSE(m_job.RunJob(false).bDone);
        EXPECT_EQ(std::tuple(m_host.m_messages, m_host.m_strStatus, m_job.m_strDepthMapPath, m_folder.Files()),
                  std::tuple(Names{c.message}, kStatusReady, earlier, before));
    }
}

// Saves are written behind the stages: whichever fails, the job shows its
// message once, ends, and no file of a later stage appears.
TEST_F(DepthMapJobTest, FailedSaveNamesThePathAndEndsTheJob)
{
    const Names results{"left-gradient.bmp", "right-gradient.bmp", "left-resize.bmp", "right-resize.bmp",
                        "left-xd.bmp",       "left-yd.bmp",        "left-3dmap.bmp"};
    m_job.m_settings.m_bAnalyzeSource = 0;
    m_job.m_settings.m_nSpeedFactor = 2;
    for (std::size_t nFailing = 0; nFailing < results.size(); ++nFailing) {
        SCOPED_TRACE(results[nFailing]);
        Reset();
        std::filesystem::create_directory(m_folder.File(results[nFailing])); // where the file should go
        EXPECT_FALSE(m_job.RunJob(false).bDone);
        // The files of the earlier stages and the folder in the way; no temporary.
        Names files(results.begin(), results.begin() + static_cast<std::ptrdiff_t>(nFailing) + 1);
        files.insert(files.end(), {"left.png", "right.png"});
        std::sort(files.begin(), files.end());
        EXPECT_EQ(std::tuple(m_host.m_messages, m_host.m_strStatus, m_job.m_strDepthMapPath, m_folder.Files()),
                  std::tuple(Names{"Couldn't create file: " + m_folder.File(results[nFailing])}, "Ready", "", files));
    }
}

// Paths with spaces, dots and accents; a pair of different sizes (their
// common area); a name near the length limit (239 bytes of UTF-8: room for
// "-gradient.png" but not for a temporary named after it in full); a speed
// factor too large for the image, which the job names by its path.
TEST_F(DepthMapJobTest, OddPathsSizesAndSettingsHaveClearOutcomes)
{
    const std::filesystem::path odd = m_folder.Path() / "Été 2026.v2";
    std::filesystem::create_directory(odd);
    std::filesystem::copy_file(m_folder.File("left.png"), odd / "my left.photo.png");
    SaveImageFile(UniformImage(10, 30, 5, 5, 5), (odd / "small right.png").string(), kFormatPng);
    SetPair(m_job, (odd / "my left.photo.png").string(), (odd / "small right.png").string());
    ASSERT_TRUE(m_job.RunJob(false).bDone);
    EXPECT_EQ(m_job.m_strDepthMapPath, (odd / "my left.photo-3dmap.bmp").string());
    const CImage map = LoadImageFile(m_job.m_strDepthMapPath).image;
    EXPECT_EQ(std::pair(map.Width(), map.Height()), std::pair(10, 16));

    std::string title = "r";
    for (int i = 0; i < 119; ++i)
        title += "é";
    std::filesystem::copy_file(m_folder.File("left.png"), m_folder.File(title + ".png"));
    SetPair(m_job, m_folder.File(title + ".png"), m_folder.File(title + ".png"));
    m_job.m_settings.m_bAnalyzeSource = 0;
    m_job.m_settings.m_nSpeedFactor = 2;
    m_job.m_settings.m_saveFormat = kFormatPng;
    ASSERT_TRUE(m_job.RunJob(true).bDone) << testing::PrintToString(m_host.m_messages);
    EXPECT_EQ(LoadImageFile(m_folder.File(title + "-3dmap.png")).status, ELoadStatus::kOk);

    m_job.m_settings.m_bAnalyzeSource = 1;
    m_job.m_settings.m_nSpeedFactor = 5; // the right image's 8 rows give 1, too few to enlarge the map again
    SaveImageFile(UniformImage(24, 8, 5, 5, 5), m_folder.File("low.png"), kFormatPng);
    SetPair(m_job, m_folder.File("left.png"), m_folder.File("low.png"));
    EXPECT_FALSE(m_job.RunJob(false).bDone);
    EXPECT_EQ(m_host.m_messages.back(),
              "The image " + m_folder.File("low.png") + " is too small to be reduced by the speed factor 5.");
}
