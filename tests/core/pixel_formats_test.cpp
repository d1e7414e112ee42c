// Pixel formats: grey, palette, alpha and 16-bit images of every decoded type load as 24-bit colour by the rule
// of their stored values; 1-bit and floating-point images are refused, saying what they are.
#include "engine/io/image_file.h"
#include "engine/io/pixel_conversion.h"
#include "support/test_images.h"

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 5, kHeight = 3; // odd: rows of 4-bit indices end in half a byte
enum EColour { kGrey, kGreyAlpha, kPalette, kRgb, kRgba };

struct SKind {
    EColour colour;
    int nBits;          // a channel; 32 for floating-point values
    bool bFlat = false; // one value everywhere, which a JPEG keeps exactly
    int Channels() const { return std::array{1, 2, 1, 3, 4}[colour]; }
};

// Stored values that hit the rounding of 16 bits to 8 (128 and 511 round down to 0 and 2, 129 and 255 up to 1).
std::vector<std::uint16_t> Samples(const SKind& kind)
{
    static const std::uint16_t kDeep[] = {0, 128, 129, 255, 511, 32896, 65535, 40000, 1000};
    std::vector<std::uint16_t> samples(std::size_t{kWidth} * kHeight * kind.Channels(), 77);
    for (std::size_t i = 0; i < samples.size() && !kind.bFlat; ++i)
        samples[i] = kind.nBits >= 16 ? kDeep[i % 9] : static_cast<std::uint16_t>((i * 37 + 11) % (1 << kind.nBits));
    return samples;
}

std::uint8_t Palette(int nIndex, int nChannel) // red, green, blue
{
    return static_cast<std::uint8_t>(nChannel == 0 ? nIndex * 3 : nChannel == 1 ? 255 - nIndex : nIndex * 7 + 1);
}

// A row as the file stores it, the top one first: values of less than 8 bits packed from the high bits, 16-bit ones
// big-endian for PNG and in the machine's order for TIFF.
std::vector<std::uint8_t> Row(const SKind& kind, const std::vector<std::uint16_t>& samples, int y, bool bBigEndian)
{
    const int nValues = kWidth * kind.Channels();
    std::vector<std::uint8_t> row((nValues * kind.nBits + 7) / 8);
    for (int i = 0; i < nValues; ++i) {
        const std::uint16_t v = samples[static_cast<std::size_t>(y * nValues + i)];
        const std::uint16_t v16 = bBigEndian ? static_cast<std::uint16_t>(v >> 8 | v << 8) : v;
        const float f = v / 65535.0F;
        if (kind.nBits <= 8)
            row[i * kind.nBits / 8] |= static_cast<std::uint8_t>(v << (8 - kind.nBits - i * kind.nBits % 8));
        else
            std::memcpy(&row[i * kind.nBits / 8], kind.nBits == 16 ? static_cast<const void*>(&v16) : &f,
                        kind.nBits / 8);
    }
    return row;
}

void SavePng(const std::string& path, const SKind& kind, const std::vector<std::uint16_t>& samples)
{
    std::FILE* pFile = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, pFile);
    png_set_IHDR(png, info, kWidth, kHeight, kind.nBits, std::array{0, 4, 3, 2, 6}[kind.colour], 0, 0, 0);
    png_color palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = {Palette(i, 0), Palette(i, 1), Palette(i, 2)};
    if (kind.colour == kPalette)
        png_set_PLTE(png, info, palette, 1 << kind.nBits);
    png_write_info(png, info);
    for (int y = 0; y < kHeight; ++y)
        png_write_row(png, Row(kind, samples, y, true).data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(pFile);
}

