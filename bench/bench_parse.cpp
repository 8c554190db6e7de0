// Parse throughput: the listings job's whole page handling (anchors, row
// scan, fields, hit lines, known test) over result pages of the local
// listings site fed from memory, beside the page text's growth over the same
// pages and a memchr line split of the same bytes.
#include "bench_support.h"
#include "memory_pages.h"
#include "ds_ork.h"
#include "listings_site.h"
#include "quiet_stdout.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace
{
// Result pages of one search that matches every broadcast of the site:
// pages[n - 1] is page n; the last one has no rows.
struct PageSet
{
    std::vector<std::string> pages;
    int criteria = 0;                  // criteria searched per pass
    std::string fed;                   // the bytes one pass feeds, in order
    std::vector<std::size_t> fedPages; // the size of each page fed, in order
};

// Hands out the canned page for the page number asked for; beyond the set,
// its last (row-less) page. Every page handed out is added to fed, its size
// to sizes, and its bytes are counted in bytes (each when given).
MemoryPages::Answer ByPageNumber(const std::vector<std::string>& pages, std::string* fed = nullptr,
                                 std::vector<std::size_t>* sizes = nullptr,
                                 std::size_t* bytes = nullptr)
{
    return [&pages, fed, sizes, bytes](std::size_t, const std::string& path, std::string& body) {
        const std::size_t number = std::stoul(path.substr(path.rfind("page=") + 5));
        body = pages[std::min(number, pages.size()) - 1];
        if (fed)
            *fed += body;
        if (sizes)
            sizes->push_back(body.size());
        if (bytes)
            *bytes += body.size();
        return true;
    };
}

std::string Criteria(int count)
{
    // An empty title and person match every broadcast.
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "|#";
    return text;
}

const PageSet& Pages()
{
    static PageSet set = [] {
        PageSet s;
        ListingsSite site;
        if (!site.Ok())
        {
            std::fprintf(stderr, "listings site: %s\n", site.Error().c_str());
            std::exit(2);
        }
        std::vector<std::string> paths;
        for (int page = 1; page <= 40; ++page)
            paths.push_back(bench::SearchPath("", "", page));
        s.pages = bench::FetchPages(site.Host(), paths);
        if (s.pages.empty())
        {
            std::fprintf(stderr, "could not fetch the result pages\n");
            std::exit(2);
        }
        // Keep the pages up to the first one without rows.
        for (std::size_t i = 0; i < s.pages.size(); ++i)
        {
            if (s.pages[i].find("Uhr</td>") == std::string::npos)
            {
                s.pages.resize(i + 1);
                break;
            }
        }

        // As many criteria as it takes to feed about 20 MB.
        const std::size_t target = bench::Quick() ? (256u << 10) : (20u << 20);
        std::string one;
        {
            TempWorkDir dir;
            bench::QuietStdout quiet;
            MemoryJob job(Criteria(1), ByPageNumber(s.pages, &one));
            job.Search();
        }
        const std::size_t perCriterion = std::max<std::size_t>(one.size(), 1);
        s.criteria = static_cast<int>((target + perCriterion - 1) / perCriterion);
        {
            TempWorkDir dir;
            bench::QuietStdout quiet;
            MemoryJob job(Criteria(s.criteria), ByPageNumber(s.pages, &s.fed, &s.fedPages));
            job.Search();
        }
        return s;
    }();
    return set;
}

// The baseline: the same bytes split into lines with memchr, nothing else.
double MemchrSplitSeconds(const std::string& text, std::size_t* lines = nullptr)
{
    const double start = bench::Now();
    const char* at = text.data();
    const char* const end = at + text.size();
    std::size_t count = 0;
    std::size_t total = 0;
    while (at < end)
    {
        const void* lf = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
        const char* stop = lf ? static_cast<const char*>(lf) : end;
        total += static_cast<std::size_t>(stop - at);
        benchmark::DoNotOptimize(at);
        ++count;
        at = stop + 1;
    }
    benchmark::DoNotOptimize(total);
    const double seconds = bench::Now() - start;
    if (lines)
        *lines = count;
    return seconds;
}

// Each iteration parses the pages and then splits the same bytes with
// memchr (the median of three), so both see the same load.
void BM_ParsePages(benchmark::State& state)
{
    const PageSet& set = Pages();
    const std::string criteria = Criteria(set.criteria);
    TempWorkDir dir;
    bench::Pairs pairs;
    std::size_t hits = 0;
    for (auto _ : state)
    {
        double seconds = 0;
        {
            bench::QuietStdout quiet;
            std::remove("TVmov.ref");
            std::size_t bytes = 0;
            MemoryJob job(criteria, ByPageNumber(set.pages, nullptr, nullptr, &bytes));
            const double start = bench::Now();
            job.Search();
            seconds = bench::Now() - start;
            hits = job.m_hitLines.size();
            if (bytes != set.fed.size())
                bench::Fail(state, "the job asked for other pages than measured");
        }
        state.SetIterationTime(seconds);
        pairs.Add(seconds, bench::Median({MemchrSplitSeconds(set.fed), MemchrSplitSeconds(set.fed),
                                          MemchrSplitSeconds(set.fed)}));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(set.fed.size()));
    state.counters["MB"] = static_cast<double>(set.fed.size()) / 1e6;
    state.counters["hits"] = static_cast<double>(hits);
    state.counters["criteria"] = set.criteria;
    pairs.Report(state, "memchr");
}

// The page reader's line walk alone: every line of the same bytes read into
// the reader's current line, as the parser's scans do; paired like above.
void BM_ReaderLines(benchmark::State& state)
{
    const std::string& text = Pages().fed;
    PageReader reader;
    reader.m_text = text;
    bench::Pairs pairs;
    std::size_t lines = 0;
    for (auto _ : state)
    {
        const double start = bench::Now();
        reader.m_readIndex = 0;
        std::size_t count = 0;
        while (reader.ReadLine())
            ++count;
        benchmark::DoNotOptimize(reader.m_line.data());
        const double seconds = bench::Now() - start;
        state.SetIterationTime(seconds);
        pairs.Add(seconds, MemchrSplitSeconds(text));
        lines = count;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
    state.counters["lines"] = static_cast<double>(lines);
    pairs.Report(state, "memchr");
}

// The page text's growth alone: the same pages appended one by one to an
// empty text that keeps all of them, as the job's page text did before it
// dropped what the reader had passed. The parse's baseline: every byte of
// every page has to arrive in the page text; paired like above.
void BM_PageTextGrowth(benchmark::State& state)
{
    const PageSet& set = Pages();
    bench::Pairs pairs;
    for (auto _ : state)
    {
        const double start = bench::Now();
        {
            std::string text;
            std::size_t at = 0;
            for (const std::size_t size : set.fedPages)
            {
                text.append(set.fed, at, size);
                at += size;
            }
            benchmark::DoNotOptimize(text.data());
        }
        const double seconds = bench::Now() - start;
        state.SetIterationTime(seconds);
        pairs.Add(seconds, MemchrSplitSeconds(set.fed));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(set.fed.size()));
    pairs.Report(state, "memchr");
}

void BM_MemchrLineSplit(benchmark::State& state)
{
    const std::string& text = Pages().fed;
    std::size_t lines = 0;
    for (auto _ : state)
        state.SetIterationTime(MemchrSplitSeconds(text, &lines));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["lines"] = static_cast<double>(lines);
}
} // namespace

BENCHMARK(BM_ParsePages)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaderLines)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageTextGrowth)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemchrLineSplit)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return bench::Main(argc, argv);
}
