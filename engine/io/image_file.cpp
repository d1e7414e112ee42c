// Image files: loading and saving through the image library and our own readers and writers.
#include "engine/io/image_file.h"

#include "engine/base/image_orientation.h"
#include "engine/io/bitmap_pixels.h"
#include "engine/io/bmp_writer.h"
#include "engine/io/file_names.h"
#include "engine/io/file_size_check.h"
#include "engine/io/jpeg_reader.h"
#include "engine/io/png_reader.h"
#include "engine/io/png_writer.h"
#include "engine/io/safe_file.h"
#include "engine/io/tiff_grey_alpha.h"

#include <FreeImage.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <utility>

namespace {

struct SBitmapDeleter {
    void operator()(FIBITMAP* pBitmap) const { FreeImage_Unload(pBitmap); }
};
using BitmapPtr = std::unique_ptr<FIBITMAP, SBitmapDeleter>;

// A decoder that meets a damaged file (a JPEG that ends early, a TIFF strip
// that cannot be read) often complains, fills the rest with black and still
// returns a bitmap. Its complaint, caught on the loading thread, fails the
// load. Set TESSALY_IMAGE_DIAGNOSTICS to see every complaint on stderr.
thread_local std::string* t_pComplaint = nullptr;

bool ShowDiagnostics()
{
    static const bool bShow = std::getenv("TESSALY_IMAGE_DIAGNOSTICS") != nullptr;
    return bShow;
}

void Complain(const char* text)
{
    if (ShowDiagnostics())
        std::fprintf(stderr, "image library: %s\n", text);
    if (t_pComplaint != nullptr && t_pComplaint->empty())
        *t_pComplaint = text;
}

void DLL_CALLCONV OnLibraryMessage(FREE_IMAGE_FORMAT, const char* text)
{
    if (text != nullptr)
        Complain(text);
}

void OnTiffError(const char* module, const char* format, va_list arguments)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    // The library asks libtiff for every EXIF tag it knows, and libtiff calls
    // each one it does not know an error: that says nothing about the file.
    if (module != nullptr && std::strcmp(module, "TIFFFieldWithTag") == 0) {
        if (ShowDiagnostics())
            std::fprintf(stderr, "image library: %s\n", text);
        return;
    }
    Complain(text);
}

// libtiff warns about every EXIF tag it does not know; warnings never fail a load.
void OnTiffWarning(const char*, const char* format, va_list arguments)
{
    if (ShowDiagnostics())
        OnTiffError(nullptr, format, arguments);
}

// Collects the first complaint of the decoders while it lives.
class CComplaints {
public:
    CComplaints() { t_pComplaint = &m_text; }
    ~CComplaints() { t_pComplaint = nullptr; }
    CComplaints(const CComplaints&) = delete;
    CComplaints& operator=(const CComplaints&) = delete;
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

void InitialiseLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        FreeImage_Initialise(FALSE);
        FreeImage_SetOutputMessage(OnLibraryMessage);
        TIFFSetWarningHandler(OnTiffWarning);
        TIFFSetErrorHandler(OnTiffError);
    });
}

std::atomic<std::int64_t> g_nMaxSide{kMaxImageSide};
std::atomic<std::int64_t> g_nMaxPixels{kMaxImagePixels};

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

// What the noted size and pixel format say, the size checked first; a
// format that is not read is noted as the reason.
ELoadStatus ClassifyNoted(const std::string& refused, SLoadResult& result)
{
    if (result.nWidth <= 0 || result.nHeight <= 0)
        return ELoadStatus::kUnreadable;
    if (!IsWithinImageLimits(result.nWidth, result.nHeight))
        return ELoadStatus::kTooLarge;
    if (refused.empty())
        return ELoadStatus::kOk;
    result.strReason = refused;
    return ELoadStatus::kNotRgb;
}

