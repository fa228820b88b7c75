#pragma once

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

/// Runs `body` in a child process whose files cannot grow beyond `bytes` (writes past it fail
/// as on a full disk; SIGXFSZ is ignored so that they fail instead of ending the process).
/// True when the child ended normally and `body` answered true.
template <class Body> bool onFullDisk(long bytes, Body body) {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(bytes), rlim_t(bytes)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace testsupport
