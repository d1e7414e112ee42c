#!/usr/bin/env bash
# Benchmarks the parallax search on the cones pair: the fast and the literal search, OpenCV's block
# matcher as the peer, the whole tessaly-cli depth job, whole jobs at photo sizes against the peer's
# whole job, the goal table (goals.py: whole jobs, threads, peak memory and the search alone,
# each against what it is judged by in the same run, met or missed), and last the Python module's
# depth_map against the same job in the core and on the command line (python_module.py).
# Run from anywhere:
#   bash bench/run-bench.sh [--quick] [--goals-only] [--no-python] [--runs N]
# --quick times the literal search only at the two quick settings (the others take minutes).
# --goals-only skips everything before the goal table (the literal search above all).
# --no-python skips the Python module's timings (they are skipped too when the build has no module).
# --runs N (or RUNS=N) sets the runs behind each median of the goal table (default 5; 1 for a quick
# try) and of the photo sizes (3 at least); the goal table takes a few minutes at 5.
# Needs the shared data beside the repository (../shared/data/cones, ../shared/bench), or in the
# folder named by TESSALY_SHARED.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
shared=${TESSALY_SHARED:-../shared}
left=$shared/data/cones/im2.png
right=$shared/data/cones/im6.png
reference=all
goals_only=no
python=yes
runs=${RUNS:-5}
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) reference=S4HP16VP0,S2HP8VP8 ;;
    --goals-only) goals_only=yes ;;
    --no-python) python=no ;;
    --runs) [ $# -ge 2 ] || { echo "run-bench.sh: --runs needs a number" >&2; exit 2; }
            runs=$2; shift ;;
    *) echo "usage: bash bench/run-bench.sh [--quick] [--goals-only] [--no-python] [--runs N]" >&2; exit 2 ;;
  esac
  shift
done
case "$runs" in
  ''|*[!0-9]*|0) echo "run-bench.sh: the number of runs must be 1 or more, not '$runs'" >&2; exit 2 ;;
esac

bash scripts/install-deps.sh
missing=()
for p in python3-opencv hyperfine time; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
build=$(bash scripts/build.sh)

if [ "$goals_only" = no ]; then
  echo "== Search times (median of 25 single runs; the literal search runs once)"
  "$build/bench/tessaly-bench" --left "$left" --right "$right" --reference "$reference" \
    --benchmark_counters_tabular=true

  echo
  echo "== Peer: OpenCV StereoBM, 64 disparities, 15 x 15 grey window (median of 7 runs)"
  /usr/bin/python3 "$shared/bench/opencv_peer.py" "$left" "$right" 15 64

  echo
  echo "== Whole job: tessaly-cli depth, S 16, HP 32, VP 0, BMP output (copies of the pair in a temporary folder)"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cp "$left" "$work/im2.png"
  cp "$right" "$work/im6.png"
  hyperfine --warmup 1 --runs 10 \
    "$build/cli/tessaly-cli depth --left $work/im2.png --right $work/im6.png --fragment 16 --max-parallax-x 32"

  echo
  echo "== Photo sizes: the cones pair enlarged 2, 4 and 8 times (to 3600 x 3000), S 16, HP 64, against the"
  echo "   peer's whole job (opencv_job.py, StereoBM with 128 disparities), medians of $(( runs > 3 ? runs : 3 )) runs as processes"
  /usr/bin/python3 "$root/bench/photo_jobs.py" "$build/cli/tessaly-cli" "$shared" "$build/bench-photos" "$runs"
  echo
fi

/usr/bin/python3 "$root/bench/goals.py" "$build/cli/tessaly-cli" "$build/bench/tessaly-bench" "$shared" \
  "$build/bench-photos" "$runs"

if [ "$python" = yes ]; then
  # A build without pybind11 has no module to time.
  if compgen -G "$build/python/tessaly/_core*.so" >/dev/null; then
    echo
    /usr/bin/python3 "$root/bench/python_module.py" "$build/cli/tessaly-cli" "$build/bench/tessaly-bench" \
      "$build/python" "$shared" "$build/bench-photos" "$runs"
  else
    echo
    echo "== No Python module in $build/python (pybind11-dev missing?): its timings are skipped"
  fi
fi
