#!/usr/bin/env bash
# Builds the Debian package of Velunda from a Release build in build-package,
# with Debian's hardening flags, and prints the package's path.
set -euo pipefail
cd "$(dirname "$0")"
. tools/ensure_packages.sh
ensure_packages

build=build-package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELUNDA_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/velunda_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
ls "$PWD/$build"/velunda_*.deb
