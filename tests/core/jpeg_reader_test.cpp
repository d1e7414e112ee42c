// JPEG reader: colour JPEGs of every layout load as the image library decodes them; damaged ones, and ones unlike
// the header that was checked, are refused as the library refused them.
#include "engine/io/image_file.h"
#include "engine/io/jpeg_reader.h"
#include "support/test_images.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <memory>
#include <tuple>
#include <utility>

// After <cstddef> and <cstdio>, which it needs.
#include <jpeglib.h>

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

struct SLayout {
    int nH = 1, nV = 1; // the luma's sampling factors
    bool bProgressive = false;
    int nRestart = 0;     // MCUs between restart markers
    bool bSparse = false; // progressive AC scans never refined, which libjpeg smooths
    J_COLOR_SPACE space = JCS_YCbCr;
};

// libjpeg's writer makes what the library's cannot: restart markers, sparse scans, RGB, grey, CMYK. Fails by aborting.
void SaveJpeg(const CImage& image, const std::string& path, const SLayout& layout)
{
    const int nComponents = layout.space == JCS_CMYK ? 4 : 3; // CMYK of the image's bytes four at a time
    static jpeg_scan_info sparse[]
        = {{3, {0, 1, 2}, 0, 0, 0, 0}, {1, {0}, 1, 63, 0, 2}, {1, {1}, 1, 63, 0, 2}, {1, {2}, 1, 63, 0, 2}};
    const FilePtr file(std::fopen(path.c_str(), "wb"), std::fclose);
    jpeg_error_mgr error{};
    jpeg_compress_struct info{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file.get());
    std::tie(info.image_width, info.image_height, info.input_components, info.in_color_space) = std::tuple(
        image.Width() * 3 / nComponents, image.Height(), nComponents, nComponents == 4 ? JCS_CMYK : JCS_EXT_BGR);
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, layout.space);
    jpeg_set_quality(&info, 92, TRUE);
    std::tie(info.comp_info[0].h_samp_factor, info.comp_info[0].v_samp_factor) = std::pair(layout.nH, layout.nV);
    if (layout.bProgressive)
        jpeg_simple_progression(&info);
    if (layout.bSparse)
        std::tie(info.scan_info, info.num_scans) = std::pair(sparse, 4);
    info.restart_interval = layout.nRestart;
    jpeg_start_compress(&info, TRUE);
    for (int y = image.Height() - 1; y >= 0; --y) {
        JSAMPROW pRow = const_cast<JSAMPROW>(image.Row(y).data());
        jpeg_write_scanlines(&info, &pRow, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
}

} // namespace

// From one pixel to tall and wide strips, every sampling and scan layout
// gives the library's bytes, whatever the stream's name (".jps" views).
TEST(JpegReader, LoadsEveryLayoutAsTheLibraryDecodesIt)
{
    const SLayout layouts[] = {{.nH = 2, .nV = 2},
                               {.nH = 2, .nV = 1},
                               {},
                               {.nH = 2, .nV = 2, .bProgressive = true},
                               {.nH = 2, .nV = 2, .nRestart = 1},
                               {.nH = 2, .nV = 1, .bProgressive = true, .nRestart = 2},
                               {.nH = 2, .nV = 2, .bProgressive = true, .bSparse = true},
                               {.space = JCS_RGB}};
    CTempFolder folder;
    const std::string path = folder.File("x.jps");
    std::mt19937 random(3);
    for (const auto& [nWidth, nHeight] : {std::pair(1, 1), {2, 1}, {13, 7}, {1, 300}, {301, 2}, {101, 77}})
        for (const SLayout& layout : layouts) {
            SCOPED_TRACE(std::to_string(&layout - layouts) + " at " + std::to_string(nWidth));
            SaveJpeg(RandomImage(nWidth, nHeight, random), path, layout);
            const CImage library = LoadWithLibrary(path, FIF_JPEG);
            EXPECT_EQ(LoadImageFile(path, EImageCodec::kJpeg).image, library);
            EXPECT_EQ(library.Width(), nWidth);
        }
}

