// CJobFolders: opening each folder once by identity, flock() in identity order, and the leftovers of dead jobs.
#include "engine/job/job_folders.h"

#include "engine/io/file_names.h"
#include "engine/io/new_files.h"
#include "engine/io/work_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

namespace {

std::string Shown(const std::string& spelling)
{
    return spelling.empty() ? "." : spelling;
}

std::vector<std::string> Names(int fd)
{
    std::vector<std::string> names;
    const int copy = ::dup(fd);
    DIR* pDir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (pDir == nullptr) {
        if (copy >= 0)
            ::close(copy);
        return names;
    }
    ::rewinddir(pDir);
    while (const dirent* pEntry = ::readdir(pDir))
        names.emplace_back(pEntry->d_name);
    ::closedir(pDir);
    return names;
}

// Work files of processes of this machine that have ended: the records of
// commits they left half way are repaired first, since the repair may still
// need their temporaries; then the temporaries go. Nothing else is touched.
void RemoveStaleIn(int fd)
{
    const std::vector<std::string> names = Names(fd);
    for (const char* szKind : {"pair", "tmp"})
        for (const std::string& name : names) {
            const std::optional<SWorkFile> file = ParseWorkFileName(name);
            if (!file || file->strKind != szKind || !IsLeftOver(*file))
                continue;
            if (file->strKind == "pair")
                RepairNewFiles(fd, name);
            else
                ::unlinkat(fd, name.c_str(), 0);
        }
}

} // namespace

CJobFolders::~CJobFolders()
{
    Close();
}

void CJobFolders::Close()
{
    for (const int fd : m_descriptors)
        ::close(fd);
    m_descriptors.clear();
    m_folders.clear();
}

const CJobFolders::SFolder* CJobFolders::Find(const std::string& path) const
{
    const std::string spelling = GetDirectory(path);
    const auto it = std::find_if(m_folders.begin(), m_folders.end(),
                                 [&](const SFolder& folder) { return folder.spelling == spelling; });
    return it == m_folders.end() ? nullptr : &*it;
}

bool CJobFolders::Open(const std::vector<std::string>& paths, CStageHost& host)
{
    for (const std::string& path : paths) {
        const std::string spelling = GetDirectory(path);
        if (Find(path) != nullptr)
            continue;
        const int fd = ::open(Shown(spelling).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat info { };
        if (fd < 0 && (errno == ENOENT || errno == ENOTDIR))
            continue; // no such folder: the stage that reads or writes there reports it
        if (fd < 0 || ::fstat(fd, &info) != 0) {
            host.ShowMessage("Couldn't open the folder " + Shown(spelling) + " to keep other jobs out of it ("
                             + std::strerror(errno) + "). Nothing was done.");
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        const auto same = std::find_if(m_folders.begin(), m_folders.end(), [&](const SFolder& folder) {
            return folder.device == info.st_dev && folder.inode == info.st_ino;
        });
        if (same != m_folders.end()) {
            ::close(fd);
            m_folders.push_back({info.st_dev, info.st_ino, same->fd, spelling});
        } else {
            m_folders.push_back({info.st_dev, info.st_ino, fd, spelling});
            m_descriptors.push_back(fd);
        }
    }
    return true;
}

bool CJobFolders::Lock(CStageHost& host)
{
    std::vector<const SFolder*> order;
    for (const int fd : m_descriptors)
        order.push_back(
            &*std::find_if(m_folders.begin(), m_folders.end(), [fd](const SFolder& f) { return f.fd == fd; }));
    std::sort(order.begin(), order.end(), [](const SFolder* a, const SFolder* b) {
        return std::pair(a->device, a->inode) < std::pair(b->device, b->inode);
    });
    for (const SFolder* pFolder : order) {
        bool bToldWaiting = false;
        while (::flock(pFolder->fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR)
                continue;
            if (errno != EWOULDBLOCK) {
                host.ShowMessage("Couldn't lock the folder " + Shown(pFolder->spelling) + " against other jobs ("
                                 + std::strerror(errno) + "). Nothing was done.");
                return false;
            }
            if (!bToldWaiting)
                host.ShowNotice("Waiting for another job writing in " + Shown(pFolder->spelling) + " to finish...");
            bToldWaiting = true;
            host.PumpEvents();
            if (host.IsCancelled())
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    return true;
}

void CJobFolders::RemoveStaleFiles() const
{
    for (const int fd : m_descriptors)
        RemoveStaleIn(fd);
}

int CJobFolders::FolderOf(const std::string& path) const
{
    const SFolder* pFolder = Find(path);
    return pFolder != nullptr ? pFolder->fd : -1;
}

CJobFolders::SFileKey CJobFolders::KeyOf(const std::string& path) const
{
    const SFolder* pFolder = Find(path);
    if (pFolder == nullptr)
        return {0, 0, path};
    return {pFolder->device, pFolder->inode, GetFileName(path)};
}

bool CJobFolders::IsSameExistingFile(const std::string& first, const std::string& second) const
{
    struct stat a {
    }, b{};
    const auto statAt = [this](const std::string& path, struct stat& info) {
        const int fd = FolderOf(path);
        return fd >= 0 ? ::fstatat(fd, GetFileName(path).c_str(), &info, 0) == 0 : ::stat(path.c_str(), &info) == 0;
    };
    return statAt(first, a) && statAt(second, b) && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
