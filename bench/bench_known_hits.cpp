// Known-hit matching: criteria of 300 hit rows each against a full reference
// file (1001 lines, loaded once per criterion, so 100 criteria leave 100,100
// known references). 1 criterion is the baseline; the cost should grow no
// worse than linearly with the number of criteria.
#include "bench_support.h"
#include "ds_ork.h"
#include "quiet_stdout.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace
{
const int kReferenceLines = 1001;
const int kRowsPerCriterion = 300;

// Drives the base job's per-criterion bookkeeping the way the listings job
// does, with rows whose fields are set directly (no page parse).
class RowJob : public DS_ORK
{
public:
    RowJob() : DS_ORK("TVmov", "0", "") {}

    void StartCriterion(int index)
    {
        m_page = 0;
        m_hitCount = 0;
        m_knownInARow = 0;
        m_params = "Titel " + std::to_string(index) + "|";
        PrepareSearch();
    }

    // Row r of a criterion: every fourth row is a broadcast of the reference
    // file (known), the others are new; so the criterion runs to its limit.
    bool Row(int criterion, int row)
    {
        const int stored = (criterion * 37 + row) % kReferenceLines;
        char clock[16];
        char day[16];
        if (row % 4 == 3)
        {
            std::snprintf(clock, sizeof clock, "%02d:%02d Uhr", (stored / 4) % 24,
                          (stored % 4) * 15);
            std::snprintf(day, sizeof day, "Mo, %02d.12.", 1 + stored % 28);
            m_hitField1 = "S";
            m_hitField2 = clock;
            m_hitField5 = day;
            m_hitField3 = "Kanal " + std::to_string(stored % 12 + 1);
            m_hitField6 = "Gespeicherte Sendung " + std::to_string(stored) +
                          ": Fernsehfilm, Deutschland 2026. Ein erfundener Text ueber Menschen "
                          "an der Mueritz.";
        }
        else
        {
            std::snprintf(clock, sizeof clock, "%02d:%02d Uhr", row % 24, (row % 4) * 15);
            std::snprintf(day, sizeof day, "Di, %02d.12.", 1 + criterion % 28);
            m_hitField1 = "T";
            m_hitField2 = clock;
            m_hitField5 = day;
            m_hitField3 = "Kanal " + std::to_string(row % 12 + 1);
            m_hitField6 = "Neue Sendung " + std::to_string(criterion) + "-" + std::to_string(row) +
                          ": Krimi, Deutschland 2026. Ein erfundener Text ueber einen Fall im "
                          "Schwarzwald.";
        }
        m_hitField4.clear();
        m_hitLink = "127.0.0.1/sendung/" + std::to_string(row) + ".html";
        return RegisterHit();
    }
};

struct Outcome
{
    double seconds = 0;
    std::size_t rows = 0;
    std::size_t newRows = 0;
    std::size_t refs = 0;
};

// One job over criteria criteria, timed from the first criterion's start to
// the last row (construction and the save at the end not counted).
Outcome RunCriteria(int criteria, const std::string& file)
{
    bench::QuietStdout quiet;
    WriteFileBytes("TVmov.ref", file);
    RowJob job;
    Outcome outcome;
    const double start = bench::Now();
    for (int c = 0; c < criteria; ++c)
    {
        job.StartCriterion(c);
        for (int r = 0; job.Row(c, r); ++r)
            ++outcome.rows;
    }
    outcome.seconds = bench::Now() - start;
    outcome.newRows = job.m_hitLines.size();
    outcome.refs = job.m_knownRefs.size();
    return outcome;
}

// Each iteration runs the case and then the 1-criterion baseline (median of
// five), so both see the same load; single_ratio / criteria is the growth
// against linear.
void BM_KnownHitMatching(benchmark::State& state)
{
    const int criteria = static_cast<int>(state.range(0));
    TempWorkDir dir;
    const std::string file = bench::ReferenceFileText(kReferenceLines);
    bench::Pairs pairs;
    Outcome last;
    for (auto _ : state)
    {
        last = RunCriteria(criteria, file);
        state.SetIterationTime(last.seconds);
        if (last.rows != static_cast<std::size_t>(criteria) * kRowsPerCriterion)
            bench::Fail(state, "a criterion ended before its row limit");
        std::vector<double> single;
        for (int i = 0; i < 5; ++i)
            single.push_back(RunCriteria(1, file).seconds);
        pairs.Add(last.seconds, bench::Median(single));
    }
    state.counters["criteria"] = criteria;
    state.counters["known_refs"] = static_cast<double>(last.refs);
    state.counters["known_rows"] = static_cast<double>(last.rows - last.newRows);
    pairs.Report(state, "single");
}
} // namespace

BENCHMARK(BM_KnownHitMatching)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return bench::Main(argc, argv);
}
