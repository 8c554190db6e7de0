// Shared pieces of the benchmark programs: a main, a quick mode for the
// smoke test, and pages fetched from the local listings site. (The scratch
// folder and file helpers are the tests' own, temp_folder.h.)
#pragma once

#include "temp_folder.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace bench
{
// True when the program was started with --quick: tiny sizes, one pass, for
// the smoke test that only shows the benchmarks still build and run.
bool Quick();

// Takes --quick out of the arguments,
// calls registerMore (benchmarks whose sizes depend on --quick), and runs the
// registered benchmarks. Returns 1 when a benchmark called Fail.
int Main(int argc, char** argv, void (*registerMore)() = nullptr);

// Marks the benchmark as failed (it is skipped with message, and the program
// ends with status 1, so that the smoke test notices).
void Fail(benchmark::State& state, const char* message);

// The request path the listings job sends for one criterion and page.
std::string SearchPath(const std::string& title, const std::string& person, int page);

// GETs each path from host over the job's own HTTP client; an empty vector
// when any fetch fails.
std::vector<std::string> FetchPages(const std::string& host, const std::vector<std::string>& paths);

// A reference file of count distinct hit lines as the listings job builds
// them (display columns and a description), newest last.
std::string ReferenceFileText(int count);

// Seconds since an arbitrary start, from the monotonic clock.
double Now();

// Per-iteration pairs of a measured time and its baseline's time, taken
// back to back so that load from elsewhere hits both alike. Report sets the
// counters <name>_ms (median baseline time, milliseconds) and
// <name>_ratio (median of measured / baseline).
class Pairs
{
public:
    void Add(double measuredSeconds, double baselineSeconds);
    void Report(benchmark::State& state, const std::string& name) const;

private:
    std::vector<double> m_baseline;
    std::vector<double> m_ratio;
};

double Median(std::vector<double> values);
} // namespace bench
