#!/usr/bin/env bash
# The checker's cost against the compactor's: the carried sources with a million speed
# rows that the checker flags (a speed not a multiple of 5 km/h, 21 bytes a row) in the
# train file; `compattatore compatta` and `compattatore controlla --limite=0`, its text
# written to a file, run alternately on that folder. Targets: controlla takes at most 10
# times as long as compatta (best wall time to best wall time), with at most 300 MB of
# peak resident memory (the kernel's figure, from /usr/bin/time).
#
#   bench/controlla.sh [BUILD_DIR] [RUNS] [ROWS]      (defaults: build-bench, 3, 1000000)
set -euo pipefail

build=${1:-build-bench}
prove=${2:-3}
righe=${3:-1000000}
compattatore=$build/tools/compattatore
[ -x "$compattatore" ] || { echo "controlla.sh: $compattatore is missing; run make bench" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "controlla.sh: /usr/bin/time is missing (Debian package time)" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$compattatore" esporta "$tmp/s" >/dev/null
treno=$tmp/s/Orvesa_Cusvana_5927-.txt
# The flagged rows right after the last speed row, at its position, so that the grid and
# every other row stay as they are.
awk -v n="$righe" '{ print } /^velocita, +98400,/ && !fatto {
    for (i = 0; i < n; i++) printf "velocita, 98400, 63\r\n"; fatto = 1 }' "$treno" >"$tmp/treno"
mv "$tmp/treno" "$treno"
dimensione=$(stat -c %s "$treno")

# Wall seconds, peak resident kB and CPU seconds (user + system) of one run; status 3 (a
# problem recorded) is let through, any other failure stops the benchmark.
misura() {
  local uscita=$1
  shift
  /usr/bin/time -o "$tmp/tempo" -f '%e %M %U %S' "$@" >"$uscita" 2>"$tmp/errori" || {
    local stato=$?
    [ "$stato" -eq 3 ] || { echo "controlla.sh: $* ended with status $stato" >&2; cat "$tmp/errori" >&2; exit 1; }
  }
  awk '{printf "%s %s %.2f\n", $1, $2, $3 + $4}' "$tmp/tempo"
}
mediana() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

carico=$(cut -d ' ' -f 1 /proc/loadavg 2>/dev/null || echo '?')
: >"$tmp/c"
: >"$tmp/k"
for ((i = 0; i < prove; i++)); do
  misura /dev/null "$compattatore" compatta "$tmp/s" Orvesa_Cusvana 5927 >>"$tmp/c"
  misura "$tmp/rapporto" "$compattatore" controlla --limite=0 "$tmp/s" Orvesa_Cusvana 5927 >>"$tmp/k"
done
avvisi=$(tail -n 1 "$tmp/rapporto")
elencate=$(grep -c ': avviso: ' "$tmp/rapporto" || true)
c_min=$(cut -d ' ' -f 1 "$tmp/c" | sort -g | head -n 1)
k_min=$(cut -d ' ' -f 1 "$tmp/k" | sort -g | head -n 1)
c_med=$(cut -d ' ' -f 1 "$tmp/c" | mediana)
k_med=$(cut -d ' ' -f 1 "$tmp/k" | mediana)
c_mb=$(cut -d ' ' -f 2 "$tmp/c" | sort -g | tail -n 1 | awk '{printf "%.1f", $1 / 1024}')
k_mb=$(cut -d ' ' -f 2 "$tmp/k" | sort -g | tail -n 1 | awk '{printf "%.1f", $1 / 1024}')
c_cpu=$(cut -d ' ' -f 3 "$tmp/c" | mediana)
k_cpu=$(cut -d ' ' -f 3 "$tmp/k" | mediana)
rapporto_cpu=$(awk -v a="$k_cpu" -v b="$c_cpu" 'BEGIN {printf "%.1f", (b > 0 ? a / b : 0)}')
rapporto=$(awk -v a="$k_min" -v b="$c_min" 'BEGIN {printf "%.1f", (b > 0 ? a / b : 0)}')
rapporto_mediane=$(awk -v a="$k_med" -v b="$c_med" 'BEGIN {printf "%.1f", (b > 0 ? a / b : 0)}')

echo "== controlla against compatta: $righe flagged rows, train source of $((dimensione / 1000000)) MB ($prove runs each, alternating)"
echo "  controlla listed $elencate warnings; its summary: $avvisi"
printf '  compatta             best %.2f s, median %.2f s (CPU %.2f s), peak %s MB\n' "$c_min" "$c_med" "$c_cpu" "$c_mb"
printf '  controlla --limite=0 best %.2f s, median %.2f s (CPU %.2f s), peak %s MB, text to a file\n' "$k_min" "$k_med" "$k_cpu" "$k_mb"
printf '  time ratio %s best to best, %s median to median (target: at most 10);\n  %s in CPU time, median to median\n' "$rapporto" "$rapporto_mediane" "$rapporto_cpu"
printf '  peak resident memory of controlla %s MB (target: at most 300)\n' "$k_mb"
printf '  on %s processors; load average before: %s\n' "$(nproc)" "$carico"
if awk -v r="$rapporto" -v m="$k_mb" 'BEGIN {exit !(r > 10 || m > 300)}'; then
  echo "  outside the targets"
fi
