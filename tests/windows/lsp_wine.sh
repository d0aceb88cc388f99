#!/usr/bin/env bash
# The scripted client's tests of the language server (Lsp.*, LspScenario.*) against
# compattatore.exe lsp under Wine: the same bytes in, the same answers expected, the paths
# named on drive Z:, which Wine maps to the Linux root.
#   lsp_wine.sh CARTELLA_WINDOWS TEST_UNITA
# Exit status 77 (skipped) when Wine or the Windows build is missing or Wine cannot start.
set -euo pipefail
windows=$1
test_unita=$2
salta() {
  echo "lsp_wine.sh: $1" >&2
  exit 77
}
[ -f "$windows/compattatore.exe" ] || salta "manca $windows/compattatore.exe: prima make windows"
command -v wine >/dev/null || salta "manca wine (pacchetto wine64: scripts/prepara.sh)"
export WINEPREFIX=$windows/wine
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  { wineboot -i && wineserver -w; } >/dev/null 2>&1 || salta "Wine non riesce a creare il prefisso"
fi
export COMPATTATORE_LSP="$(command -v wine) $windows/compattatore.exe"
export COMPATTATORE_LSP_UNITA=Z:
status=0
"$test_unita" --gtest_filter='Lsp*' || status=$?
wineserver -k 2>/dev/null || true
exit "$status"
