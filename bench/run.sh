#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them all, then prints each figure
# beside the baseline measured in the same run and the goal. Every benchmark
# is repeated (5 times; start-up 3 times 5 launches) and the medians are shown.
#
#   bench/run.sh                 all of them
#   bench/run.sh parse run       only some (parse, known_hits, run, startup, memory)
#
# "memory" is the run-memory part of bench_startup (4 to 2000 criteria, three
# launches each, once); "startup" its start-up part.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
. tools/ensure_packages.sh
ensure_packages

build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELUNDA_SANITIZE=OFF \
  -DVELUNDA_TESTS=ON -DVELUNDA_BENCHMARKS=ON >/dev/null
which=("$@")
[ ${#which[@]} -eq 0 ] && which=(parse known_hits run startup memory)
targets=()
for name in "${which[@]}"; do
  if [ "$name" = memory ]; then targets+=(bench_startup); else targets+=("bench_$name"); fi
done
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

results=$(mktemp -d /tmp/velunda-bench-XXXXXX)
export VELUNDA_SOURCE_DIR=$top
for name in "${which[@]}"; do
  program="$build/bench/bench_$name"
  args=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true
        --benchmark_out="$results/$name.json" --benchmark_out_format=json)
  echo "== $name"
  if [ "$name" = startup ] || [ "$name" = memory ]; then
    args[0]=--benchmark_repetitions=3
    args+=(--benchmark_filter=BM_Startup)
    if [ "$name" = memory ]; then
      program="$build/bench/bench_startup"
      args[0]=--benchmark_repetitions=1
      args[-1]=--benchmark_filter=BM_RunMemory
    fi
    xvfb-run -a -s "-screen 0 1280x1024x24" "$program" "${args[@]}"
  else
    "$program" "${args[@]}"
  fi
done

echo
python3 bench/summarize.py "$results"/*.json
echo "(raw results: $results)"
