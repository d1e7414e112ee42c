// CJobFolders: the folders a job reads and writes in, known by their identity, locked and held open for the job.
#pragma once

#include "engine/base/stage_host.h"

#include <sys/types.h>

#include <string>
#include <vector>

// Stages hand their results to each other through files under fixed names,
// so two jobs writing into one folder at once (two tools, or the app and a
// tool) could read each other's files half way: a job locks its folders
// (flock() on the folder itself, so nothing is left on disk) and a second
// job waits. A folder is known by its device and inode, not by how a path
// spells it ("./a", "a//", a link), so a job locks each folder once and
// never waits on itself. Every name of the job is then opened relative to
// the folder held open here, so that a folder renamed or replaced by a link
// during the job still gets the job's own files.
class CJobFolders {
public:
    CJobFolders() = default;
    ~CJobFolders();
    CJobFolders(const CJobFolders&) = delete;
    CJobFolders& operator=(const CJobFolders&) = delete;

    // Opens the folder of every path; false, with a message naming the
    // folder, when one cannot be opened.
    bool Open(const std::vector<std::string>& paths, CStageHost& host);
    // Locks the opened folders in the order of their identity, so that two
    // jobs never wait for each other in a circle. While another job holds
    // one, says so once and polls the host every 20 ms; false when cancelled
    // (no message) or when a folder cannot be locked at all (a message).
    bool Lock(CStageHost& host);
    // Removes the work files (work_files.h) that processes of this machine
    // left in the locked folders when they died, finishing or undoing the
    // commits they had left half way.
    void RemoveStaleFiles() const;

    // The descriptor of the folder of `path` (as the job spells it), or -1
    // when the path is not in one of the job's folders.
    int FolderOf(const std::string& path) const;

    // A file of the job by what it is, whatever the spelling of its path:
    // the identity of its folder and its name.
    struct SFileKey {
        dev_t device = 0;
        ino_t folder = 0;
        std::string name;
        bool operator==(const SFileKey&) const = default;
    };
    SFileKey KeyOf(const std::string& path) const;
    // Whether the two paths name one existing file (links included).
    bool IsSameExistingFile(const std::string& first, const std::string& second) const;

private:
    struct SFolder {
        dev_t device;
        ino_t inode;
        int fd;
        std::string spelling; // as GetDirectory gives it; "" is the current folder
    };
    const SFolder* Find(const std::string& path) const;
    void Close();

    std::vector<SFolder> m_folders; // one per spelling
    std::vector<int> m_descriptors; // one per folder, in locking order
};
