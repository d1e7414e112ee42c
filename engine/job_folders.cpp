// CJobFolders: opening each folder once by identity, flock() in identity order, and the leftovers of dead jobs.
#include "engine/job_folders.h"

#include "engine/file_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>
#include <thread>

namespace {

std::string Shown(const std::string& spelling)
{
    return spelling.empty() ? "." : spelling;
}

bool IsDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The process that made a hidden work file (".NAME.PID-TICKS-N.tmp" or
// ".NAME.PID.kept"), or 0 when the name is not one of ours.
pid_t MakerOf(std::string_view name, std::string_view& kind)
{
    for (const std::string_view ending : {std::string_view(".tmp"), std::string_view(".kept")}) {
        if (name.size() <= ending.size() + 2 || name.front() != '.' || !name.ends_with(ending))
            continue;
        kind = ending;
        const std::string_view stem = name.substr(0, name.size() - ending.size());
        const std::string_view tag = stem.substr(stem.rfind('.') + 1);
        const std::string_view pid = tag.substr(0, tag.find('-'));
        if (!IsDigits(pid) || pid.size() > 9)
            return 0;
        if (ending == ".tmp") {
            const std::string_view rest = tag.substr(pid.size());
            const std::size_t dash = rest.find('-', 1);
            if (rest.size() < 4 || rest[0] != '-' || dash == std::string_view::npos
                || !IsDigits(rest.substr(1, dash - 1)) || !IsDigits(rest.substr(dash + 1)))
                return 0;
        } else if (tag.size() != pid.size()) {
            return 0;
        }
        return static_cast<pid_t>(std::stol(std::string(pid)));
    }
    return 0;
}

bool IsDead(pid_t pid)
{
    return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
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

// The name a kept file held the earlier file of: ".NAME.PID.kept" keeps at
// most 64 bytes of NAME, so a longer name is found among the folder's files.
std::string KeptFor(const std::string& kept, const std::vector<std::string>& names)
{
    const std::string prefix = kept.substr(1, kept.rfind('.', kept.size() - 6) - 1);
    if (prefix.size() < 60)
        return prefix;
    std::string found;
    for (const std::string& name : names)
        if (name.front() != '.' && name.starts_with(prefix)) {
            if (!found.empty())
                return {};
            found = name;
        }
    return found;
}

void RemoveStaleIn(int fd)
{
    const std::vector<std::string> names = Names(fd);
    for (const std::string& name : names) {
        std::string_view kind;
        const pid_t pid = MakerOf(name, kind);
        if (pid <= 0 || !IsDead(pid))
            continue;
        // A job killed while it held an earlier result aside had not finished
        // its replacement: the earlier result goes back under its name.
        const std::string original = kind == ".kept" ? KeptFor(name, names) : std::string();
        if (original.empty() || ::renameat(fd, name.c_str(), fd, original.c_str()) != 0)
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
