#!/usr/bin/env bash
# Every compact byte and every printed line, before and after a change to the engine: the
# carried run, six benchmark routes and a set of altered source pairs, each compacted by
# the build given; exit statuses and SHA-256 of every compact file go into OUT, with what
# `compatta` and `controlla` print on each pair (the pair's folder written as DIR), to be
# compared with diff -r against the OUT of the build before the change.
#
#   bench/confronta_byte.sh BUILD OUT [COPPIE]
#
# BUILD: a Release build with the benchmarks (-DCON_BENCH=ON), holding run/orvesa_cusvana,
# tools/compattatore and bench/esegui_percorso. COPPIE: the folder of source pairs made by
# bench/genera_coppie.py (made once, from the carried sources, when it is missing).
set -euo pipefail
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
coppie=${3:-$out/../coppie}
if [ ! -d "$coppie" ]; then
  portato=$(mktemp -d)
  "$build/tools/compattatore" esporta "$portato" >/dev/null
  python3 "$(dirname "$0")/genera_coppie.py" "$portato" "$coppie" 1200
  rm -rf "$portato"
fi
rm -f "$out"/*.txt

d=$(mktemp -d)
cp "$build/run/orvesa_cusvana" "$d/"
(cd "$d" && { env -u DISPLAY ./orvesa_cusvana 2>/dev/null; echo "status $?"; } || true
 sha256sum Orvesa*) > "$out/portato.txt"
rm -rf "$d"

for km in 101 150 333 500 777 1000; do
  d=$(mktemp -d)
  "$build/bench/esegui_percorso" "$d" "$km" >/dev/null 2>&1 || true
  (cd "$d" && sha256sum ./*.dat ./*.sim) > "$out/km$km.txt"
  rm -rf "$d"
done

# Runs compattatore on the pair in $d and appends what it prints to the file $1: a line
# naming the pair, the command and its status, then standard output and standard error
# with the folder written as DIR. The status stays in $s.
stampa() {
  local testi=$1; shift
  s=0
  "$build/tools/compattatore" "$@" >"$d.out" 2>"$d.err" || s=$?
  { echo "== $(basename "$c") $1: $s"; cat "$d.out" "$d.err" | sed "s|$d|DIR|g"; } >>"$testi"
  rm -f "$d.out" "$d.err"
}

: > "$out/testi_compatta.txt"
: > "$out/testi_controlla.txt"
d=$(mktemp -d); c=portato
"$build/tools/compattatore" esporta "$d" >/dev/null
stampa "$out/testi_controlla.txt" controlla "$d" Orvesa_Cusvana 5927
stampa "$out/testi_compatta.txt" compatta "$d" Orvesa_Cusvana 5927
rm -rf "$d"

for c in "$coppie"/*; do
  d=$(mktemp -d)
  cp "$c"/* "$d/"
  stampa "$out/testi_controlla.txt" controlla "$d" Orvesa_Cusvana 5927
  stampa "$out/testi_compatta.txt" compatta "$d" Orvesa_Cusvana 5927
  echo "$(basename "$c") $s $(cd "$d" && sha256sum ./*.dat ./*.sim 2>/dev/null | tr '\n' ' ')"
  rm -rf "$d"
done > "$out/coppie.txt"
awk '{print $2}' "$out/coppie.txt" | sort | uniq -c
