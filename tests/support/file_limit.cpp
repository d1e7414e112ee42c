// RunWithFileLimit: fork, setrlimit(RLIMIT_FSIZE) and the body's text back through shared memory.
#include "support/file_limit.h"

#include <csignal>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

std::string RunWithFileLimit(std::size_t nMaxFileBytes, const std::function<std::string()>& body)
{
    constexpr std::size_t kTextBytes = 1 << 16; // zero-filled: the text ends at its first zero
    char* pText
        = static_cast<char*>(::mmap(nullptr, kTextBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    const pid_t pid = pText == MAP_FAILED ? -1 : ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{nMaxFileBytes, nMaxFileBytes};
        (nMaxFileBytes == 0 || ::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? body() : "setrlimit failed")
            .copy(pText, kTextBytes - 1);
        ::_exit(0);
    }
    int nStatus = -1;
    const bool bExited = pid > 0 && ::waitpid(pid, &nStatus, 0) == pid && WIFEXITED(nStatus) && !WEXITSTATUS(nStatus);
    std::string text = bExited ? pText : "child failed";
    if (pText != MAP_FAILED)
        ::munmap(pText, kTextBytes);
    return text;
}
