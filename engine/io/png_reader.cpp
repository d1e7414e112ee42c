// PNG files: libpng's rows read into the image, with the transformations and the error handling of the image
// library's PNG decoder, so that a file gives the same bytes or the same refusal as it did through the library.
#include "engine/io/png_reader.h"

#include <png.h>

#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <utility>

namespace {

constexpr std::size_t kSignatureBytes = 8;
constexpr double kScreenGamma = 2.2;

// A short read fails in the image library's words, so a cut file keeps its reason.
void ReadFromFile(png_structp png, png_bytep pData, png_size_t nBytes)
{
    auto* pFile = static_cast<std::FILE*>(png_get_io_ptr(png));
    if (nBytes != 0 && std::fread(pData, nBytes, 1, pFile) != 1)
        png_error(png, "Read error: invalid or corrupted PNG file");
}

// libpng's error leaves by longjmp, which skips destructors: the message goes
// to a fixed buffer, and the functions that call setjmp own nothing.
using ErrorText = std::array<char, 256>;

void OnError(png_structp png, png_const_charp text)
{
    auto* pText = static_cast<ErrorText*>(png_get_error_ptr(png));
    std::snprintf(pText->data(), pText->size(), "%s", text);
    png_longjmp(png, 1);
}

// The image library ignores libpng's warnings (and so the benign errors it
// lets through as warnings); a file that loaded through it still loads.
void OnWarning(png_structp, png_const_charp)
{ }

// The read and info structures of one decode, and its error message.
class CPngReadStruct {
public:
    explicit CPngReadStruct(std::FILE* pFile)
        : m_png(png_create_read_struct(PNG_LIBPNG_VER_STRING, &m_error, OnError, OnWarning))
        , m_info(m_png != nullptr ? png_create_info_struct(m_png) : nullptr)
    {
        if (m_png != nullptr)
            png_set_read_fn(m_png, pFile, ReadFromFile);
    }
    ~CPngReadStruct() { png_destroy_read_struct(&m_png, &m_info, nullptr); }
    CPngReadStruct(const CPngReadStruct&) = delete;
    CPngReadStruct& operator=(const CPngReadStruct&) = delete;

    bool IsValid() const { return m_info != nullptr; }
    png_structp Png() const { return m_png; }
    png_infop Info() const { return m_info; }
    const char* Error() const { return m_error.data(); }

private:
    ErrorText m_error{};
    png_structp m_png;
    png_infop m_info;
};

// The library returns nothing, with no complaint, for a wrong signature.
bool ReadSignature(std::FILE* pFile)
{
    std::array<png_byte, kSignatureBytes> signature{};
    return std::fread(signature.data(), signature.size(), 1, pFile) == 1
        && png_sig_cmp(signature.data(), 0, signature.size()) == 0;
}

bool IsExpected(png_structp png, png_infop info, int nWidth, int nHeight)
{
    return png_get_image_width(png, info) == static_cast<png_uint_32>(nWidth)
        && png_get_image_height(png, info) == static_cast<png_uint_32>(nHeight)
        && png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB && png_get_bit_depth(png, info) == 8
        && png_get_valid(png, info, PNG_INFO_tRNS) == 0;
}

// As the library does: no correction without a gamma in the file, and none
// for sRGB's 1/2.2, which libpng finds too close to 2.2's inverse to apply.
void CorrectFileGamma(png_structp png, png_infop info)
{
    double fileGamma = 0;
    if (png_get_valid(png, info, PNG_INFO_gAMA) != 0 && png_get_gAMA(png, info, &fileGamma) != 0)
        png_set_gamma(png, kScreenGamma, fileGamma);
}

// Reads the chunks before the pixels and sets the transformations; the
// number of passes over the rows, or 0 for an error or another picture.
int ReadHeader(png_structp png, png_infop info, int nWidth, int nHeight)
{
    if (setjmp(png_jmpbuf(png)) != 0)
        return 0;
    png_set_sig_bytes(png, kSignatureBytes);
    png_read_info(png, info);
    if (!IsExpected(png, info, nWidth, nHeight))
        return 0;
    png_set_bgr(png);
    CorrectFileGamma(png, info);
    const int nPasses = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return nPasses;
}

// Each pass of an interlaced file fills in its own pixels of every row;
// the file's first row is the image's top one.
void ReadPasses(png_structp png, CImage& image, int nPasses)
{
    for (int nPass = 0; nPass < nPasses; ++nPass)
        for (int y = image.Height() - 1; y >= 0; --y)
            png_read_row(png, image.Row(y).data(), nullptr);
}

// The chunks after the pixels are read too, as the library does: a CRC
// error or a cut there refuses the file.
bool ReadPixels(png_structp png, png_infop info, CImage& image, int nPasses)
{
    if (setjmp(png_jmpbuf(png)) != 0)
        return false;
    png_set_benign_errors(png, 1);
    ReadPasses(png, image, nPasses);
    png_read_end(png, info);
    return true;
}

} // namespace

SPngRead ReadRgbPng(std::FILE* pFile, int nWidth, int nHeight)
{
    SPngRead read;
    if (!ReadSignature(pFile))
        return read;
    const CPngReadStruct png(pFile);
    if (!png.IsValid())
        return read;
    const int nPasses = ReadHeader(png.Png(), png.Info(), nWidth, nHeight);
    if (nPasses > 0) {
        CImage image(nWidth, nHeight);
        if (ReadPixels(png.Png(), png.Info(), image, nPasses))
            read.image = std::move(image);
    }
    read.strError = png.Error();
    return read;
}
