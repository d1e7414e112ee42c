// CStageFiles: loads decoded ahead, saves written at once or behind the stages.
#include "engine/job/stage_files.h"

#include "engine/base/thread_budget.h"
#include "engine/job/job_folders.h"

void CStageFiles::BeginJob(const CJobFolders& folders, bool bWriteBehind, EOrientation orientation)
{
    m_pFolders = &folders;
    m_orientation = orientation;
    // With one thread to spend, the saves are written as they come.
    m_bWriteBehind = bWriteBehind && ThreadBudget() > 1;
}

int CStageFiles::FolderOf(const std::string& path) const
{
    return m_pFolders != nullptr ? m_pFolders->FolderOf(path) : -1;
}

void CStageFiles::Prefetch(const std::vector<std::string>& paths)
{
    if (ThreadBudget() < 2)
        return;
    for (const std::string& path : paths)
        if (!m_prefetched.contains(path))
            m_prefetched.emplace(path,
                                 std::async(std::launch::async, LoadImageFile, path, EImageCodec::kByName,
                                            FolderOf(path), m_orientation));
}

// A failed save is shown once; the job's loads and saves fail from then on.
bool CStageFiles::ReportFailedSave()
{
    if (m_bFailed)
        return true;
    const std::string failed = m_writer.Failure();
    if (failed.empty())
        return false;
    m_pHost->ShowMessage(CreateFileMessage(failed));
    m_bFailed = true;
    return true;
}

bool CStageFiles::Flush()
{
    m_writer.Wait();
    return !ReportFailedSave() && !m_bFailed;
}

void CStageFiles::EndJob()
{
    Flush();
    m_writer.Reset();
    m_prefetched.clear();
    m_pFolders = nullptr;
    m_bWriteBehind = false;
    m_orientation = EOrientation::kUpright;
    m_bFailed = false;
}

std::shared_ptr<const CImage> CStageFiles::Loaded(SLoadResult loaded, const std::string& path, const char* loadMessage)
{
    if (loaded.status == ELoadStatus::kOk)
        return std::make_shared<const CImage>(std::move(loaded.image));
    const std::string detail = DescribeLoadFailure(loaded, path);
    m_pHost->ShowMessage(detail.empty() ? loadMessage : detail);
    if (detail.empty())
        m_pHost->ShowNotice(DescribeUnreadable(loaded, path));
    return nullptr;
}

std::shared_ptr<const CImage> CStageFiles::Load(const std::string& path, const char* loadMessage)
{
    if (ReportFailedSave())
        return nullptr;
    if (auto prefetched = m_prefetched.find(path); prefetched != m_prefetched.end()) {
        SLoadResult loaded = prefetched->second.get();
        m_prefetched.erase(prefetched);
        return Loaded(std::move(loaded), path, loadMessage);
    }
    return Loaded(LoadImageFile(path, EImageCodec::kByName, FolderOf(path), m_orientation), path, loadMessage);
}

bool CStageFiles::Save(std::shared_ptr<const CImage> image, const std::string& path, ESaveFormat saveFormat)
{
    if (ReportFailedSave())
        return false;
    if (m_bWriteBehind) {
        m_writer.Queue(std::move(image), path, saveFormat, FolderOf(path));
    } else if (!SaveImageFile(*image, path, saveFormat, FolderOf(path))) {
        m_pHost->ShowMessage(CreateFileMessage(path));
        return false;
    }
    return true;
}

std::string CreateFileMessage(const std::string& path)
{
    return "Couldn't create file: " + path;
}
