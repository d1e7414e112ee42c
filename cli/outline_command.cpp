// tessaly-cli outline: the outline images of both images of a stereo pair.
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

const std::string kOutlineUsage
    = "tessaly-cli outline --left L.png --right R.png [--level 0..256] [--format bmp|png|tif]\n"
      "    [--keep-orientation] [--output-dir DIR]\n"
      "  Makes the \"-outline.\" image (and the \"-gradient.\" image) of both images beside them and\n"
      "  prints the paths of the outline images made. Pixels whose gradient is below the level turn\n"
      "  white. Defaults: --level 50 --format bmp. --keep-orientation: as for \"depth\".\n"
      "  --output-dir DIR writes them into DIR instead (made when missing), under the same names.\n";

namespace {

void Configure(const CCommandLine& line, SSmoothingInputs& inputs, CSmoothingCommands& commands,
               std::string& outputFolder)
{
    inputs.strLeftPath = line.Required("--left");
    inputs.strRightPath = line.Required("--right");
    outputFolder = ParseOutputFolder(line);
    inputs.strLeftBase = InOutputFolder(MakeBase(inputs.strLeftPath), outputFolder);
    inputs.strRightBase = InOutputFolder(MakeBase(inputs.strRightPath), outputFolder);
    inputs.saveFormat = ParseFormat(line.Text("--format", "bmp"));
    commands.m_nLevel = line.Number("--level", 50, 0, 256);
    commands.m_orientation = line.Flag("--keep-orientation") ? EOrientation::kStored : EOrientation::kUpright;
}

} // namespace

int RunOutlineCommand(const std::vector<std::string>& args)
{
    CConsoleHost host;
    CSmoothingCommands commands(host);
    SSmoothingInputs inputs;
    std::string outputFolder;
    try {
        const CCommandLine line(args, {"--left", "--right", "--level", "--format", "--output-dir"},
                                {"--keep-orientation"});
        Configure(line, inputs, commands, outputFolder);
    } catch (const SUsageError& error) {
        return ReportUsageError("outline", error.what());
    }
    CJsonReport report("outline");
    report["left"] = inputs.strLeftPath;
    report["right"] = inputs.strRightPath;
    report["settings"] = {{"level", commands.m_nLevel},
                          {"format", SaveExtension(inputs.saveFormat)},
                          {"keep_orientation", commands.m_orientation == EOrientation::kStored}};
    if (!UseOutputFolder(outputFolder, host))
        return FinishCommand(kExitFailed, {}, host, report);
    return ReportOutcome(commands.CreateOutlineImages(inputs), host, report);
}
