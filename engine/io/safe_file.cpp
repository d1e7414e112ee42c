// Safe files: temporary beside the target, flush and sync, rename, then sync the folder.
#include "engine/io/safe_file.h"

#include "engine/io/file_names.h"
#include "engine/io/work_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>

// A folder that cannot be synced (some network file systems) still holds the
// renamed file, so failure is not an error here.
void SyncFolder(int nFolderFd, const std::string& target)
{
    if (nFolderFd != AT_FDCWD) {
        ::fsync(nFolderFd);
        return;
    }
    const std::string directory = GetDirectory(target).empty() ? "." : GetDirectory(target);
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

CSafeFile::~CSafeFile()
{
    Discard();
}

bool CSafeFile::Open(const std::string& path, int nFolderFd)
{
    if (path.empty() || GetFileName(path).empty())
        return false;
    m_nFolderFd = nFolderFd >= 0 ? nFolderFd : AT_FDCWD;
    m_target = nFolderFd >= 0 ? GetFileName(path) : path;
    static std::atomic<unsigned> counter{0};
    const auto ticks = static_cast<unsigned long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int nTry = 0; nTry < 100; ++nTry) {
        m_temporary
            = MakeWorkFileName(m_target, std::to_string(ticks % 1000000) + "-" + std::to_string(counter++), "tmp");
        const int fd = ::openat(m_nFolderFd, m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_pFile = ::fdopen(fd, "wb");
            if (m_pFile == nullptr) {
                ::close(fd);
                Discard();
            }
            return m_pFile != nullptr;
        }
        if (errno != EEXIST)
            break;
    }
    m_temporary.clear();
    return false;
}

bool CSafeFile::Finish()
{
    if (m_pFile == nullptr)
        return false;
    bool bOk = std::fflush(m_pFile) == 0 && std::ferror(m_pFile) == 0 && ::fsync(::fileno(m_pFile)) == 0;
    bOk = std::fclose(m_pFile) == 0 && bOk;
    m_pFile = nullptr;
    m_bFinished = bOk;
    return bOk;
}

bool CSafeFile::Commit()
{
    if (!m_bFinished || ::renameat(m_nFolderFd, m_temporary.c_str(), m_nFolderFd, m_target.c_str()) != 0)
        return false;
    m_temporary.clear();
    SyncFolder(m_nFolderFd, m_target);
    return true;
}

void CSafeFile::Discard()
{
    if (m_pFile != nullptr)
        std::fclose(m_pFile);
    m_pFile = nullptr;
    if (!m_temporary.empty())
        ::unlinkat(m_nFolderFd, m_temporary.c_str(), 0);
    m_temporary.clear();
}

bool WriteFileSafely(const std::string& path, const std::function<bool(std::FILE*)>& write, int nFolderFd)
{
    CSafeFile file;
    if (!file.Open(path, nFolderFd))
        return false;
    const bool bWritten = write(file.Stream());
    return file.Finish() && bWritten && file.Commit();
}
