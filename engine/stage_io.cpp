// Loading and saving the images of a file-level stage.
#include "engine/stage_io.h"

#include "engine/image_file.h"

bool LoadStageImage(CStageHost& host, const std::string& path, const char* loadMessage, CImage& image)
{
    SLoadResult loaded = LoadImageFile(path);
    if (loaded.status == ELoadStatus::kOk) {
        image = std::move(loaded.image);
        return true;
    }
    const std::string detail = DescribeLoadFailure(loaded, path);
    host.ShowMessage(detail.empty() ? loadMessage : detail);
    return false;
}

bool SaveStageImage(CStageHost& host, const CImage& image, const std::string& path, int nSaveFormat)
{
    if (SaveImageFile(image, path, nSaveFormat))
        return true;
    host.ShowMessage(CreateFileMessage(path));
    return false;
}

std::string CreateFileMessage(const std::string& path)
{
    return "Couldn't create file: " + path;
}
