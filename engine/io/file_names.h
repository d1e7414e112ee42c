// Derived file names: the base of an opened image, the output formats and their extensions.
#pragma once

#include "engine/base/image_format.h"

#include <string>
#include <string_view>

// Directory part of a path with its trailing separator ("" when there is none).
std::string GetDirectory(std::string_view path);
// File name of a path without its directory.
std::string GetFileName(std::string_view path);
// File name cut before its last "."; a name without "." is taken whole.
std::string GetFileTitle(std::string_view path);
// The file name's extension after its last ".", in lower case ("" when there is none).
std::string GetLowerExtension(std::string_view path);
// Directory + file title: the base every derived name is built on.
std::string MakeBase(std::string_view path);

// A hidden file beside `path`, for work in progress: directory + "." + the
// first 64 bytes of the file name (cut before a UTF-8 sequence, so that the
// name fits the file system's 255-byte limit beside a long one) + "." + tag.
std::string MakeHiddenSibling(std::string_view path, std::string_view tag);

// base + suffix + extension of the format, e.g. ("/p/tower", "-3dmap.", PNG)
// gives "/p/tower-3dmap.png". Suffixes end in a dot.
std::string MakeDerivedName(std::string_view base, std::string_view suffix, ESaveFormat format);

// The suffixes of the derived files.
inline constexpr const char* kSuffixGradient = "-gradient.";
inline constexpr const char* kSuffixResize = "-resize.";
inline constexpr const char* kSuffixXd = "-xd.";
inline constexpr const char* kSuffixYd = "-yd.";
inline constexpr const char* kSuffixDepthMap = "-3dmap.";
inline constexpr const char* kSuffixOutline = "-outline.";
inline constexpr const char* kSuffixDepthMapNew = "-3dmapNew.";
