// A whole run: 20 criteria of 3 result pages each (two with rows, one
// without) from the local listings site on loopback, through the listings
// job with its own HTTP client, beside one curl process fetching the same 60
// request targets one after the other.
#include "bench_support.h"
#include "ds_ork.h"
#include "listings_site.h"
#include "quiet_stdout.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
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
    bench::ScratchDir dir; // no reference file: every hit is new
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

void BM_WholeRun(benchmark::State& state)
{
    const std::string host = Site().Host();
    const std::size_t pages = Targets().size();
    std::size_t result = 0;
    for (auto _ : state)
        result = RunJob(host);
    if (result != static_cast<std::size_t>(Criteria()) * 20)
        bench::Fail(state, "the run did not list the expected hits");
    state.counters["pages"] = static_cast<double>(pages);
}

// One curl process, the URLs one after the other on its command line, bodies
// to /dev/null.
void BM_CurlSequential(benchmark::State& state)
{
    std::vector<std::string> args = {"curl", "--silent", "--show-error", "--fail", "--globoff"};
    for (const std::string& target : Targets())
        args.push_back("http://" + Site().Host() + target);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    for (auto _ : state)
    {
        pid_t pid = -1;
        if (posix_spawnp(&pid, "curl", &actions, nullptr, argv.data(), environ) != 0)
        {
            bench::Fail(state, "curl could not be started");
            break;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        {
            bench::Fail(state, "curl failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    state.counters["pages"] = static_cast<double>(Targets().size());
}
} // namespace

BENCHMARK(BM_WholeRun)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurlSequential)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return bench::Main(argc, argv);
}
