// CFileCommand: what every command that makes files shares: the host, the stage files, the folder claim, running out
// of memory, and the outcome it reports.
#pragma once

#include "engine/base/stage_host.h"
#include "engine/job/job_plan.h"
#include "engine/job/stage_files.h"

#include <functional>
#include <string>
#include <vector>

struct SCommandOutcome {
    bool bDone = false;      // every stage of the command wrote its file
    bool bCancelled = false; // stopped by the host; nothing shown, no preview
    // The files made, in the order they were made.
    std::vector<std::string> written;
    // The file to preview, when "Preview images" is set and the command was
    // not cancelled; it may not exist when the command failed.
    std::string strPreviewPath;
};

// The depth-map job and the outline and smoothing commands derive from it.
class CFileCommand {
public:
    explicit CFileCommand(CStageHost& host)
        : m_pHost(&host)
        , m_files(host)
    { }
    virtual ~CFileCommand() = default;
    CFileCommand(const CFileCommand&) = delete;
    CFileCommand& operator=(const CFileCommand&) = delete;

    // The sources' EXIF orientation applied, or the stored pixels kept
    // (--keep-orientation), for every load of the command.
    EOrientation m_orientation = EOrientation::kUpright;

protected:
    // Claims the folders of the inputs and of the files the command will
    // write (ClaimJobFolders), then runs `stages` with the stage files of
    // the claim, their saves written behind them when asked for. False,
    // with nothing run, when the claim fails.
    bool RunInFolders(const std::vector<std::string>& inputs, const std::vector<SPlannedWrite>& writes,
                      bool bWriteBehind, const std::function<bool()>& stages);
    // Runs a step; running out of memory in it shows `message` (and resets
    // the progress bar of a command that drives one) and fails the step.
    bool CatchNoMemory(const std::string& message, const std::function<bool()>& step, bool bResetProgress = false);
    // The end of an outcome: a cancelled command is not done and previews
    // nothing; otherwise previewPath is previewed when bPreview is set.
    void Finish(SCommandOutcome& outcome, bool bPreview, const std::string& previewPath) const;

    CStageHost* m_pHost;
    CStageFiles m_files;
};
