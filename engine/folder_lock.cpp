// CFolderLock: flock() on each folder of a job, waited for with the host's cancellation polled.
#include "engine/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace {

// True when the lock is held or the folder cannot be locked at all; false
// when another job holds it.
bool TryLock(int fd)
{
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

} // namespace

CFolderLock::~CFolderLock()
{
    Release();
}

void CFolderLock::Release()
{
    for (const int fd : m_descriptors)
        ::close(fd);
    m_descriptors.clear();
}

bool CFolderLock::Acquire(std::vector<std::string> folders, CStageHost& host)
{
    for (std::string& folder : folders)
        folder = folder.empty() ? "." : folder;
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    for (const std::string& folder : folders) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            continue; // a missing folder: the stage that writes there reports it
        m_descriptors.push_back(fd);
        while (!TryLock(fd)) {
            host.PumpEvents();
            if (host.IsCancelled()) {
                Release();
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    return true;
}
