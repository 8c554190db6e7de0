// ListingsSite: child process launch, port hand-over, request log.
#include "listings_site.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace
{
const int kStartTimeoutMs = 15000;

long long NowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
} // namespace

std::string ListingsSite::ScriptPath()
{
    const char* dir = std::getenv("VELUNDA_SOURCE_DIR");
    std::string base = dir && *dir ? dir : VELUNDA_SOURCE_DIR_DEFAULT;
    return base + "/tools/listings_site.py";
}

ListingsSite::ListingsSite(const std::vector<std::string>& extraArgs)
{
    char logTemplate[] = "/tmp/velunda-site-log-XXXXXX";
    const int logFd = ::mkstemp(logTemplate);
    if (logFd >= 0)
    {
        ::close(logFd);
        m_logPath = logTemplate;
    }

    std::vector<std::string> args = {"python3", ScriptPath(), "--port", "0"};
    if (!m_logPath.empty())
    {
        args.push_back("--log");
        args.push_back(m_logPath);
    }
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
    {
        m_error = "pipe failed";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    const int spawned = posix_spawnp(&m_pid, "python3", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0)
    {
        m_pid = -1;
        ::close(pipeFds[0]);
        m_error = std::string("cannot start python3: ") + std::strerror(spawned);
        return;
    }

    // The first line on the site's standard output is its port.
    std::string line;
    const long long deadline = NowMs() + kStartTimeoutMs;
    while (line.find('\n') == std::string::npos)
    {
        const long long left = deadline - NowMs();
        if (left <= 0)
        {
            m_error = "the site did not print its port in time";
            break;
        }
        pollfd p{pipeFds[0], POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        char buffer[64];
        const ssize_t count = ::read(pipeFds[0], buffer, sizeof buffer);
        if (count <= 0)
        {
            m_error = "the site ended before printing its port";
            break;
        }
        line.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(pipeFds[0]);
    if (m_error.empty())
    {
        char* end = nullptr;
        const long port = std::strtol(line.c_str(), &end, 10);
        m_port = end != line.c_str() && port > 0 && port < 65536 ? static_cast<int>(port) : 0;
        if (m_port <= 0)
            m_error = "unexpected first line from the site: " + line;
    }
    if (m_port <= 0)
        Stop();
}

ListingsSite::~ListingsSite()
{
    Stop();
    if (!m_logPath.empty())
        std::remove(m_logPath.c_str());
}

void ListingsSite::Stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    const long long deadline = NowMs() + 5000;
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0)
    {
        if (NowMs() > deadline)
        {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            break;
        }
        ::usleep(10000);
    }
    m_pid = -1;
}

std::string ListingsSite::Log() const
{
    std::ifstream in(m_logPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> ListingsSite::RequestLines() const
{
    // Every logged head ends with an empty line; its first line is the
    // request line.
    std::vector<std::string> lines;
    const std::string log = Log();
    std::string::size_type start = 0;
    bool atHeadStart = true;
    while (start < log.size())
    {
        std::string::size_type end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        std::string line = log.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (atHeadStart && !line.empty())
        {
            lines.push_back(line);
            atHeadStart = false;
        }
        else if (line.empty())
            atHeadStart = true;
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> ListingsSite::RequestTargets() const
{
    std::vector<std::string> targets;
    for (const std::string& line : RequestLines())
    {
        const std::string::size_type first = line.find(' ');
        const std::string::size_type last = line.rfind(' ');
        if (first != std::string::npos && last > first)
            targets.push_back(line.substr(first + 1, last - first - 1));
        else
            targets.push_back(std::string());
    }
    return targets;
}
