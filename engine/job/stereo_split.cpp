// Stereo files split into their two views: MPO streams copied, side-by-side halves cut, both put in place together.
#include "engine/job/stereo_split.h"

#include "engine/io/file_names.h"
#include "engine/io/image_file.h"
#include "engine/io/mpo_index.h"
#include "engine/io/new_files.h"
#include "engine/io/safe_file.h"
#include "engine/job/job_plan.h"
#include "engine/job/stage_files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace {

std::string Refusal(const std::string& path, const std::string& problem)
{
    return "Couldn't split " + path + ": " + problem + ".";
}

// A file of the split in the folder held for the job, or its whole path when
// the folder could not be held: the descriptor and name that *at calls take.
struct SInFolder {
    int nFd;
    std::string name;
};

SInFolder InFolder(const std::string& path, int nFolderFd)
{
    return nFolderFd >= 0 ? SInFolder{nFolderFd, GetFileName(path)} : SInFolder{AT_FDCWD, path};
}

// Opened for reading, never waiting on a FIFO or a device named like a file.
int OpenForReading(const std::string& path, int nFolderFd)
{
    const SInFolder file = InFolder(path, nFolderFd);
    return ::openat(file.nFd, file.name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

// Why a stereo file cannot be read at all, before anything is made of it; empty when it can.
std::string OpenProblem(const std::string& path, int nFolderFd)
{
    const int fd = OpenForReading(path, nFolderFd);
    if (fd < 0)
        return errno == ENOENT ? "there is no such file"
                               : "it cannot be read (" + std::string(std::strerror(errno)) + ")";
    struct stat info { };
    const bool bRegular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    if (!bRegular)
        return "it is not a regular file";
    if (info.st_size == 0)
        return "the file is empty";
    if (info.st_size > kMaxStereoFileBytes)
        return "it is larger than " + std::to_string(kMaxStereoFileBytes >> 20) + " MiB";
    return {};
}

// Reads a whole regular file of at most nMaxBytes.
std::optional<std::string> ReadRegularFile(const std::string& path, int nFolderFd, std::int64_t nMaxBytes)
{
    const int fd = OpenForReading(path, nFolderFd);
    struct stat info { };
    std::optional<std::string> bytes;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= nMaxBytes) {
        bytes.emplace(static_cast<std::size_t>(info.st_size), '\0');
        std::size_t nRead = 0;
        while (nRead < bytes->size()) {
            const ssize_t n = ::read(fd, bytes->data() + nRead, bytes->size() - nRead);
            if (n <= 0)
                break;
            nRead += static_cast<std::size_t>(n);
        }
        if (nRead != bytes->size())
            bytes.reset();
    }
    if (fd >= 0)
        ::close(fd);
    return bytes;
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

// The bytes of one view, and an earlier form of them that counts as the same
// view when a name already holds it: the left view of an MPO split by a
// version that kept the multi-picture index in it.
struct SView {
    std::string bytes;
    std::string earlierForm;
};
using TViews = std::array<SView, 2>;

bool MpoViews(const std::string& path, int nFolderFd, TViews& views, CStageHost& host)
{
    const std::optional<std::string> file = ReadRegularFile(path, nFolderFd, kMaxStereoFileBytes);
    if (!file) {
        host.ShowMessage(Refusal(path, "it cannot be read"));
        return false;
    }
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(file->data()), file->size());
    const SMpoIndex index = ReadMpoIndex(bytes);
    if (!index.strProblem.empty()) {
        host.ShowMessage(Refusal(path, index.strProblem));
        return false;
    }
    if ((index.images[1].nAttribute & kMpoClassMask) == kMpoClassThumbnail) {
        host.ShowMessage(Refusal(path, "its second image is a preview of the first, not a second view"));
        return false;
    }
    // The left view is a plain JPEG: without the index, whose offsets point
    // past its end, readers would look for a second image in it.
    const std::string first = file->substr(index.images[0].nOffset, index.images[0].nSize);
    views[0] = {first.substr(0, index.nIndexSegmentOffset)
                    + first.substr(index.nIndexSegmentOffset + index.nIndexSegmentSize),
                first};
    views[1] = {file->substr(index.images[1].nOffset, index.images[1].nSize), {}};
    return true;
}

CImage Columns(const CImage& image, int nFirst, int nWidth)
{
    CImage half(nWidth, image.Height());
    for (int y = 0; y < image.Height(); ++y)
        std::memcpy(half.Pixel(0, y), image.Pixel(nFirst, y), half.Pitch());
    return half;
}

// Encoded into an anonymous file in memory: the writers seek back to finish
// their headers, which a plain memory stream does not keep.
std::optional<std::string> Encoded(const CImage& image, ESaveFormat saveFormat)
{
    // Where a sandbox forbids anonymous memory files, an unnamed temporary file serves.
    const int nMemory = ::memfd_create("tessaly-view", MFD_CLOEXEC);
    std::FILE* pFile = nMemory >= 0 ? ::fdopen(nMemory, "w+b") : std::tmpfile();
    if (pFile == nullptr) {
        if (nMemory >= 0)
            ::close(nMemory);
        return std::nullopt;
    }
    const int fd = ::fileno(pFile);
    std::optional<std::string> bytes;
    struct stat info { };
    if (EncodeImage(image, saveFormat, pFile) && std::fflush(pFile) == 0 && ::fstat(fd, &info) == 0) {
        bytes.emplace(static_cast<std::size_t>(info.st_size), '\0');
        if (::pread(fd, bytes->data(), bytes->size(), 0) != static_cast<ssize_t>(bytes->size()))
            bytes.reset();
    }
    std::fclose(pFile);
    return bytes;
}

bool IsJpegFile(const std::string& path, int nFolderFd)
{
    const int fd = OpenForReading(path, nFolderFd);
    unsigned char start[2] = {};
    const bool bJpeg = fd >= 0 && ::read(fd, start, 2) == 2 && start[0] == 0xFF && start[1] == 0xD8;
    if (fd >= 0)
        ::close(fd);
    return bJpeg;
}

using THalves = std::array<CImage, 2>;

// The left and the right view of a side-by-side image, as stored.
std::optional<THalves> SideBySideHalves(const std::string& path, bool bCrossEyed, int nFolderFd, CStageHost& host)
{
    const bool bJps = GetLowerExtension(path) == "jps";
    if (bJps && !IsJpegFile(path, nFolderFd)) {
        host.ShowMessage(Refusal(path, "it does not hold a JPEG image, as a .jps file must"));
        return std::nullopt;
    }
    // The halves are the views as stored; MPO views are turned upright when each is loaded.
    const SLoadResult loaded
        = LoadImageFile(path, bJps ? EImageCodec::kJpeg : EImageCodec::kByName, nFolderFd, EOrientation::kStored);
    if (loaded.status != ELoadStatus::kOk) {
        host.ShowMessage(Refusal(path, LoadProblem(loaded, "it")));
        return std::nullopt;
    }
    const CImage& image = loaded.image;
    const int nHalf = image.Width() / 2;
    if (nHalf < 2) {
        host.ShowMessage(
            Refusal(path, "at " + std::to_string(image.Width()) + " pixels wide it is too narrow to hold two views"));
        return std::nullopt;
    }
    if (image.Width() % 2 != 0)
        host.ShowNotice("The image " + path + " has an odd width (" + std::to_string(image.Width())
                        + " pixels): its last column was left out of the views.");
    // Cross-eyed viewing puts the right eye's view on the left.
    return THalves{Columns(image, bCrossEyed ? nHalf : 0, nHalf), Columns(image, bCrossEyed ? 0 : nHalf, nHalf)};
}

bool SideBySideViews(const std::string& path, bool bCrossEyed, ESaveFormat saveFormat, int nFolderFd, TViews& views,
                     CStageHost& host)
{
    const std::optional<THalves> halves = SideBySideHalves(path, bCrossEyed, nFolderFd, host);
    if (!halves)
        return false;
    for (int i = 0; i < 2; ++i) {
        std::optional<std::string> bytes = Encoded((*halves)[i], saveFormat);
        if (!bytes) {
            host.ShowMessage(Refusal(path, "its views could not be encoded"));
            return false;
        }
        views[i] = {std::move(*bytes), {}};
    }
    return true;
}

// Whether a view's name holds nothing, this very view (a split made before),
// or anything else, which is never replaced.
enum class ENameHolds { kNothing, kThisView, kOther };

ENameHolds WhatNameHolds(const std::string& target, int nFolderFd, const SView& view)
{
    const SInFolder file = InFolder(target, nFolderFd);
    struct stat info { };
    if (::fstatat(file.nFd, file.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? ENameHolds::kNothing : ENameHolds::kOther;
    const auto nLongest = static_cast<std::int64_t>(std::max(view.bytes.size(), view.earlierForm.size()));
    const std::optional<std::string> bytes = ReadRegularFile(target, nFolderFd, nLongest);
    const bool bSame = bytes && (*bytes == view.bytes || (!view.earlierForm.empty() && *bytes == view.earlierForm));
    return bSame ? ENameHolds::kThisView : ENameHolds::kOther;
}

// Writes the views whose names hold nothing to finished temporaries beside
// them; an MPO's streams are checked to decode before either is put in place.
bool StageNewViews(const std::string& path, bool bMpo, int nFolderFd, const std::array<std::string, 2>& targets,
                   const TViews& views, const std::array<bool, 2>& bNew, std::array<CSafeFile, 2>& staged,
                   CStageHost& host)
{
    for (int i = 0; i < 2; ++i) {
        if (!bNew[i])
            continue;
        const std::string& bytes = views[i].bytes;
        if (!staged[i].Open(targets[i], nFolderFd)
            || std::fwrite(bytes.data(), 1, bytes.size(), staged[i].Stream()) != bytes.size() || !staged[i].Finish()) {
            host.ShowMessage(CreateFileMessage(targets[i]));
            return false;
        }
        if (!bMpo)
            continue;
        const std::string temporary = GetDirectory(targets[i]) + GetFileName(staged[i].Temporary());
        const SLoadResult loaded = LoadImageFile(temporary, EImageCodec::kJpeg, nFolderFd, EOrientation::kStored);
        if (loaded.status != ELoadStatus::kOk) {
            host.ShowMessage(Refusal(path, LoadProblem(loaded, i == 0 ? "its first image" : "its second image")));
            return false;
        }
    }
    return true;
}

// Puts the new views in place, both or neither; names that hold the view already stay as they are.
bool PlaceViews(const std::array<std::string, 2>& targets, const std::array<CSafeFile, 2>& staged,
                const std::array<bool, 2>& bNew, int nFolderFd, CStageHost& host)
{
    std::vector<SNewFile> files;
    std::vector<int> sides;
    for (int i = 0; i < 2; ++i)
        if (bNew[i]) {
            files.push_back({staged[i].Temporary(), InFolder(targets[i], nFolderFd).name});
            sides.push_back(i);
        }
    const int nFailed = CommitNewFiles(nFolderFd >= 0 ? nFolderFd : AT_FDCWD, files);
    if (nFailed >= 0)
        host.ShowMessage(CreateFileMessage(targets[sides[static_cast<std::size_t>(nFailed)]]));
    return nFailed < 0;
}

} // namespace

const char* StereoLayoutName(EStereoLayout layout)
{
    switch (layout) {
    case EStereoLayout::kMpo:
        return "mpo";
    case EStereoLayout::kCrossEyed:
        return "cross";
    default:
        return "parallel";
    }
}

std::optional<EStereoLayout> ParseStereoLayout(std::string_view name)
{
    for (const EStereoLayout layout : {EStereoLayout::kMpo, EStereoLayout::kCrossEyed, EStereoLayout::kParallel})
        if (name == StereoLayoutName(layout))
            return layout;
    return std::nullopt;
}

EStereoLayout StereoLayoutOf(const std::string& path)
{
    const std::string extension = GetLowerExtension(path);
    if (extension == "mpo")
        return EStereoLayout::kMpo;
    return extension == "jps" ? EStereoLayout::kCrossEyed : EStereoLayout::kParallel;
}

bool IsStereoFileName(const std::string& path)
{
    const std::string extension = GetLowerExtension(path);
    return extension == "mpo" || extension == "jps";
}

namespace {

std::string ViewBase(const std::string& stereoBase, bool bRight)
{
    return stereoBase + (bRight ? "-right" : "-left");
}

std::string ViewName(const std::string& stereoBase, EStereoLayout layout, ESaveFormat saveFormat, bool bRight)
{
    return ViewBase(stereoBase, bRight) + "." + (layout == EStereoLayout::kMpo ? "jpg" : SaveExtension(saveFormat));
}

} // namespace

std::string StereoViewName(const std::string& path, EStereoLayout layout, ESaveFormat saveFormat, bool bRight,
                           const std::string& outputFolder)
{
    return ViewName(InOutputFolder(MakeBase(path), outputFolder), layout, saveFormat, bRight);
}

// The views' names and bases come from the stereo file's base, made once.
std::optional<CStereoPair> SplitStereoFile(const std::string& path, EStereoLayout layout, ESaveFormat saveFormat,
                                           CStageHost& host, const std::string& outputFolder)
{
    const std::string base = InOutputFolder(MakeBase(path), outputFolder);
    const std::array<std::string, 2> targets
        = {ViewName(base, layout, saveFormat, false), ViewName(base, layout, saveFormat, true)};
    CJobFolders folders;
    if (!ClaimJobFolders(folders, {path}, {{targets[0], path}, {targets[1], path}}, host))
        return std::nullopt;
    // The stereo file is read in its folder, the views written in theirs.
    const int nFolderFd = folders.FolderOf(path);
    const int nViewsFd = folders.FolderOf(targets[0]);
    if (const std::string problem = OpenProblem(path, nFolderFd); !problem.empty()) {
        host.ShowMessage(Refusal(path, problem));
        return std::nullopt;
    }
    const bool bMpo = layout == EStereoLayout::kMpo;
    TViews views;
    const bool bMade = bMpo
        ? MpoViews(path, nFolderFd, views, host)
        : SideBySideViews(path, layout == EStereoLayout::kCrossEyed, saveFormat, nFolderFd, views, host);
    if (!bMade)
        return std::nullopt;
    std::array<bool, 2> bNew{};
    for (int i = 0; i < 2; ++i) {
        const ENameHolds holds = WhatNameHolds(targets[i], nViewsFd, views[i]);
        if (holds == ENameHolds::kOther) {
            host.ShowMessage(Refusal(path,
                                     std::string(i == 0 ? "its left" : "its right") + " view would replace "
                                         + targets[i] + ", which holds another file (move or rename that file)"));
            return std::nullopt;
        }
        bNew[i] = holds == ENameHolds::kNothing;
    }
    std::array<CSafeFile, 2> staged;
    if (!StageNewViews(path, bMpo, nViewsFd, targets, views, bNew, staged, host)
        || !PlaceViews(targets, staged, bNew, nViewsFd, host))
        return std::nullopt;
    return CStereoPair::WithBases(targets[0], targets[1], ViewBase(base, false), ViewBase(base, true));
}

std::optional<std::array<CImage, 2>> ReadStereoViews(const std::string& path, EStereoLayout layout, CStageHost& host,
                                                     EOrientation orientation)
{
    if (const std::string problem = OpenProblem(path, -1); !problem.empty()) {
        host.ShowMessage(Refusal(path, problem));
        return std::nullopt;
    }
    if (layout != EStereoLayout::kMpo)
        return SideBySideHalves(path, layout == EStereoLayout::kCrossEyed, -1, host);
    TViews views;
    if (!MpoViews(path, -1, views, host))
        return std::nullopt;
    std::array<CImage, 2> images;
    for (int i = 0; i < 2; ++i) {
        SLoadResult loaded = LoadJpegBytes(views[i].bytes, orientation);
        if (loaded.status != ELoadStatus::kOk) {
            host.ShowMessage(Refusal(path, LoadProblem(loaded, i == 0 ? "its first image" : "its second image")));
            return std::nullopt;
        }
        images[i] = std::move(loaded.image);
    }
    return images;
}