// What a bitmap's header or pixels say about it.
ELoadStatus Classify(FIBITMAP* pBitmap, const SBitmapFormat& format, SLoadResult& result)
{
    NoteSize(pBitmap, result);
    return ClassifyNoted(format.refused, result);
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

struct SOpenFile {
    FilePtr file;
    std::int64_t nSize = 0;
    std::string strReason; // why it could not be opened
};

// Opens a non-empty regular file for reading, relative to nFolderFd when it
// is a folder's descriptor. The type is checked on the open descriptor, so
// a name swapped for a FIFO or a device after a check cannot make the load
// block or read forever; O_NONBLOCK keeps the open itself from waiting for
// a FIFO's writer.
SOpenFile OpenRegularFile(const std::string& path, int nFolderFd)
{
    SOpenFile opened;
    const std::string name = nFolderFd >= 0 ? GetFileName(path) : path;
    const int fd
        = ::openat(nFolderFd >= 0 ? nFolderFd : AT_FDCWD, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        opened.strReason = std::strerror(errno);
        return opened;
    }
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) {
        opened.strReason = S_ISREG(info.st_mode) ? "the file is empty" : "not a regular file";
        ::close(fd);
        return opened;
    }
    opened.nSize = info.st_size;
    opened.file.reset(::fdopen(fd, "rb"));
    if (!opened.file)
        ::close(fd);
    return opened;
}

EImageType TypeOf(FREE_IMAGE_FORMAT fif)
{
    switch (fif) {
    case FIF_BMP:
        return EImageType::kBmp;
    case FIF_PNG:
        return EImageType::kPng;
    case FIF_TIFF:
        return EImageType::kTiff;
    default:
        return EImageType::kJpeg;
    }
}

// The file's bytes at nAt, or none when it ends before them.
template <std::size_t nBytes> std::optional<std::array<unsigned char, nBytes>> BytesAt(std::FILE* pFile, off_t nAt)
{
    std::array<unsigned char, nBytes> bytes{};
    if (::pread(::fileno(pFile), bytes.data(), nBytes, nAt) != static_cast<ssize_t>(nBytes))
        return std::nullopt;
    return bytes;
}

// A little-endian 32-bit field of a BMP header, or `missing`.
std::int64_t BmpField(std::FILE* pFile, off_t nAt, std::int64_t missing)
{
    const auto bytes = BytesAt<4>(pFile, nAt);
    if (!bytes)
        return missing;
    return (*bytes)[0] | (*bytes)[1] << 8 | (*bytes)[2] << 16 | std::int64_t{(*bytes)[3]} << 24;
}

// The BMP header's offset of the pixels (bytes 10 to 13).
std::int64_t BmpPixelOffset(std::FILE* pFile)
{
    return BmpField(pFile, 10, INT64_MAX / 2);
}

// Whether a BMP's rows are coded in runs: an info header of at least 40
// bytes (bytes 14 to 17) naming RLE8 (1) or RLE4 (2) as its compression.
bool IsBmpRunLength(std::FILE* pFile)
{
    const std::int64_t nCompression = BmpField(pFile, 30, 0);
    return BmpField(pFile, 14, 0) >= 40 && (nCompression == 1 || nCompression == 2);
}

// The bits a pixel of a PNG stores, from its header's bit depth (byte 24)
// and colour type (byte 25): grey 0, RGB 2, palette 3, grey and alpha 4,
// RGBA 6. The library's bitmap can be deeper (grey and alpha as RGBA).
int PngBitsPerPixel(std::FILE* pFile)
{
    constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
    const auto bytes = BytesAt<2>(pFile, 24);
    if (!bytes || (*bytes)[1] >= std::size(kChannels))
        return 1;
    return std::max(1, (*bytes)[0] * kChannels[(*bytes)[1]]);
}

// The bits a pixel of the file stores, as the file size check takes them.
int StoredBitsPerPixel(FREE_IMAGE_FORMAT fif, std::FILE* pFile, const SLoadResult& result)
{
    return fif == FIF_PNG ? PngBitsPerPixel(pFile) : result.nBitsPerPixel;
}

// Whether the file can hold the pixels its header names; else the reason.
bool IsLongEnough(FREE_IMAGE_FORMAT fif, const SOpenFile& opened, SLoadResult& result)
{
    std::FILE* pFile = opened.file.get();
    const bool bBmp = fif == FIF_BMP;
    const EImageType type = bBmp && IsBmpRunLength(pFile) ? EImageType::kBmpRunLength : TypeOf(fif);
    const std::int64_t nNeeded = MinimumFileBytes(
        type, result.nWidth, result.nHeight, StoredBitsPerPixel(fif, pFile, result), bBmp ? BmpPixelOffset(pFile) : 0);
    if (opened.nSize >= nNeeded)
        return true;
    result.strReason = "the file holds " + std::to_string(opened.nSize) + " bytes, fewer than its "
        + std::to_string(result.nWidth) + " x " + std::to_string(result.nHeight) + " pixels need ("
        + std::to_string(nNeeded) + "); it is cut short or damaged";
    return false;
}

