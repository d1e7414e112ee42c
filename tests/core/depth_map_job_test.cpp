// The depth-map job: failing loads and saves, and odd inputs. (The files and host calls of each mode are pinned with
// the images in memory that they hold, in depth_map_maker_test.)
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
        const CImage left = RandomImage(24, 16, random);
        SaveImageFile(left, m_folder.File("left.png"), kFormatPng);
        SaveImageFile(ShiftedCopy(left, 2, random), m_folder.File("right.png"), kFormatPng);
        SetPair(m_job, m_folder.File("left.png"), m_folder.File("right.png"));
        Configure(true, 1, kFormatBmp);
    }

    // Fragment size 4, parallax up to 3 across and none up or down, and the rest as given.
    void Configure(bool bSource, int nSpeed, ESaveFormat format)
    {
        m_job.m_settings = {4, 3, 0, nSpeed, bSource, format};
    }

    // A fresh host for the job, and the folder back to the pair alone.
    void Reset()
    {
        m_host = CRecordingHost();
        for (const std::string& name : m_folder.Files())
            if (name != "left.png" && name != "right.png")
                std::filesystem::remove_all(m_folder.File(name));
    }

    CTempFolder m_folder;
    CRecordingHost m_host;
    CDepthMapJob m_job;
};

} // namespace

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
        bool bSource;
        int nSpeed;
        std::string message;
    } cases[] = {
        {"huge.bmp", true, 1, DescribeLoadFailure(LoadImageFile(m_folder.File("huge.bmp")), m_folder.File("huge.bmp"))},
        {"other.gif", true, 1,
         DescribeLoadFailure(LoadImageFile(m_folder.File("other.gif")), m_folder.File("other.gif"))},
        {"garbage.jpg", true, 1, kMsgLoadBitmap},
        {"gone.png", true, 1, kMsgLoadBitmap},
        {"gone.png", true, 2, kMsgLoadLeftOrRight},
        {"grey.png", false, 1,
         DescribeLoadFailure(LoadImageFile(m_folder.File("grey.png")), m_folder.File("grey.png"))},
        {"", false, 1, kMsgLoadLeftOrRight}};
    const Names before = m_folder.Files();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szBad);
        const std::string bad = *c.szBad ? m_folder.File(c.szBad) : "";
        const bool bBadFirst = !c.bSource || c.nSpeed > 1;
        SetPair(m_job, bBadFirst ? bad : m_folder.File("left.png"), bBadFirst ? m_folder.File("right.png") : bad);
        Configure(c.bSource, c.nSpeed, kFormatPng);
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
    Configure(false, 2, kFormatBmp);
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
    Configure(false, 2, kFormatPng);
    ASSERT_TRUE(m_job.RunJob(true).bDone) << testing::PrintToString(m_host.m_messages);
    EXPECT_EQ(LoadImageFile(m_folder.File(title + "-3dmap.png")).status, ELoadStatus::kOk);

    Configure(true, 5, kFormatPng); // the right image's 8 rows give 1, too few to enlarge the map again
    SaveImageFile(UniformImage(24, 8, 5, 5, 5), m_folder.File("low.png"), kFormatPng);
    SetPair(m_job, m_folder.File("left.png"), m_folder.File("low.png"));
    EXPECT_FALSE(m_job.RunJob(false).bDone);
    EXPECT_EQ(m_host.m_messages.back(),
              "The image " + m_folder.File("low.png") + " is too small to be reduced by the speed factor 5.");
}
