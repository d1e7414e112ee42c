// Stereo files split into views: MPO streams copied byte for byte, side-by-side halves cut losslessly, bad files
// refused.
#include "engine/file_names.h"
#include "engine/image_file.h"
#include "engine/stereo_split.h"
#include "fuzz/mpo_writer.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

CImage Columns(const CImage& image, int nFirst, int nWidth)
{
    CImage part(nWidth, image.Height());
    for (int y = 0; y < image.Height(); ++y)
        std::memcpy(part.Pixel(0, y), image.Pixel(nFirst, y), part.Pitch());
    return part;
}

} // namespace

TEST(StereoSplit, MpoViewsAreItsStreamsInEitherByteOrder)
{
    for (const bool bBigEndian : {false, true}) {
        CTempFolder folder;
        std::mt19937 random(7);
        const std::string left = EncodeJpeg(RandomImage(24, 16, random));
        const std::string right = EncodeJpeg(RandomImage(24, 16, random));
        const std::string mpo = WriteMpo({left, right}, bBigEndian);
        WriteBytes(folder.File("scene.MPO"), mpo);
        CRecordingHost host;
        const SStereoViews views = SplitStereoFile(folder.File("scene.MPO"), EStereoLayout::kMpo, kFormatPng, host);
        ASSERT_TRUE(views.bDone) << testing::PrintToString(host.m_messages);
        // The first view keeps its index segment; both decode to the streams' pixels.
        WriteBytes(folder.File("l.jpg"), left);
        EXPECT_EQ(std::tuple(views.strLeftPath, ReadBytes(views.strLeftPath), ReadBytes(views.strRightPath),
                             LoadImageFile(views.strLeftPath).image == LoadImageFile(folder.File("l.jpg")).image,
                             folder.Files()),
                  std::tuple(folder.File("scene-left.jpg"), mpo.substr(0, mpo.size() - right.size()), right, true,
                             std::vector<std::string>{"l.jpg", "scene-left.jpg", "scene-right.jpg", "scene.MPO"}));
    }
}

// Every refusal names the file and leaves the earlier views as they were.
TEST(StereoSplit, DamagedMpoIsRefusedAndWritesNothing)
{
    std::mt19937 random(8);
    const std::string left = EncodeJpeg(RandomImage(24, 16, random));
    const std::string right = EncodeJpeg(RandomImage(24, 16, random));
    const std::string mpo = WriteMpo({left, right});
    const auto patched = [&](const std::function<void(std::vector<SMpoEntry>&)>& patch) {
        return WriteMpo({left, right}, false, patch);
    };
    const struct {
        const char* szCase;
        std::string bytes;
        const char* szProblem;
    } kCases[] = {{"plain JPEG", left, "no multi-picture index"},
                  {"one image", WriteMpo({left}), "only one image"},
                  {"beyond the end", patched([](auto& e) { e[1].nOffset += 1000; }), "outside the file"},
                  {"wrapping around", patched([](auto& e) {
                       e[1] = {0, 0x20, 0xFFFFFFF0};
                   }),
                   "outside the file"},
                  {"overlapping", patched([](auto& e) { e[1].nOffset -= 40; }), "over each other"},
                  {"file cut short", mpo.substr(0, mpo.size() - 50), "outside the file"},
                  {"stream cut short", WriteMpo({left, right.substr(0, right.size() - 50)}), "does not end where"},
                  {"stream not decoding", WriteMpo({left, right.substr(0, 2) + std::string(60, 'x') + "\xFF\xD9"}),
                   "second image does not decode"},
                  {"preview", patched([](auto& e) { e[1].nAttribute = 0x010001; }), "a preview of the first"}};
    for (const auto& test : kCases) {
        SCOPED_TRACE(test.szCase);
        CTempFolder folder;
        WriteBytes(folder.File("scene.mpo"), test.bytes);
        WriteBytes(folder.File("scene-right.jpg"), "earlier view");
        CRecordingHost host;
        EXPECT_FALSE(SplitStereoFile(folder.File("scene.mpo"), EStereoLayout::kMpo, kFormatPng, host).bDone);
        const std::string said = host.m_messages.size() == 1 ? host.m_messages[0] : "";
        EXPECT_TRUE(said.find("Couldn't split " + folder.File("scene.mpo") + ": ") != said.npos
                    && said.find(test.szProblem) != said.npos)
            << testing::PrintToString(host.m_messages);
        EXPECT_EQ(std::tuple(folder.Files(), ReadBytes(folder.File("scene-right.jpg"))),
                  std::tuple(std::vector<std::string>{"scene-right.jpg", "scene.mpo"}, "earlier view"));
    }
}

TEST(StereoSplit, SideBySideHalvesAreCutLosslessly)
{
    const struct {
        const char* szName;
        int nWidth;
        EStereoLayout layout;
        const char* szMessage; // the notice, or the refusal when the image is too narrow
    } kCases[] = {{"pair.jps", 32, EStereoLayout::kCrossEyed, ""},
                  {"pair.png", 32, EStereoLayout::kParallel, ""},
                  {"pair.JPS", 33, EStereoLayout::kCrossEyed, "odd width (33 pixels)"},
                  {"pair.bmp", 3, EStereoLayout::kParallel, "too narrow"}};
    for (const auto& test : kCases) {
        SCOPED_TRACE(test.szName);
        CTempFolder folder;
        std::mt19937 random(9);
        const std::string path = folder.File(test.szName);
        const CImage pair = RandomImage(test.nWidth, 10, random);
        const bool bCross = test.layout == EStereoLayout::kCrossEyed;
        bCross ? WriteBytes(path, EncodeJpeg(pair))
               : (void)SaveImageFile(pair, path, test.nWidth > 3 ? kFormatPng : kFormatBmp);
        ASSERT_EQ(StereoLayoutOf(path), test.layout);
        CRecordingHost host;
        const SStereoViews views = SplitStereoFile(path, test.layout, kFormatTiff, host);
        std::vector<std::string> said = host.m_messages; // a refusal, or the notice of an odd width
        said.insert(said.end(), host.m_notices.begin(), host.m_notices.end());
        EXPECT_EQ(said.size(), *test.szMessage ? 1u : 0u);
        EXPECT_TRUE(said.empty()
                    || (said[0].find(path) != said[0].npos && said[0].find(test.szMessage) != said[0].npos))
            << testing::PrintToString(said);
        if (test.nWidth < 4) {
            EXPECT_EQ(folder.Files(), std::vector<std::string>{test.szName});
            continue;
        }
        const CImage source = bCross ? LoadImageFile(path, EImageCodec::kJpeg).image : pair;
        EXPECT_EQ(std::tuple(views.bDone, views.strRightPath,
                             LoadImageFile(views.strLeftPath).image == Columns(source, bCross ? 16 : 0, 16),
                             LoadImageFile(views.strRightPath).image == Columns(source, bCross ? 0 : 16, 16)),
                  std::tuple(true, MakeBase(path) + "-right.tif", true, true));
    }
}
