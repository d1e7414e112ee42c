#!/usr/bin/env bash
# Builds the libFuzzer harnesses and runs each in turn for a bounded time: scripts/fuzz.sh [SECONDS] [HARNESS...]
# SECONDS per harness (default 600). Each runs alone at the lowest priority, so that it takes one core only
# when nobody else wants it. The corpus grows in build-fuzz/corpus/<harness>; inputs that crash, hang or
# trip a sanitizer land in build-fuzz/artifacts/. Prints a table of executions per harness and exits
# non-zero when any harness found something.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/help.sh"
seconds=${1:-600}
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(image_load gradient reduce enlarge depth_job assembly outline smooth mpo mpo_split)
build="$root/build-fuzz"

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
      -DTESSALY_FUZZ=ON -DTESSALY_GUI=OFF -DTESSALY_TESTS=OFF -DTESSALY_BENCH=OFF \
      -DTESSALY_WERROR="${TESSALY_WERROR:-OFF}" >/dev/null
nice -n 19 cmake --build "$build" -j 2 >&2
"$build/fuzz/tessaly-fuzz-seeds" "$root/samples" "$build/corpus"
mkdir -p "$build/artifacts" "$build/logs"

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
report="$build/fuzz-report.txt"
printf '%-12s %8s %12s %10s %s\n' harness seconds executions exec/s result >"$report"
for h in "${harnesses[@]}"; do
  log="$build/logs/$h.log"
  dirs=("$build/corpus/$h")
  [ -d "$root/fuzz/regressions/$h" ] && dirs+=("$root/fuzz/regressions/$h")
  start=$(date +%s)
  status=0
  nice -n 19 "$build/fuzz/fuzz_$h" -max_total_time="$seconds" -max_len=8192 -timeout=120 -rss_limit_mb=3072 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$h-" "${dirs[@]}" >"$log" 2>&1 || status=$?
  elapsed=$(( $(date +%s) - start ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(( ${runs:-0} / (elapsed > 0 ? elapsed : 1) ))
  result=ok
  if [ "$status" -ne 0 ]; then
    result="FOUND (exit $status, see $log)"
    failed=1
  fi
  printf '%-12s %8s %12s %10s %s\n' "$h" "$elapsed" "${runs:-?}" "$rate" "$result" | tee -a "$report"
done
echo "fuzz report: $report"
exit $failed
