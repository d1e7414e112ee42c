// The depth map in memory: each image is its kernel applied to the images before it, handed over in order; the file
// job writes exactly those images; refusals and cancellation.
#include "engine/io/file_names.h"
#include "engine/io/image_file.h"
#include "engine/job/depth_map_job.h"
#include "engine/job/depth_map_maker.h"
#include "engine/kernels/gradient_image.h"
#include "engine/kernels/working_scale.h"
#include "engine/search/fast_search.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace {

using TImage = std::shared_ptr<const CImage>;

// The pair in memory, with every image handed over kept by its kind.
class CKeptImages : public CPairInMemory {
public:
    using CPairInMemory::CPairInMemory;
    bool Take(EStageImage kind, const TImage& image) override
    {
        m_order.push_back(kind);
        m_taken[kind] = image;
        return true;
    }
    std::vector<EStageImage> m_order;
    std::map<EStageImage, TImage> m_taken;
};

// The map as the kernels make it, step by step.
CImage MapByKernels(const CImage& left, const CImage& right, bool bRightMap, const SDepthMapSettings& settings)
{
    const int nFactor = settings.m_nSpeedFactor;
    const auto prepare = [&](const CImage& image) {
        const CImage compared = settings.m_bAnalyzeSource ? image : ComputeGradientImage(image);
        return nFactor > 1 ? ReduceImageBy(compared, nFactor) : compared;
    };
    const CImage main = prepare(bRightMap ? right : left), other = prepare(bRightMap ? left : right);
    CRecordingHost host;
    SSearchResult search;
    EXPECT_TRUE(CFastSearch().Run(main, other, WorkingSearchSettings(settings), host, search));
    CImage map(search.xd.Width(), search.xd.Height());
    for (int y = 0; y < map.Height(); ++y)
        AssembleDepthRow(search.xd, search.yd, {search.nMinDx, search.nMaxDx, search.nMinDy, search.nMaxDy}, bRightMap,
                         map, y);
    return nFactor > 1 ? EnlargeImageBy(map, nFactor) : map;
}

} // namespace

