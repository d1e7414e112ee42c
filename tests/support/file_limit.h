// Failed writes without root: a test body run in a child process whose files cannot grow past a limit.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Runs `body` in a child process in which a write that would make a file
// larger than nMaxFileBytes (unless 0) fails (RLIMIT_FSIZE, with SIGXFSZ
// ignored), as writes fail on a full disk. Returns the text the body
// returned, nothing when the body ended the child with status 0 itself, or
// "child failed" when the child did not end normally.
std::string RunWithFileLimit(std::size_t nMaxFileBytes, const std::function<std::string()>& body);
// The same without a limit.
inline std::string RunInChild(const std::function<std::string()>& body)
{
    return RunWithFileLimit(0, body);
}
