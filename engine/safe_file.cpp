// Safe files: temporary beside the target, flush and sync, rename, then sync the folder.
#include "engine/safe_file.h"

#include "engine/file_names.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>

namespace {

// Creates a new hidden file beside the target, named so that it cannot clash
// with a result name; returns its descriptor or -1.
int CreateTemporary(const std::string& path, std::string& tempPath)
{
    static std::atomic<unsigned> counter{0};
    const auto ticks = static_cast<unsigned long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int nTry = 0; nTry < 100; ++nTry) {
        tempPath = MakeHiddenSibling(path,
                                     std::to_string(::getpid()) + "-" + std::to_string(ticks % 1000000) + "-"
                                         + std::to_string(counter++) + ".tmp");
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Makes a rename durable; a folder that cannot be synced (some network file
// systems) still holds the renamed file, so failure is not an error here.
void SyncDirectory(const std::string& path)
{
    const std::string directory = GetDirectory(path).empty() ? "." : GetDirectory(path);
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool WriteFileSafely(const std::string& path, const std::function<bool(std::FILE*)>& write)
{
    if (path.empty())
        return false;
    std::string tempPath;
    const int fd = CreateTemporary(path, tempPath);
    if (fd < 0)
        return false;
    std::FILE* pFile = ::fdopen(fd, "wb");
    if (pFile == nullptr) {
        ::close(fd);
        ::unlink(tempPath.c_str());
        return false;
    }
    bool bOk = write(pFile) && std::fflush(pFile) == 0 && std::ferror(pFile) == 0 && ::fsync(::fileno(pFile)) == 0;
    bOk = std::fclose(pFile) == 0 && bOk;
    bOk = bOk && std::rename(tempPath.c_str(), path.c_str()) == 0;
    if (!bOk)
        ::unlink(tempPath.c_str());
    else
        SyncDirectory(path);
    return bOk;
}
