// CKeptFile: an earlier file held aside until the work that replaces it in several steps has succeeded.
#pragma once

#include <string>

// Some results are written in two steps under their final name (a depth map
// at the working scale, then its enlargement in place). When the second step
// fails, the name would hold a half-made result and the earlier file would be
// lost; this keeps the earlier file under a hidden hard link beside it until
// Commit(), and Restore() puts it back (or removes the half-made result when
// there was none). A process killed in between leaves the hidden link.
class CKeptFile {
public:
    explicit CKeptFile(std::string path);
    ~CKeptFile();
    CKeptFile(const CKeptFile&) = delete;
    CKeptFile& operator=(const CKeptFile&) = delete;

    // Whether there was an earlier file, and it is kept.
    bool HasEarlier() const { return m_bKept; }
    // The new file stays: the hidden link is dropped.
    void Commit();
    // The earlier file returns under its name; without one, the name is removed.
    void Restore();

private:
    std::string m_path;
    std::string m_keptPath;
    bool m_bExisted = false;
    bool m_bKept = false;
};
