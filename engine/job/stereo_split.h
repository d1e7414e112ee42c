// Stereo files: one file holding both views of a pair (an MPO, or a side-by-side image) split into two image files.
#pragma once

#include "engine/base/image_format.h"
#include "engine/base/stage_host.h"
#include "engine/io/image_file.h"
#include "engine/job/stereo_pair.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class EStereoLayout {
    kMpo,       // a multi-picture JPEG file: its first image is the left view, its second the right
    kCrossEyed, // side by side with the right view in the left half (.jps)
    kParallel,  // side by side with the left view in the left half
};

// "mpo", "cross" or "parallel": the layout's name in reports and arguments.
const char* StereoLayoutName(EStereoLayout layout);
// The layout of that name, if any.
std::optional<EStereoLayout> ParseStereoLayout(std::string_view name);
// The layout a file's name suggests, in any letter case: ".mpo" an MPO,
// ".jps" cross-eyed, anything else parallel.
EStereoLayout StereoLayoutOf(const std::string& path);
// Whether the name is of a stereo file (".mpo" or ".jps"), which holds a pair on its own.
bool IsStereoFileName(const std::string& path);

// The name of a view split from `path`: its base + "-left" or "-right" + ".jpg"
// for an MPO (whose views are its JPEG streams), else + the extension of
// saveFormat; in outputFolder when one is given, else beside the file.
std::string StereoViewName(const std::string& path, EStereoLayout layout, ESaveFormat saveFormat, bool bRight,
                           const std::string& outputFolder = {});

// Stereo files above this size are refused before they are read into memory.
inline constexpr std::int64_t kMaxStereoFileBytes = std::int64_t{1} << 30;

// Writes the two views of `path` beside it, or into outputFolder when one is
// given (StereoViewName), both or neither.
// An MPO's views are its first two JPEG streams copied byte for byte (the
// left one without the multi-picture index), each checked to decode before
// either is put in place; a side-by-side image is decoded (as JPEG when named
// ".jps") and its halves saved in saveFormat, the last column of an odd
// width dropped with a notice. A view's name that already holds exactly that
// view is left as it is, so a second split writes nothing; a name that holds
// anything else is never replaced: the file is refused, naming both. Failures
// and notices reach the user through the host, naming the file; a failure
// leaves every file as it was. Holds the folders' job locks meanwhile.
// Returns the pair of the two views, nothing when the split failed.
std::optional<CStereoPair> SplitStereoFile(const std::string& path, EStereoLayout layout, ESaveFormat saveFormat,
                                           CStageHost& host, const std::string& outputFolder = {});

// The two views of a stereo file decoded in memory, nothing written: an
// MPO's first two images as loading the views that SplitStereoFile writes
// gives them (turned upright unless orientation is kStored), a side-by-side
// image's halves as it cuts them. Failures and notices as for SplitStereoFile.
std::optional<std::array<CImage, 2>> ReadStereoViews(const std::string& path, EStereoLayout layout, CStageHost& host,
                                                     EOrientation orientation = EOrientation::kUpright);
