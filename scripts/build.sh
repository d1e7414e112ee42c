#!/usr/bin/env bash
# Configures and builds Tessaly into a build folder: scripts/build.sh [--sanitize]
# Prints the build folder. TESSALY_WERROR=ON makes warnings errors (CI sets it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/help.sh"
if [ $# -gt 1 ] || { [ $# -eq 1 ] && [ "$1" != "--sanitize" ]; }; then
  echo "usage: $0 [--sanitize] (see --help)" >&2
  exit 2
fi
dir="$root/build"
args=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_WERROR="${TESSALY_WERROR:-OFF}")
if [ "${1:-}" = "--sanitize" ]; then
  dir="$root/build-sanitize"
  args=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_SANITIZE=ON -DTESSALY_WERROR="${TESSALY_WERROR:-OFF}"
        -DCMAKE_CXX_COMPILER=clang++-14)
fi
cmake -S "$root" -B "$dir" "${args[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" >&2
echo "$dir"
