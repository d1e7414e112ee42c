// Jobs ended midway (through the host, or by a signal to the command-line tool) and jobs run side by side.
#include "engine/depth_map_job.h"
#include "engine/file_names.h"
#include "engine/image_file.h"
#include "smoothing/smoothing_commands.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

extern char** environ;

namespace {

// Reports cancellation from its nth poll on, as a user pressing Cancel
// somewhere in the job would.
class CCancellingHost : public CRecordingHost {
public:
    explicit CCancellingHost(int nPollsBefore)
        : m_nPollsLeft(nPollsBefore)
    { }
    bool IsCancelled() const override
    {
        ++m_nPolls;
        if (m_onCall)
            m_onCall();
        return m_nPollsLeft-- <= 0;
    }
    void ResetProgress() override
    {
        CRecordingHost::ResetProgress();
        if (m_onCall)
            m_onCall();
    }

    mutable int m_nPollsLeft;
    mutable int m_nPolls = 0;
    std::function<void()> m_onCall; // looks at the files while the job runs
};

const std::string kEarlierMap = "the depth map of an earlier job";

// A left image of noise and the right one shifted by 2 pixels, with an
// earlier depth map of the left side under `earlierMap`.
void WritePair(const CTempFolder& folder, int nWidth, int nHeight, const std::string& extension,
               const std::string& earlierMap)
{
    std::mt19937 random(5);
    const CImage left = RandomImage(nWidth, nHeight, random);
    const int nFormat = extension == "png" ? kFormatPng : kFormatBmp;
    SaveImageFile(left, folder.File("left." + extension), nFormat);
    SaveImageFile(ShiftedCopy(left, 2, random), folder.File("right." + extension), nFormat);
    WriteBytes(folder.File(earlierMap), kEarlierMap);
}

struct SPairFolder {
    SPairFolder() { WritePair(folder, 30, 20, "bmp", "left-3dmap.png"); }
    void Configure(CDepthMapJob& job) const { Configure(job, folder); }
    static void Configure(CDepthMapJob& job, const CTempFolder& folder)
    {
        job.m_strLeftPath = folder.File("left.bmp");
        job.m_strRightPath = folder.File("right.bmp");
        job.m_strLeftBase = folder.File("left");
        job.m_strRightBase = folder.File("right");
        job.m_nSaveFormat = kFormatPng;
        job.m_bAnalyzeSource = 0;
        job.m_nSpeedFactor = 2;
        job.m_nMaxParallaxX = 4;
    }

    CTempFolder folder;
};

} // namespace

namespace {

// A command of the app on a pair with earlier results of every kind, some
// of them images that the command reads.
struct SCommandCase {
    const char* szName;
    bool (*pRun)(CStageHost& host, const CTempFolder& folder);
    friend void PrintTo(const SCommandCase& command, std::ostream* pOut) { *pOut << command.szName; }
};

bool RunDepthJob(CStageHost& host, const CTempFolder& folder)
{
    CDepthMapJob job(host);
    SPairFolder::Configure(job, folder);
    return job.RunJob(false);
}

SSmoothingInputs SmoothingInputs(const CTempFolder& folder)
{
    return {folder.File("left.bmp"),
            folder.File("right.bmp"),
            folder.File("left"),
            folder.File("right"),
            kFormatPng,
            false};
}

bool RunOutline(CStageHost& host, const CTempFolder& folder)
{
    CSmoothingCommands commands(host);
    return commands.CreateOutlineImages(SmoothingInputs(folder)).bDone;
}

bool RunSmoothing(CStageHost& host, const CTempFolder& folder)
{
    CSmoothingCommands commands(host);
    commands.m_nDegree = 3;
    return commands.SmoothLeft(SmoothingInputs(folder)).bDone;
}

class CancelledCommand : public testing::TestWithParam<SCommandCase> {
protected:
    CancelledCommand()
    {
        WritePair(m_folder, 14, 8, "bmp", "left-3dmapNew.png");
        std::mt19937 random(3);
        for (const char* name : {"left-3dmap.png", "left-outline.png", "right-outline.png"})
            SaveImageFile(RandomImage(14, 8, random), m_folder.File(name), kFormatPng);
        for (const std::string& name : m_folder.Files())
            m_earlier[name] = ReadBytes(m_folder.File(name));
    }

    CTempFolder m_folder;
    std::map<std::string, std::string> m_earlier;
};

} // namespace

