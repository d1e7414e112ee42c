// The bases of a pair, made once from its paths.
#include "engine/job/stereo_pair.h"

#include "engine/io/file_names.h"

CStereoPair::CStereoPair(std::string leftPath, std::string rightPath)
    : m_strLeftPath(std::move(leftPath))
    , m_strRightPath(std::move(rightPath))
    , m_strLeftBase(MakeBase(m_strLeftPath))
    , m_strRightBase(MakeBase(m_strRightPath))
{ }

CStereoPair::CStereoPair(std::string leftPath, std::string rightPath, std::string leftBase, std::string rightBase)
    : m_strLeftPath(std::move(leftPath))
    , m_strRightPath(std::move(rightPath))
    , m_strLeftBase(std::move(leftBase))
    , m_strRightBase(std::move(rightBase))
{ }

CStereoPair CStereoPair::WithSideRefused(bool bRight) const
{
    return bRight ? CStereoPair(m_strLeftPath, {}, m_strLeftBase, m_strRightBase)
                  : CStereoPair({}, m_strRightPath, m_strLeftBase, m_strRightBase);
}

// The other side keeps its base as it is: after a refusal it is the refused file's, not its (empty) path's.
CStereoPair CStereoPair::WithSide(bool bRight, std::string path) const
{
    std::string base = MakeBase(path);
    return bRight ? CStereoPair(m_strLeftPath, std::move(path), m_strLeftBase, std::move(base))
                  : CStereoPair(std::move(path), m_strRightPath, std::move(base), m_strRightBase);
}

std::string CStereoPair::DerivedName(bool bRight, std::string_view suffix, ESaveFormat format) const
{
    return MakeDerivedName(Base(bRight), suffix, format);
}

CStereoPair CStereoPair::WithOutputFolder(const std::string& folder) const
{
    return {m_strLeftPath, m_strRightPath, InOutputFolder(m_strLeftBase, folder),
            InOutputFolder(m_strRightBase, folder)};
}

std::string InOutputFolder(const std::string& path, const std::string& folder)
{
    if (folder.empty() || path.empty())
        return path;
    return folder + (folder.back() == '/' ? "" : "/") + GetFileName(path);
}
