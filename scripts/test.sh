#!/usr/bin/env bash
# Sets up, builds and runs every test:
#   1. the development build (warnings as errors) and its whole suite;
#   2. the whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer;
#   3. the simulated card and the binding under ThreadSanitizer;
#   4. each fuzz target for a bounded time from its seed corpus;
#   5. the card library's 32-bit Windows ABI, cross-built and run under wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
jobs="$(nproc)"
started=$SECONDS

stage() { echo "=== $* ($(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s)"; }

run_preset() {
  local preset=$1
  stage "$preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" -j"$jobs"
}

run_preset dev
run_preset asan
run_preset tsan
stage "fuzzing"
scripts/fuzz.sh "${TQV_FUZZ_SECONDS:-20}"
stage "windows abi"
scripts/windows-abi.sh
stage "all tests passed"
