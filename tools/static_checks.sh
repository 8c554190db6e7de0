#!/usr/bin/env bash
# Static checks over our own sources (text, files, calendar, xmltv, search,
# core, app, suche, tests, fuzz, bench): clang-format (.clang-format), cppcheck
# and clang-tidy (.clang-tidy). Any finding, or any file clang-format would
# change, fails.
#
#     tools/static_checks.sh
#
# The compile commands come from a configure-only clang tree in build-static
# (nothing is compiled there). clang-tidy remembers the files it found clean,
# keyed by the file, our headers, the check set and the compile command, so a
# second run only looks at what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
build=build-static
jobs=${JOBS:-2}

CC=clang CXX=clang++ cmake -S . -B "$build" -DVELUNDA_FUZZ=ON -DVELUNDA_TESTS=ON \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
db=$build/compile_commands.json

# Our translation units, each once, with their compile commands.
mapfile -t files < <(python3 - "$db" "$top" <<'PY'
import json, sys
db, top = sys.argv[1], sys.argv[2]
seen = set()
for entry in json.load(open(db)):
    path = entry["file"]
    rel = path[len(top) + 1:] if path.startswith(top + "/") else path
    if rel.split("/")[0] in ("text", "files", "calendar", "xmltv", "search", "core", "app",
                              "suche", "tests", "fuzz", "bench", "tools") \
            and path not in seen:
        seen.add(path)
        print(rel)
PY
)
[ ${#files[@]} -gt 0 ] || { echo "static checks: no sources found in $db"; exit 1; }

status=0

# ---- clang-format ----
mapfile -t sources < <(git ls-files '*.cpp' '*.h' | grep -vE '^resources/')
unformatted=()
for file in "${sources[@]}"; do
  clang-format --dry-run -Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  status=1
  echo "clang-format would change (run clang-format -i on them):"
  printf '  %s\n' "${unformatted[@]}"
fi

# ---- cppcheck ----
# googletest.cfg lets it read the TEST macros. The wxWidgets configuration
# is not loaded: it marks every wxConfigBase::Write as a result that must be
# used, while the program writes its settings without examining the result.
# virtualCallInConstructor: the main window calls its own handlers from its
# constructor on purpose (it is the most derived class; no dynamic binding is
# wanted there).
cppcheck_out=$build/cppcheck.txt
if ! cppcheck --project="$db" --enable=warning,performance,portability \
     --library=googletest --inline-suppr --quiet --error-exitcode=1 -j"$jobs" \
     --suppress=missingIncludeSystem --suppress=virtualCallInConstructor \
     --template='{file}:{line}:{column}: {severity}: {message} [{id}]' \
     >"$cppcheck_out" 2>&1; then
  status=1
fi
if [ -s "$cppcheck_out" ]; then
  status=1
  echo "cppcheck findings:"
  sed "s|^$top/||" "$cppcheck_out"
fi

# ---- clang-tidy ----
# clang-tidy costs seconds per file (the toolkit's headers): it checks the
# engine, core, the window code, velunda-suche, the engine and core tests and
# their support, and the fuzz targets; the GUI tests and the benchmarks are
# left to cppcheck. The path-sensitive analyzer, which doubles the time,
# runs over everything but the window code (see .clang-tidy).
cache=$build/tidy-clean
mkdir -p "$cache"
headers_hash=$(find text files calendar xmltv search core app suche tests fuzz bench -name '*.h' -print0 2>/dev/null | sort -z |
  xargs -0 cat | sha256sum | cut -c1-64)
config_hash=$(sha256sum .clang-tidy | cut -c1-64)
todo=()
tidied=0
for file in "${files[@]}"; do
  case $file in
    bench/* | tests/gui/*) continue ;;
    app/*) extra="-clang-analyzer-*" ;;
    *) extra="" ;;
  esac
  tidied=$((tidied + 1))
  command=$(python3 -c 'import json,sys
for e in json.load(open(sys.argv[1])):
    if e["file"].endswith("/" + sys.argv[2]): print(e.get("command", e.get("arguments"))); break' \
    "$db" "$file")
  key=$( { cat "$file"; echo "$headers_hash $config_hash $extra $command"; } | sha256sum | cut -c1-64)
  [ -e "$cache/$key" ] || todo+=("$file|$extra|$key")
done

# Each worker marks its file clean only when clang-tidy ran and found nothing.
rm -f "$build/clang-tidy.txt" "$build/clang-tidy.failed"
if [ ${#todo[@]} -gt 0 ]; then
  export build cache
  printf '%s\n' "${todo[@]}" | xargs -P"$jobs" -I{} bash -c '
    IFS="|" read -r file extra key <<<"$1"
    args=(-p "$build" --quiet)
    [ -n "$extra" ] && args+=(--checks="$extra")
    if out=$(clang-tidy "${args[@]}" "$file" 2>&1) &&
       ! grep -qE ": (error|warning):" <<<"$out"; then
      : >"$cache/$key"
    else
      printf "%s\n" "$out" >>"$build/clang-tidy.txt"
      echo "$file" >>"$build/clang-tidy.failed"
    fi' _ {} || true
fi
failed=0
if [ -f "$build/clang-tidy.failed" ]; then
  failed=$(wc -l <"$build/clang-tidy.failed")
  status=1
  echo "clang-tidy findings:"
  grep -E ': (error|warning):' "$build/clang-tidy.txt" | sed "s|^$top/||" | sort -u ||
    cat "$build/clang-tidy.txt"
fi

echo "Static checks: clang-format over ${#sources[@]} files (${#unformatted[@]} unformatted)," \
  "cppcheck over ${#files[@]} files, clang-tidy over $tidied" \
  "(${#todo[@]} changed since their last clean check, $failed with findings):" \
  "$([ $status -eq 0 ] && echo clean || echo FINDINGS)"
exit $status
