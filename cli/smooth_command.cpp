// tessaly-cli smooth: segment smoothing of one side's depth map along its outline image.
#include "cli/cli_options.h"
#include "cli/command_outcome.h"
#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/json_report.h"
#include "cli/output_folder.h"
#include "engine/io/file_names.h"
#include "engine/job/stereo_pair.h"
#include "smoothing/smoothing_commands.h"

#include <cstdio>

const std::string kSmoothUsage
    = "tessaly-cli smooth --side left|right [--left L.png] [--right R.png] [--degree 0..1000]\n"
      "    [--format bmp|png|tif] [--output-dir DIR]\n"
      "  Smooths the side's \"-3dmap.\" depth map along its \"-outline.\" image (both in the chosen\n"
      "  format, beside the side's image) into its \"-3dmapNew.\" image and prints that path. Only\n"
      "  the path of the chosen side is needed. The degree is the number of passes; 0 and 1 both\n"
      "  run one. Defaults: --degree 5 --format bmp.\n"
      "  --output-dir DIR reads both images from DIR, where depth and outline put them, and writes there.\n";

namespace {

constexpr int kMaxDegree = 1000;

bool Configure(const CCommandLine& line, SSmoothingInputs& inputs, CSmoothingCommands& commands,
               std::string& outputFolder)
{
    const std::string side = line.Required("--side");
    if (side != "left" && side != "right")
        throw SUsageError("option --side takes left or right, not \"" + side + "\"");
    const bool bRight = side == "right";
    inputs.strLeftPath = bRight ? line.Text("--left") : line.Required("--left");
    inputs.strRightPath = bRight ? line.Required("--right") : line.Text("--right");
    outputFolder = ParseOutputFolder(line);
    inputs.strLeftBase = InOutputFolder(MakeBase(inputs.strLeftPath), outputFolder);
    inputs.strRightBase = InOutputFolder(MakeBase(inputs.strRightPath), outputFolder);
    inputs.saveFormat = ParseFormat(line.Text("--format", "bmp"));
    commands.m_nDegree = line.Number("--degree", 5, 0, kMaxDegree);
    return bRight;
}

} // namespace

int RunSmoothCommand(const std::vector<std::string>& args)
{
    CConsoleHost host;
    CSmoothingCommands commands(host);
    SSmoothingInputs inputs;
    std::string outputFolder;
    bool bRight = false;
    try {
        const CCommandLine line(args, {"--side", "--left", "--right", "--degree", "--format", "--output-dir"}, {});
        bRight = Configure(line, inputs, commands, outputFolder);
    } catch (const SUsageError& error) {
        return ReportUsageError("smooth", error.what());
    }
    CJsonReport report("smooth");
    report[bRight ? "right" : "left"] = bRight ? inputs.strRightPath : inputs.strLeftPath;
    report["settings"] = {{"side", bRight ? "right" : "left"},
                          {"degree", commands.m_nDegree},
                          {"format", SaveExtension(inputs.saveFormat)}};
    if (!UseOutputFolder(outputFolder, host))
        return FinishCommand(kExitFailed, {}, host, report);
    return ReportOutcome(bRight ? commands.SmoothRight(inputs) : commands.SmoothLeft(inputs), host, report);
}
