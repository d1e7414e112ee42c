// tessaly-cli split: a stereo file (MPO, or a side-by-side image) split into its left and right views.
#include "cli/cli_options.h"
#include "cli/command_outcome.h"
#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/json_report.h"
#include "cli/output_folder.h"
#include "cli/stereo_input.h"
#include "engine/io/file_names.h"
#include "engine/job/stereo_split.h"

#include <cstdio>

const std::string kSplitUsage
    = "tessaly-cli split FILE [--cross|--parallel] [--format bmp|png|tif] [--output-dir DIR]\n"
      "  Writes the two views of a stereo file beside it as NAME-left and NAME-right and prints their\n"
      "  paths, left first. An .mpo file's first two JPEG images are copied as NAME-left.jpg and\n"
      "  NAME-right.jpg; any other image is cut into halves, saved in the --format (default png).\n"
      "  A .jps file is cross-eyed (the right view in the left half), other images parallel, unless\n"
      "  --cross or --parallel says otherwise. An odd width loses its last column, with a notice.\n"
      "  --output-dir DIR writes the views into DIR instead (made when missing), under the same names.\n";

int RunSplitCommand(const std::vector<std::string>& arguments)
{
    CConsoleHost host;
    SStereoInput input;
    ESaveFormat saveFormat = kFormatPng;
    std::string outputFolder;
    try {
        std::vector<std::string> args = arguments;
        const std::vector<std::string> files = TakeOperands(args, {"--format", "--output-dir"});
        const CCommandLine line(args, {"--format", "--output-dir"}, {"--cross", "--parallel"});
        if (files.size() != 1)
            throw SUsageError("split takes one stereo file");
        input = {files[0], ParseStereoLayout(line, files[0])};
        saveFormat = ParseFormat(line.Text("--format", "png"));
        outputFolder = ParseOutputFolder(line);
    } catch (const SUsageError& error) {
        return ReportUsageError("split", error.what());
    }
    CJsonReport report("split");
    report["file"] = input.strPath;
    report["settings"] = {{"layout", StereoLayoutName(input.layout)}, {"format", SaveExtension(saveFormat)}};
    if (!UseOutputFolder(outputFolder, host))
        return FinishCommand(kExitFailed, {}, host, report);
    const std::optional<CStereoPair> views
        = SplitStereoFile(input.strPath, input.layout, saveFormat, host, outputFolder);
    if (!views)
        return FinishCommand(g_bInterrupted ? kExitInterrupted : kExitFailed, {}, host, report);
    return FinishCommand(kExitDone, {views->LeftPath(), views->RightPath()}, host, report);
}
