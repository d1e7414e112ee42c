// RunWithFileLimit: fork, setrlimit(RLIMIT_FSIZE) and the body's text back through a pipe.
#include "support/file_limit.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

std::string RunWithFileLimit(std::size_t nMaxFileBytes, const std::function<std::string()>& body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "child failed";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{nMaxFileBytes, nMaxFileBytes};
        std::string text = ::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? body() : "setrlimit failed";
        for (std::size_t n = 0; n < text.size();) {
            const ssize_t nWritten = ::write(fds[1], text.data() + n, text.size() - n);
            if (nWritten <= 0)
                break;
            n += static_cast<std::size_t>(nWritten);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int nStatus = 0;
    ::waitpid(pid, &nStatus, 0);
    return WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0 ? text : "child failed";
}
