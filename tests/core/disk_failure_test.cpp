// Saves that fail midway (a file-size limit in a child process, as on a full disk): the job shows "Couldn't create
// file", ends, and every earlier file of the names it was writing stays.
#include "engine/io/file_names.h"
#include "engine/io/image_file.h"
#include "engine/job/depth_map_job.h"
#include "support/file_limit.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

using Names = std::vector<std::string>;

// A pair of noise, so that every output is about 20 KB in any format, and
// earlier results of every kind.
class SaveFailure : public testing::TestWithParam<ESaveFormat> {
protected:
    SaveFailure()
        : m_job(m_host)
    {
        std::mt19937 random(11);
        SaveImageFile(RandomImage(96, 72, random), File("left.bmp"), kFormatBmp);
        SaveImageFile(RandomImage(96, 72, random), File("right.bmp"), kFormatBmp);
        SetPair(m_job, File("left.bmp"), File("right.bmp"));
        m_job.m_settings = {2, 3, 0, 1, true, GetParam()}; // fragment 2, parallax 3 across
    }

    std::string File(const std::string& name) const { return m_folder.File(name); }
    std::string Result(const char* suffix) const { return MakeDerivedName(File("left"), suffix, GetParam()); }
    std::string Earlier(const char* suffix) const { return "an earlier " + (suffix + std::string(3000, 'r')); }
    // Runs the job in a child whose files cannot grow past nMaxBytes, and expects the one message (no "done"), the
    // earlier file of the failing result, and no temporary.
    void ExpectStoppedAt(const char* suffix, std::size_t nMaxBytes)
    {
        const std::string said = RunWithFileLimit(nMaxBytes, [&] {
            std::string text = m_job.RunJob(false).bDone ? "done\n" : "";
            for (const std::string& message : m_host.m_messages)
                text += message + "\n";
            return text;
        });
        const Names files = m_folder.Files();
        EXPECT_EQ(std::tuple(said, ReadBytes(Result(suffix)),
                             std::count_if(files.begin(), files.end(), [](auto& name) { return name[0] == '.'; })),
                  std::tuple(CreateFileMessage(Result(suffix)) + "\n", Earlier(suffix), 0))
            << testing::PrintToString(files);
    }

    CTempFolder m_folder;
    CRecordingHost m_host;
    CDepthMapJob m_job;
};

} // namespace

// Every file of the job over a few kilobytes fails to be
// written, as on a disk that fills up: the first save (a displacement
// image, or the first gradient image) ends the job, and no later stage
// writes. At speed 2 in BMP the files of the working scale fit a larger
// limit and the enlarged map does not (PNG and TIFF pack it too well): the
// earlier map stays, and no map of the working scale ever took its name.
TEST_P(SaveFailure, AWriteThatFailsMidwayEndsTheJobAndKeepsTheEarlierFile)
{
    for (const int bAnalyzeSource : {1, 0}) {
        SCOPED_TRACE(bAnalyzeSource);
        const char* failing = bAnalyzeSource ? kSuffixXd : kSuffixGradient;
        WriteBytes(Result(failing), Earlier(failing));
        const Names before = m_folder.Files();
        m_job.m_settings.m_bAnalyzeSource = bAnalyzeSource;
        ExpectStoppedAt(failing, 4096);
        EXPECT_EQ(m_folder.Files(), before);
    }
    if (GetParam() != kFormatBmp)
        return;
    WriteBytes(Result(kSuffixDepthMap), Earlier(kSuffixDepthMap));
    m_job.m_settings.m_bAnalyzeSource = true;
    m_job.m_settings.m_nSpeedFactor = 2;
    ExpectStoppedAt(kSuffixDepthMap, 12000);
    EXPECT_TRUE(std::filesystem::exists(Result(kSuffixYd)));
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, SaveFailure, testing::Values(kFormatBmp, kFormatPng, kFormatTiff),
                         [](const testing::TestParamInfo<ESaveFormat>& info) {
                             return std::string(SaveExtension(info.param));
                         });
