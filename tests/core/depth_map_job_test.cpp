// The depth-map job: files written per mode, message sequences of failing jobs, and odd inputs.
#include "engine/depth_map_assembly.h"
#include "engine/depth_map_job.h"
#include "engine/fast_search.h"
#include "engine/file_names.h"
#include "engine/gradient_image.h"
#include "engine/image_file.h"
#include "engine/working_scale.h"
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
        Choose(m_folder.File("left.png"), m_folder.File("right.png"));
        m_job.m_nFragmentSize = 4;
        m_job.m_nMaxParallaxX = 3;
    }

    void Choose(const std::string& left, const std::string& right)
    {
        m_job.m_strLeftPath = left;
        m_job.m_strRightPath = right;
        m_job.m_strLeftBase = MakeBase(left);
        m_job.m_strRightBase = MakeBase(right);
    }

    CImage Load(const std::string& name) const { return LoadImageFile(m_folder.File(name)).image; }

    CTempFolder m_folder;
    CRecordingHost m_host;
    CDepthMapJob m_job;
    CImage m_left, m_right;
};

} // namespace

TEST_F(DepthMapJobTest, LeftSourceJobWritesTheDisplacementsAndTheMapOnTheLeftBase)
{
    ASSERT_TRUE(m_job.RunJob(false));
    EXPECT_EQ(m_folder.Files(), (Names{"left-3dmap.bmp", "left-xd.bmp", "left-yd.bmp", "left.png", "right.png"}));
    EXPECT_EQ(m_job.m_strDepthMapPath, m_folder.File("left-3dmap.bmp"));
    EXPECT_EQ(m_host.Events(),
              (Names{"status: Depth map creating", "range: 16", "steps: 16", "reset", "status: Depth map creating",
                     "range: 16", "steps: 16", "reset", "status: Ready"}));
    const CImage map = Load("left-3dmap.bmp");
    ASSERT_EQ(map.Width(), 24);
    // The right view is shifted by 2: inside, dx = -2 is the lower corner of the range, white in a left map.
    EXPECT_EQ(m_job.m_nMinDx, -2);
    EXPECT_EQ(map.Pixel(12, 8)[0], 255);
}

TEST_F(DepthMapJobTest, RightGradientJobWritesBothGradientsLeftFirst)
{
    m_job.m_bAnalyzeSource = 0;
    m_job.m_nSaveFormat = kFormatPng;
    ASSERT_TRUE(m_job.RunJob(true));
    EXPECT_EQ(m_folder.Files(),
              (Names{"left-gradient.png", "left.png", "right-3dmap.png", "right-gradient.png", "right-xd.png",
                     "right-yd.png", "right.png"}));
    const Names events = m_host.Events();
    EXPECT_EQ(Names(events.begin(), events.begin() + 4),
              (Names{"status: Gradient image creating", "range: 16", "steps: 14", "reset"}));
    EXPECT_EQ(m_job.m_strMainImage, m_folder.File("right-gradient.png"));
    EXPECT_EQ(m_job.m_strOtherImage, m_folder.File("left-gradient.png"));
}

TEST_F(DepthMapJobTest, SpeedFactorReducesBothImagesAndEnlargesTheMap)
{
    m_job.m_nSpeedFactor = 3;
    m_job.m_nMaxParallaxX = 5;
    m_job.m_nSaveFormat = kFormatTiff;
    ASSERT_TRUE(m_job.RunJob(false));
    EXPECT_EQ(m_job.m_nMaxParallaxX, 2); // 5 / 3 = 1.67 rounds to 2
    EXPECT_EQ(m_folder.Files(),
              (Names{"left-3dmap.tif", "left-resize.tif", "left-xd.tif", "left-yd.tif", "left.png", "right-resize.tif",
                     "right.png"}));
    const CImage map = Load("left-3dmap.tif");
    EXPECT_EQ(map.Width(), (24 / 3 - 1) * 3);
    EXPECT_EQ(map.Height(), (16 / 3 - 1) * 3);
    EXPECT_EQ(Load("left-resize.tif").Width(), 8);
}

