// CKeptFile: a hidden hard link to an earlier file, renamed back when the work replacing it fails.
#include "engine/kept_file.h"

#include "engine/file_names.h"

#include <unistd.h>

#include <cstdio>

CKeptFile::CKeptFile(std::string path)
    : m_path(std::move(path))
    , m_keptPath(MakeHiddenSibling(m_path, std::to_string(::getpid()) + ".kept"))
{
    ::unlink(m_keptPath.c_str());
    m_bExisted = ::access(m_path.c_str(), F_OK) == 0;
    m_bKept = m_bExisted && ::link(m_path.c_str(), m_keptPath.c_str()) == 0;
}

CKeptFile::~CKeptFile()
{
    Commit();
}

void CKeptFile::Commit()
{
    if (m_bKept)
        ::unlink(m_keptPath.c_str());
    m_bKept = false;
}

// When the name still links the earlier file, rename() does nothing and the
// hidden link is removed by the unlink; otherwise the unlink finds nothing.
void CKeptFile::Restore()
{
    if (m_bKept)
        std::rename(m_keptPath.c_str(), m_path.c_str());
    else if (!m_bExisted)
        ::unlink(m_path.c_str());
    Commit();
}
