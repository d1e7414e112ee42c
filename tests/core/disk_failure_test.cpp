// Saves that fail on a full file system or in a read-only folder: the old file stays and the job ends.
#include "engine/depth_map_job.h"
#include "engine/file_names.h"
#include "engine/image_file.h"
#include "smoothing/smoothing_commands.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace {

// A 300 KiB tmpfs on a folder, unmounted at the end. Mounting needs root
// (CAP_SYS_ADMIN); without it the tests that need one skip.
class CSmallFileSystem {
public:
    explicit CSmallFileSystem(std::string path)
        : m_path(std::move(path))
    {
        std::filesystem::create_directory(m_path);
        m_bMounted = ::mount("tmpfs", m_path.c_str(), "tmpfs", 0, "size=300k") == 0;
    }
    ~CSmallFileSystem()
    {
        if (m_bMounted)
            ::umount2(m_path.c_str(), MNT_DETACH);
    }
    CSmallFileSystem(const CSmallFileSystem&) = delete;
    CSmallFileSystem& operator=(const CSmallFileSystem&) = delete;

    bool IsMounted() const { return m_bMounted; }
    bool MakeReadOnly() const
    {
        return ::mount("tmpfs", m_path.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=300k") == 0;
    }

private:
    std::string m_path;
    bool m_bMounted = false;
};

// Fills the file system holding `folder` and then frees nLeave bytes of the
// filler again, so that a save starts well and runs out of space midway.
void FillLeaving(const std::string& folder, off_t nLeave)
{
    const std::string filler = folder + "/filler";
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'f');
    off_t nSize = 0;
    for (ssize_t n; (n = ::write(fd, block.data(), block.size())) > 0;)
        nSize += n;
    ASSERT_EQ(::ftruncate(fd, std::max<off_t>(0, nSize - nLeave)), 0);
    ::close(fd);
}

// A pair and earlier results on a small file system (or in a plain folder
// where no file system can be mounted).
class SaveFailure : public testing::TestWithParam<int> {
protected:
    SaveFailure()
        : m_disk(m_folder.File("disk"))
        , m_job(m_host)
    {
        // Noise on both sides makes every output about 20 KB in any format.
        std::mt19937 random(11);
        SaveImageFile(RandomImage(96, 72, random), File("left.bmp"), kFormatBmp);
        SaveImageFile(RandomImage(96, 72, random), File("right.bmp"), kFormatBmp);
        m_job.m_strLeftPath = File("left.bmp");
        m_job.m_strRightPath = File("right.bmp");
        m_job.m_strLeftBase = File("left");
        m_job.m_strRightBase = File("right");
        m_job.m_nSaveFormat = GetParam();
        m_job.m_nMaxParallaxX = 3;
        for (const char* suffix : {kSuffixGradient, kSuffixXd, kSuffixDepthMap})
            WriteBytes(Result(suffix), std::string("an earlier result ") + suffix + std::string(3000, 'r'));
    }

    std::string File(const std::string& name) const { return m_folder.File("disk/" + name); }
    std::string Result(const char* suffix) const { return MakeDerivedName(File("left"), suffix, GetParam()); }

    // The job stopped at its first save and touched nothing else.
    void ExpectStoppedAt(const char* suffix)
    {
        EXPECT_FALSE(m_job.RunJob(false));
        EXPECT_EQ(m_host.m_messages, std::vector<std::string>{CreateFileMessage(Result(suffix))});
        EXPECT_EQ(m_host.m_strStatus, kStatusReady);
        for (const char* kept : {kSuffixGradient, kSuffixXd, kSuffixDepthMap})
            EXPECT_EQ(ReadBytes(Result(kept)), std::string("an earlier result ") + kept + std::string(3000, 'r'));
        for (const auto& entry : std::filesystem::directory_iterator(m_folder.File("disk"))) {
            const std::string name = entry.path().filename().string();
            EXPECT_NE(name.front(), '.') << "temporary left behind: " << name;
            EXPECT_EQ(name.find("right-gradient"), std::string::npos) << "a later stage ran: " << name;
            EXPECT_EQ(name.find("-yd."), std::string::npos) << "a later stage ran: " << name;
        }
    }

