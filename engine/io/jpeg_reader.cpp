// JPEG files: libjpeg's header, and its rows read into the image with the image library's default decoding settings
// and its refusal of any file libjpeg complains of, so that a file gives the same bytes or the same refusal as it did
// through the library; grey files as BGR too, and the EXIF orientation from the same pass.
#include "engine/io/jpeg_reader.h"

#include "engine/io/exif_orientation.h"

#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <utility>

// After <cstddef> and <cstdio>, which it needs.
#include <jpeglib.h>

#include <jerror.h>

namespace {

// libjpeg's error leaves by longjmp, which skips destructors: the message goes
// to a fixed buffer, and the functions that call setjmp own nothing.
struct SErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    std::array<char, JMSG_LENGTH_MAX> text;
};

[[noreturn]] void OnError(j_common_ptr pInfo)
{
    auto* pError = static_cast<SErrorManager*>(pInfo->client_data);
    (*pInfo->err->format_message)(pInfo, pError->text.data());
    std::longjmp(pError->jump, 1);
}

// The library complains of libjpeg's first warning (corrupt data, a file
// that ends early), and a complaint fails the load: the decode stops there.
void OnMessage(j_common_ptr pInfo, int nLevel)
{
    if (nLevel < 0)
        OnError(pInfo);
}

// The library's header pass read on past a warning and past a marker
// libjpeg does not know (libjpeg skips it when its error returns): both
// failed the load only at the decode, after the size checks.
void OnHeaderError(j_common_ptr pInfo)
{
    if (pInfo->err->msg_code != JERR_UNKNOWN_MARKER)
        OnError(pInfo);
}

void IgnoreMessage(j_common_ptr, int)
{ }

enum class EComplaints { kFail, kReadOn };

// The decompressor of one decode and its error manager; libjpeg's own
// structures are created under the caller's setjmp.
class CJpegDecompress {
public:
    explicit CJpegDecompress(EComplaints complaints)
    {
        const bool bFail = complaints == EComplaints::kFail;
        m_info.err = jpeg_std_error(&m_error.base);
        m_error.base.error_exit = bFail ? OnError : OnHeaderError;
        m_error.base.emit_message = bFail ? OnMessage : IgnoreMessage;
        m_info.client_data = &m_error;
    }
    ~CJpegDecompress() { jpeg_destroy_decompress(&m_info); }
    CJpegDecompress(const CJpegDecompress&) = delete;
    CJpegDecompress& operator=(const CJpegDecompress&) = delete;

    j_decompress_ptr Info() { return &m_info; }
    std::jmp_buf& Jump() { return m_error.jump; }
    const char* Error() const { return m_error.text.data(); }

private:
    SErrorManager m_error{};
    jpeg_decompress_struct m_info{};
};

EJpegColour ColourOf(const jpeg_decompress_struct& info)
{
    switch (info.jpeg_color_space) {
    case JCS_YCbCr:
    case JCS_RGB:
        return EJpegColour::kColour;
    case JCS_GRAYSCALE:
        return EJpegColour::kGrey;
    case JCS_CMYK:
    case JCS_YCCK:
        return EJpegColour::kCmyk;
    default:
        return EJpegColour::kOther;
    }
}

// Colour or grey: libjpeg makes BGR of those only.
bool IsExpected(const jpeg_decompress_struct& info, int nWidth, int nHeight)
{
    const EJpegColour colour = ColourOf(info);
    return info.image_width == static_cast<JDIMENSION>(nWidth) && info.image_height == static_cast<JDIMENSION>(nHeight)
        && (colour == EJpegColour::kColour || colour == EJpegColour::kGrey);
}

// The library's default load: the fast integer DCT and plain upsampling of
// the chroma; libjpeg's block smoothing of sparse progressive files stays on.
void UseLibraryDefaults(jpeg_decompress_struct& info)
{
    info.out_color_space = JCS_EXT_BGR;
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
}

enum class EExif { kSkip, kKeep };

