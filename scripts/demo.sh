#!/usr/bin/env bash
# Installs what is missing, builds, and makes the left and right depth maps of the bundled sample pair.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
build=$(bash "$root/scripts/build.sh")
demo="$build/demo"
mkdir -p "$demo"
cp "$root/samples/left.png" "$root/samples/right.png" "$demo/"
for side in left right; do
  "$build/cli/tessaly-cli" depth --left "$demo/left.png" --right "$demo/right.png" --side "$side" \
    --fragment 8 --max-parallax-x 16 --format png
done
echo "Depth maps written to $demo (the known disparity is samples/disparity-left.png)."
