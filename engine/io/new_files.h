// New files: finished temporaries put in place under names that hold nothing yet, all of them or none, even across a
// crash.
#pragma once

#include <span>
#include <string>

// A finished, synced temporary and the name it is to take, both in one folder.
struct SNewFile {
    std::string temporary;
    std::string target;
};

// Puts every temporary in place under its target, which must not exist: a
// file found there (made by anyone meanwhile) is never replaced. Two or more
// go in under a work file of kind "pair" that records them, so that when the
// process dies half way the next command in the folder finishes the commit
// or undoes it (RepairNewFiles): the names never hold some of the new files
// without the others. nFolderFd is the folder's descriptor, or AT_FDCWD with
// whole paths. Returns the index of the file that could not be put in place
// (those before it are taken back), or -1 when all were.
int CommitNewFiles(int nFolderFd, std::span<const SNewFile> files);

// Finishes the commit recorded in the "pair" work file `record` of a process
// that died, when every temporary is still there or already in place, and
// otherwise takes back what it had put in place; then removes the record.
// Only names that hold nothing, or the recorded files themselves, are touched.
void RepairNewFiles(int nFolderFd, const std::string& record);

// For tests: called before each step of a commit (0 writes the record,
// 1 + i puts file i in place, 1 + n removes the record); returning true makes
// the step fail as its system call would. Null for none.
using TCommitFault = bool (*)(int nStep);
void SetCommitFault(TCommitFault fault);
