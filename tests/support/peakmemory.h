// The memory a piece of work needs at its peak, measured in a child process
// so that nothing else the test program did counts.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace tovo::test {

struct PeakRun {
    int result = -1;       // what work returned
    long growthKiB = -1;   // how far the maximum resident size grew while it ran
};

// Runs work in a forked child. The child starts with the resident size of
// this process at the fork, not its history, so the growth is work's own.
inline PeakRun RunMeasuringPeak(const std::function<int()> &work)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        PeakRun run;
        run.result = work();
        rusage after{};
        ::getrusage(RUSAGE_SELF, &after);
        run.growthKiB = after.ru_maxrss - before.ru_maxrss;
        const bool sent = ::write(fds[1], &run, sizeof run) == ssize_t(sizeof run);
        ::_exit(sent ? 0 : 1);
    }
    ::close(fds[1]);
    PeakRun run;
    if (pid < 0 || ::read(fds[0], &run, sizeof run) != ssize_t(sizeof run))
        run = PeakRun();
    ::close(fds[0]);
    if (pid > 0)
        ::waitpid(pid, nullptr, 0);
    return run;
}

} // namespace tovo::test
