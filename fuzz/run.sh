#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs each of them for a
# bounded time on a copy of its seed corpus.
#
#     fuzz/run.sh            # 30 seconds per target
#     fuzz/run.sh 3600       # an hour per target
#     fuzz/run.sh 600 fuzz_pages
#
# New interesting inputs stay in build-fuzz/corpus/<target>; a crash leaves
# its input in build-fuzz/artifacts/ and makes the script fail. With
# VELUNDA_WERROR=ON in the environment (./test.sh sets it) a compiler warning
# fails the build.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_pages fuzz_known_hits fuzz_reference_file fuzz_xmltv)

build=$top/build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DVELUNDA_FUZZ=ON -DVELUNDA_TESTS=OFF \
  -DVELUNDA_WERROR="${VELUNDA_WERROR:-OFF}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

eval "$(cmake -P tests/support/sanitizers.cmake)"

declare -A max_len=([fuzz_pages]=32768 [fuzz_known_hits]=16384 [fuzz_reference_file]=16384
  [fuzz_xmltv]=65536)
mkdir -p "$build/artifacts"
status=0
summary=()
for target in "${targets[@]}"; do
  work="$build/corpus/$target"
  mkdir -p "$work"
  log="$build/$target.log"
  if "$build/fuzz/$target" "$work" "$top/fuzz/corpus/$target" \
      -max_total_time="$seconds" -max_len="${max_len[$target]:-16384}" -timeout=20 \
      -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
      >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
    grep -E 'ERROR|SUMMARY|Test unit written' "$log" | head -20 || true
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  summary+=("$(printf '%-20s %12s executions in %ss  %s' "$target" "${runs:-?}" "$seconds" "$result")")
done
echo "Fuzzing (libFuzzer, ASan+UBSan):"
printf '  %s\n' "${summary[@]}"
exit $status
