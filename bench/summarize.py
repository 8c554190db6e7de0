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
        rows.append(("Parse: result pages through the listings job (%.0f MB)" % parse.get("MB", 0),
                     "%.0f MB/s" % a, "memchr line split %.0f MB/s" % b,
                     "%.3f of baseline" % (a / b), ">= 0.2 of baseline", verdict(a / b >= 0.2)))
        if reader:
            r = reader["bytes_per_second"] / 1e6
            rows.append(("Parse: the page reader's line walk alone", "%.0f MB/s" % r,
                         "memchr line split %.0f MB/s" % b, "%.3f of baseline" % (r / b),
                         "(for information)", ""))

    one = find(results, "BM_KnownHitMatching/1/")
    hundred = find(results, "BM_KnownHitMatching/100/")
    if one and hundred:
        growth = ms(hundred) / (100 * ms(one))
        rows.append(("Known hits: 100 criteria x 300 rows, 100,100 references",
                     "%.1f ms" % ms(hundred), "1 criterion %.2f ms" % ms(one),
                     "%.2f x linear" % growth, "< 50 ms, no worse than linear",
                     verdict(ms(hundred) < 50 and growth <= 1.1)))

    run = find(results, "BM_WholeRun")
    curl = find(results, "BM_CurlSequential")
    if run and curl:
        rows.append(("Whole run: 20 criteria x 3 pages on loopback", "%.1f ms" % ms(run),
                     "curl, 60 URLs in one process %.1f ms" % ms(curl),
                     "%.2f x baseline" % (ms(run) / ms(curl)), "<= 1.2 x baseline",
                     verdict(ms(run) / ms(curl) <= 1.2)))

    start = find(results, "BM_Startup/velunda")
    empty = find(results, "BM_Startup/empty_frame")
    if start and empty:
        rows.append(("Start-up: process start to main window mapped", "%.0f ms" % ms(start),
                     "empty toolkit window %.0f ms" % ms(empty),
                     "%.2f x baseline" % (ms(start) / ms(empty)), "< 300 ms",
                     verdict(ms(start) < 300)))
        rows.append(("Start-up: peak resident memory when the window is mapped",
                     "%.1f MB" % start["peak_MB_shown"],
                     "empty toolkit window %.1f MB" % empty["peak_MB_shown"],
                     "+%.1f MB" % (start["peak_MB_shown"] - empty["peak_MB_shown"]), "< 40 MB",
                     verdict(start["peak_MB_shown"] < 40)))
        run_note = ("first run done after %.0f ms" % start["first_run_done_ms"]
                    if start.get("first_run_done_ms", -1) > 0 else "no first run seen")
        rows.append(("Start-up: peak resident memory 1.5 s after mapping or after the first run (%s)"
                     % run_note, "%.1f MB" % start["peak_MB_end"],
                     "empty toolkit window %.1f MB" % empty["peak_MB_end"],
                     "+%.1f MB" % (start["peak_MB_end"] - empty["peak_MB_end"]), "< 40 MB",
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
