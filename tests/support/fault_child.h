// Runs a piece of a test in a child process, optionally as an unprivileged
// user, with its standard output collected.
//
// The tests run as root here, and root ignores file modes. A child that
// drops to the user "nobody" (65534) meets modes as any user does, so
// read-only folders and unreadable files can be tested for real. A child is
// also what can be killed in the middle of a save, or given a full disk.
#pragma once

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

struct ChildResult
{
    // Exit code, or -1 when the child was killed or did not end in time.
    int code = -1;
    bool killed = false;
    std::string out;
};

constexpr uid_t kNobody = 65534;

// Runs body in a forked child (as nobody when asUser is set and the test
// runs as root) and returns its exit code, which body returns (0 meaning
// all was as expected, another value naming what was not). The child is
// killed after limitMs.
inline ChildResult RunInChild(const std::function<int()>& body, bool asUser, int limitMs = 20000)
{
    ChildResult result;
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return result;
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0)
    {
        ::close(pipeFds[0]);
        ::dup2(pipeFds[1], STDOUT_FILENO);
        if (asUser && ::geteuid() == 0)
        {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
                ::_exit(100);
        }
        const int code = body();
        std::fflush(stdout);
        ::_exit(code);
    }
    ::close(pipeFds[1]);
    if (pid < 0)
    {
        ::close(pipeFds[0]);
        return result;
    }

    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (::waitpid(pid, &status, WNOHANG) == 0)
    {
        if (std::chrono::steady_clock::now() > deadline)
        {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    char buffer[4096];
    ssize_t count;
    while ((count = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        result.out.append(buffer, static_cast<std::size_t>(count));
    ::close(pipeFds[0]);
    if (WIFEXITED(status))
        result.code = WEXITSTATUS(status);
    else
        result.killed = true;
    return result;
}

// Makes every write in this process that would take a file beyond bytes fail
// as on a full disk (the signal such a write raises is ignored, so the write
// returns an error). For the body of RunInChild.
inline void LimitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

// Starts body in a child, kills it after delayMs and waits for it. True when
// the child was killed before it ended by itself.
inline bool KillChildAfter(const std::function<void()>& body, int delayMs)
{
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0)
    {
        body();
        ::_exit(0);
    }
    if (pid < 0)
        return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status);
}
