// Jobs and their folders: one lock per folder whatever the spelling, clashing names refused, leftovers of dead jobs,
// a folder that cannot be locked, and a folder swapped for a link during a job.
#include "engine/io/image_file.h"
#include "engine/io/work_files.h"
#include "engine/job/depth_map_job.h"
#include "smoothing/smoothing_commands.h"
#include "support/file_limit.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

// Gives up after many polls, so that a job waiting on itself fails instead of hanging.
class CImpatientHost : public CRecordingHost {
public:
    bool IsCancelled() const override { return ++m_nPolls > 100; }
    mutable int m_nPolls = 0;
};

class JobFolders : public testing::Test {
protected:
    JobFolders()
    {
        fs::create_directory(Pair());
        WriteImage("left.png", m_left);
        WriteImage("right.png", ShiftedCopy(m_left, 2, m_random));
    }

    fs::path Pair() const { return m_folder.Path() / "pair"; }
    std::string File(const std::string& name) const { return (Pair() / name).string(); }
    void WriteImage(const std::string& name, const CImage& image) const
    {
        const std::string extension = fs::path(name).extension().string();
        SaveImageFile(image, File(name), extension == ".png" ? kFormatPng : kFormatBmp);
    }
    // The depth job on the pair, or with bOutline the outline images.
    bool RunJob(CStageHost& host, const std::string& left, const std::string& right, bool bSource = true,
                int nSpeed = 1, bool bOutline = false)
    {
        CDepthMapJob job(host);
        SetPair(job, left, right);
        job.m_settings = {2, 3, 0, nSpeed, bSource}; // fragment 2, parallax 3 across
        return bOutline ? CSmoothingCommands(host).CreateOutlineImages(SmoothingInputsOf(job)).bDone
                        : job.RunJob(false).bDone;
    }
    std::map<std::string, std::string> Contents() const { return CTempFolder::Contents(Pair()); }

    CTempFolder m_folder;
    std::mt19937 m_random{17};
    CImage m_left = RandomImage(16, 10, m_random);
};

} // namespace

// A job locks each folder once, however its paths spell it, and never waits on itself.
TEST_F(JobFolders, EverySpellingOfOneFolderIsLockedOnce)
{
    fs::create_directory_symlink(Pair(), m_folder.Path() / "link");
    const fs::path previous = fs::current_path();
    fs::current_path(m_folder.Path());
    const std::string whole = Pair().string();
    const std::pair<std::string, std::string> spellings[] = {{"pair/left.png", "./pair/right.png"},
                                                             {whole + "/left.png", "pair/right.png"},
                                                             {"pair//left.png", whole + "/./right.png"},
                                                             {"link/left.png", "pair/right.png"}};
    for (const auto& [left, right] : spellings) {
        SCOPED_TRACE(left + " " + right);
        CImpatientHost host;
        EXPECT_TRUE(RunJob(host, left, right));
        EXPECT_TRUE(host.m_notices.empty() && host.m_messages.empty()) << host.m_notices.size() << " notices";
    }
    fs::current_path(previous);
}

// Refused with a message naming the paths, before any file is touched: results
// over an input, and one name made from two different images.
TEST_F(JobFolders, ACommandWhoseResultsWouldOverwriteItsInputsOrEachOtherIsRefused)
{
    const struct {
        const char *szLeft, *szRight;
        bool bOutline, bSource;
        int nSpeed;
        const char* szClash;
    } cases[] = {{"p.png", "p-xd.bmp", false, true, 1, "p-xd.bmp"},
                 {"q.png", "q-gradient.bmp", false, false, 1, "q-gradient.bmp"},
                 {"scene.bmp", "scene.png", false, false, 1, "scene-gradient.bmp"},
                 {"scene.bmp", "scene.png", false, true, 2, "scene-resize.bmp"},
                 {"r.png", "r-outline.bmp", true, true, 1, "r-outline.bmp"},
                 {"scene.bmp", "scene.png", true, true, 1, "scene-outline.bmp"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.szLeft) + " " + c.szRight);
        WriteImage(c.szLeft, m_left);
        WriteImage(c.szRight, m_left);
        const auto before = Contents();
        CRecordingHost host;
        EXPECT_FALSE(RunJob(host, File(c.szLeft), File(c.szRight), c.bSource, c.nSpeed, c.bOutline));
        const std::string said = host.m_messages.size() == 1 ? host.m_messages[0] : "";
        EXPECT_TRUE(said.find(File(c.szClash)) != said.npos && said.find(File(c.szRight)) != said.npos)
            << testing::PrintToString(host.m_messages);
        EXPECT_EQ(Contents(), before);
    }
    // One image as both sides is no clash: its two gradients are one file of the same pixels.
    CRecordingHost host;
    EXPECT_TRUE(RunJob(host, File("left.png"), Pair().string() + "/./left.png", false));
    EXPECT_TRUE(host.m_messages.empty());
}

