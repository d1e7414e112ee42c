// Image files: the only place that talks to the image library.
#include "engine/image_file.h"

#include "engine/file_names.h"

#include <FreeImage.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

namespace {

struct SBitmapDeleter {
    void operator()(FIBITMAP* pBitmap) const { FreeImage_Unload(pBitmap); }
};
using BitmapPtr = std::unique_ptr<FIBITMAP, SBitmapDeleter>;

// The library reports its decoders' complaints (libtiff alone prints dozens
// per file) through this callback; the user sees our own messages instead.
// Set TESSALY_IMAGE_DIAGNOSTICS to see them while debugging a file.
void DLL_CALLCONV OnLibraryMessage(FREE_IMAGE_FORMAT, const char* text)
{
    static const bool bShow = std::getenv("TESSALY_IMAGE_DIAGNOSTICS") != nullptr;
    if (bShow && text != nullptr)
        std::fprintf(stderr, "image library: %s\n", text);
}

// libtiff writes its warnings and errors (an unknown tag per EXIF field of
// every file) straight to stderr; the outcome of a load already tells us
// whether the file was usable.
void QuietTiffHandler(const char*, const char*, va_list)
{ }

void InitialiseLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        FreeImage_Initialise(FALSE);
        FreeImage_SetOutputMessage(OnLibraryMessage);
        if (std::getenv("TESSALY_IMAGE_DIAGNOSTICS") == nullptr) {
            TIFFSetWarningHandler(QuietTiffHandler);
            TIFFSetErrorHandler(QuietTiffHandler);
        }
    });
}

bool IsRegularFile(const std::string& path)
{
    struct stat info { };
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool WithinLimits(std::int64_t nWidth, std::int64_t nHeight)
{
    return nWidth <= kMaxImageSide && nHeight <= kMaxImageSide && nWidth * nHeight <= kMaxImagePixels;
}

void NoteSize(FIBITMAP* pBitmap, SLoadResult& result)
{
    result.nWidth = static_cast<int>(FreeImage_GetWidth(pBitmap));
    result.nHeight = static_cast<int>(FreeImage_GetHeight(pBitmap));
    result.nBitsPerPixel = static_cast<int>(FreeImage_GetBPP(pBitmap));
}

bool IsRgb24(FIBITMAP* pBitmap)
{
    return FreeImage_GetImageType(pBitmap) == FIT_BITMAP && FreeImage_GetBPP(pBitmap) == 24;
}

CImage CopyPixels(FIBITMAP* pBitmap)
{
    const int nWidth = static_cast<int>(FreeImage_GetWidth(pBitmap));
    const int nHeight = static_cast<int>(FreeImage_GetHeight(pBitmap));
    CImage image(nWidth, nHeight);
    for (int y = 0; y < nHeight; ++y) {
        const BYTE* pLine = FreeImage_GetScanLine(pBitmap, y);
        std::memcpy(image.Row(y).data(), pLine, image.Pitch());
    }
    return image;
}

// Reads the header only where the format allows it, so that the size is
// checked before any pixel buffer is allocated.
ELoadStatus CheckHeader(FREE_IMAGE_FORMAT fif, const std::string& path, SLoadResult& result)
{
    if (!FreeImage_FIFSupportsNoPixels(fif))
        return ELoadStatus::kOk;
    BitmapPtr header(FreeImage_Load(fif, path.c_str(), FIF_LOAD_NOPIXELS));
    if (!header)
        return ELoadStatus::kUnreadable;
    NoteSize(header.get(), result);
    return WithinLimits(result.nWidth, result.nHeight) ? ELoadStatus::kOk : ELoadStatus::kTooLarge;
}

FREE_IMAGE_FORMAT ReadableFormat(const std::string& path)
{
    const FREE_IMAGE_FORMAT fif = FreeImage_GetFIFFromFilename(path.c_str());
    if (fif == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(fif))
        return FIF_UNKNOWN;
    return fif;
}

} // namespace

SLoadResult LoadImageFile(const std::string& path)
{
    InitialiseLibrary();
    SLoadResult result;
    const FREE_IMAGE_FORMAT fif = ReadableFormat(path);
    if (fif == FIF_UNKNOWN || !IsRegularFile(path))
        return result;
    result.status = CheckHeader(fif, path, result);
    if (result.status != ELoadStatus::kOk)
        return result;
    BitmapPtr bitmap(FreeImage_Load(fif, path.c_str(), 0));
    if (!bitmap || !FreeImage_HasPixels(bitmap.get())) {
        result.status = ELoadStatus::kUnreadable;
        return result;
    }
    NoteSize(bitmap.get(), result);
    if (!WithinLimits(result.nWidth, result.nHeight))
        result.status = ELoadStatus::kTooLarge;
    else if (!IsRgb24(bitmap.get()))
        result.status = ELoadStatus::kNotRgb;
    else {
        try {
            result.image = CopyPixels(bitmap.get());
        } catch (const std::bad_alloc&) {
            result.status = ELoadStatus::kNoMemory;
        }
    }
    return result;
}

