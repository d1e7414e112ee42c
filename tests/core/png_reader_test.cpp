// PNG reader: 24-bit PNGs of every writer and layout load as the image library decodes them; damaged ones, and
// ones unlike the header that was checked, are refused.
#include "engine/io/image_file.h"
#include "engine/io/png_reader.h"
#include "support/test_images.h"

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <png.h>

#include <memory>
#include <tuple>
#include <utility>

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

struct SLayout {
    int nInterlace = PNG_INTERLACE_NONE;
    double gamma = 0; // below zero: a gamma of 1 after the pixels, out of place, which libpng lets pass and ignores
    bool bSrgb = false;
};

void SaveOurs(const CImage& image, const std::string& path, const SLayout&)
{
    SaveImageFile(image, path, kFormatPng);
}

void SaveWithLibrary(const CImage& image, const std::string& path, const SLayout& layout)
{
    ::SaveWithLibrary(image, path, FIF_PNG, layout.nInterlace != 0 ? PNG_INTERLACED : 0);
}

// What the other writers never write: libpng's own interlacing, a gamma, an sRGB chunk. Fails by aborting.
void SaveWithLibpng(const CImage& image, const std::string& path, const SLayout& layout)
{
    const FilePtr file(std::fopen(path.c_str(), "wb"), std::fclose);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file.get());
    png_set_IHDR(png, info, image.Width(), image.Height(), 8, PNG_COLOR_TYPE_RGB, layout.nInterlace, 0, 0);
    if (layout.gamma > 0)
        png_set_gAMA(png, info, layout.gamma);
    if (layout.bSrgb)
        png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int nPass = png_set_interlace_handling(png); nPass > 0; --nPass)
        for (int y = image.Height() - 1; y >= 0; --y)
            png_write_row(png, image.Row(y).data());
    const png_byte gammaOne[4] = {0, 1, 0x86, 0xA0};
    if (layout.gamma < 0)
        png_write_chunk(png, reinterpret_cast<png_const_bytep>("gAMA"), gammaOne, sizeof gammaOne);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
}

} // namespace

// From one pixel to tall and wide strips, every layout gives the library's
// bytes: the picture itself, or, for a gamma other than sRGB's, the picture
// corrected as the library corrects it.
TEST(PngReader, LoadsEveryLayoutAsTheLibraryDecodesIt)
{
    using Save = void (*)(const CImage&, const std::string&, const SLayout&);
    const std::pair<Save, SLayout> layouts[] = {{SaveOurs, {}},
                                                {SaveWithLibrary, {}},
                                                {SaveWithLibrary, {.nInterlace = 1}},
                                                {SaveWithLibpng, {.nInterlace = 1}},
                                                {SaveWithLibpng, {.bSrgb = true}},
                                                {SaveWithLibpng, {.gamma = -1}},
                                                {SaveWithLibpng, {.nInterlace = 1, .gamma = 1.0}},
                                                {SaveWithLibpng, {.gamma = 0.7}}};
    CTempFolder folder;
    const std::string path = folder.File("x.png");
    std::mt19937 random(3);
    for (const auto& [nWidth, nHeight] : {std::pair(1, 1), {2, 1}, {13, 7}, {1, 300}, {301, 2}, {101, 77}})
        for (const auto& [save, layout] : layouts) {
            SCOPED_TRACE(std::to_string(&layout - &layouts[0].second) + " at " + std::to_string(nWidth));
            const CImage image = RandomImage(nWidth, nHeight, random);
            save(image, path, layout);
            const SLoadResult loaded = LoadImageFile(path);
            EXPECT_EQ(loaded.image, LoadWithLibrary(path, FIF_PNG));
            EXPECT_EQ(loaded.image == image, layout.gamma <= 0);
        }
}

// A file cut short, or a chunk whose CRC does not match, is refused with the
// reason it has always had, its header's size and depth noted.
TEST(PngReader, RefusesDamagedFilesWithTheirFormerReasons)
{
    CTempFolder folder;
    std::mt19937 random(5);
    SaveWithLibrary(RandomImage(61, 43, random), folder.File("x.png"), {.nInterlace = 1});
    const std::string bytes = ReadBytes(folder.File("x.png"));
    const std::size_t nEnd = bytes.size() - 12; // where the end chunk starts
    const auto flipped
        = [&](std::size_t nAt) { return bytes.substr(0, nAt) + char(~bytes[nAt]) + bytes.substr(nAt + 1); };
    const std::string cut = "Read error: invalid or corrupted PNG file";
    const std::pair<std::string, std::string> cases[] = {{bytes.substr(0, bytes.size() / 2), cut},
                                                         {bytes.substr(0, nEnd), cut},
                                                         {flipped(nEnd - 1), "IDAT: CRC error"},
                                                         {flipped(bytes.size() - 1), "IEND: CRC error"}};
    for (const auto& [damaged, reason] : cases) {
        WriteBytes(folder.File("damaged.png"), damaged);
        const SLoadResult loaded = LoadImageFile(folder.File("damaged.png"));
        EXPECT_EQ(std::pair(loaded.status, loaded.strReason), std::pair(ELoadStatus::kUnreadable, reason));
        EXPECT_EQ(std::tuple(loaded.nWidth, loaded.nHeight, loaded.nBitsPerPixel, loaded.image.IsEmpty()),
                  std::tuple(61, 43, 24, true));
    }
}

// A file changed since its header was checked (now another size, or with an
// alpha channel) is refused rather than decoded.
TEST(PngReader, RefusesAFileUnlikeTheHeaderThatWasChecked)
{
    CTempFolder folder;
    SaveImageFile(UniformImage(4, 3, 1, 2, 3), folder.File("rgb.png"), kFormatPng);
    SaveWithDepth(folder.File("alpha.png"), 4, 3, 32);
    const std::tuple<const char*, int, bool> cases[]
        = {{"rgb.png", 4, true}, {"rgb.png", 5, false}, {"alpha.png", 4, false}};
    for (const auto& [szName, nWidth, bRead] : cases) {
        const FilePtr file(std::fopen(folder.File(szName).c_str(), "rb"), std::fclose);
        EXPECT_EQ(ReadRgbPng(file.get(), nWidth, 3).image.IsEmpty(), !bRead) << szName << nWidth;
    }
}
