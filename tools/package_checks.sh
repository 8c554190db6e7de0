#!/usr/bin/env bash
# Checks of the installed program: builds the Debian package (./package.sh),
# validates its menu entry and AppStream data, runs lintian, unpacks it into
# a folder and compares the layout, starts the unpacked launcher under Xvfb
# (its folder and HOME named with a blank and an umlaut), and tries the
# launcher's and the installer's failures. Any failure fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
failures=0
fail() { echo "package check FAILED: $*"; failures=$((failures + 1)); }

deb=$(./package.sh | tail -n 1)
scratch=$(mktemp -d)
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT
chmod 755 "$scratch"  # the unprivileged cases below must reach into it
root="$scratch/Paket Ä"  # the launcher finds the program next to itself
dpkg-deb -x "$deb" "$root"
share=$root/usr/share

# ---- validators and lintian ----
desktop-file-validate "$share"/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml >"$scratch/appstream.txt" ||
  { cat "$scratch/appstream.txt"; fail "appstreamcli validate"; }
lintian --fail-on error "$deb" 2>&1 | grep -v 'running with root privileges' |
  tee "$scratch/lintian.txt" || true
grep -q '^E:' "$scratch/lintian.txt" && fail "lintian reports errors"

# ---- layout ----
expected="usr/bin/velunda
usr/bin/velunda-start
usr/bin/velunda-suche
usr/lib/systemd/user/velunda-suche.service
usr/lib/systemd/user/velunda-suche.timer
usr/share/applications/example.velunda.Velunda.desktop
usr/share/doc/velunda/changelog.Debian.gz
usr/share/doc/velunda/copyright
usr/share/man/man1/velunda-start.1.gz
usr/share/man/man1/velunda-suche.1.gz
usr/share/man/man1/velunda.1.gz
usr/share/metainfo/example.velunda.Velunda.metainfo.xml"
for size in 16 32 48 64 128 256; do
  expected+=$'\n'"usr/share/icons/hicolor/${size}x$size/apps/velunda.png"
  file -b "$share/icons/hicolor/${size}x$size/apps/velunda.png" | grep -q "PNG image data, $size x $size," ||
    fail "the ${size}x$size icon is not a PNG of that size"
done
actual=$(cd "$root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$(LC_ALL=C sort <<<"$expected")" ] ||
  fail "package layout differs: $(diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual") | grep '^[<>]' | tr '\n' ' ')"
[ -x "$root/usr/bin/velunda-start" ] || fail "the launcher is not executable"
zcat "$share/man/man1/velunda-start.1.gz" | grep -q RÜCKGABEWERT || fail "velunda-start(1) is not the manual page"
for lib in libcurl libexpat libical; do
  dpkg-deb -f "$deb" Depends | grep -q "$lib" || fail "no $lib in Depends"
done

# ---- the systemd user units, checked by systemd against the packaged
# launcher (the unit's own path /usr/bin/velunda-start is not installed here) ----
units=$scratch/units
mkdir "$units"
grep -q '^ExecStart=/usr/bin/velunda-start --suche --notify$' "$root/usr/lib/systemd/user/velunda-suche.service" ||
  fail "velunda-suche.service does not run velunda-start --suche --notify"
sed "s|^ExecStart=/usr/bin/velunda-start|ExecStart=\"$root/usr/bin/velunda-start\"|" \
  "$root/usr/lib/systemd/user/velunda-suche.service" >"$units/velunda-suche.service"
cp "$root/usr/lib/systemd/user/velunda-suche.timer" "$units/"
mkdir -m 700 "$scratch/runtime"
XDG_RUNTIME_DIR=$scratch/runtime systemd-analyze --user verify --man=no \
  "$units/velunda-suche.timer" "$units/velunda-suche.service" >"$scratch/verify.txt" 2>&1 ||
  { cat "$scratch/verify.txt"; fail "systemd-analyze verify of the units"; }

# ---- one real start through the unpacked launcher ----
home="$scratch/Heim Ö"
mkdir "$home"
data="$home/.local/share/velunda"
export LAUNCHER=$root/usr/bin/velunda-start TOP=$top HOME_DIR=$home SCRATCH=$scratch
if ! xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    cd "$SCRATCH"  # anything not written to the data folder lands here
    env -u XDG_DATA_HOME HOME="$HOME_DIR" NO_AT_BRIDGE=1 "$LAUNCHER" >"$SCRATCH/start.out" 2>&1 &
    pid=$!
    title=$(python3 "$TOP/tools/x11_window.py" wait-title Velunda 30) || { kill $pid; exit 1; }
    [ "$title" = Velunda ] || { echo "window title: $title"; kill $pid; exit 1; }
    python3 "$TOP/tools/x11_window.py" close
    wait $pid'; then
  cat "$scratch/start.out"
  fail "the launcher did not show the main window titled Velunda, or the program did not end cleanly"
fi
[ -f "$data/refn.txt" ] || fail "no refn.txt in the data folder $data after the window was closed"

# ---- the launcher's failures: German message naming the folder, status 1,
# program not started (it would fail differently without a display) ----
launcher_refuses() {  # CASE DATA_FOLDER COMMAND...
  local case=$1 folder=$2 out status=0
  shift 2
  out=$(env -u DISPLAY "$@" 2>&1 >/dev/null) || status=$?
  [ "$status" -eq 1 ] && [ "$out" = "velunda-start: Der Datenordner „$folder“ lässt sich nicht anlegen." ] ||
    fail "launcher with $case: status $status, message: $out"
}
as_nobody=()
[ "$(id -u)" -eq 0 ] && as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
mkdir -p "$scratch/xdg" "$scratch/ro/.local/share"
: >"$scratch/xdg/velunda"
chmod 555 "$scratch/ro/.local/share"
launcher_refuses "a file in place of the data folder" "$scratch/xdg/velunda" \
  env XDG_DATA_HOME="$scratch/xdg" "$LAUNCHER"
launcher_refuses "a read-only parent folder" "$scratch/ro/.local/share/velunda" \
  "${as_nobody[@]}" env HOME="$scratch/ro" "$LAUNCHER"

# ---- the launcher with --suche: velunda-suche in the data folder, which a
# relative XDG_DATA_HOME does not move (the XDG rules make it invalid) ----
home2="$scratch/heim2"
mkdir -p "$home2/rel"
status=0
out=$(cd "$home2" && env HOME="$home2" XDG_DATA_HOME=rel "$LAUNCHER" --suche 2>&1) || status=$?
[ "$status" -eq 2 ] && [ "$out" = "velunda-suche: Sie haben nichts in der Auswahl!" ] &&
  [ -d "$home2/.local/share/velunda" ] && [ ! -e "$home2/rel/velunda" ] ||
  fail "velunda-start --suche with a relative XDG_DATA_HOME: status $status, $out"

# ---- installing into a prefix that is not writable ----
mkdir "$scratch/prefix"
chmod 555 "$scratch/prefix"
status=0
"${as_nobody[@]}" cmake --install build-package --prefix "$scratch/prefix" >/dev/null \
  2>"$scratch/install.err" || status=$?
[ "$status" -ne 0 ] && grep -q "CMake Error" "$scratch/install.err" ||
  fail "install into a read-only prefix: status $status, $(head -c 300 "$scratch/install.err")"

echo "Package checks: $(basename "$deb"), $([ $failures -eq 0 ] && echo passed || echo "$failures FAILED")"
[ "$failures" -eq 0 ]