    CTempFolder m_folder;
    CSmallFileSystem m_disk;
    CRecordingHost m_host;
    CDepthMapJob m_job;
};

} // namespace

TEST_P(SaveFailure, AFullDiskKeepsTheEarlierDisplacementImage)
{
    if (!m_disk.IsMounted())
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    FillLeaving(m_folder.File("disk"), 4096);
    ExpectStoppedAt(kSuffixXd);
}

TEST_P(SaveFailure, AFullDiskKeepsTheEarlierGradientImage)
{
    if (!m_disk.IsMounted())
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    m_job.m_bAnalyzeSource = 0;
    FillLeaving(m_folder.File("disk"), 0);
    ExpectStoppedAt(kSuffixGradient);
}

// Root writes through permission bits, so as root the folder is made
// read-only by remounting its file system; otherwise by chmod.
TEST_P(SaveFailure, AReadOnlyFolderKeepsEveryEarlierResult)
{
    if (::geteuid() == 0) {
        if (!m_disk.IsMounted() || !m_disk.MakeReadOnly())
            GTEST_SKIP() << "cannot remount a file system read-only here";
    } else {
        std::filesystem::permissions(m_folder.File("disk"),
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }
    ExpectStoppedAt(kSuffixXd);
    m_job.m_bAnalyzeSource = 0;
    m_host.m_messages.clear();
    ExpectStoppedAt(kSuffixGradient);
}

// At speed 2 assembly writes a small map under the result's name, then the
// enlargement replaces it by one four times larger (in BMP; PNG and TIFF
// compress the smooth enlargement too well). With one page more of free
// space each time, some run has room for the first but not the second.
class EnlargementSaveFailure : public SaveFailure { };

TEST_P(EnlargementSaveFailure, BringsBackTheEarlierMap)
{
    if (!m_disk.IsMounted())
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    m_job.m_nSpeedFactor = 2;
    const std::string earlier = ReadBytes(Result(kSuffixDepthMap));
    for (int nPages = 0; nPages < 60; ++nPages) {
        m_host = CRecordingHost();
        FillLeaving(m_folder.File("disk"), nPages * 4096);
        ASSERT_FALSE(m_job.RunJob(false)) << "the enlargement never ran out of space";
        EXPECT_EQ(ReadBytes(Result(kSuffixDepthMap)), earlier);
        EXPECT_EQ(m_job.m_strDepthMapPath, "");
        const std::vector<std::string> events = m_host.Events();
        const bool bEnlarging = events.size() >= 3 && events.end()[-3] == "reset"
            && events.end()[-2] == "message: " + CreateFileMessage(Result(kSuffixDepthMap));
        if (!bEnlarging)
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder.File("disk")))
            EXPECT_NE(entry.path().filename().string().front(), '.') << "hidden file left behind: " << entry.path();
        return;
    }
}

TEST_P(SaveFailure, AFullDiskKeepsTheEarlierSmoothedMap)
{
    if (!m_disk.IsMounted())
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    ASSERT_TRUE(m_job.RunJob(false));
    CSmoothingCommands commands(m_host);
    ASSERT_TRUE(commands.CreateOutlineImages(SmoothingInputsOf(m_job)).bDone);
    const std::string earlier = "an earlier smoothed map" + std::string(3000, 's');
    WriteBytes(Result(kSuffixDepthMapNew), earlier);
    FillLeaving(m_folder.File("disk"), 4096);
    EXPECT_FALSE(commands.SmoothLeft(SmoothingInputsOf(m_job)).bDone);
    EXPECT_EQ(m_host.m_messages, std::vector<std::string>{CreateFileMessage(Result(kSuffixDepthMapNew))});
    EXPECT_EQ(ReadBytes(Result(kSuffixDepthMapNew)), earlier);
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.File("disk")))
        EXPECT_NE(entry.path().filename().string().front(), '.') << "temporary left behind: " << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Bmp, EnlargementSaveFailure, testing::Values(kFormatBmp));
INSTANTIATE_TEST_SUITE_P(EveryFormat, SaveFailure, testing::Values(kFormatBmp, kFormatPng, kFormatTiff),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(SaveExtension(info.param));
                         });
