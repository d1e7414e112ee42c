// New files put in place without replacing anything: no-replace renames, the record of a commit of several, and its
// repair after a crash.
#include "engine/io/new_files.h"

#include "engine/io/file_names.h"
#include "engine/io/safe_file.h"
#include "engine/io/work_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

std::atomic<TCommitFault> g_fault{nullptr};

bool Fails(int nStep)
{
    const TCommitFault fault = g_fault.load();
    return fault != nullptr && fault(nStep);
}

struct SIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const SIdentity&) const = default;
};

std::optional<SIdentity> IdentityAt(int nFolderFd, const std::string& name)
{
    struct stat info { };
    if (::fstatat(nFolderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return SIdentity{info.st_dev, info.st_ino};
}

// Whether nothing at all is under the name; an error other than "no such
// file" counts as something, so that it is never replaced.
bool HoldsNothing(int nFolderFd, const std::string& name)
{
    struct stat info { };
    return ::fstatat(nFolderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
}

// A rename that fails on an existing name; where the file system has no such
// rename, a hard link, which fails likewise; where it has neither, a rename
// after a look, which the folder's job lock keeps other jobs away from.
bool PlaceNew(int nFolderFd, const std::string& temporary, const std::string& target)
{
    if (::renameat2(nFolderFd, temporary.c_str(), nFolderFd, target.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    if (::linkat(nFolderFd, temporary.c_str(), nFolderFd, target.c_str(), 0) == 0) {
        ::unlinkat(nFolderFd, temporary.c_str(), 0);
        return true;
    }
    if (errno == EEXIST || !HoldsNothing(nFolderFd, target))
        return false;
    return ::renameat(nFolderFd, temporary.c_str(), nFolderFd, target.c_str()) == 0;
}

struct SRecordEntry {
    SIdentity identity;
    std::string temporary; // names in the folder
    std::string target;
};

// "DEVICE INODE\0TEMPORARY\0TARGET\0" for each file: names may hold any byte but NUL.
std::string RecordText(const std::vector<SRecordEntry>& entries)
{
    std::string text;
    for (const SRecordEntry& entry : entries) {
        text += std::to_string(entry.identity.device) + " " + std::to_string(entry.identity.inode);
        text += std::string(1, '\0') + entry.temporary + '\0' + entry.target + '\0';
    }
    return text;
}

std::optional<std::vector<SRecordEntry>> ParseRecord(const std::string& text)
{
    std::vector<std::string> fields;
    for (std::size_t nStart = 0, nEnd; (nEnd = text.find('\0', nStart)) != std::string::npos; nStart = nEnd + 1)
        fields.push_back(text.substr(nStart, nEnd - nStart));
    if (fields.empty() || fields.size() % 3 != 0)
        return std::nullopt;
    std::vector<SRecordEntry> entries;
    for (std::size_t i = 0; i < fields.size(); i += 3) {
        unsigned long long device = 0, inode = 0;
        if (std::sscanf(fields[i].c_str(), "%llu %llu", &device, &inode) != 2)
            return std::nullopt;
        for (const std::string& name : {fields[i + 1], fields[i + 2]})
            if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
                return std::nullopt;
        entries.push_back({{static_cast<dev_t>(device), static_cast<ino_t>(inode)}, fields[i + 1], fields[i + 2]});
    }
    return entries;
}

bool WriteRecord(int nFolderFd, const std::string& record, const std::string& text)
{
    const int fd = ::openat(nFolderFd, record.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool bWritten
        = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !bWritten) {
        ::unlinkat(nFolderFd, record.c_str(), 0);
        return false;
    }
    SyncFolder(nFolderFd, record);
    return true;
}

std::string ReadRecord(int nFolderFd, const std::string& record)
{
    constexpr std::size_t kMaxRecordBytes = 1 << 16;
    std::string text(kMaxRecordBytes, '\0');
    const int fd = ::openat(nFolderFd, record.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    const ssize_t nRead = fd >= 0 ? ::read(fd, text.data(), text.size()) : -1;
    if (fd >= 0)
        ::close(fd);
    text.resize(nRead > 0 ? static_cast<std::size_t>(nRead) : 0);
    return text;
}

// Removes what this commit put in place; false when something stayed.
bool TakeBack(int nFolderFd, std::span<const SNewFile> placed, std::span<const std::optional<SIdentity>> identities)
{
    bool bAll = true;
    for (std::size_t i = 0; i < placed.size(); ++i)
        if (IdentityAt(nFolderFd, placed[i].target) == identities[i])
            bAll = ::unlinkat(nFolderFd, placed[i].target.c_str(), 0) == 0 && bAll;
    return bAll;
}

} // namespace

void SetCommitFault(TCommitFault fault)
{
    g_fault = fault;
}

int CommitNewFiles(int nFolderFd, std::span<const SNewFile> files)
{
    std::vector<std::optional<SIdentity>> identities;
    std::vector<SRecordEntry> entries;
    for (const SNewFile& file : files) {
        identities.push_back(IdentityAt(nFolderFd, file.temporary));
        entries.push_back(
            {identities.back().value_or(SIdentity{}), GetFileName(file.temporary), GetFileName(file.target)});
    }
    std::string record;
    if (files.size() > 1) {
        static std::atomic<unsigned> counter{0};
        record = MakeWorkFileName(files[0].target, std::to_string(counter++), "pair");
        if (Fails(0) || !WriteRecord(nFolderFd, record, RecordText(entries)))
            return 0;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (Fails(static_cast<int>(1 + i)) || !PlaceNew(nFolderFd, files[i].temporary, files[i].target)) {
            // What could not be taken back stays recorded for the repair.
            if (TakeBack(nFolderFd, files.first(i), identities) && !record.empty())
                ::unlinkat(nFolderFd, record.c_str(), 0);
            return static_cast<int>(i);
        }
    }
    SyncFolder(nFolderFd, files.empty() ? std::string() : files[0].target);
    // A record that stays names files all in place: its repair has nothing to do.
    if (!record.empty() && !Fails(static_cast<int>(1 + files.size())))
        ::unlinkat(nFolderFd, record.c_str(), 0);
    return -1;
}

void RepairNewFiles(int nFolderFd, const std::string& record)
{
    const std::optional<std::vector<SRecordEntry>> entries = ParseRecord(ReadRecord(nFolderFd, record));
    if (entries) {
        bool bForward = true;
        for (const SRecordEntry& entry : *entries)
            bForward = bForward
                && (IdentityAt(nFolderFd, entry.target) == entry.identity
                    || (HoldsNothing(nFolderFd, entry.target)
                        && IdentityAt(nFolderFd, entry.temporary) == entry.identity));
        for (const SRecordEntry& entry : *entries)
            if (bForward && HoldsNothing(nFolderFd, entry.target))
                bForward = PlaceNew(nFolderFd, entry.temporary, entry.target);
        if (!bForward)
            for (const SRecordEntry& entry : *entries)
                if (IdentityAt(nFolderFd, entry.target) == entry.identity)
                    ::unlinkat(nFolderFd, entry.target.c_str(), 0);
        SyncFolder(nFolderFd, record);
    }
    ::unlinkat(nFolderFd, record.c_str(), 0);
}
