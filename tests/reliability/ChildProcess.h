// Running part of a test in a child process: for process-wide limits (file size) and for a
// process that is killed part-way, neither of which the test program itself may suffer.
#pragma once

#include <cerrno>
#include <csignal>
#include <exception>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace reltest {

// Starts `body` in a child that exits with what it returns; the caller waits or kills.
template <class Fn>
pid_t StartChild(Fn body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        int code = 125;
        try {
            code = body();
        } catch (...) {
            code = 126;
        }
        // No destructors, no leak report: the child shares the parent's state.
        ::_exit(code);
    }
    return pid;
}

// The child's exit code, or minus the signal that ended it.
inline int WaitChild(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1000;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

template <class Fn>
int RunInChild(Fn body)
{
    const pid_t pid = StartChild(body);
    return pid < 0 ? -1 : WaitChild(pid);
}

} // namespace reltest
