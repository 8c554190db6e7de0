// A whole run: 20 criteria of 3 result pages each (two with rows, one
// without) from the local listings site on loopback, through the listings
// job with its own HTTP client, beside two plain sequential clients fetching
// the same 60 request targets: one curl process with all the URLs, and a
// minimal socket client in this process.
#include "bench_support.h"
#include "ds_ork.h"
#include "listings_site.h"
#include "quiet_stdout.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <arpa/inet.h>
#include <cstdint>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{
int Criteria()
{
    return bench::Quick() ? 2 : 20;
}

std::string CriteriaText()
{
    std::string text;
    for (int i = 0; i < Criteria(); ++i)
        text += "Reihe " + std::to_string(i) + "|#";
    return text;
}

// The site answers every search with 20 rows, 10 to a page: each criterion
// takes pages 1 and 2 with rows and page 3 without.
ListingsSite& Site()
{
    static ListingsSite site({"--mode", "many-rows", "--rows", "20", "--page-size", "10"});
    if (!site.Ok())
    {
        std::fprintf(stderr, "listings site: %s\n", site.Error().c_str());
        std::exit(2);
    }
    return site;
}

std::size_t RunJob(const std::string& host)
{
    TempWorkDir dir; // no reference file: every hit is new
    bench::QuietStdout quiet;
    DS_ORK job("TVmov", "0", CriteriaText());
    job.m_host = host;
    job.Search();
    return job.m_hitLines.size() + 1000000 * job.m_errors.size();
}

// The request targets of one run, as the job sent them.
const std::vector<std::string>& Targets()
{
    static const std::vector<std::string> targets = [] {
        const std::size_t before = Site().RequestTargets().size();
        RunJob(Site().Host());
        std::vector<std::string> all = Site().RequestTargets();
        return std::vector<std::string>(all.begin() + static_cast<long>(before), all.end());
    }();
    return targets;
}

// One curl process, the URLs one after the other on its command line, bodies
// to /dev/null. Returns the seconds it took, or -1 when it failed.
double CurlSeconds()
{
    static std::vector<std::string> args = [] {
        std::vector<std::string> list = {"curl", "--silent", "--show-error", "--fail", "--globoff"};
        for (const std::string& target : Targets())
            list.push_back("http://" + Site().Host() + target);
        return list;
    }();
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const double start = bench::Now();
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "curl", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double seconds = bench::Now() - start;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

// The smallest client: in this process, one HTTP/1.0 GET per target over a
// fresh loopback connection, the response read to its end. Returns the
// seconds it took, or -1 when a request failed.
double PlainClientSeconds()
{
    const int port = Site().Port();
    std::vector<char> buffer(64 * 1024);
    const double start = bench::Now();
    for (const std::string& target : Targets())
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0)
            return -1;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const std::string request =
            "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
        bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                  ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                      static_cast<ssize_t>(request.size());
        std::size_t received = 0;
        while (ok)
        {
            const ssize_t count = ::recv(fd, buffer.data(), buffer.size(), 0);
            if (count <= 0)
                break;
            received += static_cast<std::size_t>(count);
        }
        ::close(fd);
        if (!ok || received == 0)
            return -1;
    }
    return bench::Now() - start;
}

// Each iteration makes the whole run, then lets curl and then the plain
// client fetch the same pages, so all three see the same load.
void BM_WholeRun(benchmark::State& state)
{
    const std::string host = Site().Host();
    const std::size_t pages = Targets().size();
    bench::Pairs pairs;
    bench::Pairs plainPairs;
    for (auto _ : state)
    {
        const double start = bench::Now();
        const std::size_t result = RunJob(host);
        const double seconds = bench::Now() - start;
        state.SetIterationTime(seconds);
        if (result != static_cast<std::size_t>(Criteria()) * 20)
        {
            bench::Fail(state, "the run did not list the expected hits");
            break;
        }
        const double curl = CurlSeconds();
        if (curl < 0)
        {
            bench::Fail(state, "curl failed");
            break;
        }
        pairs.Add(seconds, curl);
        const double plain = PlainClientSeconds();
        if (plain < 0)
        {
            bench::Fail(state, "the plain client failed");
            break;
        }
        plainPairs.Add(seconds, plain);
    }
    state.counters["pages"] = static_cast<double>(pages);
    pairs.Report(state, "curl");
    plainPairs.Report(state, "plain");
}
} // namespace

BENCHMARK(BM_WholeRun)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return bench::Main(argc, argv);
}
