// tessaly-cli depth: usage errors before any file is touched, results, messages and exit codes.
#include "engine/file_names.h"
#include "engine/image_file.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

namespace {

struct SRun {
    int nExit;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    CliTest()
    {
        std::mt19937 random(5);
        const CImage left = RandomImage(20, 12, random);
        SaveImageFile(left, m_folder.File("l.png"), kFormatPng);
        SaveImageFile(ShiftedCopy(left, 1, random), m_folder.File("r.png"), kFormatPng);
    }

    SRun Run(const std::string& args, const std::string& out = {}) const
    {
        const std::string command = std::string(TESSALY_CLI_PATH) + " " + args + " >"
            + (out.empty() ? m_folder.File("out.txt") : out) + " 2>" + m_folder.File("err.txt");
        const int nStatus = std::system(command.c_str());
        SRun run{WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1, ReadBytes(m_folder.File("out.txt")),
                 ReadBytes(m_folder.File("err.txt"))};
        std::filesystem::remove(m_folder.File("out.txt"));
        std::filesystem::remove(m_folder.File("err.txt"));
        return run;
    }

    std::string Pair() const { return "--left " + m_folder.File("l.png") + " --right " + m_folder.File("r.png"); }

    CTempFolder m_folder;
};

} // namespace

TEST_F(CliTest, BadOptionsAreUsageErrorsThatTouchNoFile)
{
    for (const char* bad :
         {"--fragment 3", "--fragment 130", "--fragment x", "--max-parallax-x 129", "--max-parallax-y -1", "--speed 0",
          "--speed 11", "--format gif", "--side up", "--colour", "--fragment"}) {
        const SRun run = Run("depth " + Pair() + " " + bad);
        EXPECT_EQ(run.nExit, 2) << bad;
        EXPECT_NE(run.err.find("Usage:"), std::string::npos) << bad;
        EXPECT_EQ(run.out, "") << bad;
    }
    EXPECT_EQ(Run("depth --left " + m_folder.File("l.png")).nExit, 2);
    EXPECT_EQ(Run("").nExit, 2);
    EXPECT_EQ(Run("paint").nExit, 2);
    EXPECT_EQ(m_folder.Files(), (std::vector<std::string>{"l.png", "r.png"}));
}

TEST_F(CliTest, FinishedJobPrintsOnlyTheMapPathWhenNotOnATerminal)
{
    const SRun run = Run("depth " + Pair() + " --side right --fragment 4 --max-parallax-x 2 --format png");
    EXPECT_EQ(run.nExit, 0);
    EXPECT_EQ(run.out, m_folder.File("r-3dmap.png") + "\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(m_folder.Files(), (std::vector<std::string>{"l.png", "r-3dmap.png", "r-xd.png", "r-yd.png", "r.png"}));
    EXPECT_EQ(Run("depth --help").nExit, 0);
    // A path that cannot be printed is a failure, not a silent success.
    const SRun lost
        = Run("depth " + Pair() + " --side right --fragment 4 --max-parallax-x 2 --format png", "/dev/full");
    EXPECT_EQ(lost.nExit, 1);
    EXPECT_NE(lost.err.find("standard output"), std::string::npos);
}

TEST_F(CliTest, FailedStagePrintsTheMessageAndExitsWithOne)
{
    const SRun run = Run("depth --left " + m_folder.File("l.png") + " --right " + m_folder.File("none.png"));
    EXPECT_EQ(run.nExit, 1);
    EXPECT_EQ(run.err, "Couldn't load bitmap!\n" + m_folder.File("none.png") + ": No such file or directory\n");
    EXPECT_EQ(run.out, "");
}
