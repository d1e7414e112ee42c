// Work file names: the fixed tag, the owner's process and host, and whether the owner is gone.
#include "engine/io/work_files.h"

#include "engine/io/file_names.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

constexpr std::string_view kTag = ".tessaly-";
constexpr std::size_t kMaxHostBytes = 40;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHostByte(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_';
}

std::string MakeHostTag()
{
    char name[HOST_NAME_MAX + 1] = {};
    std::string tag = ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
    tag.resize(std::min(tag.size(), kMaxHostBytes));
    std::replace_if(
        tag.begin(), tag.end(), [](char c) { return !IsHostByte(c); }, '_');
    return tag.empty() ? std::string("localhost") : tag;
}

} // namespace

const std::string& ThisHostTag()
{
    static const std::string tag = MakeHostTag();
    return tag;
}

std::string MakeWorkFileName(std::string_view path, std::string_view unique, std::string_view kind)
{
    const std::string tag = std::string(kTag.substr(1)) + std::to_string(::getpid()) + "-" + std::string(unique) + "@"
        + ThisHostTag() + "." + std::string(kind);
    return MakeHiddenSibling(path, tag);
}

// Read from the end: NAME may hold anything, the tag after it only digits,
// dashes, host bytes and the kind.
std::optional<SWorkFile> ParseWorkFileName(std::string_view name)
{
    const std::size_t tag = name.rfind(kTag);
    if (name.empty() || name.front() != '.' || tag == std::string_view::npos || tag == 0)
        return std::nullopt;
    const std::string_view rest = name.substr(tag + kTag.size());
    const std::size_t at = rest.find('@');
    const std::size_t dot = rest.rfind('.');
    if (at == std::string_view::npos || dot == std::string_view::npos || dot < at)
        return std::nullopt;
    const std::string_view owner = rest.substr(0, at);
    const std::string_view host = rest.substr(at + 1, dot - at - 1);
    const std::string_view kind = rest.substr(dot + 1);
    const std::size_t dash = owner.find('-');
    const std::string_view pid = owner.substr(0, dash);
    const bool bShape = !pid.empty() && pid.size() <= 9 && std::all_of(pid.begin(), pid.end(), IsDigit)
        && dash != std::string_view::npos && dash + 1 < owner.size()
        && std::all_of(owner.begin() + 1 + dash, owner.end(), [](char c) { return IsDigit(c) || c == '-'; })
        && !host.empty() && std::all_of(host.begin(), host.end(), IsHostByte) && (kind == "tmp" || kind == "pair");
    if (!bShape)
        return std::nullopt;
    return SWorkFile{static_cast<pid_t>(std::stol(std::string(pid))), std::string(host), std::string(kind)};
}

bool IsLeftOver(const SWorkFile& file)
{
    return file.strHost == ThisHostTag() && file.pid > 0 && file.pid != ::getpid() && ::kill(file.pid, 0) != 0
        && errno == ESRCH;
}
