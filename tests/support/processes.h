// Several workstations at once: CHILD runs in N forked processes (given its index) and its result
// is the process's exit status; an exception counts as 99. Gives whether every process ended with 0.
#pragma once

#include <functional>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace arv::test {

inline bool runProcesses(int n, const std::function<int(int index)>& child)
{
    std::vector<pid_t> pids;
    for (int i = 0; i < n; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int status = 99;
            try {
                status = child(i);
            } catch (...) {
            }
            ::_exit(status);
        }
        pids.push_back(pid);
    }
    bool ok = true;
    for (pid_t pid : pids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return ok;
}

} // namespace arv::test