// Only the work files of ended processes of this machine are removed: not
// those of a running process or of another machine sharing the folder, and
// never a user's own hidden files, whatever they look like.
TEST_F(JobFolders, OnlyTheWorkFilesOfEndedProcessesOfThisMachineGo)
{
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string id = std::to_string(dead), host = ThisHostTag();
    const struct {
        std::string name;
        bool bRemoved;
    } kFiles[] = {{".left-xd.bmp.tessaly-" + id + "-12-3@" + host + ".tmp", true},
                  {".left-yd.bmp.tessaly-1-12-3@" + host + ".tmp", false},
                  {".left-yd.bmp.tessaly-" + id + "-12-3@" + host + "x.tmp", false},
                  {".thesis.txt." + id + ".kept", false},
                  {".left-3dmap.bmp." + id + "-12-3.tmp", false},
                  {".notes.tessaly-" + id + "-1@" + host + ".txt", false},
                  {"thesis.txt", false}};
    for (const auto& file : kFiles)
        WriteBytes(File(file.name), "v1");
    CRecordingHost recording; // refused after the folder was claimed: nothing is written
    EXPECT_FALSE(RunJob(recording, File("left.png"), File("gone.png")));
    const auto contents = Contents();
    for (const auto& file : kFiles)
        EXPECT_EQ(contents.contains(file.name), !file.bRemoved) << file.name;
    EXPECT_EQ(contents.size(), std::size(kFiles) + 1);
}

// A folder the job cannot open (write and search rights only) cannot be
// locked against other jobs: the job says so and writes nothing.
TEST_F(JobFolders, AFolderThatCannotBeLockedIsReportedAndNothingIsDone)
{
    fs::permissions(m_folder.Path(), fs::perms::others_exec, fs::perm_options::add);
    const bool bRoot = ::getuid() == 0;
    fs::permissions(Pair(), bRoot ? fs::perms(0733) : fs::perms(0333));
    const auto before = Contents();
    const std::string said = RunInChild([&] {
        // Root may open any folder: the job runs as nobody.
        if (bRoot && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return std::string("not run as nobody");
        CRecordingHost host;
        const bool bDone = RunJob(host, File("left.png"), File("right.png"));
        return bDone || host.m_messages.size() != 1 ? "done, or said otherwise" : host.m_messages[0];
    });
    fs::permissions(Pair(), fs::perms::owner_all);
    EXPECT_TRUE(said.starts_with("Couldn't open the folder")) << said;
    EXPECT_EQ(Contents(), before);
}

namespace {

// Swaps the pair's folder for a link to an empty one when the search begins.
class CSwappingHost : public CRecordingHost {
public:
    void StepProgress() override
    {
        if (m_nSteps++ == 0) {
            fs::rename(m_folder / "pair", m_folder / "moved");
            fs::create_directory(m_folder / "elsewhere");
            fs::create_directory_symlink(m_folder / "elsewhere", m_folder / "pair");
        }
    }

    fs::path m_folder;
};

} // namespace

TEST_F(JobFolders, AFolderSwappedForALinkDuringTheJobStillGetsTheJobsFiles)
{
    CSwappingHost host;
    host.m_folder = m_folder.Path();
    EXPECT_TRUE(RunJob(host, File("left.png"), File("right.png"), false, 2));
    EXPECT_TRUE(fs::is_empty(m_folder.Path() / "elsewhere"));
    EXPECT_EQ(
        CTempFolder::Names(m_folder.Path() / "moved"),
        (std::vector<std::string>{"left-3dmap.bmp", "left-gradient.bmp", "left-resize.bmp", "left-xd.bmp",
                                  "left-yd.bmp", "left.png", "right-gradient.bmp", "right-resize.bmp", "right.png"}));
}