// Under the caller's setjmp: the markers up to the first scan, the APP1
// blocks (EXIF, and XMP) kept when asked for.
bool OpenAndReadHeader(j_decompress_ptr pInfo, std::FILE* pFile, EExif exif = EExif::kSkip)
{
    jpeg_create_decompress(pInfo);
    jpeg_stdio_src(pInfo, pFile);
    if (exif == EExif::kKeep)
        jpeg_save_markers(pInfo, JPEG_APP0 + 1, 0xFFFF);
    return jpeg_read_header(pInfo, TRUE) == JPEG_HEADER_OK;
}

// The orientation of the first APP1 block that names one; XMP blocks give 1.
int OrientationOf(const jpeg_decompress_struct& info)
{
    for (jpeg_saved_marker_ptr pMarker = info.marker_list; pMarker != nullptr; pMarker = pMarker->next)
        if (const int nOrientation = ExifOrientation({pMarker->data, pMarker->data_length}); nOrientation != 1)
            return nOrientation;
    return 1;
}

bool ReadHeader(CJpegDecompress& jpeg, std::FILE* pFile)
{
    if (setjmp(jpeg.Jump()) != 0)
        return false;
    return OpenAndReadHeader(jpeg.Info(), pFile);
}

// The bitmap the library made: 8 bits a component, CMYK and YCCK converted
// to 24-bit colour, and 8 bits for the rare files of more components.
int LibraryBitsPerPixel(const jpeg_decompress_struct& info)
{
    if (info.out_color_space == JCS_CMYK)
        return 24;
    return info.num_components <= 3 ? 8 * info.num_components : 8;
}

// Reads the markers up to the first scan (a progressive file's scans all)
// and starts the decode; false for a complaint or another picture.
bool Start(CJpegDecompress& jpeg, std::FILE* pFile, int nWidth, int nHeight, EExif exif)
{
    const j_decompress_ptr pInfo = jpeg.Info();
    if (setjmp(jpeg.Jump()) != 0)
        return false;
    if (!OpenAndReadHeader(pInfo, pFile, exif) || !IsExpected(*pInfo, nWidth, nHeight))
        return false;
    UseLibraryDefaults(*pInfo);
    return jpeg_start_decompress(pInfo) != FALSE;
}

// The file's first row is the image's top one.
bool ReadRows(j_decompress_ptr pInfo, CImage& image)
{
    for (int y = image.Height() - 1; y >= 0; --y) {
        JSAMPROW pRow = image.Row(y).data();
        if (jpeg_read_scanlines(pInfo, &pRow, 1) != 1)
            return false;
    }
    return true;
}

// The markers after the pixels are read too, as the library does: a file cut
// before its end marker is refused.
bool ReadPixels(CJpegDecompress& jpeg, CImage& image)
{
    if (setjmp(jpeg.Jump()) != 0)
        return false;
    if (!ReadRows(jpeg.Info(), image))
        return false;
    jpeg_finish_decompress(jpeg.Info());
    return true;
}

} // namespace

// libjpeg refuses sides beyond 65500 before its header read returns.
SJpegHeader ReadJpegHeader(std::FILE* pFile)
{
    CJpegDecompress jpeg(EComplaints::kReadOn);
    if (!ReadHeader(jpeg, pFile))
        return {};
    const jpeg_decompress_struct& info = *jpeg.Info();
    return {static_cast<int>(info.image_width), static_cast<int>(info.image_height), LibraryBitsPerPixel(info),
            ColourOf(info)};
}

SJpegRead ReadJpeg(std::FILE* pFile, int nWidth, int nHeight, bool bOrientation)
{
    SJpegRead read;
    CJpegDecompress jpeg(EComplaints::kFail);
    if (Start(jpeg, pFile, nWidth, nHeight, bOrientation ? EExif::kKeep : EExif::kSkip)) {
        // The kept markers are freed when the decode finishes.
        read.nOrientation = OrientationOf(*jpeg.Info());
        CImage image(nWidth, nHeight);
        if (ReadPixels(jpeg, image))
            read.image = std::move(image);
    }
    read.strError = jpeg.Error();
    return read;
}
