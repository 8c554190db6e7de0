#!/usr/bin/env bash
# velunda-suche over a generated XMLTV guide with 20 criteria, side by side
# with its yardstick in the same run: bench_bare_parse (expat with no
# handlers over the same file), and for the gzipped guide zcat plus the bare
# parse of the unpacked bytes. Each velunda-suche run starts in an empty
# folder, so every run compares every programme and lists its hits; peak
# memory is the maximum resident set size that /usr/bin/time reports. Then
# the download of an unchanged guide: the bytes that go over the wire for
# the second of two runs against a server that answers If-Modified-Since.
#
#   bench/suche_xmltv.sh          10 and 100 MB guides
#   bench/suche_xmltv.sh 10       only the 10 MB ones
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELUNDA_SANITIZE=OFF \
  -DVELUNDA_TESTS=ON -DVELUNDA_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target velunda-suche bench_bare_parse >/dev/null
suche=$top/$build/suche/velunda-suche
bare=$top/$build/bench/bench_bare_parse

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/work"
# Twenty criteria of the generator's words: titles and people.
{
  echo "Aanz=20"
  i=0
  for criterion in "Spur im Schnee|" "Tatort|" "weinprinzessin|" "|Möller" "|Brandt" \
      "Kommissar|" "NORDSEE|" "Zeitreise|" "Gräfenau|" "|Wendehals" "|Özdemir" "Helgoland|" \
      "|René Berg" "Backen|" "|Quandtmeier" "Nachtcafé|" "Lindholm|" "Xylophon|" "Sommer|" \
      "|Falkenried"; do
    printf 'Auswahl%d\\==%s\n' "$i" "$criterion"
    i=$((i + 1))
  done
} >"$scratch/home/.velunda"

guides=$top/$build/guides-today
mkdir -p "$guides"
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10 100)
today=$(date +%F)

# "<seconds> <peak MB>" of a command, its output dropped.
timed() {
  /usr/bin/time -f '%e %M' -o "$scratch/time" "$@" >/dev/null 2>"$scratch/err" || true
  tail -n 1 "$scratch/time" | awk '{printf "%s %.1f\n", $1, $2 / 1024}'
}
median() {
  sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'
}
suche_run() {
  rm -f "$scratch/work"/*
  (cd "$scratch/work" && HOME="$scratch/home" timed "$suche" --xmltv "$1")
}

printf '%-22s %7s %8s %8s %6s %8s %9s\n' guide MB base_s suche_s ratio base_MB suche_MB
for size in "${sizes[@]}"; do
  plain=$guides/guide-$size-$today.xml
  packed=$plain.gz
  if [ ! -s "$plain" ]; then
    python3 bench/make_guide.py --programmes $((size * 2000)) --start "$today" -o "$plain.tmp"
    mv "$plain.tmp" "$plain"
    gzip -c "$plain" >"$packed"
  fi
  for file in "$plain" "$packed"; do
    base=()
    runs=()
    for _ in 1 2 3 4 5; do
      if [ "$file" = "$packed" ]; then
        # zcat and the bare parse of what it unpacks, one after the other.
        z=$(timed zcat "$file")
        p=$(timed "$bare" "$plain")
        base+=("$(awk -v a="${z% *}" -v b="${p% *}" -v m="${p#* }" 'BEGIN {print a + b, m}')")
      else
        base+=("$(timed "$bare" "$file")")
      fi
      runs+=("$(suche_run "$file")")
    done
    base_s=$(printf '%s\n' "${base[@]}" | cut -d' ' -f1 | median)
    suche_s=$(printf '%s\n' "${runs[@]}" | cut -d' ' -f1 | median)
    base_mb=$(printf '%s\n' "${base[@]}" | cut -d' ' -f2 | median)
    suche_mb=$(printf '%s\n' "${runs[@]}" | cut -d' ' -f2 | median)
    mb=$(awk -v b="$(stat -c %s "$file")" 'BEGIN {printf "%.1f", b / 1e6}')
    printf '%-22s %7s %8s %8s %6.2f %8s %9s\n' "$(basename "$file")" "$mb" "$base_s" "$suche_s" \
      "$(awk -v a="$suche_s" -v b="$base_s" 'BEGIN {print a / b}')" "$base_mb" "$suche_mb"
  done
done
echo "(base: bench_bare_parse, for .gz zcat plus bench_bare_parse; medians of 5; goal 1.3)"

# An unchanged guide, fetched twice through a counting relay to a server that
# answers If-Modified-Since with 304.
file=$guides/guide-${sizes[-1]}-$today.xml
python3 - "$suche" "$scratch" "$file" <<'PY'
import http.server, os, shutil, socket, subprocess, sys, threading
suche, scratch, guide = sys.argv[1:4]
os.makedirs(os.path.join(scratch, "www"), exist_ok=True)
shutil.copy(guide, os.path.join(scratch, "www", "guide.xml"))
handler = lambda *a: http.server.SimpleHTTPRequestHandler(*a, directory=os.path.join(scratch, "www"))
http.server.SimpleHTTPRequestHandler.log_message = lambda *a: None
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
threading.Thread(target=server.serve_forever, daemon=True).start()
relay = socket.create_server(("127.0.0.1", 0))
counted = [0]
def pump(a, b):
    while True:
        data = a.recv(65536)
        if not data:
            b.shutdown(socket.SHUT_WR)
            return
        counted[0] += len(data)
        b.sendall(data)
def serve():
    while True:
        client, _ = relay.accept()
        upstream = socket.create_connection(server.server_address)
        threading.Thread(target=pump, args=(client, upstream), daemon=True).start()
        threading.Thread(target=pump, args=(upstream, client), daemon=True).start()
threading.Thread(target=serve, daemon=True).start()
work = os.path.join(scratch, "work")
for name in os.listdir(work):
    os.remove(os.path.join(work, name))
address = "http://127.0.0.1:%d/guide.xml" % relay.getsockname()[1]
for run in (1, 2):
    counted[0] = 0
    subprocess.run([suche, "--xmltv", address], cwd=work, env=dict(os.environ, HOME=os.path.join(scratch, "home")),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    print("download run %d of an unchanged %.0f MB guide: %d bytes over the wire" %
          (run, os.path.getsize(guide) / 1e6, counted[0]))
PY
