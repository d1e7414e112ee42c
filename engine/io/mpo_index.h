// The multi-picture index of an MPO file: where each JPEG image of the file lies, read from the bytes alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// One image as the index places it: a whole JPEG stream at [nOffset, nOffset + nSize) of the file.
struct SMpoImage {
    std::size_t nOffset = 0;
    std::size_t nSize = 0;
    std::uint32_t nAttribute = 0; // flags and type of the image as the index gives them
};

// Either the images (at least two, in the order of the index) or why the
// index cannot be used: a phrase to follow "Couldn't split FILE: ".
struct SMpoIndex {
    std::vector<SMpoImage> images;
    std::string strProblem;
    // The first image's APP2 "MPF" segment, from its marker: the bytes that
    // make the first image's stream an MPO file rather than a plain JPEG.
    std::size_t nIndexSegmentOffset = 0;
    std::size_t nIndexSegmentSize = 0;
};

// The class of an entry's image type that holds a preview of the first image, not another view.
inline constexpr std::uint32_t kMpoClassMask = 0xFF0000;
inline constexpr std::uint32_t kMpoClassThumbnail = 0x010000;

// Reads the index from the first image's APP2 "MPF" segment of a whole file
// and checks it against the file: every image lies inside it, no two
// overlap, and each starts with a JPEG start marker and ends with an end
// marker (so a stream cut short is refused, though a decoder would fill the
// missing rows grey), and the index segment lies inside the first image.
// Reads nothing outside `file`.
SMpoIndex ReadMpoIndex(std::span<const std::uint8_t> file);
