// CStageFiles: loads served from the images saved earlier in the job, saves kept for the stages after.
#include "engine/stage_files.h"

#include "engine/image_file.h"
#include "engine/job_folders.h"

namespace {

int FolderFd(const CJobFolders* pFolders, const std::string& path)
{
    return pFolders != nullptr ? pFolders->FolderOf(path) : -1;
}

} // namespace

bool CStageFiles::Load(const std::string& path, const char* loadMessage, CImage& image)
{
    if (const auto kept = m_kept.find(path); kept != m_kept.end()) {
        image = std::move(kept->second);
        m_kept.erase(kept);
        return true;
    }
    SLoadResult loaded = LoadImageFile(path, EImageCodec::kByName, FolderFd(m_pFolders, path));
    if (loaded.status == ELoadStatus::kOk) {
        image = std::move(loaded.image);
        return true;
    }
    const std::string detail = DescribeLoadFailure(loaded, path);
    m_pHost->ShowMessage(detail.empty() ? loadMessage : detail);
    if (detail.empty())
        m_pHost->ShowNotice(path + ": " + (loaded.strReason.empty() ? "not a readable image" : loaded.strReason));
    return false;
}

bool CStageFiles::Save(CImage image, const std::string& path, int nSaveFormat)
{
    if (!m_held.contains(path) && !SaveImageFile(image, path, nSaveFormat, FolderFd(m_pFolders, path))) {
        m_pHost->ShowMessage(CreateFileMessage(path));
        return false;
    }
    m_kept.insert_or_assign(path, std::move(image));
    return true;
}

void CStageFiles::Clear()
{
    m_kept.clear();
    m_held.clear();
}

std::string CreateFileMessage(const std::string& path)
{
    return "Couldn't create file: " + path;
}
