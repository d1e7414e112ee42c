// The outline and smoothing commands on files: results, message sequences, preview and cancelling.
#include "engine/io/image_file.h"
#include "engine/job/depth_map_job.h"
#include "engine/kernels/gradient_image.h"
#include "engine/kernels/outline_mask.h"
#include "engine/kernels/segment_smoothing.h"
#include "engine/kernels/sign_image.h"
#include "smoothing/smoothing_commands.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using TTexts = std::vector<std::string>;

// Throws from the n-th event pump on, as a failing event handler would.
class CThrowingHost : public CRecordingHost {
public:
    void PumpEvents() override
    {
        if (++m_nPumps >= m_nThrowAt)
            throw std::runtime_error("event handler failed");
    }
    int m_nThrowAt = 0;
};

// A 9 x 7 pair l.png, r.png; PNG output, "Preview images" set.
class SmoothingCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        SaveImageFile(m_left, m_inputs.strLeftPath, kFormatPng),
            SaveImageFile(m_right, m_inputs.strRightPath, kFormatPng);
    }
    std::string File(const std::string& name) const { return m_folder.File(name); }
    CImage Load(const std::string& name) const { return LoadImageFile(File(name)).image; }
    CImage Outline(const CImage& image) const
    {
        return MaskOutline(ComputeSignImage(image), ComputeGradientImage(image), m_commands.m_nLevel);
    }

    CTempFolder m_folder;
    std::mt19937 m_random{8};
    CImage m_left = RandomImage(9, 7, m_random), m_right = RandomImage(9, 7, m_random);
    SSmoothingInputs m_inputs{File("l.png"), File("r.png"), File("l"), File("r"), kFormatPng, true};
    CRecordingHost m_host;
    CSmoothingCommands m_commands{m_host};
};

} // namespace

TEST_F(SmoothingCommands, OutlineFailuresSpareTheOtherSideAndThePreview)
{
    CRecordingHost none;
    SCommandOutcome outcome = CSmoothingCommands(none).CreateOutlineImages({{}, {}, {}, {}, kFormatBmp, true});
    // Nothing chosen: no masks.
    EXPECT_EQ(std::tuple(none.m_messages, outcome.strPreviewPath),
              std::tuple(TTexts(4, kMsgLoadLeftOrRight), "-outline.bmp"));

    CThrowingHost throwing;
    throwing.m_nThrowAt = 4 * 7 + 1; // the first row of the left mask
    outcome = CSmoothingCommands(throwing).CreateOutlineImages(m_inputs);
    EXPECT_EQ(std::tuple(throwing.m_messages, outcome.strPreviewPath),
              std::tuple(TTexts{kMsgMaskFailed}, File("r-outline.png")));

    CRecordingHost failing;
    WriteBytes(File("r-outline.png"), "earlier");
    std::filesystem::remove(File("r-gradient.png"));
    std::filesystem::create_directory(File("r-gradient.png")); // the right gradient cannot be written
    outcome = CSmoothingCommands(failing).CreateOutlineImages(m_inputs);
    // No unmasked sign image under its name.
    EXPECT_EQ(std::tuple(failing.m_messages, ReadBytes(File("r-outline.png")), outcome.written),
              std::tuple(TTexts{CreateFileMessage(File("r-gradient.png"))}, "earlier", TTexts{File("l-outline.png")}));
    std::filesystem::remove(File("r-gradient.png"));

    SaveWithDepth(m_inputs.strLeftPath, 9, 7, 1); // 1-bit: as good as missing, saying so
    WriteBytes(File("l-outline.png"), "older");
    outcome = m_commands.CreateOutlineImages(m_inputs);
    // And no mask of the older file.
    EXPECT_EQ(std::tuple(m_host.m_messages, ReadBytes(File("l-outline.png")), outcome.written),
              std::tuple(TTexts(2, DescribeLoadFailure(LoadImageFile(m_inputs.strLeftPath), m_inputs.strLeftPath)),
                         "older", TTexts{File("r-outline.png")}));
}

// The outlines of both sides, previewing the right one, each the kernels' image with a pump a row of each of its sign,
// gradient and mask; then each degree's passes over the side's own outline, a pump a row.
TEST_F(SmoothingCommands, OutlinesOfBothSidesThenDegreePassesOverTheSidesOwnOutline)
{
    m_commands.m_nLevel = 120;
    const SCommandOutcome outlines = m_commands.CreateOutlineImages(m_inputs);
    EXPECT_EQ(
        std::tuple(outlines.bDone, outlines.written, outlines.strPreviewPath, Load("l-outline.png") == Outline(m_left),
                   m_host.m_nPumps),
        std::tuple(true, TTexts{File("l-outline.png"), File("r-outline.png")}, File("r-outline.png"), true, 2 * 3 * 7));
    SaveImageFile(m_left, File("r-3dmap.png"), kFormatPng);
    for (const int nPasses : {0, 1, 3}) {
        m_commands.m_nDegree = nPasses;
        const int nPumps = m_host.m_nPumps;
        const SCommandOutcome outcome = m_commands.SmoothRight(m_inputs);
        CImage expected = m_left;
        for (int n = 0; n < std::max(nPasses, 1); ++n)
            expected = SmoothDepth(Outline(m_right), expected);
        // A pump a row.
        EXPECT_EQ(std::tuple(Load("r-3dmapNew.png") == expected, m_host.m_nPumps - nPumps, outcome.bDone,
                             outcome.strPreviewPath),
                  std::tuple(true, std::max(nPasses, 1) * 7, true, File("r-3dmapNew.png")))
            << nPasses;
    }
    EXPECT_EQ(m_host.m_messages, TTexts{});
}

TEST_F(SmoothingCommands, FailedPassIsReportedOnceAndStopsTheCommand)
{
    m_commands.CreateOutlineImages(m_inputs);
    SCommandOutcome outcome = m_commands.SmoothLeft(m_inputs); // no "-3dmap." file
    EXPECT_EQ(std::tuple(m_host.m_messages, std::filesystem::exists(File("l-3dmapNew.png")), outcome.strPreviewPath),
              std::tuple(TTexts{kMsgLoadDepthMap}, false, File("l-3dmapNew.png")));

    SaveImageFile(m_left, File("l-3dmap.png"), kFormatPng);
    std::filesystem::create_directory(File("l-3dmapNew.png")); // the result cannot be written
    outcome = m_commands.SmoothLeft(m_inputs);
    EXPECT_EQ(m_host.m_messages, (TTexts{kMsgLoadDepthMap, CreateFileMessage(File("l-3dmapNew.png"))}));
    EXPECT_FALSE(outcome.bDone);

    CSmoothingCommands(m_host).SmoothLeft({}); // nothing chosen: no outline image
    EXPECT_EQ(m_host.m_messages.size() == 3 ? m_host.m_messages[2] : "", kMsgLoadOutline);
}