// The library's lookup cuts its list of extensions with strtok: two loads
// on two threads at once (the inputs of a job, the jobs of a batch) would
// cut each other's list.
FREE_IMAGE_FORMAT TypeByName(const std::string& path)
{
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    return FreeImage_GetFIFFromFilename(path.c_str());
}

bool IsDecodedFormat(FREE_IMAGE_FORMAT fif)
{
    return fif == FIF_BMP || fif == FIF_PNG || fif == FIF_TIFF || fif == FIF_JPEG;
}

// A reader's pixels, or its error as a complaint like the library's.
template <typename Read> ELoadStatus DecodeWith(Read readImage, const CComplaints& complaints, SLoadResult& result)
{
    decltype(readImage()) read;
    try {
        read = readImage();
    } catch (const std::bad_alloc&) {
        return ELoadStatus::kNoMemory;
    }
    if (!read.strError.empty())
        Complain(read.strError.c_str());
    if (read.image.IsEmpty() || !complaints.Text().empty()) {
        result.strReason = complaints.Text();
        return ELoadStatus::kUnreadable;
    }
    result.image = std::move(read.image);
    return ELoadStatus::kOk;
}

// A 24-bit PNG's pixels go straight from libpng into the image rather than
// into a bitmap of the library's that it clears and we copy: the first load
// of a 3600 x 3000 photo took 230 ms through the library, 145 ms this way.
ELoadStatus DecodePng(std::FILE* pFile, const CComplaints& complaints, SLoadResult& result)
{
    return DecodeWith([&] { return ReadRgbPng(pFile, result.nWidth, result.nHeight); }, complaints, result);
}

// So do a colour or grey JPEG's from libjpeg, decoded as the library decodes
// them: the first load of a 4000 x 3000 photo (quality 92) took 126 ms
// through the library, 34 ms this way. Its EXIF orientation is read in the
// same pass and applied, the noted size then the upright one.
ELoadStatus DecodeJpeg(std::FILE* pFile, EOrientation orientation, const CComplaints& complaints, SLoadResult& result)
{
    int nOrientation = 1;
    const ELoadStatus status = DecodeWith(
        [&] {
            SJpegRead read = ReadJpeg(pFile, result.nWidth, result.nHeight, orientation == EOrientation::kUpright);
            nOrientation = read.nOrientation;
            return read;
        },
        complaints, result);
    if (status != ELoadStatus::kOk || nOrientation == 1)
        return status;
    try {
        result.image = Upright(std::move(result.image), nOrientation);
    } catch (const std::bad_alloc&) {
        return ELoadStatus::kNoMemory;
    }
    result.nWidth = result.image.Width();
    result.nHeight = result.image.Height();
    return ELoadStatus::kOk;
}

// What is read of a JPEG's colours; CMYK, which libjpeg does not make RGB,
// is refused like the odd numbers of components.
std::string RefusedJpeg(EJpegColour colour)
{
    switch (colour) {
    case EJpegColour::kColour:
    case EJpegColour::kGrey:
        return {};
    case EJpegColour::kCmyk:
        return "a CMYK JPEG image";
    default:
        return "a JPEG image of an unusual number of colour components";
    }
}

// A JPEG's header is libjpeg's: the library's header pass parsed EXIF blocks
// without bounds checks (a hostile count or offset crashed it) and decoded
// a progressive file whole.
ELoadStatus ClassifyJpegHeader(std::FILE* pFile, SLoadResult& result)
{
    const SJpegHeader header = ReadJpegHeader(pFile);
    if (header.nBitsPerPixel == 0)
        return ELoadStatus::kUnreadable;
    result.nWidth = header.nWidth;
    result.nHeight = header.nHeight;
    result.nBitsPerPixel = header.nBitsPerPixel;
    return ClassifyNoted(RefusedJpeg(header.colour), result);
}

// What the header of a file of the library's told: its status, whether its
// pixels are 24-bit colour (decoded by our PNG reader when a PNG), and
// whether it is a TIFF of 16-bit grey and alpha (decoded by libtiff).
struct SHeader {
    ELoadStatus status = ELoadStatus::kUnreadable;
    bool bRgb24 = false;
    bool bGreyAlpha16 = false;
};

