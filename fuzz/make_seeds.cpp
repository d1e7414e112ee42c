// Makes the fuzzers' seed corpus from small crops of the sample pair: tessaly-fuzz-seeds SAMPLES_DIR CORPUS_DIR
#include "engine/io/image_file.h"
#include "fuzz/fuzz_stages.h"
#include "fuzz/mpo_writer.h"

#include <FreeImage.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

CImage Crop(const CImage& image, int nLeft, int nBottom, int nWidth, int nHeight)
{
    CImage crop(nWidth, nHeight);
    for (int y = 0; y < nHeight; ++y)
        std::memcpy(crop.Pixel(0, y), image.Pixel(nLeft, nBottom + y), crop.Pitch());
    return crop;
}

// A displacement image as the search writes it: byte 0 the magnitude of a
// negative displacement, byte 1 of a positive one, byte 2 a score.
CImage DisplacementImage(int nWidth, int nHeight, int nSeed)
{
    CImage image(nWidth, nHeight);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) {
            const int d = (x * 7 + y * 3 + nSeed) % 9 - 4;
            image.Pixel(x, y)[d < 0 ? 0 : 1] = static_cast<std::uint8_t>(d < 0 ? -d : d);
            image.Pixel(x, y)[2] = static_cast<std::uint8_t>(x * 11 + y);
        }
    return image;
}

// An outline image as the outline stage leaves it: white, with a green and
// a blue line crossing it.
CImage Outline(int nWidth, int nHeight)
{
    CImage image(nWidth, nHeight);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) {
            std::uint8_t* p = image.Pixel(x, y);
            p[0] = x == 4 ? 0 : 255;
            p[1] = y == 3 ? 0 : 255;
            p[2] = x == 4 || y == 3 ? 0 : 255;
        }
    return image;
}

// The image encoded as the type of kFuzzExtensions[nType], with the
// library's default options.
Bytes Encode(const CImage& image, int nType)
{
    static const FREE_IMAGE_FORMAT kTypes[] = {FIF_BMP, FIF_PNG, FIF_TIFF, FIF_JPEG};
    FIBITMAP* pBitmap = FreeImage_Allocate(image.Width(), image.Height(), 24);
    for (int y = 0; y < image.Height(); ++y)
        std::memcpy(FreeImage_GetScanLine(pBitmap, y), image.Row(y).data(), image.Pitch());
    FIMEMORY* pMemory = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(kTypes[nType], pBitmap, pMemory, 0);
    BYTE* pData = nullptr;
    DWORD nSize = 0;
    FreeImage_AcquireMemory(pMemory, &pData, &nSize);
    Bytes bytes(pData, pData + nSize);
    FreeImage_CloseMemory(pMemory);
    FreeImage_Unload(pBitmap);
    return bytes;
}

Bytes Join(Bytes settings, const Bytes& first, const Bytes& second = {})
{
    settings.insert(settings.end(), first.begin(), first.end());
    settings.insert(settings.end(), second.begin(), second.end());
    return settings;
}

// Two length-prefixed parts as the depth job and the assembly read them.
Bytes Pair(Bytes settings, const Bytes& first, const Bytes& second)
{
    settings.push_back(static_cast<std::uint8_t>(first.size() & 0xFF));
    settings.push_back(static_cast<std::uint8_t>(first.size() >> 8));
    return Join(std::move(settings), first, second);
}

void Write(const fs::path& folder, const char* szTarget, int nSeed, const Bytes& bytes)
{
    fs::create_directories(folder / szTarget);
    const fs::path path = folder / szTarget / ("seed-" + std::to_string(nSeed));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteSeeds(const CImage& left, const CImage& right, const fs::path& corpus)
{
    const CImage l = Crop(left, 80, 60, 16, 12);
    const CImage r = Crop(right, 80, 60, 16, 12);
    const CImage grey = Crop(left, 40, 40, 6, 5);
    for (std::uint8_t t = 0; t < 4; ++t) {
        const std::uint8_t f = t % 3;
        Write(corpus, "image_load", t, Join({t}, Encode(l, t)));
        Write(corpus, "image_load", 4 + t, Join({t}, Encode(Crop(left, 0, 0, 3, 2), t)));
        Write(corpus, "gradient", t, Join({t, f}, Encode(l, t)));
        Write(corpus, "reduce", t, Join({t, f, 2}, Encode(l, t)));
        Write(corpus, "enlarge", t, Join({t, f, 2}, Encode(grey, t)));
        const std::uint8_t pairType = static_cast<std::uint8_t>(t | t << 2);
        Write(corpus, "depth_job", t, Pair({pairType, f, 0, 2, 1, 0, t}, Encode(l, t), Encode(r, t)));
        Write(corpus, "depth_job", 4 + t, Pair({pairType, f, 1, 1, 0, 1, 0}, Encode(l, t), Encode(r, t)));
        Write(corpus, "outline", t, Pair({pairType, f, 50, 0}, Encode(l, t), Encode(r, t)));
        if (t < 3)
            Write(corpus, "smooth", t, Pair({t, 2, t}, Encode(Outline(10, 8), t), Encode(grey, t)));
        if (t < 2) {
            // A stereo MPO of the pair in either byte order, for the index and the split.
            const Bytes jpegLeft = Encode(l, 3);
            const Bytes jpegRight = Encode(r, 3);
            const std::string mpo
                = WriteMpo({{jpegLeft.begin(), jpegLeft.end()}, {jpegRight.begin(), jpegRight.end()}}, t == 1);
            Write(corpus, "mpo", t, Bytes(mpo.begin(), mpo.end()));
            Write(corpus, "mpo_split", t, Bytes(mpo.begin(), mpo.end()));
        }
        Write(corpus, "assembly", t,
              Pair({pairType, f, 0xFC, 4, 0xFC, 4, t}, Encode(DisplacementImage(8, 6, 0), t),
                   Encode(DisplacementImage(8, 6, 5), t)));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: tessaly-fuzz-seeds SAMPLES_DIR CORPUS_DIR\n");
        return 2;
    }
    const fs::path samples = argv[1];
    const SLoadResult left = LoadImageFile((samples / "left.png").string());
    const SLoadResult right = LoadImageFile((samples / "right.png").string());
    if (left.status != ELoadStatus::kOk || right.status != ELoadStatus::kOk) {
        std::fprintf(stderr, "tessaly-fuzz-seeds: cannot read the sample pair in %s\n", argv[1]);
        return 1;
    }
    WriteSeeds(left.image, right.image, argv[2]);
    return 0;
}
