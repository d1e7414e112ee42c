// Jobs ended midway (through the host, or by a signal to the command-line tool) and jobs run side by side.
#include "engine/io/image_file.h"
#include "engine/job/depth_map_job.h"
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
#include <set>
#include <thread>

extern char** environ;

namespace {

// Cancelled from its nth call on (a poll, a step or a pump), as a user
// pressing Cancel somewhere in the job would; the steps and pumps after that
// are late. m_onCall looks at the files at each poll and each reset of the
// progress, while the job runs.
class CCancellingHost : public CRecordingHost {
public:
    explicit CCancellingHost(int nCallsBefore)
        : m_nCallsLeft(nCallsBefore)
    { }
    bool IsCancelled() const override { return m_onCall(), ++m_nPolls, Count(), m_nCallsLeft < 0; }
    void ResetProgress() override { CRecordingHost::ResetProgress(), m_onCall(); }
    void StepProgress() override { m_nLateSteps += Count(), CRecordingHost::StepProgress(); }
    void PumpEvents() override { m_nLatePumps += Count(), CRecordingHost::PumpEvents(); }
    // Whether the call comes after the cancellation.
    bool Count() const { return ++m_nCalls, m_nCallsLeft-- <= 0; }

    mutable int m_nCallsLeft, m_nCalls = 0, m_nPolls = 0, m_nLateSteps = 0, m_nLatePumps = 0;
    std::function<void()> m_onCall = [] {};
};

const std::string kEarlierMap = "the depth map of an earlier job";

// left.png of noise and right.png shifted by 2 pixels, with an earlier depth
// map of the left side under `earlierMap`.
void WritePair(const CTempFolder& folder, int nWidth, int nHeight, const std::string& earlierMap)
{
    std::mt19937 random(5);
    const CImage left = RandomImage(nWidth, nHeight, random);
    SaveImageFile(left, folder.File("left.png"), kFormatPng);
    SaveImageFile(ShiftedCopy(left, 2, random), folder.File("right.png"), kFormatPng);
    WriteBytes(folder.File(earlierMap), kEarlierMap);
}

void ConfigureJob(CDepthMapJob& job, const CTempFolder& folder)
{
    SetPair(job, folder.File("left.png"), folder.File("right.png"));
    job.m_settings = {2, 4, 0, 2, false, kFormatPng}; // gradients at speed 2, parallax 4 across
}

// The commands of the app, each run on a pair with earlier results of every kind, some of them images that the
// command reads: the depth job, the outline images, three passes of smoothing.
const char* const kCommands[] = {"DepthJob", "Outline", "Smoothing"};

bool RunCommand(int nCommand, CStageHost& host, const CTempFolder& folder)
{
    CDepthMapJob job(host);
    ConfigureJob(job, folder);
    CSmoothingCommands commands(host);
    commands.m_nDegree = 3;
    const SSmoothingInputs inputs = SmoothingInputsOf(job);
    return nCommand == 0 ? job.RunJob(false).bDone
        : nCommand == 1  ? commands.CreateOutlineImages(inputs).bDone
                         : commands.SmoothLeft(inputs).bDone;
}

class CancelledCommand : public testing::TestWithParam<int> {
protected:
    CancelledCommand()
    {
        WritePair(m_folder, 14, 8, "left-3dmapNew.png");
        std::mt19937 random(3);
        for (const char* name : {"left-3dmap.png", "left-outline.png", "right-outline.png"})
            SaveImageFile(RandomImage(14, 8, random), m_folder.File(name), kFormatPng);
        m_earlier = m_folder.Contents();
    }

    CTempFolder m_folder;
    std::map<std::string, std::string> m_earlier;
};

} // namespace

