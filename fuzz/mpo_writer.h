// MPO files built as the multi-picture standard lays them out, for the fuzz seeds and the tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One entry of the index: the image's attribute, its size and its offset
// from the MP header (0 for the first image).
struct SMpoEntry {
    std::uint32_t nAttribute = 0;
    std::uint32_t nSize = 0;
    std::uint32_t nOffset = 0;
};

// The JPEG streams as one file: the first gets an APP2 "MPF" segment right
// after its start marker that indexes them all (as views of a stereo pair,
// in the chosen byte order), the others follow it unchanged. `patch` may
// change the entries before they are written, to make damaged indexes.
std::string WriteMpo(const std::vector<std::string>& jpegs, bool bBigEndian = false,
                     const std::function<void(std::vector<SMpoEntry>&)>& patch = {});
