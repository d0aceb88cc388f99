#!/usr/bin/env bash
# The packages, from the Windows build and the Linux release build:
#   pacchetti.sh BUILD_WIN BUILD_DIST DIST
# DIST/orvesa_cusvana-VERSION-windows-x86_64.zip  both .exe files and a short README in
#                                                  Windows-1252 with CR LF line ends
# DIST/orvesa_cusvana-VERSION-linux-x86_64.tar.gz  both Linux programs
# DIST/compattatore_VERSION_amd64.deb              compattatore, its manual page and completion
# Both archives hold the programs with no folder around them: they are unpacked into the
# simulator's folder, where the one-shot program writes its files beside itself.
set -euo pipefail

build_win=$1
build_dist=$2
dist=$3

# The one version, as CMake took it from project().
versione=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dist/CMakeCache.txt")
[ -n "$versione" ] || { echo "nessuna versione in $build_dist/CMakeCache.txt" >&2; exit 1; }

for file in "$build_win/orvesa_cusvana.exe" "$build_win/compattatore.exe" \
            "$build_dist/run/orvesa_cusvana" "$build_dist/tools/compattatore"; do
  [ -f "$file" ] || { echo "manca $file" >&2; exit 1; }
done

mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT

# Windows: the README converted from UTF-8; iconv refuses any character that Windows-1252
# does not have.
zip_=$dist/orvesa_cusvana-$versione-windows-x86_64.zip
mkdir "$lavoro/windows"
cp "$build_win/orvesa_cusvana.exe" "$build_win/compattatore.exe" "$lavoro/windows/"
x86_64-w64-mingw32-strip "$lavoro/windows/orvesa_cusvana.exe" "$lavoro/windows/compattatore.exe"
iconv -f UTF-8 -t WINDOWS-1252 "$build_dist/pacchetti/LEGGIMI-windows.txt" |
  sed 's/$/\r/' >"$lavoro/windows/orvesa_cusvana_LEGGIMI.txt"
rm -f "$zip_"
(cd "$lavoro/windows" && zip -q -X "$zip_" orvesa_cusvana.exe compattatore.exe \
  orvesa_cusvana_LEGGIMI.txt)
echo "$zip_"

# Linux: the two programs, stripped, owned by nobody in particular.
tar_=$dist/orvesa_cusvana-$versione-linux-x86_64.tar.gz
mkdir "$lavoro/linux"
cp "$build_dist/run/orvesa_cusvana" "$build_dist/tools/compattatore" "$lavoro/linux/"
strip "$lavoro/linux/orvesa_cusvana" "$lavoro/linux/compattatore"
tar -C "$lavoro/linux" --owner=0 --group=0 --numeric-owner -czf "$tar_" \
  orvesa_cusvana compattatore
echo "$tar_"

# Debian: CPack in the release build.
(cd "$build_dist" && cpack -G DEB >"$lavoro/cpack.log" 2>&1) || { cat "$lavoro/cpack.log" >&2; exit 1; }
deb=compattatore_${versione}_amd64.deb
cp "$build_dist/$deb" "$dist/"
echo "$dist/$deb"
if command -v lintian >/dev/null; then
  # Errors and warnings only; running as root is not its business here.
  lintian --fail-on error,warning "$dist/$deb" 2>&1 | grep -v 'root privileges' || true
  lintian --fail-on error,warning "$dist/$deb" >/dev/null 2>&1 ||
    { echo "lintian: il pacchetto ha errori o avvisi" >&2; exit 1; }
fi
