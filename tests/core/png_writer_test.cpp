// PNG files: what our writer saves reads back pixel for pixel, from a file well formed chunk by chunk.
#include "engine/io/image_file.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>
#include <string_view>

namespace {

std::uint32_t BigEndian(std::string_view bytes, std::size_t nAt)
{
    std::uint32_t nValue = 0;
    for (const char c : bytes.substr(nAt, 4))
        nValue = nValue << 8 | static_cast<unsigned char>(c);
    return nValue;
}

// Bit by bit, independent of the library the writer uses.
std::uint32_t Crc32(std::string_view bytes)
{
    std::uint32_t nCrc = 0xFFFFFFFF;
    for (const char c : bytes) {
        nCrc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            nCrc = nCrc >> 1 ^ (0xEDB88320 & (0 - (nCrc & 1)));
    }
    return ~nCrc;
}

// The types of the chunks after the signature, run together, each chunk checked against its CRC and the file's
// end; `header` gets the IHDR's data.
std::string CheckedChunks(std::string_view bytes, std::string& header)
{
    std::string types;
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1A\n");
    std::size_t nAt = 8;
    while (nAt + 12 <= bytes.size() && nAt + 12 + BigEndian(bytes, nAt) <= bytes.size()) {
        const std::size_t nLength = BigEndian(bytes, nAt);
        const std::string_view typeAndData = bytes.substr(nAt + 4, 4 + nLength);
        EXPECT_EQ(Crc32(typeAndData), BigEndian(bytes, nAt + 8 + nLength)) << typeAndData.substr(0, 4);
        types += typeAndData.substr(0, 4);
        if (types == "IHDR")
            header = typeAndData.substr(4);
        nAt += 12 + nLength;
    }
    EXPECT_EQ(nAt, bytes.size());
    return types;
}

// Each byte from its pixel's place and its channel (blue, green, red).
CImage Drawn(int nWidth, int nHeight, int (*level)(int x, int y, int k))
{
    CImage image(nWidth, nHeight);
    for (int y = 0; y < nHeight; ++y)
        for (int i = 0; i < nWidth * 3; ++i)
            image.Row(y)[i] = static_cast<std::uint8_t>(level(i / 3, y, i % 3));
    return image;
}

} // namespace

// Odd sizes, every kind of result, and noise enough for the stream to span chunks.
TEST(PngWriter, ImagesReadBackPixelForPixelFromWellFormedFiles)
{
    std::mt19937 random(12);
    const std::vector<std::pair<const char*, CImage>> cases = {
        {"1 x 1", RandomImage(1, 1, random)},
        {"1 x N", RandomImage(1, 37, random)},
        {"N x 1", RandomImage(41, 1, random)},
        {"odd width", RandomImage(13, 7, random)},
        {"depth map", Drawn(203, 151, [](int x, int y, int) { return x / 16 * 37 + y / 16 * 91; })},
        {"photograph", Drawn(301, 199, [](int x, int y, int k) { return (x * (3 - k) + y * (k + 1)) / 5; })},
        {"noise", RandomImage(700, 600, random)},
    };
    CTempFolder folder;
    for (const auto& [name, image] : cases) {
        SCOPED_TRACE(name);
        const std::string path = folder.File("x.png");
        ASSERT_TRUE(SaveImageFile(image, path, kFormatPng));
        EXPECT_EQ(LoadImageFile(path).image, image);
        std::string header;
        EXPECT_TRUE(std::regex_match(CheckedChunks(ReadBytes(path), header), std::regex("IHDR(IDAT)+IEND")));
        // The size, then 8-bit RGB, deflate, the standard filters, no interlacing.
        EXPECT_EQ(std::tuple(int(BigEndian(header, 0)), int(BigEndian(header, 4)), header.substr(8)),
                  std::tuple(image.Width(), image.Height(), std::string("\x08\x02\0\0\0", 5)));
    }
}
