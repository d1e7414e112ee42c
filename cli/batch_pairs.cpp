// Batch pairs from a list file, their labels, and the shards of the sorted pairs.
#include "cli/batch_pairs.h"

#include "cli/cli_options.h"
#include "engine/io/file_names.h"
#include "engine/job/stereo_split.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Fields split at tabs when there is one, else at spaces; empty fields dropped.
std::vector<std::string> Fields(const std::string& line)
{
    const char separator = line.find('\t') != std::string::npos ? '\t' : ' ';
    std::vector<std::string> fields;
    std::istringstream stream(line);
    for (std::string field; std::getline(stream, field, separator);)
        if (!Trimmed(field).empty())
            fields.push_back(Trimmed(field));
    return fields;
}

SBatchPair ListEntry(const std::string& where, const std::string& folder, const std::vector<std::string>& fields)
{
    std::vector<std::string> paths;
    for (const std::string& field : fields)
        paths.push_back(field.front() == '/' ? field : folder + field);
    const bool bShape = paths.size() == 2 || (paths.size() == 1 && IsStereoFileName(paths[0]));
    if (!bShape)
        return {where, {}, "needs a left and a right image, or one .mpo or .jps file"};
    std::error_code error;
    for (const std::string& path : paths)
        if (!std::filesystem::is_regular_file(path, error))
            return {where, {}, "no such file: " + path};
    return {paths[0], paths.size() == 2 ? paths[1] : std::string(), {}};
}

// One line of at most kMaxLineBytes, without its end; false at the end of
// the stream or for a longer line (a list piped from a device or a binary).
constexpr std::size_t kMaxLineBytes = 64 * 1024;
bool ReadLine(std::istream& stream, std::string& line)
{
    line.clear();
    for (int c = stream.get(); c != std::char_traits<char>::eof(); c = stream.get()) {
        if (c == '\n')
            return true;
        if (line.size() == kMaxLineBytes)
            return false;
        line.push_back(static_cast<char>(c));
    }
    return !line.empty();
}

// The pairs of a list's lines; `name` labels the lines of problems.
bool ReadPairLines(std::istream& list, const std::string& name, const std::string& folder,
                   std::vector<SBatchPair>& pairs)
{
    int nLine = 0;
    std::string line;
    while (ReadLine(list, line)) {
        // Editors on some systems start a UTF-8 text with a byte-order mark.
        if (++nLine == 1 && line.starts_with("\xEF\xBB\xBF"))
            line.erase(0, 3);
        const std::string text = Trimmed(line);
        if (!text.empty() && text.front() != '#')
            pairs.push_back(ListEntry(name + ":" + std::to_string(nLine), folder, Fields(text)));
    }
    return list.eof() && !list.bad();
}

} // namespace

std::string SBatchPair::Label() const
{
    return strRight.empty() ? strLeft : strLeft + " + " + strRight;
}

bool ReadPairList(const std::string& listPath, std::vector<SBatchPair>& pairs)
{
    if (listPath == "-")
        return ReadPairLines(std::cin, "stdin", {}, pairs);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(listPath, error);
    const bool bRegular = std::filesystem::is_regular_file(status);
    std::ifstream list;
    if (bRegular || std::filesystem::is_fifo(status))
        list.open(listPath);
    // A pipe (/dev/stdin, a shell's <(find ...)) has no folder of its own:
    // its relative paths start at the current one, as with "-".
    return list.is_open() && ReadPairLines(list, listPath, ListFolder(listPath), pairs);
}

std::string ListFolder(const std::string& listPath)
{
    std::error_code error;
    const bool bRegular = listPath != "-" && std::filesystem::is_regular_file(listPath, error);
    return bRegular ? GetDirectory(listPath) : std::string();
}

SShard ParseShard(const std::string& text)
{
    const std::size_t slash = text.find('/');
    const auto number = [](const std::string& digits) {
        const bool bDigits = !digits.empty() && digits.size() <= 6
            && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        return bDigits ? std::stoi(digits) : 0;
    };
    const SShard shard{number(text.substr(0, slash)), slash == std::string::npos ? 0 : number(text.substr(slash + 1))};
    if (shard.nIndex < 1 || shard.nCount < 1 || shard.nIndex > shard.nCount)
        throw SUsageError("option --shard takes K/N with 1 <= K <= N, not \"" + text + "\"");
    return shard;
}

std::vector<SBatchPair> TakeShard(std::vector<SBatchPair> pairs, SShard shard)
{
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const SBatchPair& a, const SBatchPair& b) { return a.Label() < b.Label(); });
    const std::size_t nPairs = pairs.size();
    const auto begin = pairs.begin() + static_cast<std::ptrdiff_t>(nPairs * (shard.nIndex - 1) / shard.nCount);
    const auto end = pairs.begin() + static_cast<std::ptrdiff_t>(nPairs * shard.nIndex / shard.nCount);
    return {begin, end};
}
