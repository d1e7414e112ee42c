// --output-dir: the option, the folder made on demand, and the folder of a batch pair under it.
#include "cli/output_folder.h"

#include "engine/base/stage_host.h"
#include "engine/io/file_names.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The whole path of a folder as spelled, "" being the current one, without "." or ".." steps.
fs::path WholeFolder(const std::string& folder)
{
    std::error_code error;
    const fs::path whole = (fs::current_path(error) / (folder.empty() ? "." : folder)).lexically_normal();
    return whole.has_filename() ? whole : whole.parent_path();
}

} // namespace

std::string ParseOutputFolder(const CCommandLine& line)
{
    const std::string folder = line.Text("--output-dir");
    if (line.Has("--output-dir") && folder.empty())
        throw SUsageError("option --output-dir needs a folder");
    return folder;
}

std::string OutputFolderProblem(const std::string& folder)
{
    if (folder.empty())
        return {};
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    std::string reason;
    if (fs::exists(status) && !fs::is_directory(status))
        reason = "it is not a folder";
    else if (!fs::exists(status) && !fs::create_directories(folder, error) && error)
        reason = error.message();
    return reason.empty() ? std::string() : "cannot use the output folder " + folder + ": " + reason;
}

bool UseOutputFolder(const std::string& folder, CStageHost& host)
{
    const std::string problem = OutputFolderProblem(folder);
    if (!problem.empty())
        host.ShowMessage("tessaly-cli: " + problem);
    return problem.empty();
}

std::string PairOutputFolder(const std::string& outputFolder, const std::string& base, const std::string& path)
{
    if (outputFolder.empty())
        return {};
    const fs::path folder = WholeFolder(GetDirectory(path));
    const fs::path relative = folder.lexically_relative(WholeFolder(base));
    const bool bInside = !relative.empty() && *relative.begin() != "..";
    const std::string sub = bInside ? relative.string() : folder.relative_path().string();
    if (sub == "." || sub.empty())
        return outputFolder;
    return outputFolder + (outputFolder.back() == '/' ? "" : "/") + sub;
}