TEST_F(DepthMapJobTest, JobWithoutImagesShowsTheFirstLoadMessageAndWritesNothing)
{
    Choose("", "");
    EXPECT_FALSE(m_job.RunJob(false));
    EXPECT_EQ(m_host.Events(),
              (Names{"status: Depth map creating", "message: Couldn't load bitmap!", "status: Ready"}));
    m_job.m_bAnalyzeSource = 0;
    CRecordingHost gradientHost;
    m_job.SetHost(gradientHost);
    EXPECT_FALSE(m_job.RunJob(false));
    EXPECT_EQ(gradientHost.m_messages, Names{"Couldn't load left or right bitmap!"});
    EXPECT_EQ(m_folder.Files(), (Names{"left.png", "right.png"}));
    EXPECT_EQ(m_job.m_strDepthMapPath, "");
}

TEST_F(DepthMapJobTest, FailedLoadKeepsTheEarlierMapPath)
{
    ASSERT_TRUE(m_job.RunJob(false));
    const std::string earlier = m_job.m_strDepthMapPath;
    Choose(m_folder.File("left.png"), m_folder.File("gone.png"));
    m_job.m_nSaveFormat = kFormatPng;
    EXPECT_FALSE(m_job.RunJob(false));
    EXPECT_EQ(m_host.m_messages, Names{"Couldn't load bitmap!"});
    EXPECT_EQ(m_host.m_strStatus, "Ready");
    EXPECT_EQ(m_job.m_strDepthMapPath, earlier);
    EXPECT_FALSE(std::filesystem::exists(m_folder.File("left-xd.png")));
}

TEST_F(DepthMapJobTest, NonRgbSourceIsAFailedLoad)
{
    SaveWithDepth(m_folder.File("grey.png"), 24, 16, 8);
    Choose(m_folder.File("grey.png"), m_folder.File("right.png"));
    m_job.m_bAnalyzeSource = 0;
    EXPECT_FALSE(m_job.RunJob(false));
    EXPECT_EQ(m_host.m_messages, Names{"Couldn't load left or right bitmap!"});
    EXPECT_FALSE(std::filesystem::exists(m_folder.File("right-gradient.bmp")));
}

// Saves are written behind the stages: whichever fails, the job shows its
// message once, ends, and no file of a later stage appears.
TEST_F(DepthMapJobTest, FailedSaveNamesThePathAndEndsTheJob)
{
    const Names results{"left-gradient.bmp", "right-gradient.bmp", "left-resize.bmp", "right-resize.bmp",
                        "left-xd.bmp",       "left-yd.bmp",        "left-3dmap.bmp"};
    m_job.m_bAnalyzeSource = 0;
    m_job.m_nSpeedFactor = 2;
    for (std::size_t nFailing = 0; nFailing < results.size(); ++nFailing) {
        SCOPED_TRACE(results[nFailing]);
        for (const std::string& name : results)
            std::filesystem::remove_all(m_folder.File(name));
        std::filesystem::create_directory(m_folder.File(results[nFailing])); // where the file should go
        CRecordingHost host;
        m_job.SetHost(host);
        m_job.m_nMaxParallaxX = 3;
        EXPECT_FALSE(m_job.RunJob(false));
        EXPECT_EQ(host.m_messages, Names{"Couldn't create file: " + m_folder.File(results[nFailing])});
        EXPECT_EQ(host.m_strStatus, "Ready");
        EXPECT_EQ(m_job.m_strDepthMapPath, "");
        for (std::size_t n = 0; n < results.size(); ++n) {
            if (n != nFailing) {
                EXPECT_EQ(std::filesystem::exists(m_folder.File(results[n])), n < nFailing) << results[n];
            }
        }
        for (const std::string& name : m_folder.Files()) {
            EXPECT_NE(name.front(), '.') << name;
        }
    }
}

