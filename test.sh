#!/usr/bin/env bash
# Builds Velunda with AddressSanitizer and UndefinedBehaviorSanitizer, every
# compiler warning an error, and runs the whole test-suite headless (GUI tests
# in a real window under Xvfb).
set -euo pipefail
cd "$(dirname "$0")"
. tools/ensure_packages.sh
ensure_packages

build=build-test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVELUNDA_SANITIZE=ON -DVELUNDA_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

eval "$(cmake -P tests/support/sanitizers.cmake)"

# Fuzzing (each target for VELUNDA_FUZZ_SECONDS, default 30, with ASan and
# UBSan; clang build in build-fuzz), the static checks (cppcheck and
# clang-tidy) and the checks of the Debian package (Release build in
# build-package). Their failures are counted and make the run fail after
# ctest, so that ctest's summary stays the last line.
checks_failed=0
VELUNDA_WERROR=ON fuzz/run.sh "${VELUNDA_FUZZ_SECONDS:-30}" || checks_failed=1
tools/static_checks.sh || checks_failed=1
tools/package_checks.sh || checks_failed=1

cd "$build"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure
[ "$checks_failed" -eq 0 ]
