// Stereo files split into views: MPO streams copied byte for byte, side-by-side halves cut losslessly, bad files
// refused.
#include "engine/io/file_names.h"
#include "engine/io/image_file.h"
#include "engine/io/new_files.h"
#include "engine/job/job_plan.h"
#include "engine/job/stereo_split.h"
#include "fuzz/mpo_writer.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <functional>
#include <map>

namespace {

CImage Columns(const CImage& image, int nFirst, int nWidth)
{
    CImage part(nWidth, image.Height());
    for (int y = 0; y < image.Height(); ++y)
        std::memcpy(part.Pixel(0, y), image.Pixel(nFirst, y), part.Pitch());
    return part;
}

} // namespace

// Every refusal names the file, says what is wrong with it and writes nothing.
TEST(StereoSplit, BadStereoFilesAreRefusedAndWriteNothing)
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
        std::string bytes; // none: no file at all
        const char* szProblem;
        const char* szName = "scene.mpo";
    } kCases[]
        = {{"missing", {}, "there is no such file"},
           {"PNG named .mpo", "\x89PNG\r\n\x1A\n", "not a JPEG file, as an .mpo file must be"},
           {"PNG named .jps", "\x89PNG\r\n\x1A\n", "does not hold a JPEG image, as a .jps file must", "scene.jps"},
           {"plain JPEG", left, "no multi-picture index"},
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
        const std::string path = folder.File(test.szName);
        if (!test.bytes.empty())
            WriteBytes(path, test.bytes);
        const auto before = folder.Files();
        CRecordingHost host;
        EXPECT_FALSE(SplitStereoFile(path, StereoLayoutOf(path), kFormatPng, host).has_value());
        const std::string said = host.m_messages.size() == 1 ? host.m_messages[0] : "";
        EXPECT_TRUE(said.find("Couldn't split " + path + ": ") != said.npos && said.find(test.szProblem) != said.npos)
            << testing::PrintToString(host.m_messages);
        EXPECT_EQ(folder.Files(), before);
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
        const std::optional<CStereoPair> views = SplitStereoFile(path, test.layout, kFormatTiff, host);
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
        EXPECT_EQ(std::tuple(views.has_value(), views->RightPath(),
                             LoadImageFile(views->LeftPath()).image == Columns(source, bCross ? 16 : 0, 16),
                             LoadImageFile(views->RightPath()).image == Columns(source, bCross ? 0 : 16, 16)),
                  std::tuple(true, MakeBase(path) + "-right.tif", true, true));
    }
}

namespace {

// A stereo file of each layout (".MPO" in big-endian order), and the bytes its split writes for each view: an
// MPO's streams, the left one without its index; side-by-side halves as the format's writer encodes them.
struct SStereoCase {
    const char* szName;
    ESaveFormat format;
    std::string bytes;
    std::array<std::string, 2> views; // empty when not worked out here
};

std::vector<SStereoCase> StereoCases()
{
    std::mt19937 random(12);
    const CImage left = RandomImage(16, 8, random), right = RandomImage(16, 8, random);
    const std::array<std::string, 2> jpegs = {EncodeJpeg(left), EncodeJpeg(right)};
    CImage wide(32, 8);
    for (int y = 0; y < 8; ++y) {
        std::memcpy(wide.Pixel(0, y), left.Pixel(0, y), left.Pitch());
        std::memcpy(wide.Pixel(16, y), right.Pixel(0, y), right.Pitch());
    }
    CTempFolder folder;
    const auto bmp = [&](const CImage& image) {
        SaveImageFile(image, folder.File("x"), kFormatBmp);
        return ReadBytes(folder.File("x"));
    };
    return {{"scene.mpo", kFormatBmp, WriteMpo({jpegs[0], jpegs[1]}), jpegs},
            {"scene.MPO", kFormatBmp, WriteMpo({jpegs[0], jpegs[1]}, true), jpegs},
            {"scene.bmp", kFormatBmp, bmp(wide), {bmp(left), bmp(right)}},
            {"scene.jps", kFormatPng, EncodeJpeg(wide), {}}};
}

std::map<std::string, std::string> Contents(const CTempFolder& folder)
{
    std::map<std::string, std::string> contents;
    for (const std::string& name : folder.Files())
        contents[name] = ReadBytes(folder.File(name));
    return contents;
}

} // namespace

