// tessaly-cli depth: usage errors before any file is touched, results, messages and exit codes.
#include "cli/commands.h"
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

    std::string Pair() const { return " --left " + m_folder.File("l.png") + " --right " + m_folder.File("r.png"); }

    CTempFolder m_folder;
};

} // namespace

TEST_F(CliTest, BadOptionsAreUsageErrorsThatTouchNoFile)
{
    const std::string left = " --left " + m_folder.File("l.png");
    for (const std::string& bad : {"depth" + Pair() + " --fragment 3",
                                   "depth" + Pair() + " --fragment 130",
                                   "depth" + Pair() + " --fragment x",
                                   "depth" + Pair() + " --max-parallax-x 129",
                                   "depth" + Pair() + " --max-parallax-y -1",
                                   "depth" + Pair() + " --speed 0",
                                   "depth" + Pair() + " --speed 11",
                                   "depth" + Pair() + " --format gif",
                                   "depth" + Pair() + " --side up",
                                   "depth" + Pair() + " --colour",
                                   "depth" + Pair() + " --fragment",
                                   "depth" + left,
                                   "outline" + left,
                                   "outline" + Pair() + " --level 257",
                                   "smooth" + left,
                                   "smooth --side left" + left + " --degree 1001",
                                   "smooth --side left" + left + " --degree -1",
                                   "smooth --side right" + left,
                                   std::string(""),
                                   std::string("paint")}) {
        const SRun run = Run(bad);
        EXPECT_EQ(run.nExit, kExitUsage) << bad;
        EXPECT_NE(run.err.find("Usage"), std::string::npos) << bad;
        EXPECT_EQ(run.out, "") << bad;
    }
    EXPECT_EQ(m_folder.Files(), (std::vector<std::string>{"l.png", "r.png"}));
}

// The limits themselves are accepted: each option at its first and last
// value runs the job (a map too small for speed 10 is the job's own failure).
TEST_F(CliTest, OptionsAtTheirLimitsAreAccepted)
{
    for (const char* limit : {"--fragment 2", "--fragment 128", "--max-parallax-x 128 --max-parallax-y 128",
                              "--speed 1", "--speed 10", "--max-parallax-x 0 --max-parallax-y 0", "--format tiff"}) {
        const SRun run = Run("depth " + Pair() + " " + limit);
        EXPECT_NE(run.nExit, kExitUsage) << limit << ": " << run.err;
        EXPECT_EQ(run.err.find("Usage:"), std::string::npos) << limit;
    }
    for (const char* limit : {"--level 0", "--level 256"}) {
        const SRun run = Run("outline" + Pair() + " " + limit);
        EXPECT_EQ(run.nExit, kExitDone) << limit;
        EXPECT_EQ(run.out, m_folder.File("l-outline.bmp") + "\n" + m_folder.File("r-outline.bmp") + "\n");
    }
    for (const char* limit : {"--degree 0", "--degree 1000"}) {
        const SRun run = Run("smooth --side left --left " + m_folder.File("l.png") + " " + limit);
        EXPECT_EQ(run.nExit, kExitDone) << limit;
        EXPECT_EQ(run.out, m_folder.File("l-3dmapNew.bmp") + "\n");
    }
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
