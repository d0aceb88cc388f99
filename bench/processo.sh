#!/usr/bin/env bash
# The whole process, measured from outside: the headless orvesa_cusvana (no display) in a
# fresh temporary directory, timed over repeated runs against solo_byte, a process that
# writes the same bytes with the same replace helper and does nothing else; then the peak
# resident memory of the carried run and of the 1000 km route.
#
#   bench/processo.sh [BUILD_DIR] [RUNS]      (defaults: build-bench, 50)
set -euo pipefail
# Headless: the program then runs in terminal mode, as on a server.
unset DISPLAY

build=${1:-build-bench}
prove=${2:-50}
vero_programma=$build/run/orvesa_cusvana
byte_programma=$build/bench/solo_byte
percorso=$build/bench/esegui_percorso
for p in "$vero_programma" "$byte_programma" "$percorso"; do
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

echo "== Whole process: headless orvesa_cusvana against the bytes-only process ($prove runs)"
if command -v hyperfine >/dev/null; then
  hyperfine -N --warmup 5 --runs "$prove" --export-csv "$tmp/tempi.csv" \
    "$vero" "$byte" >/dev/null 2>&1
  # CSV columns: command,mean,stddev,median,user,system,min,max (seconds)
  awk -F, 'NR == 2 { v_med = $4; v_cpu = $5 + $6; v_min = $7 }
           NR == 3 { b_med = $4; b_cpu = $5 + $6; b_min = $7 }
           END {
             printf "  %-22s %10s %10s %10s\n", "", "median ms", "min ms", "cpu ms"
             printf "  %-22s %10.3f %10.3f %10.3f\n", "orvesa_cusvana", v_med * 1e3, v_min * 1e3, v_cpu * 1e3
             printf "  %-22s %10.3f %10.3f %10.3f\n", "solo_byte", b_med * 1e3, b_min * 1e3, b_cpu * 1e3
             printf "  ratio (median wall)    %.2f\n", v_med / b_med
             printf "  ratio (min wall)       %.2f\n", v_min / b_min
             printf "  ratio (cpu user+sys)   %.2f\n", v_cpu / b_cpu
           }' "$tmp/tempi.csv"
else
  misura() {  # mean wall time of N runs, in ms
    local inizio fine
    inizio=$(date +%s%N)
    for _ in $(seq "$prove"); do "$@" 2>/dev/null; done
    fine=$(date +%s%N)
    echo $(( (fine - inizio) / prove / 1000 ))
  }
  v=$(misura "$vero")
  b=$(misura "$byte")
  echo "  orvesa_cusvana ${v} us, solo_byte ${b} us (mean wall, with fork and exec)"
  awk -v v="$v" -v b="$b" 'BEGIN { printf "  ratio (mean wall)      %.2f\n", v / b }'
fi

picco() {  # peak resident set of a command, in kB
  /usr/bin/time -f '%M' -o "$tmp/picco" "$@" >/dev/null 2>&1 || {
    echo "processo.sh: $* failed" >&2; exit 1; }
  cat "$tmp/picco"
}
echo "== Peak resident memory (maximum resident set size)"
printf "  %-40s %8s kB\n" "orvesa_cusvana, carried, headless" "$(picco "$vero")"
printf "  %-40s %8s kB\n" "solo_byte" "$(picco "$byte")"
printf "  %-40s %8s kB\n" "esegui_percorso, carried" "$(picco "$percorso" "$tmp/lungo")"
for km in 101 1000; do
  printf "  %-40s %8s kB\n" "esegui_percorso, $km km route" "$(picco "$percorso" "$tmp/lungo" $km)"
done