void SaveTiff(const std::string& path, const SKind& kind, const std::vector<std::uint16_t>& samples)
{
    TIFF* pTiff = TIFFOpen(path.c_str(), "w");
    const int nPhotometric = std::array{PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_PALETTE,
                                        PHOTOMETRIC_RGB, PHOTOMETRIC_RGB}[kind.colour];
    TIFFSetField(pTiff, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(pTiff, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(pTiff, TIFFTAG_SAMPLESPERPIXEL, kind.Channels());
    TIFFSetField(pTiff, TIFFTAG_BITSPERSAMPLE, kind.nBits);
    TIFFSetField(pTiff, TIFFTAG_PHOTOMETRIC, nPhotometric);
    if (kind.nBits == 32) // else no SampleFormat tag, which the library reads otherwise for grey and alpha
        TIFFSetField(pTiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
    const std::uint16_t alpha = EXTRASAMPLE_UNASSALPHA;
    if (kind.colour == kGreyAlpha || kind.colour == kRgba)
        TIFFSetField(pTiff, TIFFTAG_EXTRASAMPLES, 1, &alpha);
    std::uint16_t map[3][256];
    for (int i = 0; i < 3 * 256; ++i)
        map[i / 256][i % 256] = static_cast<std::uint16_t>(Palette(i % 256, i / 256) * 257);
    if (kind.colour == kPalette)
        TIFFSetField(pTiff, TIFFTAG_COLORMAP, map[0], map[1], map[2]);
    for (int y = 0; y < kHeight; ++y)
        TIFFWriteScanline(pTiff, Row(kind, samples, y, false).data(), y, 0);
    TIFFClose(pTiff);
}

// An 8-bit bitmap of the library's, a palette BMP or a grey JPEG at its best quality.
void SaveBitmap8(const std::string& path, const SKind& kind, const std::vector<std::uint16_t>& samples)
{
    FIBITMAP* pBitmap = FreeImage_Allocate(kWidth, kHeight, 8);
    for (int i = 0; i < 256; ++i)
        FreeImage_GetPalette(pBitmap)[i] = kind.colour == kPalette
            ? RGBQUAD{Palette(i, 2), Palette(i, 1), Palette(i, 0), 0}
            : RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(FreeImage_GetScanLine(pBitmap, kHeight - 1 - y), Row(kind, samples, y, false).data(), kWidth);
    const FREE_IMAGE_FORMAT fif = FreeImage_GetFIFFromFilename(path.c_str());
    FreeImage_Save(fif, pBitmap, path.c_str(), fif == FIF_JPEG ? JPEG_QUALITYSUPERB : 0);
    FreeImage_Unload(pBitmap);
}

// The picture the stored values make: 16-bit values rounded to 8 bits, grey in every channel, alpha dropped.
CImage Expected(const SKind& kind, const std::vector<std::uint16_t>& samples)
{
    CImage image(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                const std::size_t i
                    = static_cast<std::size_t>((y * kWidth + x) * kind.Channels() + (kind.colour >= kRgb ? c : 0));
                const long v = kind.nBits == 16 ? std::lround(samples[i] * 255.0 / 65535) : samples[i];
                image.Pixel(x, kHeight - 1 - y)[2 - c]
                    = kind.colour == kPalette ? Palette(samples[i], c) : std::uint8_t(v);
            }
    return image;
}

} // namespace

// Every kind in PNG and TIFF (the library's decoders, some of which expand grey to RGBA, and libtiff's for grey and
// alpha at 16 bits), an 8-bit palette BMP and a grey JPEG (libjpeg's): the stored values by the rule. 1-bit and
// floating-point images are refused, the message naming what they are.
TEST(PixelFormats, GreyPaletteAlphaAndSixteenBitImagesLoadAsTheirValuesInColour)
{
    using Save = void (*)(const std::string&, const SKind&, const std::vector<std::uint16_t>&);
    std::vector<std::tuple<std::string, Save, SKind, std::string>> cases
        = {{"bmp", SaveBitmap8, {kPalette, 8}, ""},
           {"jpg", SaveBitmap8, {kGrey, 8, true}, ""},
           {"png", SavePng, {kGrey, 1}, "a 1-bit image"},
           {"tif", SaveTiff, {kPalette, 1}, "a 1-bit image"},
           {"tif", SaveTiff, {kGrey, 32}, "an image of floating-point values"}};
    std::vector<SKind> kinds = {{kPalette, 4}, {kPalette, 8}, {kRgb, 16}};
    for (const EColour colour : {kGrey, kGreyAlpha, kRgba})
        kinds.insert(kinds.end(), {{colour, 8}, {colour, 16}});
    for (const SKind& kind : kinds)
        cases.insert(cases.end(), {{"png", SavePng, kind, ""}, {"tif", SaveTiff, kind, ""}});
    CTempFolder folder;
    for (const auto& [extension, save, kind, refused] : cases) {
        SCOPED_TRACE(extension + " " + std::to_string(kind.colour) + " " + std::to_string(kind.nBits));
        const std::vector<std::uint16_t> samples = Samples(kind);
        save(folder.File("x." + extension), kind, samples);
        const SLoadResult loaded = LoadImageFile(folder.File("x." + extension));
        const std::string read = "; Tessaly reads grey, palette, RGB and RGBA images with 8 or 16 bits a channel.";
        if (refused.empty())
            EXPECT_EQ(std::pair(loaded.status, loaded.image), std::pair(ELoadStatus::kOk, Expected(kind, samples)));
        else
            EXPECT_EQ(std::pair(loaded.status, DescribeLoadFailure(loaded, "p")),
                      std::pair(ELoadStatus::kNotRgb, "The image p is " + refused + read));
    }
    for (int v = 0; v < 65536; ++v)
        ASSERT_EQ(To8Bits(static_cast<std::uint16_t>(v)), std::lround(v * 255.0 / 65535)) << v;
}
