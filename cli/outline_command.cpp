// tessaly-cli outline: the outline images of both images of a stereo pair.
#include "cli/cli_options.h"
#include "cli/command_outcome.h"
#include "cli/commands.h"
#include "cli/console_host.h"
#include "engine/io/file_names.h"
#include "smoothing/smoothing_commands.h"

#include <cstdio>

const std::string kOutlineUsage
    = "tessaly-cli outline --left L.png --right R.png [--level 0..256] [--format bmp|png|tif]\n"
      "  Makes the \"-outline.\" image (and the \"-gradient.\" image) of both images beside them and\n"
      "  prints the paths of the outline images made. Pixels whose gradient is below the level turn\n"
      "  white. Defaults: --level 50 --format bmp.\n";

namespace {

void Configure(const CCommandLine& line, SSmoothingInputs& inputs, CSmoothingCommands& commands)
{
    inputs.strLeftPath = line.Required("--left");
    inputs.strRightPath = line.Required("--right");
    inputs.strLeftBase = MakeBase(inputs.strLeftPath);
    inputs.strRightBase = MakeBase(inputs.strRightPath);
    inputs.saveFormat = ParseFormat(line.Text("--format", "bmp"));
    commands.m_nLevel = line.Number("--level", 50, 0, 256);
}

} // namespace

int RunOutlineCommand(const std::vector<std::string>& args)
{
    CConsoleHost host;
    CSmoothingCommands commands(host);
    SSmoothingInputs inputs;
    try {
        const CCommandLine line(args, {"--left", "--right", "--level", "--format"}, {});
        Configure(line, inputs, commands);
    } catch (const SUsageError& error) {
        return ReportUsageError("outline", error.what());
    }
    return ReportOutcome(commands.CreateOutlineImages(inputs), host);
}
