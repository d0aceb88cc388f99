#!/usr/bin/env bash
# The language server's two figures, through its pipe as an editor drives it
# (bench/lsp_tempi.py): didChange -> publishDiagnostics against a controlla process, on a
# copy of the carried scenario with one problem and on a generated 1000 km route; and the
# resident size after 10 000 edits against after 100.
#
#   bench/lsp.sh [BUILD_DIR] [EDITS] [RSS_EDITS]     (defaults: build-bench, 200, 10000)
set -euo pipefail
build=${1:-build-bench}
modifiche=${2:-200}
per_rss=${3:-10000}
compattatore=$build/tools/compattatore
percorso=$build/bench/esegui_percorso
for p in "$compattatore" "$percorso"; do
  [ -x "$p" ] || { echo "lsp.sh: $p is missing; run make bench" >&2; exit 1; }
done
qui=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The carried scenario, its two sources alone, a station off its multiple of 50 m.
"$compattatore" esporta "$tmp/portato" >/dev/null
rm -f "$tmp"/portato/*_note.txt "$tmp"/portato/*_rallentamenti.txt "$tmp"/portato/*_scheda_treno.txt
sed -i 's/stazione,    3100,/stazione,    3110,/' "$tmp"/portato/*-.txt
python3 "$qui/lsp_tempi.py" "$compattatore" "$tmp/portato" "$modifiche" "$per_rss"

# A generated 1000 km route: the run deletes its sources, decompila gives them back from
# the compact files, which then go.
mkdir "$tmp/lungo"
"$percorso" "$tmp/lungo" 1000 >/dev/null
"$compattatore" decompila "$tmp/lungo" Orvesa_Cusvana 5927 >/dev/null
find "$tmp/lungo" -type f ! -name '*_linea.txt' ! -name '*-.txt' -delete
python3 "$qui/lsp_tempi.py" "$compattatore" "$tmp/lungo" 50
