// tessaly-make-sample: renders the bundled sample stereo pair, three textured planes at known depths.
//
// Usage: tessaly-make-sample OUTPUT_FOLDER
// Writes left.png, right.png and disparity-left.png (grey level = 4 x the
// disparity in pixels, as in common stereo benchmarks). A point at column x
// of the left view lies at column x - d of the right view.
#include "engine/base/image.h"
#include "engine/io/image_file.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

constexpr int kWidth = 192;
constexpr int kHeight = 144;

struct SPlane {
    int nDisparity;
    bool (*pContains)(int x, int y); // in left-view coordinates, y counted from the top
};

bool Everywhere(int, int)
{
    return true;
}
bool Board(int x, int y)
{
    return x >= 30 && x < 120 && y >= 20 && y < 100;
}
bool Disc(int x, int y)
{
    return (x - 130) * (x - 130) + (y - 90) * (y - 90) < 30 * 30;
}

// Front to back, so the first plane that covers a point hides the others.
const SPlane kPlanes[] = {{12, Disc}, {8, Board}, {3, Everywhere}};

std::uint32_t Hash(std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    std::uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

// A blocky colour texture fixed to the plane, so both views see the same pattern.
void Texture(int nPlane, int u, int v, std::uint8_t* pPixel)
{
    const std::uint32_t h = Hash(static_cast<std::uint32_t>(u / 3), static_cast<std::uint32_t>(v / 3),
                                 static_cast<std::uint32_t>(nPlane));
    const int base[3][3] = {{60, 90, 150}, {40, 140, 70}, {170, 110, 60}};
    for (int c = 0; c < 3; ++c)
        pPixel[c] = static_cast<std::uint8_t>(base[nPlane][c] + static_cast<int>((h >> (8 * c)) & 0x5F));
}

// The plane seen at column x of a view whose points are shifted by `shift`
// times each plane's disparity (0 for the left view, 1 for the right view).
int VisiblePlane(int x, int y, int shift)
{
    for (int n = 0; n < 3; ++n)
        if (kPlanes[n].pContains(x + shift * kPlanes[n].nDisparity, y))
            return n;
    return 2;
}

void Render(CImage& left, CImage& right, CImage& truth)
{
    for (int top = 0; top < kHeight; ++top) {
        const int row = kHeight - 1 - top; // rows are stored bottom-up
        for (int x = 0; x < kWidth; ++x) {
            const int l = VisiblePlane(x, top, 0);
            Texture(l, x, top, left.Pixel(x, row));
            const int r = VisiblePlane(x, top, 1);
            Texture(r, x + kPlanes[r].nDisparity, top, right.Pixel(x, row));
            std::uint8_t* p = truth.Pixel(x, row);
            p[0] = p[1] = p[2] = static_cast<std::uint8_t>(4 * kPlanes[l].nDisparity);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("Usage: tessaly-make-sample OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    CImage left(kWidth, kHeight), right(kWidth, kHeight), truth(kWidth, kHeight);
    Render(left, right, truth);
    const bool bOk = SaveImageFile(left, folder + "left.png", kFormatPng)
        && SaveImageFile(right, folder + "right.png", kFormatPng)
        && SaveImageFile(truth, folder + "disparity-left.png", kFormatPng);
    if (!bOk)
        std::fprintf(stderr, "Couldn't write the sample pair into %s\n", folder.c_str());
    return bOk ? 0 : 1;
}
