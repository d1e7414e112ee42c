// tessaly-cli outline and smooth: exit codes, printed results and usage errors.
#include "cli/commands.h"
#include "engine/image_file.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

namespace {

using TArgs = std::vector<std::string>;

// The exit code; `out` receives stdout, stderr is dropped.
int RunCli(int (*pCommand)(const TArgs&), const TArgs& args, std::string& out)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int nExit = pCommand(args);
    out = testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    return nExit;
}

} // namespace

TEST(SmoothingCli, ExitCodesAndPrintedResults)
{
    CTempFolder folder;
    std::mt19937 random(2);
    const std::string a = folder.File("a.png"), b = folder.File("b.png");
    std::string out;
    for (const TArgs& args : {TArgs{"--left", a, "--level", "50"}, TArgs{"--left", a, "--right", b, "--level", "257"},
                              TArgs{"--left", a, "--right", b, "--format", "jpg"}})
        EXPECT_EQ(RunCli(RunOutlineCommand, args, out), kExitUsage) << args.back();
    for (const TArgs& args : {TArgs{"--left", a}, TArgs{"--side", "right", "--left", a},
                              TArgs{"--side", "left", "--left", a, "--degree", "1001"},
                              TArgs{"--side", "left", "--left", a, "--degree", "-1"}})
        EXPECT_EQ(RunCli(RunSmoothCommand, args, out), kExitUsage) << args.back();
    EXPECT_EQ(folder.Files(), TArgs{});

    SaveImageFile(RandomImage(8, 6, random), a, 1), SaveImageFile(RandomImage(8, 6, random), b, 1);
    EXPECT_EQ(RunCli(RunOutlineCommand, {"--left", a, "--right", b, "--level", "256"}, out), kExitDone);
    EXPECT_EQ(out, folder.File("a-outline.bmp") + "\n" + folder.File("b-outline.bmp") + "\n");
    EXPECT_EQ(RunCli(RunSmoothCommand, {"--side", "right", "--right", b}, out), kExitFailed); // no "-3dmap."
    EXPECT_EQ(out, "");
    SaveImageFile(RandomImage(8, 6, random), folder.File("b-3dmap.bmp"), 0);
    EXPECT_EQ(RunCli(RunSmoothCommand, {"--side", "right", "--right", b, "--degree", "0"}, out), kExitDone);
    EXPECT_EQ(out, folder.File("b-3dmapNew.bmp") + "\n");
}
