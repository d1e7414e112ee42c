#!/usr/bin/env bash
# Seeds plausible one-line faults into a scratch copy of the tree, one at a time, and counts how many the
# test suite catches: scripts/seed-faults.sh [FAULTS_FILE] [PATTERN]
# FAULTS_FILE (default scripts/faults.txt) holds one fault a line: "path ~~ text ~~ replacement ~~ what it breaks";
# the first occurrence of the text in the file is replaced; "\n" in the text or the replacement is a line break,
# and a replacement "<none>" removes the text. PATTERN keeps only the faults whose line matches it
# (grep -E), to run a subset in a few minutes. Each fault is built incrementally and the whole suite run with
# ctest; a fault is caught when a test fails, missed when all pass, and void when it does not apply or build.
# Not part of CI: a full run takes about half a minute a fault.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/help.sh"
faults=${1:-$root/scripts/faults.txt}
pattern=${2:-.}
scratch=${TESSALY_SEED_DIR:-/tmp/tessaly-seed}
rm -rf "$scratch/src"
mkdir -p "$scratch/src"
(cd "$root" && git ls-files -co --exclude-standard | tar -cf - -T -) | tar -xf - -C "$scratch/src"
# A run stopped midway leaves the build of its seeded file: rebuild that file from the tree.
[ -f "$scratch/seeded" ] && touch "$scratch/src/$(cat "$scratch/seeded")"
cmake -S "$scratch/src" -B "$scratch/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=OFF >/dev/null
cmake --build "$scratch/build" -j "$(nproc)" >/dev/null || { echo "the unchanged tree does not build"; exit 2; }
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$scratch/build" -j "$(nproc)" --timeout 300 >/dev/null || { echo "the unchanged tree fails its tests"; exit 2; }

caught=0 missed=0 void=0
: >"$scratch/catchers.log" # every failing test of each caught fault, to see which tests alone catch one
while IFS= read -r line; do
  [[ -z "$line" || "$line" == \#* ]] && continue
  echo "$line" | grep -qE -- "$pattern" || continue
  IFS=$'\x1f' read -r path from to what <<<"${line// ~~ /$'\x1f'}"
  from=${from//\\n/$'\n'}
  to=${to//\\n/$'\n'}
  [ "$to" = "<none>" ] && to=""
  file="$scratch/src/$path"
  original=$(cat "$file"; printf x)
  original=${original%x}
  if [[ "$original" != *"$from"* ]]; then
    echo "void    $what (text not found in $path)"; void=$((void + 1)); continue
  fi
  echo "$path" >"$scratch/seeded"
  printf '%s' "${original/"$from"/"$to"}" >"$file"
  if ! cmake --build "$scratch/build" -j "$(nproc)" >/dev/null 2>&1; then
    echo "void    $what (does not build)"; void=$((void + 1))
  elif ctest --test-dir "$scratch/build" -j "$(nproc)" --timeout 300 >"$scratch/ctest.log" 2>&1; then
    echo "MISSED  $what"; missed=$((missed + 1))
  else
    failing=$(grep -E '\*\*\*(Failed|Timeout)|\*\*\*Exception' "$scratch/ctest.log")
    echo "caught  $what: $(grep -c . <<<"$failing") failing, e.g. $(sed -nE '1s/.*Test +#[0-9]+: ([^ ]+).*/\1/p' <<<"$failing")"
    echo "$what: $(sed -nE 's/.*Test +#[0-9]+: ([^ ]+).*/\1/p' <<<"$failing" | tr '\n' ' ')" >>"$scratch/catchers.log"
    caught=$((caught + 1))
  fi
  printf '%s' "$original" >"$file"
done <"$faults"
cmake --build "$scratch/build" -j "$(nproc)" >/dev/null 2>&1 && rm -f "$scratch/seeded"
total=$((caught + missed))
echo "seeded faults: $caught of $total caught ($(( total > 0 ? 100 * caught / total : 0 ))%), $void void"
