// PNG files: signature, header, the filtered rows compressed at once, end.
#include "engine/io/png_writer.h"

#include "engine/base/zeroed_memory.h"
#include "engine/io/png_filter.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <vector>

namespace {

// Measured on 4000 x 3000 results, in MB at level 1 with None, Sub, Up, Paeth:
//   depth map       8.92  7.68  7.36  7.14
//   displacement    9.20  8.26  7.52  7.46
//   gradient       13.23 10.45 10.01  9.59
//   photograph     26.85 11.79 10.79 10.70
// Up is the smallest of the simple filters on every kind, at one subtraction
// a byte. Paeth, or a choice per row among all five by the smallest sum of
// differences, saves 4 % at most for far more work a row; the choice among
// None, Sub and Up alone came out larger than Up. Level 2 saves 2 to 15 %
// (the most on depth maps) for 40 to 100 % more compression time. Encoding
// the four takes 270, 360, 400 and 330 ms of a core; the image library's PNG
// path (zlib's fastest level, libpng's filters) took 530, 660, 700 and 640 ms
// for 7.31, 8.87, 10.71 and 11.91 MB.
constexpr int kCompressionLevel = 1;
constexpr std::uint8_t kFilterUp = 2;

// The stream is cut into IDAT chunks of this size, far below the format's
// limit of 2^31 - 1 bytes a chunk at any image size we accept.
constexpr std::size_t kMaxChunkBytes = std::size_t{1} << 20;

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct SCompressorDeleter {
    void operator()(libdeflate_compressor* pCompressor) const { libdeflate_free_compressor(pCompressor); }
};
using CompressorPtr = std::unique_ptr<libdeflate_compressor, SCompressorDeleter>;

// Bytes whose pages are not touched before they are written: the bound of
// the compressed stream is about the size of the rows, of which the stream
// fills a fifth to a third. Fresh pages, in huge pages at these sizes.
struct SBuffer {
    explicit SBuffer(std::size_t nBytes)
        : bytes(nBytes)
        , nSize(nBytes)
    { }
    std::span<const std::uint8_t> Bytes() const { return {bytes.data(), nSize}; }

    ZeroedVector<std::uint8_t> bytes;
    std::size_t nSize;
};

void PutBigEndian(std::uint32_t nValue, std::uint8_t* pOut)
{
    pOut[0] = static_cast<std::uint8_t>(nValue >> 24);
    pOut[1] = static_cast<std::uint8_t>(nValue >> 16);
    pOut[2] = static_cast<std::uint8_t>(nValue >> 8);
    pOut[3] = static_cast<std::uint8_t>(nValue);
}

bool WriteAll(std::FILE* pFile, std::span<const std::uint8_t> bytes)
{
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), pFile) == bytes.size();
}

// Length, type, data and the CRC of type and data.
bool WriteChunk(std::FILE* pFile, const char* szType, std::span<const std::uint8_t> data)
{
    std::array<std::uint8_t, 8> head{};
    PutBigEndian(static_cast<std::uint32_t>(data.size()), head.data());
    std::copy_n(szType, 4, head.begin() + 4);
    std::uint32_t nCrc = libdeflate_crc32(0, head.data() + 4, 4);
    if (!data.empty())
        nCrc = libdeflate_crc32(nCrc, data.data(), data.size());
    std::array<std::uint8_t, 4> crc{};
    PutBigEndian(nCrc, crc.data());
    return WriteAll(pFile, head) && WriteAll(pFile, data) && WriteAll(pFile, crc);
}

bool WriteHeader(std::FILE* pFile, const CImage& image)
{
    std::array<std::uint8_t, 13> header{};
    PutBigEndian(static_cast<std::uint32_t>(image.Width()), header.data());
    PutBigEndian(static_cast<std::uint32_t>(image.Height()), header.data() + 4);
    header[8] = 8; // bits a sample
    header[9] = 2; // RGB; compression, filter method and interlacing stay 0: deflate, the five filters, none
    return WriteChunk(pFile, "IHDR", header);
}

// The PNG rows, top to bottom, each after its filter's type; the top row's
// row above is zeros.
SBuffer FilteredRows(const CImage& image)
{
    const std::size_t nRowBytes = image.Pitch() + 1;
    SBuffer filtered(nRowBytes * static_cast<std::size_t>(image.Height()));
    const std::vector<std::uint8_t> zeros(image.Pitch());
    std::uint8_t* pOut = filtered.bytes.data();
    for (int y = image.Height() - 1; y >= 0; --y, pOut += nRowBytes) {
        pOut[0] = kFilterUp;
        FilterUp(image.Row(y).data(), y + 1 < image.Height() ? image.Row(y + 1).data() : zeros.data(),
                 static_cast<std::size_t>(image.Width()), pOut + 1);
    }
    return filtered;
}

// The filtered rows as one zlib stream; empty when it cannot be made.
SBuffer Compress(const SBuffer& rows)
{
    const CompressorPtr compressor(libdeflate_alloc_compressor(kCompressionLevel));
    if (!compressor)
        return SBuffer(0);
    SBuffer stream(libdeflate_zlib_compress_bound(compressor.get(), rows.nSize));
    stream.nSize
        = libdeflate_zlib_compress(compressor.get(), rows.bytes.data(), rows.nSize, stream.bytes.data(), stream.nSize);
    return stream;
}

bool WriteData(std::FILE* pFile, std::span<const std::uint8_t> stream)
{
    for (std::size_t nAt = 0; nAt < stream.size(); nAt += kMaxChunkBytes)
        if (!WriteChunk(pFile, "IDAT", stream.subspan(nAt, std::min(kMaxChunkBytes, stream.size() - nAt))))
            return false;
    return true;
}

} // namespace

bool WritePng(const CImage& image, std::FILE* pFile)
{
    if (image.IsEmpty())
        return false;
    try {
        // The rows are freed once compressed, before the writes.
        const SBuffer stream = Compress(FilteredRows(image));
        return stream.nSize > 0 && WriteAll(pFile, kSignature) && WriteHeader(pFile, image)
            && WriteData(pFile, stream.Bytes()) && WriteChunk(pFile, "IEND", {});
    } catch (const std::bad_alloc&) {
        return false;
    }
}
