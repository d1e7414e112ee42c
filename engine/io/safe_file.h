// Safe files: a result is written to a hidden temporary beside its name and renamed over it only when complete.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

// A file being written under a hidden temporary name in its target's folder
// (a work file of kind "tmp", made with O_EXCL so that it cannot clash with a
// result name). The temporary takes the target's name only in Commit(),
// after its data were flushed and synced; until then, and when anything
// failed, the temporary is removed and any earlier file of the target's
// name stays byte for byte as it was.
class CSafeFile {
public:
    CSafeFile() = default;
    ~CSafeFile();
    CSafeFile(const CSafeFile&) = delete;
    CSafeFile& operator=(const CSafeFile&) = delete;

    // Makes the temporary for `path`; with nFolderFd (a folder's descriptor)
    // the files are made in that folder under the name of `path`. False when
    // it cannot be made.
    bool Open(const std::string& path, int nFolderFd = -1);
    std::FILE* Stream() const { return m_pFile; }
    // Flushes, syncs and closes the temporary; false when any of its data
    // could not be written.
    bool Finish();
    // Renames the finished temporary over the target and syncs the folder,
    // so that the rename survives a power loss.
    bool Commit();

    // The finished temporary's name (in the folder given to Open, else its
    // path), for a caller that puts it in place itself.
    const std::string& Temporary() const { return m_temporary; }

private:
    void Discard();

    int m_nFolderFd = -1;    // AT_FDCWD for whole paths
    std::string m_target;    // the target's name in that folder, or its path
    std::string m_temporary; // likewise
    std::FILE* m_pFile = nullptr;
    bool m_bFinished = false;
};

// Makes the renames in a folder durable: nFolderFd's folder, or with AT_FDCWD
// the folder of the path `target`.
void SyncFolder(int nFolderFd, const std::string& target);

// Writes `path` through `write`, which gets the stream of a CSafeFile and
// returns whether it wrote everything. Returns success.
bool WriteFileSafely(const std::string& path, const std::function<bool(std::FILE*)>& write, int nFolderFd = -1);