// Each side, mode, speed and format: the map is the kernels' map, the
// images come in the order the job writes them, and the file job writes
// exactly them, each under its side's base (the gradients of both sides,
// left first), names the map, reports its stages to the host in order and
// never writes its settings.
TEST(DepthMapMaker, EachModeIsItsKernelsInOrderAndTheFileJobWritesTheSameImages)
{
    using enum EStageImage;
    const struct {
        bool bRight, bGradient;
        int nSpeed, nMaxParallaxY;
        std::vector<EStageImage> order;
        ESaveFormat format = kFormatPng;
    } cases[] = {{false, false, 1, 0, {kXd, kYd, kDepthMap}, kFormatBmp},
                 {true, true, 1, 2, {kLeftGradient, kRightGradient, kXd, kYd, kDepthMap}, kFormatTiff},
                 {false, true, 2, 0, {kLeftGradient, kRightGradient, kMainReduced, kOtherReduced, kXd, kYd, kDepthMap}},
                 {true, false, 3, 1, {kMainReduced, kOtherReduced, kXd, kYd, kDepthMap}}};
    // The file job's calls of the host in each case.
    const char* const events[]
        = {"status: Depth map creating|range: 0|range: 24|steps: 24|reset|status: Depth map creating|range: 24|"
           "steps: 24|reset|status: Ready|",
           "status: Gradient image creating|range: 0|range: 24|steps: 22|reset|status: Gradient image creating|"
           "range: 24|steps: 22|reset|status: Depth map creating|range: 24|steps: 24|reset|status: Depth map "
           "creating|range: 24|steps: 24|reset|status: Ready|",
           "status: Gradient image creating|range: 0|range: 24|steps: 22|reset|status: Gradient image creating|"
           "range: 24|steps: 22|reset|status: Depth map creating|range: 12|steps: 12|reset|status: Depth map "
           "creating|range: 12|steps: 12|reset|status: Ready|",
           "status: Depth map creating|range: 0|range: 8|steps: 8|reset|status: Depth map creating|range: 8|"
           "steps: 8|reset|status: Ready|"};
    std::mt19937 random(5);
    const auto left = std::make_shared<const CImage>(RandomImage(40, 24, random));
    const auto right = std::make_shared<const CImage>(ShiftedCopy(*left, 3, random));
    for (std::size_t n = 0; n < std::size(cases); ++n) {
        const auto& c = cases[n];
        const SDepthMapSettings settings{4, 6, c.nMaxParallaxY, c.nSpeed, !c.bGradient, c.format};
        CRecordingHost host;
        CKeptImages images(left, right);
        const std::optional<SDepthMap> made = CDepthMapMaker().Make(c.bRight, settings, host, images);
        ASSERT_TRUE(made.has_value()) << testing::PrintToString(host.m_messages);
        EXPECT_EQ(*made->map, MapByKernels(*left, *right, c.bRight, settings));
        EXPECT_EQ(images.m_order, c.order);

        CTempFolder folder;
        SaveImageFile(*left, folder.File("left.png"), kFormatPng);
        SaveImageFile(*right, folder.File("right.png"), kFormatPng);
        CRecordingHost jobHost;
        CDepthMapJob job(jobHost);
        SetPair(job, folder.File("left.png"), folder.File("right.png"));
        job.m_settings = settings;
        ASSERT_TRUE(job.RunJob(c.bRight).bDone);
        const std::map<EStageImage, std::pair<bool, const char*>> files = {{kLeftGradient, {false, kSuffixGradient}},
                                                                           {kRightGradient, {true, kSuffixGradient}},
                                                                           {kMainReduced, {c.bRight, kSuffixResize}},
                                                                           {kOtherReduced, {!c.bRight, kSuffixResize}},
                                                                           {kXd, {c.bRight, kSuffixXd}},
                                                                           {kYd, {c.bRight, kSuffixYd}},
                                                                           {kDepthMap, {c.bRight, kSuffixDepthMap}}};
        const auto path = [&](EStageImage kind) {
            const auto& [bRightFile, suffix] = files.at(kind);
            return MakeDerivedName(folder.File(bRightFile ? "right" : "left"), suffix, c.format);
        };
        for (const auto& [kind, image] : images.m_taken)
            EXPECT_EQ(LoadImageFile(path(kind)).image, *image) << path(kind);
        std::string calls;
        for (const std::string& event : jobHost.Events())
            calls += event + "|";
        EXPECT_EQ(std::tuple(folder.Files().size(), calls, job.m_strDepthMapPath, job.m_settings.m_nMaxParallaxX),
                  std::tuple(images.m_taken.size() + 2, events[n], path(kDepthMap), 6));
    }
}

// A setting out of range, a pair too small for the speed factor and a
// cancelled host end the job with nothing made; only the first two say why,
// naming the image by what it is.
TEST(DepthMapMaker, RefusesWhatItCannotMake)
{
    std::mt19937 random(8);
    const auto image = std::make_shared<const CImage>(RandomImage(10, 10, random));
    const struct {
        int nFragmentSize, nSpeed;
        bool bCancelled;
        std::vector<std::string> messages;
    } cases[] = {{3, 1, false, {SDepthMapSettings{3}.Problem()}},
                 {2, 6, false, {"The image left is too small to be reduced by the speed factor 6."}},
                 {2, 1, true, {}}};
    for (const auto& c : cases) {
        CRecordingHost host;
        host.m_bCancelled = c.bCancelled;
        EXPECT_FALSE(MakeDepthMap(image, image, false, {c.nFragmentSize, 0, 0, c.nSpeed}, host).has_value());
        EXPECT_EQ(host.m_messages, c.messages);
    }
    CRecordingHost host;
    EXPECT_THROW(MakeDepthMap(image, nullptr, false, {}, host), std::invalid_argument);
}
