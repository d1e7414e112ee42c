#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite: scripts/test.sh [--sanitize]
# --sanitize builds with clang and runs the tests under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/help.sh"
if [ $# -gt 1 ] || { [ $# -eq 1 ] && [ "$1" != "--sanitize" ]; }; then
  echo "usage: $0 [--sanitize] (see --help)" >&2
  exit 2
fi
bash "$root/scripts/install-deps.sh"
build=$(bash "$root/scripts/build.sh" "$@")
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
