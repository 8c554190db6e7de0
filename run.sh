#!/usr/bin/env bash
# Builds Velunda (Release) and shows it at work without the internet: starts
# the local listings site on a free loopback port, prepares a demo folder
# (working directory and HOME with a settings file holding a few criteria
# and "Host" pointing at the local site) and starts Velunda there.
#
# With a display you watch the first run fill the list; close the window to
# end the demo. Without one it runs under Xvfb, waits for the first run,
# saves a picture of the window (build/demo/demo-run.png), closes Velunda
# as its close box would, and prints the result list it saved in refn.txt.
#
# The build folder is "build" unless BUILD_DIR names another.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

headless_part() {
  # Runs inside xvfb-run; DEMO and VELUNDA come from the outer part.
  export NO_AT_BRIDGE=1
  (cd "$DEMO/work" && HOME="$DEMO/home" exec "$VELUNDA") >"$DEMO/velunda.out" 2>&1 &
  local velunda_pid=$!
  if ! python3 tools/x11_window.py wait-title "ORK - " 60 >"$DEMO/title.txt"; then
    echo "The first run reported no hits within a minute; see $DEMO/velunda.out" >&2
    kill "$velunda_pid" 2>/dev/null || true
    return 1
  fi
  echo "Window title after the first run: $(cat "$DEMO/title.txt")"
  sleep 1
  python3 tools/x11_window.py screenshot "$DEMO/demo-run.png"
  echo "Screenshot: $DEMO/demo-run.png"
  python3 tools/x11_window.py close
  local waited=0
  while kill -0 "$velunda_pid" 2>/dev/null; do
    if [ "$waited" -ge 200 ]; then
      echo "Velunda did not end after the close request" >&2
      kill "$velunda_pid" 2>/dev/null || true
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  wait "$velunda_pid"
}

if [ "${1:-}" = "--headless-part" ]; then
  headless_part
  exit
fi

. tools/ensure_packages.sh
ensure_packages

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELUNDA_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target velunda
velunda="$root/$build/app/velunda"

demo="$root/$build/demo"
rm -rf "$demo"
mkdir -p "$demo/home" "$demo/work"

# The local listings site prints its port first.
python3 tools/listings_site.py --port 0 --log "$demo/site.log" >"$demo/site.port" 2>"$demo/site.err" &
site_pid=$!
trap 'kill "$site_pid" 2>/dev/null || true; wait "$site_pid" 2>/dev/null || true' EXIT
for _ in $(seq 150); do
  [ -s "$demo/site.port" ] && break
  sleep 0.1
done
port=$(head -n 1 "$demo/site.port")
if [ -z "$port" ]; then
  echo "The local listings site did not start:" >&2
  cat "$demo/site.err" >&2
  exit 1
fi
echo "Local listings site: 127.0.0.1:$port"

# Velunda's settings file: criteria as title|person, "=" in the value names
# written as "\=" by the toolkit's settings store.
cat >"$demo/home/.velunda" <<EOF
Aanz=3
Auswahl0\\==Weinprinzessin|
Auswahl1\\==|Greta Berg
Auswahl2\\==Tor des Monats|
Host=127.0.0.1:$port
EOF

if [ -n "${DISPLAY:-}" ]; then
  echo "Starting Velunda in $demo/work; the first run begins one second after start-up."
  (cd "$demo/work" && HOME="$demo/home" exec "$velunda")
else
  echo "No display: running Velunda under Xvfb."
  DEMO="$demo" VELUNDA="$velunda" \
    xvfb-run -a -s "-screen 0 1280x1024x24" bash "$root/run.sh" --headless-part
fi

echo
echo "Requests the site received: $(grep -c '^GET ' "$demo/site.log" || true)"
if [ -f "$demo/work/refn.txt" ]; then
  echo "Result list saved in $demo/work/refn.txt (display line, then link):"
  tail -n +3 "$demo/work/refn.txt" | paste - - | sed 's/\t/\n    /'
else
  echo "Velunda saved no result list."
fi
