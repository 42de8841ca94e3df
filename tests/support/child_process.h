// Runs part of a test in a child process (for what would change or end the test process: a
// user, a resource limit, a crash), and gives its exit status.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace gb::test {

// The child's exit status (what body returns), or 100 + the signal that ended it.
inline int InChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = -1;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

}  // namespace gb::test
