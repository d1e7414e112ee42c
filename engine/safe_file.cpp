// Safe files: temporary beside the target, flush and sync, rename, then sync the folder.
#include "engine/safe_file.h"

#include "engine/file_names.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>

namespace {

// Where the files are made: names relative to a held folder, or whole paths.
struct SPlace {
    int nFolderFd;    // AT_FDCWD for whole paths
    std::string name; // the target's name in that folder, or its path
};

// Creates a new hidden file beside the target, named so that it cannot clash
// with a result name; returns its descriptor or -1.
int CreateTemporary(const SPlace& place, std::string& tempName)
{
    static std::atomic<unsigned> counter{0};
    const auto ticks = static_cast<unsigned long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int nTry = 0; nTry < 100; ++nTry) {
        tempName = MakeHiddenSibling(place.name,
                                     std::to_string(::getpid()) + "-" + std::to_string(ticks % 1000000) + "-"
                                         + std::to_string(counter++) + ".tmp");
        const int fd = ::openat(place.nFolderFd, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Makes a rename durable; a folder that cannot be synced (some network file
// systems) still holds the renamed file, so failure is not an error here.
void SyncFolder(const SPlace& place)
{
    if (place.nFolderFd != AT_FDCWD) {
        ::fsync(place.nFolderFd);
        return;
    }
    const std::string directory = GetDirectory(place.name).empty() ? "." : GetDirectory(place.name);
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool WriteFileSafely(const std::string& path, const std::function<bool(std::FILE*)>& write, int nFolderFd)
{
    if (path.empty() || (nFolderFd >= 0 && GetFileName(path).empty()))
        return false;
    const SPlace place{nFolderFd >= 0 ? nFolderFd : AT_FDCWD, nFolderFd >= 0 ? GetFileName(path) : path};
    std::string tempName;
    const int fd = CreateTemporary(place, tempName);
    if (fd < 0)
        return false;
    std::FILE* pFile = ::fdopen(fd, "wb");
    if (pFile == nullptr) {
        ::close(fd);
        ::unlinkat(place.nFolderFd, tempName.c_str(), 0);
        return false;
    }
    bool bOk = write(pFile) && std::fflush(pFile) == 0 && std::ferror(pFile) == 0 && ::fsync(::fileno(pFile)) == 0;
    bOk = std::fclose(pFile) == 0 && bOk;
    bOk = bOk && ::renameat(place.nFolderFd, tempName.c_str(), place.nFolderFd, place.name.c_str()) == 0;
    if (!bOk)
        ::unlinkat(place.nFolderFd, tempName.c_str(), 0);
    else
        SyncFolder(place);
    return bOk;
}