// Stages hand their images to each other in memory: each file is exactly
// its stage applied to the decoded files before it, in every format.
TEST_F(DepthMapJobTest, EveryFileIsItsStageAppliedToTheFilesBeforeIt)
{
    m_job.m_bAnalyzeSource = 0;
    m_job.m_nSpeedFactor = 2;
    for (const int nFormat : {kFormatBmp, kFormatPng, kFormatTiff}) {
        SCOPED_TRACE(nFormat);
        m_job.m_nSaveFormat = nFormat;
        m_job.m_nMaxParallaxX = 5;
        ASSERT_TRUE(m_job.RunJob(false));
        const auto file = [&](const char* name) { return Load(name + std::string(".") + SaveExtension(nFormat)); };
        EXPECT_EQ(file("left-gradient"), ComputeGradientImage(m_left));
        EXPECT_EQ(file("right-gradient"), ComputeGradientImage(m_right));
        EXPECT_EQ(file("left-resize"), ReduceImageBy(file("left-gradient"), 2));
        EXPECT_EQ(file("right-resize"), ReduceImageBy(file("right-gradient"), 2));
        CRecordingHost host;
        SSearchResult search;
        ASSERT_TRUE(CFastSearch().Run(file("left-resize"), file("right-resize"), {4, 3, 0}, host, search));
        EXPECT_EQ(file("left-xd"), search.xd);
        EXPECT_EQ(file("left-yd"), search.yd);
        CImage map(search.xd.Width(), search.xd.Height());
        for (int y = 0; y < map.Height(); ++y)
            AssembleDepthRow(file("left-xd"), file("left-yd"),
                             {search.nMinDx, search.nMaxDx, search.nMinDy, search.nMaxDy}, false, map, y);
        EXPECT_EQ(file("left-3dmap"), EnlargeImageBy(map, 2));
    }
}

TEST_F(DepthMapJobTest, MissingDisplacementImagesStopTheAssembly)
{
    EXPECT_FALSE(m_job.AssembleDepthMap(m_folder.File("none-xd.bmp"), m_folder.File("none-yd.bmp"), "x"));
    EXPECT_FALSE(m_job.AssembleDepthMap(m_folder.File("left.png"), m_folder.File("none-yd.bmp"), "x"));
    EXPECT_EQ(m_host.m_messages, (Names{"Couldn't load -xd bitmap!", "Couldn't load -yd bitmap!"}));
    EXPECT_EQ(m_host.m_nSteps, 0);
}

TEST_F(DepthMapJobTest, ChangingTheFormatChangesEveryExtensionAndKeepsEarlierFiles)
{
    ASSERT_TRUE(m_job.RunJob(false));
    m_job.m_nSaveFormat = kFormatPng;
    ASSERT_TRUE(m_job.RunJob(false));
    EXPECT_EQ(m_folder.Files(),
              (Names{"left-3dmap.bmp", "left-3dmap.png", "left-xd.bmp", "left-xd.png", "left-yd.bmp", "left-yd.png",
                     "left.png", "right.png"}));
    EXPECT_EQ(Load("left-3dmap.bmp"), Load("left-3dmap.png"));
}

TEST_F(DepthMapJobTest, OddPathsSizesAndSettingsHaveClearOutcomes)
{
    const std::filesystem::path odd = m_folder.Path() / "Été 2026.v2";
    std::filesystem::create_directory(odd);
    std::filesystem::copy_file(m_folder.File("left.png"), odd / "my left.photo.png");
    SaveImageFile(UniformImage(10, 30, 5, 5, 5), (odd / "small right.png").string(), kFormatPng);
    Choose((odd / "my left.photo.png").string(), (odd / "small right.png").string());
    ASSERT_TRUE(m_job.RunJob(false));
    EXPECT_EQ(m_job.m_strDepthMapPath, (odd / "my left.photo-3dmap.bmp").string());
    const CImage map = LoadImageFile(m_job.m_strDepthMapPath).image;
    EXPECT_EQ(map.Width(), 10); // the common area of 24 x 16 and 10 x 30
    EXPECT_EQ(map.Height(), 16);

    m_job.m_nSpeedFactor = 5; // the right image's 8 rows give 1, too few to enlarge the map again
    SaveImageFile(UniformImage(24, 8, 5, 5, 5), m_folder.File("low.png"), kFormatPng);
    Choose(m_folder.File("left.png"), m_folder.File("low.png"));
    EXPECT_FALSE(m_job.RunJob(false));
    EXPECT_EQ(m_host.m_messages.back(),
              "The image " + m_folder.File("low.png") + " is too small to be reduced by the speed factor 5.");

    m_job.m_nFragmentSize = 5;
    EXPECT_FALSE(m_job.RunJob(false));
    EXPECT_NE(m_host.m_messages.back().find("out of range"), std::string::npos);
}
