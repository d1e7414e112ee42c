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
    const bool bGradient = !settings.m_bAnalyzeSource;
    CImage main = bGradient ? ComputeGradientImage(bRightMap ? right : left) : (bRightMap ? right : left);
    CImage other = bGradient ? ComputeGradientImage(bRightMap ? left : right) : (bRightMap ? left : right);
    const int nFactor = settings.m_nSpeedFactor;
    if (nFactor > 1)
        main = ReduceImageBy(main, nFactor), other = ReduceImageBy(other, nFactor);
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

// Each side, mode and speed: the map is the kernels' map, the images come in
// the order the job writes them, and the file job's files hold exactly them.
TEST(DepthMapMaker, EachModeIsItsKernelsInOrderAndTheFileJobWritesTheSameImages)
{
    using enum EStageImage;
    const struct {
        bool bRight, bGradient;
        int nSpeed, nMaxParallaxY;
        std::vector<EStageImage> order;
    } cases[] = {{false, false, 1, 0, {kXd, kYd, kDepthMap}},
                 {true, true, 1, 2, {kLeftGradient, kRightGradient, kXd, kYd, kDepthMap}},
                 {false, true, 2, 0, {kLeftGradient, kRightGradient, kMainReduced, kOtherReduced, kXd, kYd, kDepthMap}},
                 {true, false, 3, 1, {kMainReduced, kOtherReduced, kXd, kYd, kDepthMap}}};
    std::mt19937 random(5);
    const auto left = std::make_shared<const CImage>(RandomImage(40, 24, random));
    const auto right = std::make_shared<const CImage>(ShiftedCopy(*left, 3, random));
    CTempFolder folder;
    SaveImageFile(*left, folder.File("left.png"), kFormatPng);
    SaveImageFile(*right, folder.File("right.png"), kFormatPng);
    for (const auto& c : cases) {
        SDepthMapSettings settings;
        settings.m_nFragmentSize = 4;
        settings.m_nMaxParallaxX = 6;
        settings.m_nMaxParallaxY = c.nMaxParallaxY;
        settings.m_nSpeedFactor = c.nSpeed;
        settings.m_bAnalyzeSource = !c.bGradient;
        settings.m_saveFormat = kFormatPng;
        CRecordingHost host;
        CKeptImages images(left, right);
        const std::optional<SDepthMap> made = CDepthMapMaker().Make(c.bRight, settings, host, images);
        ASSERT_TRUE(made.has_value()) << testing::PrintToString(host.m_messages);
        EXPECT_EQ(*made->map, MapByKernels(*left, *right, c.bRight, settings));
        EXPECT_EQ(images.m_order, c.order);

        CDepthMapJob job(host);
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
        for (const auto& [kind, image] : images.m_taken) {
            const auto& [bRightFile, suffix] = files.at(kind);
            const std::string path = MakeDerivedName(folder.File(bRightFile ? "right" : "left"), suffix, kFormatPng);
            EXPECT_EQ(LoadImageFile(path).image, *image) << path;
        }
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
        SDepthMapSettings settings;
        settings.m_nFragmentSize = c.nFragmentSize;
        settings.m_nSpeedFactor = c.nSpeed;
        CRecordingHost host;
        host.m_bCancelled = c.bCancelled;
        EXPECT_FALSE(MakeDepthMap(image, image, false, settings, host).has_value());
        EXPECT_EQ(host.m_messages, c.messages);
    }
    CRecordingHost host;
    EXPECT_THROW(MakeDepthMap(image, nullptr, false, {}, host), std::invalid_argument);
}