// A view's name that holds the very view (a split made before, also by an
// earlier version that kept an MPO's index in the left view) is left as it
// is; one that holds anything else is never replaced, and the refusal names
// both files.
TEST(StereoSplit, ANameHoldingAnotherFileIsNeverReplaced)
{
    const struct {
        const char* szCase;
        int nSide;           // the view whose name holds a file before the split, or -1
        const char* szBytes; // what it holds: the view itself (""), its earlier form ("earlier") or a user's file
    } kCases[] = {{"nothing there", -1, ""},
                  {"a second split", 0, ""},
                  {"the right view there", 1, ""},
                  {"an earlier split of an MPO", 0, "earlier"},
                  {"the user's left image", 0, "mine"},
                  {"the user's right image", 1, "mine"}};
    for (const SStereoCase& stereo : StereoCases())
        for (const auto& test : kCases) {
            SCOPED_TRACE(std::string(stereo.szName) + ": " + test.szCase);
            const bool bEarlier = test.szBytes == std::string("earlier"), bMine = test.szBytes == std::string("mine");
            if (bEarlier && StereoLayoutOf(stereo.szName) != EStereoLayout::kMpo)
                continue;
            CTempFolder folder;
            const std::string path = folder.File(stereo.szName);
            WriteBytes(path, stereo.bytes);
            std::array<std::string, 2> targets;
            for (int i = 0; i < 2; ++i)
                targets[i] = StereoViewName(path, StereoLayoutOf(path), stereo.format, i == 1);
            CRecordingHost host;
            if (test.nSide >= 0) {
                ASSERT_TRUE(SplitStereoFile(path, StereoLayoutOf(path), stereo.format, host).has_value());
                std::filesystem::remove(targets[1 - test.nSide]);
            }
            if (bEarlier)
                WriteBytes(targets[0], stereo.bytes.substr(0, stereo.bytes.size() - stereo.views[1].size()));
            if (bMine)
                WriteBytes(targets[test.nSide], "the user's own image");
            const auto before = Contents(folder);
            EXPECT_EQ(SplitStereoFile(path, StereoLayoutOf(path), stereo.format, host).has_value(), !bMine);
            const auto after = Contents(folder);
            const std::string said = host.m_messages.empty() ? "" : host.m_messages[0];
            if (bMine) {
                EXPECT_TRUE(said.starts_with("Couldn't split " + path + ":")
                            && said.find(targets[test.nSide] + ", which holds another file") != said.npos)
                    << said;
                EXPECT_EQ(after, before);
                continue;
            }
            for (const auto& [name, bytes] : before) // what was there stays byte for byte
                EXPECT_EQ(after.at(name), bytes) << name;
            for (int i = bEarlier ? 1 : 0; i < 2 && !stereo.views[0].empty(); ++i)
                EXPECT_EQ(after.at(GetFileName(targets[i])), stereo.views[i]) << i;
            EXPECT_EQ(after.size(), 3u);
        }
}

namespace {

int g_nFaultStep = -1;
bool g_bDieAtFault = false;

bool CutCommit(int nStep)
{
    if (nStep == g_nFaultStep && g_bDieAtFault)
        ::_exit(0);
    return nStep == g_nFaultStep;
}

} // namespace

// Whatever step of putting the two views in place fails, or the process dies
// before, the names hold both views or neither once the next command in the
// folder has run, and nothing of the split is left over.
TEST(StereoSplit, ACommitCutShortLeavesBothViewsOrNeither)
{
    const SStereoCase stereo = StereoCases()[0];
    const struct {
        int nStep; // 0 writes the record, 1 and 2 put the left and right view in place, 3 removes the record
        bool bDies;
        bool bBoth;           // both views there afterwards, else neither
        const char* szFailed; // the view a failed step's message names
    } kCases[]
        = {{0, false, false, "left"}, {1, false, false, "left"}, {2, false, false, "right"}, {3, false, true, ""},
           {0, true, false, ""},      {1, true, true, ""},       {2, true, true, ""},        {3, true, true, ""}};
    for (const auto& test : kCases) {
        SCOPED_TRACE(std::to_string(test.nStep) + (test.bDies ? " dies" : " fails"));
        CTempFolder folder;
        const std::string path = folder.File(stereo.szName);
        WriteBytes(path, stereo.bytes);
        g_nFaultStep = test.nStep;
        g_bDieAtFault = test.bDies;
        SetCommitFault(CutCommit);
        CRecordingHost host;
        if (test.bDies) {
            const pid_t child = ::fork();
            if (child == 0) {
                SplitStereoFile(path, EStereoLayout::kMpo, kFormatPng, host);
                ::_exit(1);
            }
            int nStatus = -1;
            ::waitpid(child, &nStatus, 0);
            ASSERT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0);
        } else {
            const std::optional<CStereoPair> views = SplitStereoFile(path, EStereoLayout::kMpo, kFormatPng, host);
            EXPECT_EQ(views.has_value(), *test.szFailed == 0);
            const std::string said = host.m_messages.empty() ? "" : host.m_messages[0];
            EXPECT_TRUE(*test.szFailed == 0
                        || said.find(folder.File(std::string("scene-") + test.szFailed)) != said.npos)
                << said;
        }
        SetCommitFault(nullptr);
        CJobFolders next;
        ASSERT_TRUE(ClaimJobFolders(next, {path}, {}, host));
        const auto contents = Contents(folder);
        const auto expected = test.bBoth ? std::map<std::string, std::string>{{"scene-left.jpg", stereo.views[0]},
                                                                              {"scene-right.jpg", stereo.views[1]},
                                                                              {"scene.mpo", stereo.bytes}}
                                         : std::map<std::string, std::string>{{"scene.mpo", stereo.bytes}};
        if (test.bDies)
            EXPECT_EQ(contents, expected);
        else // the failed removal of the record leaves it to a later command, once this process is gone
            EXPECT_EQ(contents.count("scene-left.jpg") + contents.count("scene-right.jpg"), test.bBoth ? 2u : 0u);
    }
}
