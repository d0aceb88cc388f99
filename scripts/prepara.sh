#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when run as root;
# otherwise names the one apt-get line to run. `prepara.sh esecuzione` (make run) installs
# only what building and running the one-shot program needs.
set -euo pipefail

# Building and running orvesa_cusvana (the header-only libraries: CMake configures the
# tool's directory too).
esecuzione=(g++ cmake make libfltk1.3-dev fonts-dejavu-core nlohmann-json3-dev libcli11-dev)
# Everything else: the tests, the benchmarks, the fuzzers, the Windows build, the packages.
resto=(clang libclang-rt-14-dev libgtest-dev libbenchmark-dev
       xvfb xauth xdotool imagemagick x11-utils librsvg2-bin util-linux time strace
       g++-mingw-w64-x86-64-posix wine wine64 zip dpkg-dev lintian man-db neovim
       chromium chromium-driver python3-selenium)

if [ "${1:-}" = esecuzione ]; then
  pacchetti=("${esecuzione[@]}")
else
  pacchetti=("${esecuzione[@]}" "${resto[@]}")
fi

mancanti=()
for p in "${pacchetti[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    mancanti+=("$p")
  fi
done
[ ${#mancanti[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${mancanti[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${mancanti[@]}" >/dev/null
else
  echo "Missing packages. Run as root:" >&2
  echo "  apt-get update && apt-get install -y ${mancanti[*]}" >&2
  exit 1
fi
