// Stereo files split into their two views: MPO streams copied, side-by-side halves cut, both put in place together.
#include "engine/stereo_split.h"

#include "engine/file_names.h"
#include "engine/image_file.h"
#include "engine/job_plan.h"
#include "engine/mpo_index.h"
#include "engine/safe_file.h"
#include "engine/stage_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <span>
#include <vector>

namespace {

std::string LowerExtension(const std::string& path)
{
    const std::string name = GetFileName(path);
    const std::size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::string Refusal(const std::string& path, const std::string& problem)
{
    return "Couldn't split " + path + ": " + problem + ".";
}

// The two views written under hidden names in the stereo file's folder until
// both are complete and checked; whatever was not moved into place is removed.
class CStagedViews {
public:
    CStagedViews(int nFolderFd, std::string left, std::string right)
        : m_nFolderFd(nFolderFd)
        , m_targets{std::move(left), std::move(right)}
    {
        static std::atomic<unsigned> counter{0};
        for (int i = 0; i < 2; ++i)
            m_staged[i] = GetDirectory(m_targets[i])
                + MakeHiddenSibling(GetFileName(m_targets[i]),
                                    std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-0.tmp");
    }
    ~CStagedViews()
    {
        for (const std::string& staged : m_staged)
            ::unlinkat(At(), Name(staged).c_str(), 0);
    }
    CStagedViews(const CStagedViews&) = delete;
    CStagedViews& operator=(const CStagedViews&) = delete;

    int FolderFd() const { return m_nFolderFd; }
    const std::string& Staged(int i) const { return m_staged[i]; }
    const std::string& Target(int i) const { return m_targets[i]; }

    // Renames both into place. The earlier left view is held aside under a
    // hidden link meanwhile, so that it comes back should the second rename
    // fail (and, through the next job in the folder, should the process die).
    bool Commit()
    {
        const std::string left = Name(m_targets[0]);
        const std::string kept = MakeHiddenSibling(left, std::to_string(::getpid()) + ".kept");
        ::unlinkat(At(), kept.c_str(), 0);
        const bool bKept = ::linkat(At(), left.c_str(), At(), kept.c_str(), 0) == 0;
        const bool bDone = Rename(0) && Rename(1);
        if (!bDone && bKept)
            ::renameat(At(), kept.c_str(), At(), left.c_str());
        else if (!bDone)
            ::unlinkat(At(), left.c_str(), 0);
        ::unlinkat(At(), kept.c_str(), 0);
        return bDone;
    }

private:
    // Names in the held folder, or whole paths when it could not be held.
    int At() const { return m_nFolderFd >= 0 ? m_nFolderFd : AT_FDCWD; }
    std::string Name(const std::string& path) const { return m_nFolderFd >= 0 ? GetFileName(path) : path; }
    bool Rename(int i) const
    {
        return ::renameat(At(), Name(m_staged[i]).c_str(), At(), Name(m_targets[i]).c_str()) == 0;
    }

    int m_nFolderFd;
    std::array<std::string, 2> m_targets;
    std::array<std::string, 2> m_staged;
};

// Reads a whole regular file, never waiting on a FIFO or a device named like one.
bool ReadStereoFile(const std::string& path, int nFolderFd, std::vector<std::uint8_t>& bytes, std::string& problem)
{
    const int fd = nFolderFd >= 0
        ? ::openat(nFolderFd, GetFileName(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)
        : ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat info { };
    bool bOk = fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
    problem = "it cannot be read";
    if (bOk && info.st_size > kMaxStereoFileBytes) {
        problem = "it is larger than " + std::to_string(kMaxStereoFileBytes >> 20) + " MiB";
        bOk = false;
    }
    if (bOk) {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t nRead = 0;
        while (nRead < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + nRead, bytes.size() - nRead);
            if (n <= 0)
                break;
            nRead += static_cast<std::size_t>(n);
        }
        bOk = nRead == bytes.size();
    }
    if (fd >= 0)
        ::close(fd);
    return bOk;
}

// What a load says about an image that cannot be a view, after its subject ("it", "its first image").
std::string LoadProblem(const SLoadResult& loaded, const std::string& subject)
{
    switch (loaded.status) {
    case ELoadStatus::kTooLarge:
        return subject + " is too large (" + std::to_string(loaded.nWidth) + " x " + std::to_string(loaded.nHeight)
            + " pixels)";
    case ELoadStatus::kNotRgb:
        return subject + " is not a 24-bit colour image";
    case ELoadStatus::kNoMemory:
        return subject + " does not fit in memory";
    case ELoadStatus::kUnsupported:
        return subject + " is not of a type read here (BMP, PNG, TIFF or JPEG)";
    default:
        return subject + " does not decode";
    }
}

bool StageMpoViews(const std::string& path, const CStagedViews& views, CStageHost& host)
{
    std::vector<std::uint8_t> bytes;
    std::string problem;
    if (!ReadStereoFile(path, views.FolderFd(), bytes, problem)) {
        host.ShowMessage(Refusal(path, problem));
        return false;
    }
    const SMpoIndex index = ReadMpoIndex(bytes);
    if (!index.strProblem.empty()) {
        host.ShowMessage(Refusal(path, index.strProblem));
        return false;
    }
    if ((index.images[1].nAttribute & kMpoClassMask) == kMpoClassThumbnail) {
        host.ShowMessage(Refusal(path, "its second image is a preview of the first, not a second view"));
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        const auto stream = std::span(bytes).subspan(index.images[i].nOffset, index.images[i].nSize);
        if (!WriteFileSafely(
                views.Staged(i),
                [&](std::FILE* pFile) { return std::fwrite(stream.data(), 1, stream.size(), pFile) == stream.size(); },
                views.FolderFd())) {
            host.ShowMessage(CreateFileMessage(views.Target(i)));
            return false;
        }
        const SLoadResult loaded = LoadImageFile(views.Staged(i), EImageCodec::kJpeg, views.FolderFd());
        if (loaded.status != ELoadStatus::kOk) {
            host.ShowMessage(Refusal(path, LoadProblem(loaded, i == 0 ? "its first image" : "its second image")));
            return false;
        }
    }
    return true;
}

CImage Columns(const CImage& image, int nFirst, int nWidth)
{
    CImage half(nWidth, image.Height());
    for (int y = 0; y < image.Height(); ++y)
        std::memcpy(half.Pixel(0, y), image.Pixel(nFirst, y), half.Pitch());
    return half;
}

bool StageSideBySideViews(const std::string& path, bool bCrossEyed, int nSaveFormat, const CStagedViews& views,
                          CStageHost& host)
{
    const EImageCodec codec = LowerExtension(path) == "jps" ? EImageCodec::kJpeg : EImageCodec::kByName;
    const SLoadResult loaded = LoadImageFile(path, codec, views.FolderFd());
    if (loaded.status != ELoadStatus::kOk) {
        host.ShowMessage(Refusal(path, LoadProblem(loaded, "it")));
        return false;
    }
    const CImage& image = loaded.image;
    const int nHalf = image.Width() / 2;
    if (nHalf < 2) {
        host.ShowMessage(
            Refusal(path, "at " + std::to_string(image.Width()) + " pixels wide it is too narrow to hold two views"));
        return false;
    }
    if (image.Width() % 2 != 0)
        host.ShowNotice("The image " + path + " has an odd width (" + std::to_string(image.Width())
                        + " pixels): its last column was left out of the views.");
    // Cross-eyed viewing puts the right eye's view on the left.
    const std::array<CImage, 2> halves
        = {Columns(image, bCrossEyed ? nHalf : 0, nHalf), Columns(image, bCrossEyed ? 0 : nHalf, nHalf)};
    for (int i = 0; i < 2; ++i)
        if (!SaveImageFile(halves[i], views.Staged(i), nSaveFormat, views.FolderFd())) {
            host.ShowMessage(CreateFileMessage(views.Target(i)));
            return false;
        }
    return true;
}

} // namespace

EStereoLayout StereoLayoutOf(const std::string& path)
{
    const std::string extension = LowerExtension(path);
    if (extension == "mpo")
        return EStereoLayout::kMpo;
    return extension == "jps" ? EStereoLayout::kCrossEyed : EStereoLayout::kParallel;
}

bool IsStereoFileName(const std::string& path)
{
    const std::string extension = LowerExtension(path);
    return extension == "mpo" || extension == "jps";
}

std::string StereoViewName(const std::string& path, EStereoLayout layout, int nSaveFormat, bool bRight)
{
    const std::string base = MakeBase(path) + (bRight ? "-right" : "-left");
    return base + "." + (layout == EStereoLayout::kMpo ? "jpg" : SaveExtension(nSaveFormat));
}

SStereoViews SplitStereoFile(const std::string& path, EStereoLayout layout, int nSaveFormat, CStageHost& host)
{
    SStereoViews result;
    const std::string left = StereoViewName(path, layout, nSaveFormat, false);
    const std::string right = StereoViewName(path, layout, nSaveFormat, true);
    CJobFolders folders;
    if (!ClaimJobFolders(folders, {path}, {{left, path}, {right, path}}, host))
        return result;
    CStagedViews views(folders.FolderOf(path), left, right);
    const bool bStaged = layout == EStereoLayout::kMpo
        ? StageMpoViews(path, views, host)
        : StageSideBySideViews(path, layout == EStereoLayout::kCrossEyed, nSaveFormat, views, host);
    if (!bStaged)
        return result;
    if (!views.Commit()) {
        host.ShowMessage(CreateFileMessage(views.Target(0)));
        return result;
    }
    result = {true, views.Target(0), views.Target(1)};
    return result;
}
