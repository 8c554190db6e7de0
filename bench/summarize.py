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
    growth = find(results, "BM_PageTextGrowth")
    if parse and growth:
        a = parse["bytes_per_second"] / 1e6
        g = growth["bytes_per_second"] / 1e6
        rows.append(("Parse: %.0f MB of result pages through the listings job" % parse.get("MB", 0),
                     "%.0f MB/s" % a,
                     "the same pages appended to a page text that keeps them all %.0f MB/s" % g,
                     "%.2f of baseline" % (a / g), "(for information)", ""))
    if split:
        b = split["bytes_per_second"] / 1e6
        if parse:
            a = parse["bytes_per_second"] / 1e6
            rows.append(("Parse, against a memchr line split of the same bytes", "%.0f MB/s" % a,
                         "memchr line split %.0f MB/s" % b, "%.3f of baseline" % (a / b),
                         "(for information)", ""))
        if growth:
            g = growth["bytes_per_second"] / 1e6
            rows.append(("Page text growth alone, against the memchr split", "%.0f MB/s" % g,
                         "memchr line split %.0f MB/s" % b, "%.3f of baseline" % (g / b),
                         "(for information)", ""))
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

    memory = sorted((entry for name, entry in results.items() if name.startswith("BM_RunMemory/")),
                    key=lambda entry: entry["criteria"])
    if memory:
        first, last = memory[0], memory[-1]
        for entry in memory:
            n = int(entry["criteria"])
            goal, ok = "", ""
            if entry is last and entry is not first:
                grew = entry["peak_MB"] - first["peak_MB"]
                kept = entry["rss_MB_after"] - first["rss_MB_after"]
                goal = ("peak +%.1f MB over %d criteria (<= 10 MB); after the run +%.1f MB (<= 5 MB)"
                        % (grew, int(first["criteria"]), kept))
                ok = verdict(grew <= 10) + " / " + verdict(kept <= 5)
            rows.append(("Run memory, %d criteria x 3 rows, 1001-line reference file: "
                         "shown / peak / after the run" % n,
                         "%.1f / %.1f / %.1f MB" % (entry["rss_MB_shown"], entry["peak_MB"],
                                                    entry["rss_MB_after"]),
                         "empty window %.1f MB" % entry["empty_rss_MB"],
                         "run %.0f ms" % ms(entry), goal, ok))
        # The same run without a window: its peak, and its whole process
        # against the window's run.
        near = [entry for entry in memory if "suche_peak_MB" in entry]
        small = next((entry for entry in near if int(entry["criteria"]) == 4), None)
        big = next((entry for entry in near if int(entry["criteria"]) == 1000), None)
        for entry in near:
            n = int(entry["criteria"])
            goal, ok = "run no longer than the window's", verdict(
                entry["suche_ms"] <= max(entry["window_run_ms"], 1.0))
            if entry is small:
                goal += "; peak <= 20 MB"
                ok += " / " + verdict(entry["suche_peak_MB"] <= 20)
            if entry is big and small:
                grew = entry["suche_peak_MB"] - small["suche_peak_MB"]
                goal += "; peak +%.1f MB over 4 criteria (<= 5 MB)" % grew
                ok += " / " + verdict(grew <= 5)
            rows.append(("velunda-suche, %d criteria: whole process / peak memory" % n,
                         "%.0f ms / %.1f MB" % (entry["suche_ms"], entry["suche_peak_MB"]),
                         "the window from its start to its run's end, without the "
                         "1 s start delay, %.0f ms" % entry["window_run_ms"],
                         "%.2f x" % (entry["suche_ms"] / max(entry["window_run_ms"], 1.0)),
                         goal, ok))

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
