// CStageFiles: how the stages of a job or command load and save their images, with the stages' messages.
#pragma once

#include "engine/image.h"
#include "engine/stage_host.h"

#include <map>
#include <set>
#include <string>

class CJobFolders;

// Every image a stage saves is also kept in memory until a later stage of the
// same job loads it: the files are lossless, so the image handed over is the
// one decoding the file would give, without the decoding. A name can be
// held: saves to it then stay in memory until it is released, so that a
// result made in several steps (a depth map enlarged after assembly, the
// passes of smoothing) reaches its name once, finished, and an interrupted
// job leaves the earlier file of that name as it was.
class CStageFiles {
public:
    explicit CStageFiles(CStageHost& host)
        : m_pHost(&host)
    { }

    void SetHost(CStageHost& host) { m_pHost = &host; }
    // The folders of the running job (none outside a job): names are opened there.
    void SetFolders(const CJobFolders* pFolders) { m_pFolders = pFolders; }

    // Anything but a readable 24-bit image is a failed load, shown with the
    // stage's own message unless the image is too large or memory ran out,
    // which get a message naming the size; a notice tells which file and why.
    bool Load(const std::string& path, const char* loadMessage, CImage& image);
    // Saves in the format of nSaveFormat (or keeps the image in memory when
    // the name is held); a failed save shows "Couldn't create file: <path>".
    bool Save(CImage image, const std::string& path, int nSaveFormat);

    void Hold(const std::string& path) { m_held.insert(path); }
    void Release(const std::string& path) { m_held.erase(path); }
    // Forgets every image kept in memory and every held name (end of a job).
    void Clear();

private:
    CStageHost* m_pHost;
    const CJobFolders* m_pFolders = nullptr;
    std::map<std::string, CImage> m_kept;
    std::set<std::string> m_held;
};

// "Couldn't create file: <path>".
std::string CreateFileMessage(const std::string& path);

// Binds the folders of a running job to its files, and forgets what the
// files kept in memory when the job ends.
class CStageFilesScope {
public:
    CStageFilesScope(CStageFiles& files, const CJobFolders& folders)
        : m_files(files)
    {
        m_files.SetFolders(&folders);
    }
    ~CStageFilesScope()
    {
        m_files.SetFolders(nullptr);
        m_files.Clear();
    }
    CStageFilesScope(const CStageFilesScope&) = delete;
    CStageFilesScope& operator=(const CStageFilesScope&) = delete;

private:
    CStageFiles& m_files;
};