// Whenever the cancellation comes, the command stops within a row (at most
// one row stepped and one event pumped after it), reports nothing
// done and shows no message, every new file is complete, and the results
// made in several steps (the enlarged depth map, the masked outlines, the
// smoothed map) hold either their earlier file or the finished result,
// never a step in between: not at the end, and not at any moment of the
// run, when the process could be killed.
TEST_P(CancelledCommand, AtAnyPollLeavesOnlyCompleteFilesAndTheEarlierResults)
{
    const char* const results[] = {"left-3dmap.png", "left-outline.png", "right-outline.png", "left-3dmapNew.png"};
    CCancellingHost uncancelled(INT_MAX);
    ASSERT_TRUE(RunCommand(GetParam(), uncancelled, m_folder));
    std::map<std::string, std::string> finished;
    for (const char* name : results)
        finished[name] = ReadBytes(m_folder.File(name));
    for (int nCalls = 0; nCalls < uncancelled.m_nCalls; ++nCalls) {
        SCOPED_TRACE(nCalls);
        for (const auto& [name, bytes] : m_earlier)
            WriteBytes(m_folder.File(name), bytes);
        const auto expectEarlierOrFinished = [&] {
            for (const char* name : results)
                EXPECT_TRUE((std::set{m_earlier[name], finished[name]}).contains(ReadBytes(m_folder.File(name))))
                    << name;
        };
        CCancellingHost host(nCalls);
        host.m_onCall = expectEarlierOrFinished;
        EXPECT_FALSE(RunCommand(GetParam(), host, m_folder));
        EXPECT_EQ(std::tuple(host.m_messages, host.m_nLateSteps <= 1, host.m_nLatePumps <= 1),
                  std::tuple(std::vector<std::string>{}, true, true));
        expectEarlierOrFinished();
        for (const std::string& name : m_folder.Files())
            EXPECT_TRUE(m_earlier.contains(name) || LoadImageFile(m_folder.File(name)).status == ELoadStatus::kOk)
                << name;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, CancelledCommand, testing::Values(0, 1, 2),
                         [](const testing::TestParamInfo<int>& info) { return kCommands[info.param]; });

// Another job holds the folder: this one waits, and can be cancelled while it
// waits, writing nothing. (A batch's jobs show that it runs once the folder
// is free.)
TEST(CancelledJob, WhileWaitingForTheFolderWritesNothing)
{
    CTempFolder folder;
    WritePair(folder, 30, 20, "left-3dmap.png");
    const int fd = ::open(folder.Path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    CCancellingHost host(5);
    CDepthMapJob job(host);
    ConfigureJob(job, folder);
    EXPECT_FALSE(job.RunJob(false).bDone);
    // The wait pumps events and polls in turn: cancelled from the sixth call on, it ends at the third poll (and
    // the outcome asks once more).
    EXPECT_EQ(std::tuple(host.m_nPolls, host.m_messages, host.m_notices, folder.Files()),
              std::tuple(4, std::vector<std::string>{},
                         std::vector{"Waiting for another job writing in " + folder.Path().string() + "/ to finish..."},
                         std::vector<std::string>{"left-3dmap.png", "left.png", "right.png"}));
    ::close(fd);
}

namespace {

// A pair that takes minutes to search at the settings below, and an
// earlier depth map of the left side.
class InterruptedCli : public testing::TestWithParam<int> {
protected:
    InterruptedCli() { WritePair(m_folder, 120, 90, "left-3dmap.bmp"); }
    // Kills the tool when a failed assertion leaves it running.
    ~InterruptedCli() override
    {
        if (m_pid > 0)
            ::kill(m_pid, SIGKILL), ::waitpid(m_pid, nullptr, 0);
    }

    CTempFolder m_folder;
    pid_t m_pid = 0;
};

} // namespace

// In gradient mode the gradient files tell when the search has begun.
TEST_P(InterruptedCli, ExitsWith130AndLeavesNoResult)
{
    const std::string command = "exec " + std::string(TESSALY_CLI_PATH) + " depth --left " + m_folder.File("left.png")
        + " --right " + m_folder.File("right.png")
        + " --gradient --reference --fragment 16 --max-parallax-x 40 --max-parallax-y 20 >" + m_folder.File("out.txt");
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    ASSERT_EQ(::posix_spawn(&m_pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    const std::string begun = m_folder.File("right-gradient.bmp");
    for (int i = 0; i < 6000 && !std::filesystem::exists(begun); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(std::filesystem::exists(begun));
    ASSERT_EQ(::kill(m_pid, GetParam()), 0);
    int nStatus = 0;
    ASSERT_GT(::waitpid(std::exchange(m_pid, 0), &nStatus, 0), 0);
    EXPECT_EQ(std::tuple(WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus),
                         ReadBytes(m_folder.File("out.txt")), ReadBytes(m_folder.File("left-3dmap.bmp")),
                         m_folder.Files()),
              std::tuple(130, "", kEarlierMap,
                         std::vector<std::string>{"left-3dmap.bmp", "left-gradient.bmp", "left.png", "out.txt",
                                                  "right-gradient.bmp", "right.png"}));
}

INSTANTIATE_TEST_SUITE_P(BySignal, InterruptedCli, testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) { return info.param == SIGINT ? "Sigint" : "Sigterm"; });
