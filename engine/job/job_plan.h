// What a job reads and writes, checked and claimed before it touches any file.
#pragma once

#include "engine/base/stage_host.h"
#include "engine/job/job_folders.h"

#include <string>
#include <vector>

// A file the job will write, and the input it is made from.
struct SPlannedWrite {
    std::string path;
    std::string source;
};

// The message of the first clash, or empty: a result that would be written
// over one of the job's inputs, or one name that two different inputs would
// both be written to (a left and a right image with one base, such as
// scene.bmp and scene.png). Files are compared by folder identity and name,
// and existing files by identity, so no spelling of a path hides a clash.
std::string FindNameClash(const CJobFolders& folders, const std::vector<std::string>& inputs,
                          const std::vector<SPlannedWrite>& writes);

// Opens the folders of every file of the job, refuses a clash, waits for
// and locks the folders, and removes what dead jobs left in them. False
// when the job must not run: a message was shown, unless it was cancelled.
bool ClaimJobFolders(CJobFolders& folders, const std::vector<std::string>& inputs,
                     const std::vector<SPlannedWrite>& writes, CStageHost& host);
