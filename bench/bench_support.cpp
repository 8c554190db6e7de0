// Shared pieces of the benchmark programs.
#include "bench_support.h"

#include "do_suche.h"
#include "ds_ork.h"
#include "http_page_source.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace bench
{
namespace
{
bool g_quick = false;
bool g_failed = false;

void ReplaceFirst(std::string& text, const std::string& from, const std::string& to)
{
    const std::string::size_type at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
}
} // namespace

bool Quick()
{
    return g_quick;
}

void Fail(benchmark::State& state, const char* message)
{
    g_failed = true;
    std::fprintf(stderr, "%s\n", message);
    state.SkipWithError(message);
}

int Main(int argc, char** argv, void (*registerMore)())
{
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--quick") == 0)
            g_quick = true;
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);

    if (registerMore)
        registerMore();
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return g_failed ? 1 : 0;
}

std::string SearchPath(const std::string& title, const std::string& person, int page)
{
    std::string path = DS_ORK::kUrlTemplate;
    ReplaceFirst(path, "%PAGE%", std::to_string(page));
    ReplaceFirst(path, "#1", title);
    ReplaceFirst(path, "#2", person);
    std::string out;
    for (const char c : path)
    {
        if (c == ' ')
            out += "%20";
        else
            out += c;
    }
    return out;
}

std::vector<std::string> FetchPages(const std::string& host, const std::vector<std::string>& paths)
{
    std::vector<std::string> pages;
    HttpPageSource fetcher;
    for (const std::string& path : paths)
    {
        PageRequest request;
        request.site = host;
        request.path = PercentEncodePath(path);
        request.waitSeconds = 30;
        std::string page;
        const PageAnswer answer = fetcher.Get(request, [&page](const char* data, std::size_t size) {
            page.append(data, size);
            return true;
        });
        if (!answer.ok)
            return {};
        pages.push_back(std::move(page));
    }
    return pages;
}

std::string ReferenceFileText(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
    {
        char clock[16];
        std::snprintf(clock, sizeof clock, "%02d:%02d Uhr", (i / 4) % 24, (i % 4) * 15);
        char day[16];
        std::snprintf(day, sizeof day, "Mo, %02d.12.", 1 + i % 28);
        std::string line = DoSuche::PadColumn("S", 10) + "|" + DoSuche::PadColumn(clock, 15) + "|" +
                           DoSuche::PadColumn(day, 15) + "|" +
                           DoSuche::PadColumn("Kanal " + std::to_string(i % 12 + 1), 15) + "|" +
                           "Gespeicherte Sendung " + std::to_string(i) +
                           ": Fernsehfilm, Deutschland 2026. Ein erfundener Text ueber Menschen an "
                           "der Mueritz.";
        text += line;
        text += '\n';
    }
    return text;
}

void Pairs::Add(double measuredSeconds, double baselineSeconds)
{
    m_baseline.push_back(baselineSeconds);
    m_ratio.push_back(baselineSeconds > 0 ? measuredSeconds / baselineSeconds : 0);
}

void Pairs::Report(benchmark::State& state, const std::string& name) const
{
    state.counters[name + "_ms"] = Median(m_baseline) * 1000.0;
    state.counters[name + "_ratio"] = Median(m_ratio);
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t half = values.size() / 2;
    return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2;
}

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace bench
