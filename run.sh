#!/usr/bin/env bash
# Builds Velunda (Release) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
. tools/ensure_packages.sh
ensure_packages

build=build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELUNDA_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target velunda
exec "$build/app/velunda"
