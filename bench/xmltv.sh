#!/usr/bin/env bash
# The XMLTV reader against its yardstick: bench_xmltv_read (the reader with 20
# criteria compared against every programme) beside bench_bare_parse (expat
# with no handlers) on generated guides of 10 MB and 100 MB, plain and
# gzipped. Builds both in Release (build-bench), makes the guides once
# (build-bench/guides, bench/make_guide.py, fixed start day), runs the two
# programs in turn five times per guide and prints the medians.
#
#   bench/xmltv.sh            all four guides
#   bench/xmltv.sh 10         only the 10 MB ones
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELUNDA_SANITIZE=OFF \
  -DVELUNDA_TESTS=ON -DVELUNDA_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target bench_bare_parse bench_xmltv_read >/dev/null

guides=$build/guides
mkdir -p "$guides"
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10 100)
files=()
for size in "${sizes[@]}"; do
  programmes=$((size * 2000))
  for kind in xml xml.gz; do
    file=$guides/guide-$size.$kind
    if [ ! -s "$file" ]; then
      extra=()
      [ $kind = xml.gz ] && extra=(--gzip)
      python3 bench/make_guide.py --programmes $programmes --start 2026-12-07 "${extra[@]}" \
        -o "$file.tmp"
      mv "$file.tmp" "$file"
    fi
    files+=("$file")
  done
done

# One line per run: "<seconds> <peak MB>".
measure() {
  "$@" | sed -n 's/.*seconds=\([0-9.]*\) peak_mb=\([0-9.]*\).*/\1 \2/p'
}
median() {
  sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'
}

printf '%-16s %7s %8s %9s %6s %8s %10s\n' guide MB bare_s reader_s ratio bare_MB reader_MB
for file in "${files[@]}"; do
  bare=()
  reader=()
  for _ in 1 2 3 4 5; do
    bare+=("$(measure "$build/bench/bench_bare_parse" "$file")")
    reader+=("$(measure "$build/bench/bench_xmltv_read" "$file")")
  done
  bare_s=$(printf '%s\n' "${bare[@]}" | cut -d' ' -f1 | median)
  reader_s=$(printf '%s\n' "${reader[@]}" | cut -d' ' -f1 | median)
  bare_mb=$(printf '%s\n' "${bare[@]}" | cut -d' ' -f2 | median)
  reader_mb=$(printf '%s\n' "${reader[@]}" | cut -d' ' -f2 | median)
  mb=$(awk -v b="$(stat -c %s "$file")" 'BEGIN {printf "%.1f", b / 1e6}')
  printf '%-16s %7s %8s %9s %6.2f %8s %10s\n' "$(basename "$file")" "$mb" "$bare_s" \
    "$reader_s" "$(awk -v a="$reader_s" -v b="$bare_s" 'BEGIN {print a / b}')" "$bare_mb" \
    "$reader_mb"
done
echo "(ratio: reader / bare parse, medians of 5; the goal is at most 1.3)"