// The library's header of such a TIFF has 32 bits a pixel, as grey or colour.
bool HoldsGreyAlpha16(FREE_IMAGE_FORMAT fif, FIBITMAP* pHeader, std::FILE* pFile)
{
    return fif == FIF_TIFF && FreeImage_GetBPP(pHeader) == 32 && IsGreyAlpha16Tiff(::fileno(pFile));
}

// The header alone: the size and format noted, and classified.
SHeader ClassifyHeader(FREE_IMAGE_FORMAT fif, std::FILE* pFile, SLoadResult& result)
{
    if (fif == FIF_JPEG)
        return {ClassifyJpegHeader(pFile, result)};
    FreeImageIO io = StreamIo();
    const BitmapPtr header(FreeImage_LoadFromHandle(fif, &io, pFile, FIF_LOAD_NOPIXELS));
    if (!header)
        return {};
    const bool bGreyAlpha16 = HoldsGreyAlpha16(fif, header.get(), pFile);
    const SBitmapFormat format = bGreyAlpha16 ? SBitmapFormat{ESourcePixels::kGreyAlpha16, {}} : FormatOf(header.get());
    return {Classify(header.get(), format, result), !format.source && format.refused.empty(), bGreyAlpha16};
}

ELoadStatus DecodeGreyAlphaTiff(std::FILE* pFile, const CComplaints& complaints, SLoadResult& result)
{
    try {
        result.image = ReadGreyAlpha16Tiff(::fileno(pFile), result.nWidth, result.nHeight);
    } catch (const std::bad_alloc&) {
        return ELoadStatus::kNoMemory;
    }
    if (result.image.IsEmpty() || !complaints.Text().empty()) {
        result.strReason = complaints.Text();
        return ELoadStatus::kUnreadable;
    }
    return ELoadStatus::kOk;
}

// The library's pixels: 24-bit colour copied, other formats converted, the
// bitmap freed as soon as they are.
ELoadStatus DecodeWithLibrary(FREE_IMAGE_FORMAT fif, std::FILE* pFile, const CComplaints& complaints,
                              SLoadResult& result)
{
    FreeImageIO io = StreamIo();
    const BitmapPtr bitmap(FreeImage_LoadFromHandle(fif, &io, pFile, 0));
    if (!bitmap || !FreeImage_HasPixels(bitmap.get()) || !complaints.Text().empty()) {
        result.strReason = complaints.Text();
        return ELoadStatus::kUnreadable;
    }
    const SBitmapFormat format = FormatOf(bitmap.get());
    const ELoadStatus status = Classify(bitmap.get(), format, result);
    if (status != ELoadStatus::kOk)
        return status;
    try {
        result.image = format.source ? ConvertedPixels(bitmap.get(), *format.source) : CopyPixels(bitmap.get());
    } catch (const std::bad_alloc&) {
        return ELoadStatus::kNoMemory;
    }
    return ELoadStatus::kOk;
}

// The header alone (all four decoded formats support it), then the pixels
// only when the header is acceptable and the file long enough for them.
ELoadStatus Decode(FREE_IMAGE_FORMAT fif, const SOpenFile& opened, EOrientation orientation, SLoadResult& result)
{
    std::FILE* pFile = opened.file.get();
    const CComplaints complaints;
    const SHeader header = ClassifyHeader(fif, pFile, result);
    if (header.status != ELoadStatus::kOk)
        return header.status;
    if (!IsLongEnough(fif, opened, result) || std::fseek(pFile, 0, SEEK_SET) != 0)
        return ELoadStatus::kUnreadable;
    if (fif == FIF_JPEG)
        return DecodeJpeg(pFile, orientation, complaints, result);
    if (fif == FIF_PNG && header.bRgb24)
        return DecodePng(pFile, complaints, result);
    if (header.bGreyAlpha16)
        return DecodeGreyAlphaTiff(pFile, complaints, result);
    return DecodeWithLibrary(fif, pFile, complaints, result);
}

// The result goes in and out by value: a decoded image is moved, never copied.
SLoadResult LoadOpened(FREE_IMAGE_FORMAT fif, const SOpenFile& opened, EOrientation orientation, SLoadResult result)
{
    if (opened.file)
        result.status = Decode(fif, opened, orientation, result);
    else
        result.strReason = opened.strReason;
    if (result.status != ELoadStatus::kOk)
        result.image = CImage();
    return result;
}

