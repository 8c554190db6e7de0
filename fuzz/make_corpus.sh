#!/usr/bin/env bash
# Builds the seed corpus of the fuzz targets from pages of the local listings
# site (tools/listings_site.py) in several of its modes. Run by hand when the
# site's pages change; the corpus is kept in the repository.
set -euo pipefail
cd "$(dirname "$0")"
top=$(cd .. && pwd)
sep=$'\n=====PAGE=====\n'
out=corpus
mkdir -p "$out/fuzz_pages" "$out/fuzz_known_hits" "$out/fuzz_reference_file" "$out/fuzz_xmltv"

query() { # title person page
  printf '/Suchergebnisse_TV.211.0.html?&tv[wochentag]=&tv[zeitrahmen]=&tv[sender]=&tv[alter]=&allgemein[titel]=%s&allgemein[person]=%s&tvsparte[alle]=alle&page=%s' "$1" "$2" "$3"
}

fetch_mode() { # mode title person pages... ; prints "criteria SEP page SEP page"
  local mode=$1 title=$2 person=$3; shift 3
  local fifo port pid
  fifo=$(mktemp -u); mkfifo "$fifo"
  python3 "$top/tools/listings_site.py" --mode "$mode" --page-size 3 --rows 5 >"$fifo" &
  pid=$!
  read -r port <"$fifo"
  printf '%s|%s#' "$title" "$person"
  for page in "$@"; do
    printf '%s' "$sep"
    curl -s -g --max-time 5 "http://127.0.0.1:$port$(query "$title" "$person" "$page")" || true
  done
  kill "$pid"; wait "$pid" 2>/dev/null || true
  rm -f "$fifo"
}

fetch_mode normal stille "" 1 2 >"$out/fuzz_pages/normal-stille"
fetch_mode normal Wetter "" 1 >"$out/fuzz_pages/normal-wetter"
fetch_mode anchors-one-line stille "" 1 >"$out/fuzz_pages/anchors-one-line"
fetch_mode no-href stille "" 1 >"$out/fuzz_pages/no-href"
fetch_mode no-anchor2 stille "" 1 >"$out/fuzz_pages/no-anchor2"
fetch_mode many-rows x "" 1 2 >"$out/fuzz_pages/many-rows"
fetch_mode error-status stille "" 1 >"$out/fuzz_pages/error-status"
# Just the page, no criteria part (the target then uses its own criteria).
fetch_mode normal "" Berg 1 | tail -c +2 | sed '1,2d' >"$out/fuzz_pages/page-only" || true

# "refn.txt" files: header, then display line and link per row.
printf 'Version\nSortierung\n' >"$out/fuzz_known_hits/empty-list"
{
  printf 'Version\nSortierung\n'
  printf 'S         |20:15          |Mo 07.12.     |Kanal Eins     |Folge 1\nhttp://127.0.0.1/sendung/100.html\n'
  printf 'S         |21:15          |Mo 07.12.     |Kanal Eins     |Folge 2\nhttp://127.0.0.1/sendung/101.html\n'
} >"$out/fuzz_known_hits/two-rows"
printf 'Version\r\nSortierung\r\nrow\r\nlink\r\nlast row without link' >"$out/fuzz_known_hits/crlf-odd"

# Reference files: first byte is the save bound, the rest the file.
{ printf '\x05'; cut -d'|' -f1-5 "$out/fuzz_known_hits/two-rows" | sed -n '3p;5p'; } \
  >"$out/fuzz_reference_file/two-refs"
{ printf '\x02'; for i in 1 2 3 4 5 6; do printf 'hit %s\r\n' "$i"; done; printf 'no end'; } \
  >"$out/fuzz_reference_file/crlf-many"

# XMLTV guides: the first byte chooses the pieces and the gzip wrapping (bit 0),
# the rest is the guide: the site's own guide of a few broadcasts, and small
# hand-made ones for the encodings, entities and the parts the site leaves out.
fetch_guide() { # extra site arguments...
  local fifo port pid
  fifo=$(mktemp -u); mkfifo "$fifo"
  python3 "$top/tools/listings_site.py" --xmltv-keep-dates "$@" >"$fifo" &
  pid=$!
  read -r port <"$fifo"
  curl -s --max-time 5 "http://127.0.0.1:$port/xmltv.xml" || true
  kill "$pid"; wait "$pid" 2>/dev/null || true
  rm -f "$fifo"
}
{ printf '\x00'; fetch_guide --mode many-rows --rows 4; } >"$out/fuzz_xmltv/site-guide"
{ printf '\x03'; fetch_guide --mode many-rows --rows 2; } >"$out/fuzz_xmltv/site-guide-gzip"
printf '\x05<?xml version="1.0" encoding="windows-1252"?>\n<tv><channel id="k"><display-name>\x84K\xFC\x93</display-name></channel><programme start="20261207201500 +0100" stop="202612072115 CET" channel="k"><title lang="en">T</title><title lang="de">\x80 T\xE4</title></programme></tv>\n' \
  >"$out/fuzz_xmltv/windows-1252"
printf '\x11<?xml version="1.0" encoding="ISO-8859-1"?>\n<!DOCTYPE tv [<!ENTITY a "&#228;&amp;"><!ENTITY b "&a;&a;">]>\n<tv><programme start="20261207"><sub-title>&b;</sub-title><desc lang="de"> x <x-b>y</x-b> z </desc><credits><actor role="r">A<image>i</image></actor><guest>G</guest><x-c>c</x-c></credits><url>u</url><category>c</category></programme></tv>\n' \
  >"$out/fuzz_xmltv/entities"
