#!/usr/bin/env bash
# Installs what is missing, builds the command-line tool alone, and makes the left and right depth maps
# of the bundled sample pair: scripts/demo.sh
# The maps land in build-cli/demo/. About a minute on two cores once the packages are installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/help.sh"
[ $# -eq 0 ] || { echo "usage: $0 (see --help)" >&2; exit 2; }
bash "$root/scripts/install-deps.sh"
build="$root/build-cli"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_GUI=OFF -DTESSALY_TESTS=OFF \
      -DTESSALY_BENCH=OFF >/dev/null
cmake --build "$build" --target tessaly-cli -j "$(nproc)" >&2
demo="$build/demo"
mkdir -p "$demo"
cp "$root/samples/left.png" "$root/samples/right.png" "$demo/"
for side in left right; do
  "$build/cli/tessaly-cli" depth --left "$demo/left.png" --right "$demo/right.png" --side "$side" \
    --fragment 8 --max-parallax-x 16 --format png
done
echo "Depth maps written to $demo (the known disparity is samples/disparity-left.png)."