// Whenever the cancellation comes, the command reports nothing done and
// shows no message, every new file is complete, and the results made in several steps (the enlarged
// depth map, the masked outlines, the smoothed map) hold either their
// earlier file or the finished result, never a step in between: not at the
// end, and not at any moment of the run, when the process could be killed.
TEST_P(CancelledCommand, AtAnyPollLeavesOnlyCompleteFilesAndTheEarlierResults)
{
    const char* const results[] = {"left-3dmap.png", "left-outline.png", "right-outline.png", "left-3dmapNew.png"};
    int nTotalPolls = 0;
    std::map<std::string, std::string> finished;
    {
        CCancellingHost host(INT_MAX);
        ASSERT_TRUE(GetParam().pRun(host, m_folder));
        nTotalPolls = host.m_nPolls;
        for (const char* name : results)
            finished[name] = ReadBytes(m_folder.File(name));
    }
    for (int nPolls = 0; nPolls < nTotalPolls; ++nPolls) {
        SCOPED_TRACE(nPolls);
        for (const auto& [name, bytes] : m_earlier)
            WriteBytes(m_folder.File(name), bytes);
        const auto expectEarlierOrFinished = [&] {
            for (const char* name : results) {
                const std::string bytes = ReadBytes(m_folder.File(name));
                EXPECT_TRUE(bytes == m_earlier[name] || bytes == finished[name]) << name;
            }
        };
        CCancellingHost host(nPolls);
        host.m_onCall = expectEarlierOrFinished;
        EXPECT_FALSE(GetParam().pRun(host, m_folder));
        EXPECT_TRUE(host.m_messages.empty());
        expectEarlierOrFinished();
        for (const std::string& name : m_folder.Files()) {
            if (!m_earlier.contains(name)) {
                EXPECT_EQ(LoadImageFile(m_folder.File(name)).status, ELoadStatus::kOk) << name;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, CancelledCommand,
                         testing::Values(SCommandCase{"DepthJob", RunDepthJob}, SCommandCase{"Outline", RunOutline},
                                         SCommandCase{"Smoothing", RunSmoothing}),
                         [](const testing::TestParamInfo<SCommandCase>& info) { return info.param.szName; });

// Another job holds the folder: this one waits, can be cancelled while it
// waits (writing nothing), and goes on once the folder is free.
TEST(CancelledJob, WhileWaitingForTheFolderWritesNothing)
{
    SPairFolder pair;
    const int fd = ::open(pair.folder.Path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    CCancellingHost host(5);
    CDepthMapJob job(host);
    pair.Configure(job);
    EXPECT_FALSE(job.RunJob(false));
    EXPECT_EQ(host.m_nPolls, 6);
    EXPECT_TRUE(host.m_messages.empty());
    EXPECT_EQ(host.m_notices,
              std::vector<std::string>{"Waiting for another job writing in " + pair.folder.Path().string()
                                       + "/ to finish..."});
    EXPECT_EQ(pair.folder.Files(), (std::vector<std::string>{"left-3dmap.png", "left.bmp", "right.bmp"}));

    std::thread other([fd] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::flock(fd, LOCK_UN);
    });
    CRecordingHost patient;
    job.SetHost(patient);
    EXPECT_TRUE(job.RunJob(false));
    EXPECT_GT(patient.m_nPumps, 0);
    other.join();
    ::close(fd);
}

namespace {

// A running tessaly-cli with its stdout in a file; killed if still running
// at the end of the test.
class CCliProcess {
public:
    CCliProcess() = default;
    CCliProcess(const CCliProcess&) = delete;
    CCliProcess& operator=(const CCliProcess&) = delete;
    ~CCliProcess()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    void Start(std::vector<std::string> args, const std::string& stdoutPath)
    {
        args.insert(args.begin(), TESSALY_CLI_PATH);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_EQ(::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }

    bool Signal(int nSignal) const { return ::kill(m_pid, nSignal) == 0; }

    // The exit status, or -1 when the tool is still running after two minutes.
    int WaitForExit()
    {
        for (int i = 0; i < 12000; ++i) {
            int nStatus = 0;
            if (::waitpid(m_pid, &nStatus, WNOHANG) == m_pid) {
                m_pid = 0;
                return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

private:
    pid_t m_pid = 0;
};

bool WaitForFile(const std::string& path)
{
    for (int i = 0; i < 6000 && !std::filesystem::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return std::filesystem::exists(path);
}

// A pair that takes minutes to search at the settings below, and an
// earlier depth map of the left side.
class CliPair : public testing::Test {
protected:
    CliPair() { WritePair(m_folder, 120, 90, "png", "left-3dmap.bmp"); }
    std::vector<std::string> Depth(std::vector<std::string> settings) const
    {
        settings.insert(settings.begin(),
                        {"depth", "--left", m_folder.File("left.png"), "--right", m_folder.File("right.png")});
        return settings;
    }

    CTempFolder m_folder;
};

class InterruptedCli : public CliPair, public testing::WithParamInterface<int> { };

} // namespace

// In gradient mode the gradient files tell when the search has begun.
TEST_P(InterruptedCli, ExitsWith130AndLeavesNoResult)
{
    CCliProcess cli;
    cli.Start(
        Depth({"--gradient", "--reference", "--fragment", "16", "--max-parallax-x", "40", "--max-parallax-y", "20"}),
        m_folder.File("out.txt"));
    ASSERT_TRUE(WaitForFile(m_folder.File("right-gradient.bmp")));
    ASSERT_TRUE(cli.Signal(GetParam()));
    EXPECT_EQ(cli.WaitForExit(), 130);
    EXPECT_EQ(ReadBytes(m_folder.File("out.txt")), "");
    EXPECT_EQ(ReadBytes(m_folder.File("left-3dmap.bmp")), kEarlierMap);
    EXPECT_EQ(m_folder.Files(),
              (std::vector<std::string>{"left-3dmap.bmp", "left-gradient.bmp", "left.png", "out.txt",
                                        "right-gradient.bmp", "right.png"}));
}

INSTANTIATE_TEST_SUITE_P(BySignal, InterruptedCli, testing::Values(SIGINT, SIGTERM),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGINT ? "Sigint" : "Sigterm");
                         });
