#!/usr/bin/env bash
# The whole process, measured from outside: the headless orvesa_cusvana (no display) in a
# fresh temporary directory, timed over repeated runs against solo_byte, a process that
# writes the same bytes with the same replace helper and does nothing else (both run
# alternately by misura_processo); then the peak resident memory (/usr/bin/time) of the
# carried run and of the 1000 km route.
#
#   bench/processo.sh [BUILD_DIR] [RUNS]      (defaults: build-bench, 100)
#
# With SENZA_SCARICO=1 both programs run with bench/senza_scarico.cpp preloaded, so that
# neither flushes its files to the device.
set -euo pipefail
# Headless: the program then runs in terminal mode, as on a server.
unset DISPLAY

build=${1:-build-bench}
prove=${2:-100}
vero_programma=$build/run/orvesa_cusvana
byte_programma=$build/bench/solo_byte
percorso=$build/bench/esegui_percorso
for p in "$vero_programma" "$byte_programma" "$percorso" "$build/bench/misura_processo"; do
  [ -x "$p" ] || { echo "processo.sh: $p is missing; run make bench" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/vero" "$tmp/byte" "$tmp/lungo"
cp "$vero_programma" "$tmp/vero/"
cp "$byte_programma" "$tmp/byte/"
vero="$tmp/vero/orvesa_cusvana"
byte="$tmp/byte/solo_byte"

# Both must write the same files with the same bytes, or the comparison means nothing.
"$vero" 2>/dev/null || { echo "processo.sh: orvesa_cusvana failed" >&2; exit 1; }
"$byte"
diverso=0
for f in "$tmp"/vero/*; do
  nome=$(basename "$f")
  [ "$nome" = orvesa_cusvana ] && continue
  if ! cmp -s "$f" "$tmp/byte/$nome"; then
    echo "processo.sh: $nome differs between the run and solo_byte" >&2
    diverso=1
  fi
done
[ "$(ls "$tmp/vero" | wc -l)" -eq "$(ls "$tmp/byte" | wc -l)" ] || diverso=1
[ $diverso -eq 0 ] || { echo "processo.sh: rebuild solo_byte (make bench)" >&2; exit 1; }

if [ -n "${SENZA_SCARICO:-}" ]; then
  precarica=$(cd "$build/bench" && pwd)/libsenza_scarico.so
  [ -f "$precarica" ] || { echo "processo.sh: $precarica is missing; run make bench" >&2; exit 1; }
  export LD_PRELOAD=$precarica
  echo "== Flush to the device off on both sides (SENZA_SCARICO)"
fi

echo "== Whole process: headless orvesa_cusvana against the bytes-only process ($prove runs each, alternating)"
"$build/bench/misura_processo" "$prove" "$vero" "$byte" | tee "$tmp/processo"
rapporto_processo=$(awk '/ratio, median cpu/ {print $NF}' "$tmp/processo")

picco() {  # peak resident set of a command, in kB
  /usr/bin/time -f '%M' -o "$tmp/picco" "$@" >/dev/null 2>&1 || {
    echo "processo.sh: $* failed" >&2; exit 1; }
  cat "$tmp/picco"
}
echo "== Peak resident memory (maximum resident set size)"
picco_portato=$(picco "$vero")
printf "  %-40s %8s kB\n" "orvesa_cusvana, carried, headless" "$picco_portato"
printf "  %-40s %8s kB\n" "solo_byte" "$(picco "$byte")"
printf "  %-40s %8s kB\n" "esegui_percorso, carried" "$(picco "$percorso" "$tmp/lungo")"
printf "  %-40s %8s kB\n" "esegui_percorso, 101 km route" "$(picco "$percorso" "$tmp/lungo" 101)"
picco_1000=$(picco "$percorso" "$tmp/lungo" 1000)
printf "  %-40s %8s kB\n" "esegui_percorso, 1000 km route" "$picco_1000"

# Each figure against its target (a megabyte taken as 1000 kB, the stricter reading).
obiettivo() {  # TEXT VALUE LIMIT UNIT
  printf "  %-40s %8s %-3s obiettivo <= %s: %s\n" "$1" "$2" "$4" "$3" \
    "$(awk -v v="$2" -v l="$3" 'BEGIN { print (v <= l) ? "raggiunto" : "NON raggiunto" }')"
}
echo "== Targets"
obiettivo "process / bytes-only process, median cpu" "$rapporto_processo" 1.3 ""
obiettivo "peak memory, carried run" "$picco_portato" 6500 kB
obiettivo "peak memory, 1000 km route" "$picco_1000" 20000 kB
