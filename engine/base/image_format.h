// Output formats: one table row per format with its name, extension and how the image library writes it.
#pragma once

#include <optional>
#include <span>
#include <string_view>

// The formats results are saved in, in the order of the "Save as:" list.
enum ESaveFormat { kFormatBmp = 0, kFormatPng = 1, kFormatTiff = 2 };

struct SSaveFormatInfo {
    ESaveFormat format;
    const char* szName;      // as the "Save as:" list shows it
    const char* szExtension; // of the derived file names
    int nCodec;              // the image library's format
    int nFlags;              // the image library's save options
};

// Every format, in the order of the list.
std::span<const SSaveFormatInfo> SaveFormats();
const SSaveFormatInfo& InfoOf(ESaveFormat format);
// "bmp", "png" or "tif".
const char* SaveExtension(ESaveFormat format);
// A format by its extension or name in lower case ("bmp", "png", "tif" or "tiff").
std::optional<ESaveFormat> ParseSaveFormat(std::string_view text);