// Bytes in an anonymous memory file, which the decoders read as they read a
// file on disk (they seek, and the header checks read at offsets).
SOpenFile OpenInMemory(std::span<const char> bytes)
{
    SOpenFile opened;
    const int fd = ::memfd_create("tessaly-image", MFD_CLOEXEC);
    opened.file.reset(fd >= 0 ? ::fdopen(fd, "w+b") : nullptr);
    if (!opened.file) {
        if (fd >= 0)
            ::close(fd);
        opened.strReason = std::strerror(errno);
        return opened;
    }
    if (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), opened.file.get()) != bytes.size()
        || std::fflush(opened.file.get()) != 0 || std::fseek(opened.file.get(), 0, SEEK_SET) != 0) {
        opened.file.reset();
        opened.strReason = bytes.empty() ? "the image is empty" : "it could not be held in memory";
        return opened;
    }
    opened.nSize = static_cast<std::int64_t>(bytes.size());
    return opened;
}

} // namespace

bool IsWithinImageLimits(std::int64_t nWidth, std::int64_t nHeight)
{
    return nWidth <= g_nMaxSide && nHeight <= g_nMaxSide && nWidth * nHeight <= g_nMaxPixels;
}

SImageLimits GetImageLimits()
{
    return {static_cast<int>(g_nMaxSide.load()), g_nMaxPixels.load()};
}

void SetImageLimits(const SImageLimits& limits)
{
    g_nMaxSide = limits.nMaxSide;
    g_nMaxPixels = limits.nMaxPixels;
}

SLoadResult LoadImageFile(const std::string& path, EImageCodec codec, int nFolderFd, EOrientation orientation)
{
    InitialiseLibrary();
    SLoadResult result;
    FREE_IMAGE_FORMAT fif = path.empty() ? FIF_UNKNOWN : TypeByName(path);
    if (codec == EImageCodec::kJpeg && !path.empty())
        fif = FIF_JPEG;
    if (fif == FIF_UNKNOWN)
        return result;
    if (!IsDecodedFormat(fif)) {
        result.status = ELoadStatus::kUnsupported;
        return result;
    }
    return LoadOpened(fif, OpenRegularFile(path, nFolderFd), orientation, std::move(result));
}

SLoadResult LoadJpegBytes(std::span<const char> bytes, EOrientation orientation)
{
    InitialiseLibrary();
    return LoadOpened(FIF_JPEG, OpenInMemory(bytes), orientation, {});
}

std::string DescribeUnreadable(const SLoadResult& result, const std::string& path)
{
    return path + ": " + (result.strReason.empty() ? "not a readable image" : result.strReason);
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
    case ELoadStatus::kNotRgb:
        return "The image " + path + " is "
            + (result.strReason.empty() ? "of a pixel format not read" : result.strReason)
            + "; Tessaly reads grey, palette, RGB and RGBA images with 8 or 16 bits a channel.";
    default:
        return {};
    }
}

namespace {

BitmapPtr ToBitmap(const CImage& image)
{
    BitmapPtr bitmap(FreeImage_Allocate(image.Width(), image.Height(), 24, 0, 0, 0));
    if (!bitmap)
        return bitmap;
    for (int y = 0; y < image.Height(); ++y)
        std::memcpy(FreeImage_GetScanLine(bitmap.get(), y), image.Row(y).data(), image.Pitch());
    return bitmap;
}

bool WriteToStream(FIBITMAP* pBitmap, ESaveFormat format, std::FILE* pFile)
{
    FreeImageIO io = StreamIo();
    const SSaveFormatInfo& info = InfoOf(format);
    return FreeImage_SaveToHandle(static_cast<FREE_IMAGE_FORMAT>(info.nCodec), pBitmap, &io, pFile, info.nFlags)
        != FALSE;
}

} // namespace

bool EncodeImage(const CImage& image, ESaveFormat format, std::FILE* pFile)
{
    if (image.IsEmpty())
        return false;
    // The library's PNG path (libpng over zlib) takes about twice as long for files of about the same size.
    if (format == kFormatPng)
        return WritePng(image, pFile);
    if (format == kFormatBmp)
        return WriteBmp(image, pFile);
    InitialiseLibrary();
    const BitmapPtr bitmap = ToBitmap(image);
    return bitmap && WriteToStream(bitmap.get(), format, pFile);
}

bool SaveImageFile(const CImage& image, const std::string& path, ESaveFormat format, int nFolderFd)
{
    if (image.IsEmpty() || path.empty())
        return false;
    return WriteFileSafely(
        path, [&](std::FILE* pFile) { return EncodeImage(image, format, pFile); }, nFolderFd);
}
