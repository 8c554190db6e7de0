#!/usr/bin/env python3
"""Prints the benchmark medians of Google Benchmark JSON files as a table:
each figure beside its baseline from the same run, and the goal."""
import json
import os
import platform
import sys


def medians(paths):
    found = {}
    context = {}
    for path in paths:
        with open(path) as data:
            report = json.load(data)
        context = report.get("context", context)
        for entry in report["benchmarks"]:
            if entry.get("aggregate_name", "median") != "median":
                continue
            found[entry.get("run_name", entry["name"])] = entry
    return found, context


def find(results, prefix):
    for name, entry in results.items():
        if name.startswith(prefix):
            return entry
    return None


def ms(entry):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[entry.get("time_unit", "ns")]
    return entry["real_time"] * scale


def machine():
    model = "?"
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
        with open("/proc/meminfo") as info:
            total_kb = int(info.readline().split()[1])
    except OSError:
        total_kb = 0
    return "%d cores (nproc), %s, %.0f GB RAM, %s" % (
        os.cpu_count() or 0, model, total_kb / 1024 / 1024, platform.platform())


def verdict(ok):
    return "met" if ok else "NOT met"


def main():
    results, _ = medians(sys.argv[1:])
    rows = []

    parse = find(results, "BM_ParsePages")
    split = find(results, "BM_MemchrLineSplit")
    reader = find(results, "BM_ReaderLines")
    if parse and split:
        a = parse["bytes_per_second"] / 1e6
        b = split["bytes_per_second"] / 1e6
        paired = 1 / parse["memchr_ratio"]
        rows.append(("Parse: %.0f MB of result pages through the listings job" % parse.get("MB", 0),
                     "%.0f MB/s" % a, "memchr line split %.0f MB/s" % b,
                     "%.3f of baseline (%.3f against the split right after each parse)"
                     % (a / b, paired), ">= 0.2 of baseline", verdict(a / b >= 0.2)))
        growth = find(results, "BM_PageTextGrowth")
        if growth:
            g = growth["bytes_per_second"] / 1e6
            rows.append(("Parse: the same pages only appended to the page text, as fetches do",
                         "%.0f MB/s" % g, "memchr line split %.0f MB/s" % b,
                         "%.3f of baseline" % (g / b), "(for information)", ""))
        if reader:
            r = reader["bytes_per_second"] / 1e6
            rows.append(("Parse: the page reader's line walk alone, same bytes", "%.0f MB/s" % r,
                         "memchr line split %.0f MB/s" % b, "%.2f of baseline" % (r / b),
                         "(for information)", ""))

    one = find(results, "BM_KnownHitMatching/1/")
    hundred = find(results, "BM_KnownHitMatching/100/")
    if one and hundred:
        growth = hundred["single_ratio"] / 100
        rows.append(("Known hits: 100 criteria x 300 rows, 100,100 references",
                     "%.1f ms" % ms(hundred), "1 criterion %.2f ms" % hundred["single_ms"],
                     "%.0f x (%.2f of linear)" % (hundred["single_ratio"], growth),
                     "< 50 ms, no worse than linear",
                     verdict(ms(hundred) < 50 and growth <= 1.1)))

    run = find(results, "BM_WholeRun")
    if run:
        rows.append(("Whole run: 20 criteria x 3 pages from the local site on loopback",
                     "%.1f ms" % ms(run), "curl, the 60 URLs in one process, %.1f ms" % run["curl_ms"],
                     "%.2f x baseline" % run["curl_ratio"], "<= 1.2 x baseline",
                     verdict(run["curl_ratio"] <= 1.2)))
        if "plain_ratio" in run:
            rows.append(("Whole run, against a stricter baseline", "%.1f ms" % ms(run),
                         "minimal in-process socket client (HTTP/1.0), %.1f ms" % run["plain_ms"],
                         "%.2f x baseline" % run["plain_ratio"], "<= 1.2 x baseline",
                         verdict(run["plain_ratio"] <= 1.2)))

    start = find(results, "BM_Startup")
    if start:
        rows.append(("Start-up: process start to main window mapped (50 criteria, full lists)",
                     "%.0f ms" % ms(start), "empty toolkit window %.0f ms" % start["empty_ms"],
                     "%.2f x baseline" % start["empty_ratio"], "< 300 ms",
                     verdict(ms(start) < 300)))
        rows.append(("Start-up: peak resident memory when the window is mapped",
                     "%.1f MB" % start["peak_MB_shown"],
                     "empty toolkit window %.1f MB" % start["empty_peak_MB_shown"],
                     "+%.1f MB" % (start["peak_MB_shown"] - start["empty_peak_MB_shown"]),
                     "< 40 MB", verdict(start["peak_MB_shown"] < 40)))
        done = start.get("first_run_done_ms", -1)
        note = ("after the automatic first run, done %.0f ms after start" % done if done > 0
                else "1.5 s after the window was mapped (no first run seen)")
        rows.append(("Start-up: peak resident memory " + note, "%.1f MB" % start["peak_MB_end"],
                     "empty toolkit window, 1.5 s after mapping, %.1f MB" % start["empty_peak_MB_end"],
                     "+%.1f MB" % (start["peak_MB_end"] - start["empty_peak_MB_end"]), "< 40 MB",
                     verdict(start["peak_MB_end"] < 40)))

    header = ("Measure", "Velunda", "Baseline (same run)", "Ratio", "Goal", "")
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    for row in rows:
        print("| " + " | ".join(row) + " |")
    print()
    print("Machine: " + machine())
    print("Medians of the repetitions.")


if __name__ == "__main__":
    main()