// A file cut short (even by a byte of its end marker), with corrupt data, or
// with a marker libjpeg does not know is refused with its former reason, its
// header's size and depth noted.
TEST(JpegReader, RefusesDamagedFilesWithTheirFormerReasons)
{
    CTempFolder folder;
    std::mt19937 random(5);
    SaveJpeg(RandomImage(61, 43, random), folder.File("x.jpg"), {.nH = 2, .nV = 2, .nRestart = 4});
    const std::string bytes = ReadBytes(folder.File("x.jpg"));
    const std::size_t nRestart = bytes.find("\xFF\xD0") + 1, nEnd = bytes.size() - 1;
    const auto replaced
        = [&](std::size_t nAt, const char* szBy) { return bytes.substr(0, nAt) + szBy + bytes.substr(nAt + 1); };
    const std::string cut = "Premature end of JPEG file";
    const std::pair<std::string, std::string> cases[]
        = {{bytes.substr(0, bytes.size() / 2), cut},
           {bytes.substr(0, nEnd), cut},
           {replaced(nRestart, "\xD3"), "Corrupt JPEG data: found marker 0xd3 instead of RST0"},
           {replaced(nEnd - 1, "abc\xFF"), "Corrupt JPEG data: 2 extraneous bytes before marker 0xd9"},
           {replaced(nEnd, "\x28"), "Unsupported marker type 0x28"}};
    for (const auto& [damaged, reason] : cases) {
        WriteBytes(folder.File("damaged.jpg"), damaged);
        const SLoadResult loaded = LoadImageFile(folder.File("damaged.jpg"));
        EXPECT_EQ(std::pair(loaded.status, loaded.strReason), std::pair(ELoadStatus::kUnreadable, reason));
        EXPECT_EQ(std::tuple(loaded.nWidth, loaded.nHeight, loaded.nBitsPerPixel, loaded.image.IsEmpty()),
                  std::tuple(61, 43, 24, true));
    }
}

// A file changed since its header was checked (now another size, or CMYK)
// is refused rather than decoded.
TEST(JpegReader, RefusesAFileUnlikeTheHeaderThatWasChecked)
{
    CTempFolder folder;
    const std::string path = folder.File("x.jpg");
    for (const auto& [space, nWidth, bRead] :
         {std::tuple(JCS_YCbCr, 4, true), {JCS_YCbCr, 5, false}, {JCS_GRAYSCALE, 4, true}, {JCS_CMYK, 3, false}}) {
        SaveJpeg(UniformImage(4, 3, 1, 2, 3), path, {.space = space});
        const FilePtr file(std::fopen(path.c_str(), "rb"), std::fclose);
        EXPECT_EQ(ReadJpeg(file.get(), nWidth, 3, true).image.IsEmpty(), !bRead) << space << nWidth;
    }
}

// Headers are libjpeg's: one cut in its frame or with no start marker is refused with no reason, as the library's
// was; grey and CMYK keep the library's depths (it made CMYK colour), grey is read and CMYK refused as what it is;
// EXIF blocks it read beyond (an entry count past the block, an offset at its end read after the file without it)
// load as stored.
TEST(JpegReader, ReadsHeadersAsTheLibraryDidButNotTheirExif)
{
    using enum ELoadStatus;
    CTempFolder folder;
    const std::string path = folder.File("x.jpg"), kept = TESSALY_SOURCE_DIR "/fuzz/regressions/image_load/jpeg-exif-";
    const std::string exif = ReadBytes(kept + "offset-at-its-block-end").substr(1);
    const std::string plain = exif.substr(0, 2) + exif.substr(20); // without its EXIF block
    const std::tuple<std::string, J_COLOR_SPACE, ELoadStatus, int, std::string> cases[]
        = {{plain.substr(0, plain.find("\xFF\xC0") + 7), {}, kUnreadable, 0, ""},
           {plain.substr(2), {}, kUnreadable, 0, ""},
           {{}, JCS_GRAYSCALE, kOk, 8, ""},
           {{}, JCS_CMYK, kNotRgb, 24, "a CMYK JPEG image"},
           {plain, {}, kOk, 24, ""},
           {exif, {}, kOk, 24, ""},
           {ReadBytes(kept + "entry-count-past-its-block").substr(1), {}, kOk, 24, ""}};
    for (const auto& [file, space, status, nBits, reason] : cases) {
        if (file.empty())
            SaveJpeg(UniformImage(8, 3, 1, 2, 3), path, {.space = space});
        else
            WriteBytes(path, file);
        const SLoadResult loaded = LoadImageFile(path);
        EXPECT_EQ(std::tuple(loaded.status, loaded.nBitsPerPixel, loaded.strReason), std::tuple(status, nBits, reason));
    }
}
