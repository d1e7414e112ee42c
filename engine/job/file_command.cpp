// CFileCommand: the folder claim, the out-of-memory report and the outcome's end, written once for every command.
#include "engine/job/file_command.h"

#include "engine/job/job_folders.h"

#include <new>

bool CFileCommand::RunInFolders(const std::vector<std::string>& inputs, const std::vector<SPlannedWrite>& writes,
                                bool bWriteBehind, const std::function<bool()>& stages)
{
    CJobFolders folders;
    if (!ClaimJobFolders(folders, inputs, writes, *m_pHost))
        return false;
    const CStageFilesScope scope(m_files, folders, bWriteBehind, m_orientation);
    return stages();
}

bool CFileCommand::CatchNoMemory(const std::string& message, const std::function<bool()>& step, bool bResetProgress)
{
    try {
        return step();
    } catch (const std::bad_alloc&) {
        m_pHost->ShowMessage(message);
        if (bResetProgress)
            m_pHost->ResetProgress();
        return false;
    }
}

void CFileCommand::Finish(SCommandOutcome& outcome, bool bPreview, const std::string& previewPath) const
{
    outcome.bCancelled = m_pHost->IsCancelled();
    if (outcome.bCancelled)
        outcome.bDone = false;
    else if (bPreview)
        outcome.strPreviewPath = previewPath;
}
