// CStageFiles: how the stages of a job or command load and save their images, with the stages' messages.
#pragma once

#include "engine/base/image.h"
#include "engine/base/stage_host.h"
#include "engine/io/image_file.h"
#include "engine/io/image_writer.h"

#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CJobFolders;

// A job whose first failure ends it (the depth-map job) can have its saves
// written behind it: on a thread of their own while the next stages compute,
// in the order they were made. A save that fails is then reported ("Couldn't
// create file: <path>") at the job's next load or save, or at its end, and
// makes that step fail; the saves queued behind it are never written, and
// the job ends. Every other save is written at once. The inputs of a job can
// be decoded ahead on threads of their own. The stages hand their images to
// each other in memory, so no image a job saves is read back.
class CStageFiles {
public:
    explicit CStageFiles(CStageHost& host)
        : m_pHost(&host)
    { }

    // A job in the given folders (see CJobFolders): names are opened there,
    // with bWriteBehind its saves are written behind its stages, and its
    // loads turn JPEG photos upright or keep their stored pixels.
    void BeginJob(const CJobFolders& folders, bool bWriteBehind, EOrientation orientation = EOrientation::kUpright);
    // Decodes these files on threads of their own, for the loads that follow.
    void Prefetch(const std::vector<std::string>& paths);
    // Waits for every save of the job; false, with the message shown, when
    // one failed.
    bool Flush();
    // The end of the job: its saves are waited for (the stages that finished
    // before a failure or a cancellation keep their files, as when every save
    // is written at once) and a failure reported; what was decoded ahead and
    // not loaded is forgotten.
    void EndJob();

    // Anything but a readable image (see LoadImageFile) is a failed load
    // (null), shown with the stage's own message unless the image is too
    // large or memory ran out, which get a message naming the size, or its
    // pixel format is not read, which gets one naming the format; a notice
    // tells which file and why.
    std::shared_ptr<const CImage> Load(const std::string& path, const char* loadMessage);
    // Saves in the format of saveFormat; a failed save shows "Couldn't
    // create file: <path>".
    bool Save(std::shared_ptr<const CImage> image, const std::string& path, ESaveFormat saveFormat);
    bool Save(CImage image, const std::string& path, ESaveFormat saveFormat)
    {
        return Save(std::make_shared<const CImage>(std::move(image)), path, saveFormat);
    }

private:
    int FolderOf(const std::string& path) const;
    bool ReportFailedSave();
    std::shared_ptr<const CImage> Loaded(SLoadResult loaded, const std::string& path, const char* loadMessage);

    CStageHost* m_pHost;
    const CJobFolders* m_pFolders = nullptr;
    bool m_bWriteBehind = false;
    EOrientation m_orientation = EOrientation::kUpright;
    std::map<std::string, std::future<SLoadResult>> m_prefetched;
    bool m_bFailed = false; // a save of this job failed and was reported
    CImageWriter m_writer;
};

// Runs a job's stages with the files of CStageFiles: BeginJob when made, EndJob when gone.
class CStageFilesScope {
public:
    CStageFilesScope(CStageFiles& files, const CJobFolders& folders, bool bWriteBehind = false,
                     EOrientation orientation = EOrientation::kUpright)
        : m_files(files)
    {
        m_files.BeginJob(folders, bWriteBehind, orientation);
    }
    ~CStageFilesScope() { m_files.EndJob(); }
    CStageFilesScope(const CStageFilesScope&) = delete;
    CStageFilesScope& operator=(const CStageFilesScope&) = delete;

private:
    CStageFiles& m_files;
};

// "Couldn't create file: <path>".
std::string CreateFileMessage(const std::string& path);
