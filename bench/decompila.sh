#!/usr/bin/env bash
# decompila against compatta on the 1000 km benchmark route, both as whole processes with
# their files flushed to the device, run alternately by misura_processo: decompiling
# (reading the three compact files, proposing the rows, compacting them again in a scratch
# folder, writing the two sources) may take at most 3 times as long as compacting.
#
#   bench/decompila.sh [BUILD_DIR] [RUNS]      (defaults: build-bench, 20)
set -euo pipefail
build=${1:-build-bench}
prove=${2:-20}
strumento=$build/tools/compattatore
for p in "$strumento" "$build/bench/esegui_percorso" "$build/bench/misura_processo"; do
  [ -x "$p" ] || { echo "decompila.sh: $p is missing; run make bench" >&2; exit 1; }
done
strumento=$(cd "$(dirname "$strumento")" && pwd)/compattatore

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/percorso" "$tmp/sorgenti"
# The route's compact files (the one-shot run deletes its sources), and sources for
# compatta from them.
"$build/bench/esegui_percorso" "$tmp/percorso" 1000 >/dev/null 2>&1
"$strumento" decompila "$tmp/percorso" Orvesa_Cusvana 5927 >/dev/null
# Each side as a program without arguments, as misura_processo runs them.
cat >"$tmp/compatta" <<FINE
#!/bin/sh
exec "$strumento" compatta "$tmp/percorso" Orvesa_Cusvana 5927 >/dev/null
FINE
cat >"$tmp/decompila" <<FINE
#!/bin/sh
exec "$strumento" decompila --sovrascrivi "$tmp/percorso" Orvesa_Cusvana 5927 "$tmp/sorgenti" >/dev/null
FINE
chmod +x "$tmp/compatta" "$tmp/decompila"
"$tmp/decompila"
"$tmp/compatta"
echo "== decompila against compatta, 1000 km route ($prove runs each, alternating)"
"$build/bench/misura_processo" "$prove" "$tmp/decompila" "$tmp/compatta" | tee "$tmp/misura"
rapporto=$(awk '/ratio, median wall/ {print $NF}' "$tmp/misura")
printf "  %-40s %8s     obiettivo <= 3: %s\n" "decompila / compatta, median wall" "$rapporto" \
  "$(awk -v v="$rapporto" 'BEGIN { print (v <= 3) ? "raggiunto" : "NON raggiunto" }')"
