// Clashes between a job's inputs and results, and the claim of its folders.
#include "engine/job/job_plan.h"

namespace {

bool IsSameFile(const CJobFolders& folders, const std::string& first, const std::string& second)
{
    return folders.KeyOf(first) == folders.KeyOf(second) || folders.IsSameExistingFile(first, second);
}

} // namespace

std::string FindNameClash(const CJobFolders& folders, const std::vector<std::string>& inputs,
                          const std::vector<SPlannedWrite>& writes)
{
    for (const SPlannedWrite& write : writes)
        for (const std::string& input : inputs)
            if (!input.empty() && IsSameFile(folders, write.path, input))
                return "The result " + write.path + " would be written over the input " + input + ". Nothing was done.";
    for (auto first = writes.begin(); first != writes.end(); ++first)
        for (auto second = first + 1; second != writes.end(); ++second)
            if (IsSameFile(folders, first->path, second->path) && !IsSameFile(folders, first->source, second->source))
                return "The images " + first->source + " and " + second->source + " would both be written to "
                    + first->path + ": give them different names. Nothing was done.";
    return {};
}

bool ClaimJobFolders(CJobFolders& folders, const std::vector<std::string>& inputs,
                     const std::vector<SPlannedWrite>& writes, CStageHost& host)
{
    std::vector<std::string> paths = inputs;
    for (const SPlannedWrite& write : writes)
        paths.push_back(write.path);
    if (!folders.Open(paths, host))
        return false;
    if (const std::string clash = FindNameClash(folders, inputs, writes); !clash.empty()) {
        host.ShowMessage(clash);
        return false;
    }
    if (!folders.Lock(host))
        return false;
    folders.RemoveStaleFiles();
    return true;
}
