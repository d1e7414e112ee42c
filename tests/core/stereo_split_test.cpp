// Stereo files split into views: MPO streams copied byte for byte, side-by-side halves cut losslessly, bad files
// refused.
#include "engine/io/file_names.h"
#include "engine/io/image_file.h"
#include "engine/io/new_files.h"
#include "engine/job/job_plan.h"
#include "engine/job/stereo_split.h"
#include "fuzz/mpo_writer.h"
#include "support/file_limit.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

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
           {"preview", patched([](auto& e) { e[1].nAttribute = 0x010001; }), "a preview of the first"},
           {"too narrow", EncodeJpeg(RandomImage(3, 16, random)), "3 pixels wide it is too narrow", "scene.jps"}};
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
        CRecordingHost inMemory; // reading the views in memory refuses them alike
        EXPECT_FALSE(ReadStereoViews(path, StereoLayoutOf(path), inMemory).has_value());
        EXPECT_EQ(inMemory.m_messages, host.m_messages);
    }
}

namespace {

// A stereo file of each layout (".MPO" in big-endian order), and the bytes its split writes for each view: an
// MPO's streams, the left one without its index; side-by-side halves as the format's writer encodes them, those of
// a cross-eyed file swapped and, at an odd width, without its last column.
struct SStereoCase {
    const char* szName;
    ESaveFormat format;
    std::string bytes;
    std::array<std::string, 2> views;
};

std::vector<SStereoCase> StereoCases()
{
    std::mt19937 random(12);
    const CImage wide = RandomImage(33, 8, random), pair = Columns(wide, 0, 32);
    const std::array<std::string, 2> jpegs = {EncodeJpeg(Columns(wide, 0, 16)), EncodeJpeg(Columns(wide, 16, 16))};
    CTempFolder folder;
    // The halves of a side-by-side image as the format's writer encodes them.
    const auto halves = [&](const CImage& image, ESaveFormat format, bool bCrossEyed) {
        std::array<std::string, 2> views;
        for (int i = 0; i < 2; ++i) {
            SaveImageFile(Columns(image, (i == 0) == bCrossEyed ? 16 : 0, 16), folder.File("x"), format);
            views[i] = ReadBytes(folder.File("x"));
        }
        return views;
    };
    const std::string jps = EncodeJpeg(wide);
    WriteBytes(folder.File("x.jpg"), jps);
    SaveImageFile(pair, folder.File("x.bmp"), kFormatBmp);
    return {{"scene.mpo", kFormatBmp, WriteMpo({jpegs[0], jpegs[1]}), jpegs},
            {"scene.MPO", kFormatBmp, WriteMpo({jpegs[0], jpegs[1]}, true), jpegs},
            {"scene.bmp", kFormatBmp, ReadBytes(folder.File("x.bmp")), halves(pair, kFormatBmp, false)},
            {"scene.JPS", kFormatPng, jps, halves(LoadImageFile(folder.File("x.jpg")).image, kFormatPng, true)}};
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
            const auto before = folder.Contents();
            EXPECT_EQ(SplitStereoFile(path, StereoLayoutOf(path), stereo.format, host).has_value(), !bMine);
            const auto after = folder.Contents();
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
            for (int i = bEarlier ? 1 : 0; i < 2; ++i)
                EXPECT_EQ(after.at(GetFileName(targets[i])), stereo.views[i]) << i;
            EXPECT_EQ(after.size(), 3u);
            if (test.nSide < 0) { // in memory: the pixels that loading the views written gives
                const auto views = ReadStereoViews(path, StereoLayoutOf(path), host);
                for (int i = 0; i < 2 && views; ++i)
                    EXPECT_EQ((*views)[i], LoadImageFile(targets[i]).image) << i;
                EXPECT_TRUE(views.has_value());
            }
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
            ASSERT_EQ(RunInChild([&] {
                          return SplitStereoFile(path, EStereoLayout::kMpo, kFormatPng, host) ? "done" : "failed";
                      }),
                      "");
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
        const auto contents = folder.Contents();
        std::map<std::string, std::string> expected{{"scene.mpo", stereo.bytes}};
        if (test.bBoth)
            expected.insert({{"scene-left.jpg", stereo.views[0]}, {"scene-right.jpg", stereo.views[1]}});
        if (test.bDies)
            EXPECT_EQ(contents, expected);
        else // the failed removal of the record leaves it to a later command, once this process is gone
            EXPECT_EQ(contents.count("scene-left.jpg") + contents.count("scene-right.jpg"), test.bBoth ? 2u : 0u);
    }
}
