// Image files: the only place that talks to the image library.
#include "engine/image_file.h"

#include "engine/file_names.h"
#include "engine/safe_file.h"

#include <FreeImage.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
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

std::atomic<std::int64_t> g_nMaxSide{kMaxImageSide};
std::atomic<std::int64_t> g_nMaxPixels{kMaxImagePixels};

bool WithinLimits(std::int64_t nWidth, std::int64_t nHeight)
{
    return nWidth <= g_nMaxSide && nHeight <= g_nMaxSide && nWidth * nHeight <= g_nMaxPixels;
}

// Headers can name sides up to 2^32 - 1; those beyond int are noted as
// INT_MAX, which the limits refuse all the same.
int ClampedSide(unsigned nSide)
{
    return static_cast<int>(std::min<unsigned>(nSide, INT_MAX));
}

void NoteSize(FIBITMAP* pBitmap, SLoadResult& result)
{
    result.nWidth = ClampedSide(FreeImage_GetWidth(pBitmap));
    result.nHeight = ClampedSide(FreeImage_GetHeight(pBitmap));
    result.nBitsPerPixel = static_cast<int>(FreeImage_GetBPP(pBitmap));
}

bool IsRgb24(FIBITMAP* pBitmap)
{
    return FreeImage_GetImageType(pBitmap) == FIT_BITMAP && FreeImage_GetBPP(pBitmap) == 24;
}

// What a bitmap's header or pixels say about it, the size checked first.
ELoadStatus Classify(FIBITMAP* pBitmap, SLoadResult& result)
{
    NoteSize(pBitmap, result);
    if (result.nWidth <= 0 || result.nHeight <= 0)
        return ELoadStatus::kUnreadable;
    if (!WithinLimits(result.nWidth, result.nHeight))
        return ELoadStatus::kTooLarge;
    return IsRgb24(pBitmap) ? ELoadStatus::kOk : ELoadStatus::kNotRgb;
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

FreeImageIO StreamIo()
{
    return FreeImageIO{ReadProc, WriteProc, SeekProc, TellProc};
}

struct SFileCloser {
    void operator()(std::FILE* pFile) const { std::fclose(pFile); }
};
using FilePtr = std::unique_ptr<std::FILE, SFileCloser>;

// Opens a non-empty regular file for reading. The type is checked on the
// open descriptor, so a name swapped for a FIFO or a device after a check
// cannot make the load block or read forever; O_NONBLOCK keeps the open
// itself from waiting for a FIFO's writer.
FilePtr OpenRegularFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* pFile = ::fdopen(fd, "rb");
    if (pFile == nullptr)
        ::close(fd);
    return FilePtr(pFile);
}

bool IsDecodedFormat(FREE_IMAGE_FORMAT fif)
{
    return fif == FIF_BMP || fif == FIF_PNG || fif == FIF_TIFF || fif == FIF_JPEG;
}

// The header alone (all four decoded formats support it), then the pixels
// only when the header is acceptable.
ELoadStatus Decode(FREE_IMAGE_FORMAT fif, std::FILE* pFile, SLoadResult& result)
{
    FreeImageIO io = StreamIo();
    BitmapPtr header(FreeImage_LoadFromHandle(fif, &io, pFile, FIF_LOAD_NOPIXELS));
    if (!header)
        return ELoadStatus::kUnreadable;
    const ELoadStatus headerStatus = Classify(header.get(), result);
    if (headerStatus != ELoadStatus::kOk || std::fseek(pFile, 0, SEEK_SET) != 0)
        return headerStatus == ELoadStatus::kOk ? ELoadStatus::kUnreadable : headerStatus;
    BitmapPtr bitmap(FreeImage_LoadFromHandle(fif, &io, pFile, 0));
    if (!bitmap || !FreeImage_HasPixels(bitmap.get()))
        return ELoadStatus::kUnreadable;
    const ELoadStatus status = Classify(bitmap.get(), result);
    if (status != ELoadStatus::kOk)
        return status;
    try {
        result.image = CopyPixels(bitmap.get());
    } catch (const std::bad_alloc&) {
        return ELoadStatus::kNoMemory;
    }
    return ELoadStatus::kOk;
}

} // namespace

SImageLimits GetImageLimits()
{
    return {static_cast<int>(g_nMaxSide.load()), g_nMaxPixels.load()};
}

void SetImageLimits(const SImageLimits& limits)
{
    g_nMaxSide = limits.nMaxSide;
    g_nMaxPixels = limits.nMaxPixels;
}

SLoadResult LoadImageFile(const std::string& path, EImageCodec codec)
{
    InitialiseLibrary();
    SLoadResult result;
    FREE_IMAGE_FORMAT fif = path.empty() ? FIF_UNKNOWN : FreeImage_GetFIFFromFilename(path.c_str());
    if (codec == EImageCodec::kJpeg && !path.empty())
        fif = FIF_JPEG;
    if (fif == FIF_UNKNOWN)
        return result;
    if (!IsDecodedFormat(fif)) {
        result.status = ELoadStatus::kUnsupported;
        return result;
    }
    const FilePtr file = OpenRegularFile(path);
    if (file)
        result.status = Decode(fif, file.get(), result);
    if (result.status != ELoadStatus::kOk)
        result.image = CImage();
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
    const SImageLimits limits = GetImageLimits();
    switch (result.status) {
    case ELoadStatus::kTooLarge:
        return "The image " + path + " is too large (" + size + " pixels; the limit is "
            + std::to_string(limits.nMaxSide) + " pixels a side and " + std::to_string(limits.nMaxPixels)
            + " pixels in all).";
    case ELoadStatus::kNoMemory:
        return "Not enough memory for the image " + path + " (" + size + " pixels).";
    case ELoadStatus::kUnsupported:
        return "The file " + path + " is not read: only BMP, PNG, TIFF and JPEG images are.";
    default:
        return {};
    }
}

namespace {

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

bool WriteToStream(FIBITMAP* pBitmap, int nSaveFormat, std::FILE* pFile)
{
    FreeImageIO io = StreamIo();
    return FreeImage_SaveToHandle(WriterFormat(nSaveFormat), pBitmap, &io, pFile, 0) != FALSE;
}

} // namespace

bool SaveImageFile(const CImage& image, const std::string& path, int nSaveFormat)
{
    InitialiseLibrary();
    if (image.IsEmpty() || path.empty())
        return false;
    const BitmapPtr bitmap = ToBitmap(image);
    return bitmap
        && WriteFileSafely(path, [&](std::FILE* pFile) { return WriteToStream(bitmap.get(), nSaveFormat, pFile); });
}