int ReadBitsPerPixel(const std::string& path)
{
    const SLoadResult result = LoadImageFile(path);
    switch (result.status) {
    case ELoadStatus::kOk:
        return 24;
    case ELoadStatus::kNotRgb:
        return result.nBitsPerPixel;
    default:
        return 0;
    }
}

std::string DescribeLoadFailure(const SLoadResult& result, const std::string& path)
{
    const std::string size = std::to_string(result.nWidth) + " x " + std::to_string(result.nHeight);
    if (result.status == ELoadStatus::kTooLarge)
        return "The image " + path + " is too large (" + size + " pixels; the limit is " + std::to_string(kMaxImageSide)
            + " pixels a side and " + std::to_string(kMaxImagePixels / 1'000'000) + " million pixels in all).";
    if (result.status == ELoadStatus::kNoMemory)
        return "Not enough memory for the image " + path + " (" + size + " pixels).";
    return {};
}

namespace {

unsigned DLL_CALLCONV WriteProc(void* buffer, unsigned size, unsigned count, fi_handle handle)
{
    return static_cast<unsigned>(std::fwrite(buffer, size, count, static_cast<std::FILE*>(handle)));
}

unsigned DLL_CALLCONV ReadProc(void* buffer, unsigned size, unsigned count, fi_handle handle)
{
    return static_cast<unsigned>(std::fread(buffer, size, count, static_cast<std::FILE*>(handle)));
}

int DLL_CALLCONV SeekProc(fi_handle handle, long offset, int origin)
{
    return std::fseek(static_cast<std::FILE*>(handle), offset, origin);
}

long DLL_CALLCONV TellProc(fi_handle handle)
{
    return std::ftell(static_cast<std::FILE*>(handle));
}

FREE_IMAGE_FORMAT WriterFormat(int nSaveFormat)
{
    switch (nSaveFormat) {
    case kFormatPng:
        return FIF_PNG;
    case kFormatTiff:
        return FIF_TIFF;
    default:
        return FIF_BMP;
    }
}

BitmapPtr ToBitmap(const CImage& image)
{
    BitmapPtr bitmap(FreeImage_Allocate(image.Width(), image.Height(), 24, 0, 0, 0));
    if (!bitmap)
        return bitmap;
    for (int y = 0; y < image.Height(); ++y)
        std::memcpy(FreeImage_GetScanLine(bitmap.get(), y), image.Row(y).data(), image.Pitch());
    return bitmap;
}

// Creates a new file beside the target, named so that it cannot clash with
// a result name; returns its descriptor or -1.
int CreateTemporary(const std::string& path, std::string& tempPath)
{
    static std::atomic<unsigned> counter{0};
    const auto ticks = static_cast<unsigned long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int nTry = 0; nTry < 100; ++nTry) {
        tempPath = GetDirectory(path) + "." + GetFileName(path) + "." + std::to_string(::getpid()) + "-"
            + std::to_string(ticks % 1000000) + "-" + std::to_string(counter++) + ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool WriteToStream(FIBITMAP* pBitmap, int nSaveFormat, std::FILE* pFile)
{
    FreeImageIO io{ReadProc, WriteProc, SeekProc, TellProc};
    const bool bSaved = FreeImage_SaveToHandle(WriterFormat(nSaveFormat), pBitmap, &io, pFile, 0) != FALSE;
    return bSaved && std::fflush(pFile) == 0 && std::ferror(pFile) == 0 && ::fsync(::fileno(pFile)) == 0;
}

} // namespace

bool SaveImageFile(const CImage& image, const std::string& path, int nSaveFormat)
{
    InitialiseLibrary();
    if (image.IsEmpty() || path.empty())
        return false;
    BitmapPtr bitmap = ToBitmap(image);
    if (!bitmap)
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
    bool bOk = WriteToStream(bitmap.get(), nSaveFormat, pFile);
    bOk = std::fclose(pFile) == 0 && bOk;
    bOk = bOk && std::rename(tempPath.c_str(), path.c_str()) == 0;
    if (!bOk)
        ::unlink(tempPath.c_str());
    return bOk;
}
