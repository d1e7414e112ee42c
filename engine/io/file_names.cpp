// Derived file names on POSIX paths.
#include "engine/io/file_names.h"

#include <algorithm>
#include <cctype>

std::string GetDirectory(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string GetFileName(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string GetFileTitle(std::string_view path)
{
    const std::string name = GetFileName(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string GetLowerExtension(std::string_view path)
{
    const std::string name = GetFileName(path);
    const std::size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::string MakeBase(std::string_view path)
{
    return GetDirectory(path) + GetFileTitle(path);
}

std::string MakeHiddenSibling(std::string_view path, std::string_view tag)
{
    const std::string name = GetFileName(path);
    std::size_t nLength = std::min<std::size_t>(name.size(), 64);
    while (nLength > 0 && nLength < name.size() && (static_cast<unsigned char>(name[nLength]) & 0xC0) == 0x80)
        --nLength;
    return GetDirectory(path) + "." + name.substr(0, nLength) + "." + std::string(tag);
}

std::string MakeDerivedName(std::string_view base, std::string_view suffix, ESaveFormat format)
{
    std::string name(base);
    name += suffix;
    name += SaveExtension(format);
    return name;
}
