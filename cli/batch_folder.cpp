// A folder's images paired by the side marks in their names, its stereo files taken whole.
#include "cli/batch_pairs.h"

#include "engine/io/file_names.h"
#include "engine/job/stereo_split.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsImageName(const std::string& name)
{
    static const std::set<std::string> kExtensions = {"bmp", "png", "tif", "tiff", "jpg", "jpeg"};
    return kExtensions.count(GetLowerExtension(name)) != 0;
}

// A file that one of our commands wrote: its title ends in a result's suffix.
bool IsResultName(const std::string& name)
{
    const std::string titleDot = GetFileTitle(name) + ".";
    for (const char* suffix :
         {kSuffixGradient, kSuffixResize, kSuffixXd, kSuffixYd, kSuffixDepthMap, kSuffixOutline, kSuffixDepthMapNew}) {
        const std::string text(suffix);
        if (titleDot.size() > text.size() && titleDot.compare(titleDot.size() - text.size(), text.size(), text) == 0)
            return true;
    }
    return false;
}

enum class ESide { kNone, kLeft, kRight };

// The side a title's last part names, and the NAME before it.
ESide SideOf(const std::string& title, std::string& name)
{
    static const std::pair<const char*, ESide> kMarks[] = {
        {"_left", ESide::kLeft}, {"-left", ESide::kLeft}, {"_right", ESide::kRight}, {"-right", ESide::kRight},
        {"_l", ESide::kLeft},    {"-l", ESide::kLeft},    {"_r", ESide::kRight},     {"-r", ESide::kRight},
    };
    const std::string lower = Lower(title);
    for (const auto& [szMark, side] : kMarks) {
        const std::string mark(szMark);
        if (lower.size() > mark.size() && lower.compare(lower.size() - mark.size(), mark.size(), mark) == 0) {
            name = title.substr(0, title.size() - mark.size());
            return side;
        }
    }
    return ESide::kNone;
}

struct SNameGroup {
    std::vector<std::string> lefts;
    std::vector<std::string> rights;
};

std::string Listed(const std::vector<std::string>& files)
{
    std::string list = files[0];
    for (std::size_t i = 1; i < files.size(); ++i)
        list += ", " + files[i];
    return list;
}

SBatchPair GroupEntry(const std::string& name, const SNameGroup& group)
{
    if (group.lefts.size() == 1 && group.rights.size() == 1)
        return {group.lefts[0], group.rights[0], {}};
    std::vector<std::string> files = group.lefts;
    files.insert(files.end(), group.rights.begin(), group.rights.end());
    const std::string list = Listed(files);
    if (group.lefts.empty() || group.rights.empty())
        return {list, {}, "no " + std::string(group.lefts.empty() ? "left" : "right") + " image named " + name};
    return {list, {}, "more than one left or right image named " + name + "; move or rename the extra ones"};
}

// The stereo files of a folder that stand alone under their title, with the
// names of their views, whose titles every result of their jobs starts with.
struct SStereoFile {
    std::size_t nEntry; // its entry in the pairs
    std::array<std::string, 2> views;
};

std::string ViewName(const std::string& path, ESaveFormat saveFormat, bool bRight)
{
    return GetFileName(StereoViewName(path, StereoLayoutOf(path), saveFormat, bRight));
}

// Whether a pair of the user's would write its results under the names of the stereo file's.
bool SharesResults(const SBatchPair& pair, const SStereoFile& stereo)
{
    for (const std::string& image : {pair.strLeft, pair.strRight})
        for (const std::string& view : stereo.views)
            if (GetFileTitle(image) == GetFileTitle(view))
                return true;
    return false;
}

} // namespace

bool PairFolder(const std::string& folder, ESaveFormat saveFormat, std::vector<SBatchPair>& pairs)
{
    std::error_code error;
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error) && it->path().filename().string().front() != '.')
            names.push_back(it->path().filename().string());
    if (error)
        return false;
    std::sort(names.begin(), names.end());
    const fs::path directory(folder);
    // Stereo files by title: two of one title (scene.mpo, scene.jps) would
    // write their views' maps under the same names.
    std::map<std::string, std::vector<std::string>> stereoFiles;
    for (const std::string& name : names)
        if (IsStereoFileName(name))
            stereoFiles[GetFileTitle(name)].push_back((directory / name).string());
    std::vector<SStereoFile> alone;
    std::map<std::string, std::pair<std::size_t, int>> views; // a view's name: its stereo file and side
    for (const auto& [title, files] : stereoFiles) {
        pairs.push_back(
            {Listed(files), {}, files.size() == 1 ? std::string() : "more than one stereo file named " + title});
        if (files.size() != 1)
            continue;
        alone.push_back(
            {pairs.size() - 1, {ViewName(files[0], saveFormat, false), ViewName(files[0], saveFormat, true)}});
        for (int i = 0; i < 2; ++i)
            views[alone.back().views[i]] = {pairs.size() - 1, i};
    }
    std::map<std::string, SNameGroup> groups;
    for (const std::string& name : names) {
        if (!IsImageName(name) || IsResultName(name))
            continue;
        const std::string path = (directory / name).string();
        if (const auto view = views.find(name); view != views.end()) {
            SBatchPair& stereo = pairs[view->second.first];
            (view->second.second == 0 ? stereo.strViewsLeft : stereo.strViewsRight) = path;
            continue;
        }
        std::string pairName;
        const ESide side = SideOf(GetFileTitle(name), pairName);
        if (side == ESide::kNone)
            pairs.push_back({path, {}, "no _L/_R or -left/-right in its name to pair it by"});
        else
            (side == ESide::kLeft ? groups[pairName].lefts : groups[pairName].rights).push_back(path);
    }
    // One view alone is no pair: the split puts the other beside it, or refuses.
    for (const SStereoFile& stereo : alone) {
        SBatchPair& entry = pairs[stereo.nEntry];
        if (entry.strViewsLeft.empty() || entry.strViewsRight.empty())
            entry.strViewsLeft = entry.strViewsRight = {};
    }
    for (const auto& [name, group] : groups) {
        pairs.push_back(GroupEntry(name, group));
        for (const SStereoFile& stereo : alone)
            if (pairs.back().strProblem.empty() && SharesResults(pairs.back(), stereo))
                pairs[stereo.nEntry].strProblem = "its views would take the names of the results of "
                    + pairs.back().Label() + "; rename one of them";
    }
    return true;
}
