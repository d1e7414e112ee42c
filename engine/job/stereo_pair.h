// CStereoPair: the two images of a job and the bases every derived name is built on, derived once from the paths.
#pragma once

#include "engine/base/image_format.h"

#include <string>
#include <string_view>
#include <utility>

class CStereoPair {
public:
    CStereoPair() = default;
    CStereoPair(std::string leftPath, std::string rightPath);
    // A pair whose bases are known already: the views of a split stereo
    // file, whose bases are the stereo file's base with "-left" and "-right".
    static CStereoPair WithBases(std::string leftPath, std::string rightPath, std::string leftBase,
                                 std::string rightBase)
    {
        return {std::move(leftPath), std::move(rightPath), std::move(leftBase), std::move(rightBase)};
    }

    const std::string& Path(bool bRight) const { return bRight ? m_strRightPath : m_strLeftPath; }
    const std::string& Base(bool bRight) const { return bRight ? m_strRightBase : m_strLeftBase; }
    const std::string& LeftPath() const { return m_strLeftPath; }
    const std::string& RightPath() const { return m_strRightPath; }
    const std::string& LeftBase() const { return m_strLeftBase; }
    const std::string& RightBase() const { return m_strRightBase; }
    // The same pair with one side's image replaced, as the dialog opens them one at a time.
    CStereoPair WithSide(bool bRight, std::string path) const;
    // The same pair with the side's image refused by the dialog: no path, and
    // the refused file's base kept, which the smoothing commands still read.
    CStereoPair WithSideRefused(bool bRight) const;
    // The side's base + suffix + the format's extension.
    std::string DerivedName(bool bRight, std::string_view suffix, ESaveFormat format) const;
    // The same pair with every derived name in `folder` under the name it has
    // beside its source; the sources stay where they are. An empty folder
    // leaves the names beside the sources.
    CStereoPair WithOutputFolder(const std::string& folder) const;

private:
    CStereoPair(std::string leftPath, std::string rightPath, std::string leftBase, std::string rightBase);

    std::string m_strLeftPath, m_strRightPath;
    std::string m_strLeftBase, m_strRightBase; // directory + file name without its last extension
};

// The file name of `path` in `folder` ("" keeps the path as it is); an empty path stays empty.
std::string InOutputFolder(const std::string& path, const std::string& folder);
