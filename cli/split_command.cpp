// tessaly-cli split: a stereo file (MPO, or a side-by-side image) split into its left and right views.
#include "cli/cli_options.h"
#include "cli/command_outcome.h"
#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/stereo_input.h"
#include "engine/io/file_names.h"

#include <cstdio>

const std::string kSplitUsage
    = "tessaly-cli split FILE [--cross|--parallel] [--format bmp|png|tif]\n"
      "  Writes the two views of a stereo file beside it as NAME-left and NAME-right and prints their\n"
      "  paths, left first. An .mpo file's first two JPEG images are copied as NAME-left.jpg and\n"
      "  NAME-right.jpg; any other image is cut into halves, saved in the --format (default png).\n"
      "  A .jps file is cross-eyed (the right view in the left half), other images parallel, unless\n"
      "  --cross or --parallel says otherwise. An odd width loses its last column, with a notice.\n";

int RunSplitCommand(const std::vector<std::string>& arguments)
{
    CConsoleHost host;
    SStereoInput input;
    ESaveFormat saveFormat = kFormatPng;
    try {
        std::vector<std::string> args = arguments;
        const std::vector<std::string> files = TakeOperands(args, {"--format"});
        const CCommandLine line(args, {"--format"}, {"--cross", "--parallel"});
        if (files.size() != 1)
            throw SUsageError("split takes one stereo file");
        input = {files[0], ParseStereoLayout(line, files[0])};
        saveFormat = ParseFormat(line.Text("--format", "png"));
    } catch (const SUsageError& error) {
        return ReportUsageError("split", error.what());
    }
    const std::optional<CStereoPair> views = SplitStereoFile(input.strPath, input.layout, saveFormat, host);
    host.FinishLine();
    if (!views)
        return g_bInterrupted ? kExitInterrupted : kExitFailed;
    return PrintPaths({views->LeftPath(), views->RightPath()}) ? kExitDone : kExitFailed;
}
