#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them all, then prints each figure
# beside the baseline measured in the same run and the goal. Every benchmark
# is repeated (5 times; start-up 3 times 5 launches) and the medians are shown.
#
#   bench/run.sh                 all of them
#   bench/run.sh parse run       only some (parse, known_hits, run, startup)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
. tools/ensure_packages.sh
ensure_packages

build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELUNDA_SANITIZE=OFF \
  -DVELUNDA_TESTS=ON -DVELUNDA_BENCHMARKS=ON >/dev/null
which=("$@")
[ ${#which[@]} -eq 0 ] && which=(parse known_hits run startup)
targets=()
for name in "${which[@]}"; do targets+=("bench_$name"); done
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

results=$(mktemp -d /tmp/velunda-bench-XXXXXX)
export VELUNDA_SOURCE_DIR=$top
for name in "${which[@]}"; do
  program="$build/bench/bench_$name"
  args=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true
        --benchmark_out="$results/$name.json" --benchmark_out_format=json)
  echo "== $name"
  if [ "$name" = startup ]; then
    args[0]=--benchmark_repetitions=3
    xvfb-run -a -s "-screen 0 1280x1024x24" "$program" "${args[@]}"
  else
    "$program" "${args[@]}"
  fi
done

echo
python3 bench/summarize.py "$results"/*.json
echo "(raw results: $results)"
