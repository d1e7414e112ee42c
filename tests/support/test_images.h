// Helpers shared by the tests: temporary folders, random images, odd image files and a job's pair.
#pragma once

#include "engine/base/image.h"
#include "engine/job/depth_map_job.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <random>
#include <string>

// A fresh folder under the system's temporary folder, removed with its contents.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    // Names of the files in the folder, sorted.
    std::vector<std::string> Files() const { return Names(m_path); }
    static std::vector<std::string> Names(const std::filesystem::path& folder);
    // The bytes of each file by its name (none for a folder).
    std::map<std::string, std::string> Contents() const { return Contents(m_path); }
    static std::map<std::string, std::string> Contents(const std::filesystem::path& folder);

private:
    std::filesystem::path m_path;
};

// Uniform noise in every byte.
CImage RandomImage(int nWidth, int nHeight, std::mt19937& random);
// A copy of `image` shifted `dx` columns to the left (a point at x lies at x - dx), with noise filling the edge.
CImage ShiftedCopy(const CImage& image, int dx, std::mt19937& random);
CImage UniformImage(int nWidth, int nHeight, std::uint8_t blue, std::uint8_t green, std::uint8_t red);

// Saves an image with the library at another bit depth (8, 32 or 48 bits
// per pixel) to check that the stages refuse it.
void SaveWithDepth(const std::string& path, int nWidth, int nHeight, int nBitsPerPixel);
// Saves the image, or loads a 24-bit one, through the image library in its
// format nFormat (a FREE_IMAGE_FORMAT) with its flags: the former path of
// our files, against which our own readers and writers are checked.
void SaveWithLibrary(const CImage& image, const std::string& path, int nFormat, int nFlags = 0);
CImage LoadWithLibrary(const std::string& path, int nFormat);
// The image as a JPEG stream (the library's default quality), as cameras and stereo files hold them.
std::string EncodeJpeg(const CImage& image);
// A 24-bit BMP whose header claims the size, and no pixels.
std::string BmpClaiming(std::uint32_t nWidth, std::uint32_t nHeight);
void WriteBytes(const std::string& path, const std::string& bytes);
// Sets the job's two images and their bases, as the front ends do when the user chooses them.
void SetPair(CDepthMapJob& job, const std::string& left, const std::string& right);
std::string ReadBytes(const std::string& path);
