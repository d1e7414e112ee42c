// Helpers shared by the tests.
#include "support/test_images.h"

#include "engine/io/file_names.h"

#include <FreeImage.h>
#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

CTempFolder::CTempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

CTempFolder::~CTempFolder()
{
    std::error_code error;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(m_path, error);
}

std::vector<std::string> CTempFolder::Names(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> CTempFolder::Contents(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> contents;
    for (const std::string& name : Names(folder))
        contents[name] = ReadBytes((folder / name).string());
    return contents;
}

CImage RandomImage(int nWidth, int nHeight, std::mt19937& random)
{
    CImage image(nWidth, nHeight);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int y = 0; y < nHeight; ++y)
        for (std::uint8_t& b : image.Row(y))
            b = static_cast<std::uint8_t>(byte(random));
    return image;
}

CImage ShiftedCopy(const CImage& image, int dx, std::mt19937& random)
{
    CImage shifted = RandomImage(image.Width(), image.Height(), random);
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (x + dx >= 0 && x + dx < image.Width())
                std::copy_n(image.Pixel(x + dx, y), 3, shifted.Pixel(x, y));
    return shifted;
}

CImage UniformImage(int nWidth, int nHeight, std::uint8_t blue, std::uint8_t green, std::uint8_t red)
{
    CImage image(nWidth, nHeight);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            std::copy_n(std::array{blue, green, red}.data(), 3, image.Pixel(x, y));
    return image;
}

void SaveWithDepth(const std::string& path, int nWidth, int nHeight, int nBitsPerPixel)
{
    FIBITMAP* pBitmap = nBitsPerPixel == 48 ? FreeImage_AllocateT(FIT_RGB16, nWidth, nHeight, 48)
                                            : FreeImage_Allocate(nWidth, nHeight, nBitsPerPixel);
    if (nBitsPerPixel == 8) {
        RGBQUAD* pPalette = FreeImage_GetPalette(pBitmap);
        for (int i = 0; i < 256; ++i)
            pPalette[i].rgbRed = pPalette[i].rgbGreen = pPalette[i].rgbBlue = static_cast<BYTE>(i);
    }
    FreeImage_Save(FreeImage_GetFIFFromFilename(path.c_str()), pBitmap, path.c_str(), 0);
    FreeImage_Unload(pBitmap);
}

namespace {

// The image as a 24-bit bitmap of the library's, rows as they are.
FIBITMAP* LibraryBitmap(const CImage& image)
{
    FIBITMAP* pBitmap = FreeImage_Allocate(image.Width(), image.Height(), 24);
    for (int y = 0; y < image.Height(); ++y)
        std::copy_n(image.Row(y).data(), image.Pitch(), FreeImage_GetScanLine(pBitmap, y));
    return pBitmap;
}

} // namespace

void SaveWithLibrary(const CImage& image, const std::string& path, int nFormat, int nFlags)
{
    FIBITMAP* pBitmap = LibraryBitmap(image);
    FreeImage_Save(static_cast<FREE_IMAGE_FORMAT>(nFormat), pBitmap, path.c_str(), nFlags);
    FreeImage_Unload(pBitmap);
}

CImage LoadWithLibrary(const std::string& path, int nFormat)
{
    FIBITMAP* pBitmap = FreeImage_Load(static_cast<FREE_IMAGE_FORMAT>(nFormat), path.c_str(), 0);
    CImage image(static_cast<int>(FreeImage_GetWidth(pBitmap)), static_cast<int>(FreeImage_GetHeight(pBitmap)));
    for (int y = 0; y < image.Height(); ++y)
        std::copy_n(FreeImage_GetScanLine(pBitmap, y), image.Pitch(), image.Row(y).data());
    FreeImage_Unload(pBitmap);
    return image;
}

std::string EncodeJpeg(const CImage& image)
{
    FIBITMAP* pBitmap = LibraryBitmap(image);
    FIMEMORY* pMemory = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(FIF_JPEG, pBitmap, pMemory, 0);
    BYTE* pData = nullptr;
    DWORD nSize = 0;
    FreeImage_AcquireMemory(pMemory, &pData, &nSize);
    std::string bytes(reinterpret_cast<const char*>(pData), nSize);
    FreeImage_CloseMemory(pMemory);
    FreeImage_Unload(pBitmap);
    return bytes;
}

std::string BmpClaiming(std::uint32_t nWidth, std::uint32_t nHeight)
{
    std::string header = "BM" + std::string(52, '\0');
    // Little-endian fields: file size, pixel offset, info size, width, height, then 1 plane of 24 bits.
    const std::pair<std::size_t, std::uint32_t> fields[]
        = {{2, 54}, {10, 54}, {14, 40}, {18, nWidth}, {22, nHeight}, {26, 1 | 24 << 16}};
    for (const auto& [nAt, nValue] : fields)
        for (int k = 0; k < 4; ++k)
            header[nAt + k] = static_cast<char>(nValue >> 8 * k & 0xFF);
    return header;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

void SetPair(CDepthMapJob& job, const std::string& left, const std::string& right)
{
    job.m_pair = CStereoPair(left, right);
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
