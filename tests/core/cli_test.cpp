// tessaly-cli: usage errors before any file is touched, results, messages, lost output and exit codes.
#include "cli/commands.h"
#include "engine/io/file_names.h"
#include "engine/io/image_file.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

struct SRun {
    int nExit;
    std::string out, err;
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

    // `out` is the redirection of stdout, to out.txt when empty.
    SRun Run(const std::string& args, const std::string& out = {}) const
    {
        const std::string command = std::string(TESSALY_CLI_PATH) + " " + args + " "
            + (out.empty() ? ">" + m_folder.File("out.txt") : out) + " 2>" + m_folder.File("err.txt");
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
    std::vector<std::string> bad{"",
                                 "paint",
                                 "depth" + left,
                                 "outline" + left,
                                 "outline" + Pair() + " --level 257",
                                 "smooth" + left,
                                 "smooth --side right" + left,
                                 "smooth --side left" + left + " --degree 1001",
                                 "smooth --side left" + left + " --degree -1",
                                 "smooth --side left --side left" + left};
    for (const char* option :
         {"--fragment 3", "--fragment 130", "--fragment x", "--max-parallax-x 129", "--max-parallax-y -1", "--speed 0",
          "--speed 11", "--format gif", "--side up", "--colour", "--fragment", "--side left --side right",
          "--right r.png", "--gradient --gradient", "--output-dir=", "--output-dir a --output-dir b"})
        bad.push_back("depth" + Pair() + " " + option);
    for (const std::string& args : bad) {
        const SRun run = Run(args);
        // Without a command the whole usage; else the problem and where help is.
        const char* szHint = args.empty() ? "Usage:" : "Try 'tessaly-cli ";
        EXPECT_EQ(std::tuple(run.nExit, run.err.find(szHint) != std::string::npos, run.out),
                  std::tuple(kExitUsage, true, ""))
            << args;
    }
    EXPECT_EQ(m_folder.Files(), (std::vector<std::string>{"l.png", "r.png"}));
}

// --version; "--name=value" and a closing "--"; a usage error as its problem
// and a hint on two lines; the notice of a map that can only be flat.
TEST_F(CliTest, FollowsTheCommandLineConventions)
{
    const std::string flat = "Both parallax limits are 0";
    const struct {
        std::string args;
        int nExit;
        std::string out, err; // the start of stdout, and a part of stderr
    } cases[]
        = {{"--version", kExitDone, "tessaly-cli 1.", ""},
           {"depth --fragment=4 --max-parallax-x=2" + Pair() + " --", kExitDone, m_folder.File("l-3dmap.bmp"), ""},
           {"depth" + Pair(), kExitDone, m_folder.File("l-3dmap.bmp"), flat},
           {"depth --max-parallax-y=1" + Pair(), kExitDone, m_folder.File("l-3dmap.bmp"), ""},
           {"depth --fragment=3" + Pair(), kExitUsage, "", "tessaly-cli depth: option --fragment takes an even number"},
           {"depth" + Pair() + " -- extra", kExitUsage, "",
            "tessaly-cli depth: unexpected argument: extra\nTry 'tessaly-cli depth --help'.\n"},
           {"paint", kExitUsage, "", "tessaly-cli: unknown command \"paint\"\nTry 'tessaly-cli --help'.\n"}};
    for (const auto& c : cases) {
        const SRun run = Run(c.args);
        EXPECT_EQ(std::tuple(run.nExit, run.out.substr(0, c.out.size()), run.err.find(c.err) != std::string::npos,
                             run.err.find(flat) != std::string::npos),
                  std::tuple(c.nExit, c.out, true, c.err == flat))
            << c.args << ": " << run.err;
    }
}

// The limits themselves are accepted: each option at its first and last
// value runs the job (a map too small for speed 10 is the job's own failure).
TEST_F(CliTest, OptionsAtTheirLimitsAreAccepted)
{
    for (const char* limit : {"--fragment 2", "--fragment 128", "--max-parallax-x 128 --max-parallax-y 128",
                              "--speed 1", "--speed 10", "--max-parallax-x 0 --max-parallax-y 0", "--format tiff"}) {
        const SRun run = Run("depth " + Pair() + " " + limit);
        EXPECT_TRUE(run.nExit != kExitUsage && run.err.find("Try '") == std::string::npos) << limit << ": " << run.err;
    }
    const std::string outlines = m_folder.File("l-outline.bmp") + "\n" + m_folder.File("r-outline.bmp") + "\n";
    const std::string smoothLeft = "smooth --side left --left " + m_folder.File("l.png");
    for (const auto& [args, out] : {std::pair("outline" + Pair() + " --level 0", outlines),
                                    {"outline" + Pair() + " --level 256", outlines},
                                    {smoothLeft + " --degree 0", m_folder.File("l-3dmapNew.bmp") + "\n"},
                                    {smoothLeft + " --degree 1000", m_folder.File("l-3dmapNew.bmp") + "\n"}}) {
        const SRun run = Run(args);
        EXPECT_EQ(std::pair(run.nExit, run.out), std::pair(kExitDone, out)) << args;
    }
}

// Not on a terminal, a finished job prints only the map's path; a failed stage prints its message and the file's
// problem on stderr and exits with 1.
TEST_F(CliTest, AJobPrintsOnlyTheMapPathOrItsFailureAndExitsWithItsCode)
{
    const std::string args = "depth " + Pair() + " --side right --fragment 4 --max-parallax-x 2 --format png";
    const SRun run = Run(args);
    EXPECT_EQ(std::tuple(run.nExit, run.out, run.err, m_folder.Files()),
              std::tuple(0, m_folder.File("r-3dmap.png") + "\n", "",
                         std::vector<std::string>{"l.png", "r-3dmap.png", "r-xd.png", "r-yd.png", "r.png"}));
    EXPECT_EQ(Run("depth --help").nExit, 0);
    const SRun failed
        = Run("depth --max-parallax-x 1 --left " + m_folder.File("l.png") + " --right " + m_folder.File("none.png"));
    EXPECT_EQ(
        std::tuple(failed.nExit, failed.err, failed.out),
        std::tuple(1, "Couldn't load bitmap!\n" + m_folder.File("none.png") + ": No such file or directory\n", ""));
}

// Output that stdout cannot take (a full disk, a closed stdout, a pipe whose reader is gone) fails the command
// with one line on stderr, even when a batch's workers meet it on several threads; usage on stderr keeps its 2.
TEST_F(CliTest, LostOutputIsAFailureSaidOnce)
{
    std::filesystem::create_directory(m_folder.File("pairs"));
    for (const char* name : {"a", "b", "c", "d"}) {
        std::filesystem::copy_file(m_folder.File("l.png"), m_folder.File("pairs/") + name + "_L.png");
        std::filesystem::copy_file(m_folder.File("r.png"), m_folder.File("pairs/") + name + "_R.png");
    }
    // The fifo opened for reading and writing lets its writing end open without waiting; closing the reading
    // end before the tool starts leaves a pipe with no reader, with no race against one that exits.
    const std::string fifo = m_folder.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string readerless = "3<>" + fifo + " 4>" + fifo + " 3<&- >&4 4>&-";
    const std::string smooth = "smooth --side left --left " + m_folder.File("l.png");
    for (const auto& [out, reason] : {std::pair(std::string(">/dev/full"), "No space left on device"),
                                      {">&-", "Bad file descriptor"},
                                      {readerless, "Broken pipe"}}) {
        const std::string lost = std::string("tessaly-cli: couldn't write to standard output: ") + reason;
        // Smooth reads the map and outlines the depth and outline rows made.
        for (const auto& [args, nExit, nLostLines] : {std::tuple(std::string("--help"), kExitFailed, 1),
                                                      {"depth --help", kExitFailed, 1},
                                                      {"", kExitUsage, 0},
                                                      {"depth" + Pair(), kExitFailed, 1},
                                                      {"outline" + Pair(), kExitFailed, 1},
                                                      {smooth, kExitFailed, 1},
                                                      {"split " + m_folder.File("l.png"), kExitFailed, 1},
                                                      {"batch --jobs 4 " + m_folder.File("pairs"), kExitFailed, 1}}) {
            const SRun run = Run(args, out);
            std::istringstream err(run.err);
            int nLines = 0;
            for (std::string line; std::getline(err, line);)
                nLines += line == lost ? 1 : 0;
            EXPECT_EQ(std::pair(run.nExit, nLines), std::pair(nExit, nLostLines)) << args << " " << out << run.err;
        }
    }
}

// Every file of a command goes into --output-dir, made with its parents when missing, under the name it would have
// beside its source, and smooth reads the maps made there; the clash checks apply there. Nothing is made in the
// source folder, which is read-only when the tests do not run as root.
TEST_F(CliTest, OutputDirTakesEveryFileACommandWrites)
{
    const std::string src = m_folder.File("src"), l = src + "/l.png",
                      pair = " --left " + l + " --right " + src + "/r.png";
    const std::string maps = m_folder.File("out/maps"), clash = m_folder.File("clash"), split = m_folder.File("split");
    const std::string views = m_folder.File("views"), file = m_folder.File("l.png");
    std::filesystem::create_directories(clash);
    WriteBytes(clash + "/l-right.png", "mine");
    std::filesystem::create_directory(src);
    for (const char* szName : {"l.png", "r.png"})
        std::filesystem::copy_file(m_folder.File(szName), src + "/" + szName);
    ::chmod(src.c_str(), 0555);
    const auto listing = [](const std::string& folder) {
        std::string names;
        for (const std::string& name : CTempFolder::Names(folder))
            names += name + " ";
        return names;
    };
    const std::string outlines = "l-gradient.bmp l-outline.bmp l-xd.bmp l-yd.bmp r-gradient.bmp r-outline.bmp ";
    // Each case: the arguments, the exit code, stdout, a part of stderr, and a folder with its files.
    using S = std::string;
    const std::tuple<S, int, S, S, S, S> cases[] = {
        {"depth --max-parallax-x 2" + pair + " --output-dir " + maps, 0, maps + "/l-3dmap.bmp\n", "", maps,
         "l-3dmap.bmp l-xd.bmp l-yd.bmp "},
        {"outline" + pair + " --output-dir=" + maps + "/", 0, maps + "/l-outline.bmp\n" + maps + "/r-outline.bmp\n", "",
         maps, "l-3dmap.bmp " + outlines},
        {"smooth --side left --left " + l + " --output-dir " + maps, 0, maps + "/l-3dmapNew.bmp\n", "", maps,
         "l-3dmap.bmp l-3dmapNew.bmp " + outlines},
        {"split " + l + " --output-dir " + split, 0, split + "/l-left.png\n" + split + "/l-right.png\n", "", split,
         "l-left.png l-right.png "},
        {"depth --max-parallax-x 2 --format png --pair " + l + " --output-dir " + views, 0,
         views + "/l-left-3dmap.png\n", "", views,
         "l-left-3dmap.png l-left-xd.png l-left-yd.png l-left.png l-right.png "},
        {"split " + l + " --output-dir " + clash, 1, "", "its right view would replace " + clash + "/l-right.png",
         clash, "l-right.png "},
        {"depth" + pair + " --output-dir " + file, 1, "",
         "tessaly-cli: cannot use the output folder " + file + ": it is not a folder\n", src, "l.png r.png "},
    };
    for (const auto& [args, nExit, out, err, dir, files] : cases) {
        const SRun run = Run(args);
        EXPECT_EQ(std::tuple(run.nExit, run.out, run.err.find(err) != std::string::npos, listing(dir)),
                  std::tuple(nExit, out, true, files))
            << args << ": " << run.err;
    }
    ::chmod(src.c_str(), 0755);
    EXPECT_EQ(std::pair(listing(src), ReadBytes(clash + "/l-right.png")),
              std::pair(std::string("l.png r.png "), std::string("mine")));
}
