// CFolderLock: an exclusive advisory lock on the folders a job writes into, held for the whole job.
#pragma once

#include "engine/stage_host.h"

#include <string>
#include <vector>

// Stages hand their results to each other through files under fixed names,
// and the enlargement even rewrites its own input in place: two jobs writing
// into one folder at once (two tools, or the app and a tool) could read each
// other's files half way, so a second job waits until the first is done.
// The lock is flock() on the folder itself, so nothing is left on disk; a
// folder that cannot be locked (some network file systems) is used unlocked.
class CFolderLock {
public:
    CFolderLock() = default;
    ~CFolderLock();
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

    // Locks every distinct folder, in sorted order so that two jobs never
    // wait for each other in a circle. While another job holds one, polls
    // the host once per 20 ms and gives up (false) when it is cancelled.
    bool Acquire(std::vector<std::string> folders, CStageHost& host);

private:
    void Release();

    std::vector<int> m_descriptors;
};
