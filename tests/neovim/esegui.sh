#!/bin/sh
# Runs lsp.lua in headless Neovim on a scenario exported into a fresh folder.
# Usage: esegui.sh COMPATTATORE
set -eu
qui=$(cd "$(dirname "$0")" && pwd)
cartella=$(mktemp -d)
trap 'rm -rf "$cartella"' EXIT
"$1" esporta "$cartella" >/dev/null
COMPATTATORE=$1 CARTELLA=$cartella HOME=$cartella XDG_STATE_HOME=$cartella XDG_DATA_HOME=$cartella \
  timeout 120 nvim --headless --clean -n -c "luafile $qui/lsp.lua" </dev/null
