#!/usr/bin/env bash
# The vedi page of the 1000 km benchmark route (10^6 plan points, 20 000 cells), in
# Debian's headless Chromium: its size (target at most 15 MB), the time from the start of
# loading to the first drawing (target 2 s) and the slowest of 20 zoom steps from the whole
# route down to single cells (target 50 ms), each the median of RUNS openings.
#
#   bench/vedi.sh [BUILD_DIR] [RUNS]      (defaults: build-bench, 5)
set -euo pipefail
build=${1:-build-bench}
prove=${2:-5}
strumento=$build/tools/compattatore
for p in "$strumento" "$build/bench/esegui_percorso"; do
  [ -x "$p" ] || { echo "vedi.sh: $p is missing; run make bench" >&2; exit 1; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The route's compact files (the one-shot run deletes its sources), and the sources again
# from them, so that the page carries the checker's list as an author's would.
"$build/bench/esegui_percorso" "$tmp" 1000 >/dev/null 2>&1
"$strumento" decompila "$tmp" Orvesa_Cusvana 5927 >/dev/null
"$strumento" vedi "$tmp" Orvesa_Cusvana 5927 "$tmp/percorso.html" >/dev/null
echo "== vedi, the page of the 1000 km route (median of $prove openings)"
/usr/bin/python3 "$(dirname "$0")/vedi_misura.py" "$tmp/percorso.html" "$prove"
