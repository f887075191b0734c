#!/usr/bin/env bash
# Sets up, builds and runs every test, the cheapest stage first so that a failure shows
# early:
#   1. windows: the card library's 32-bit Windows ABI, cross-built and run under wine;
#   2. tsan: the simulated card, the binding, the self-test and the recorder under
#      ThreadSanitizer (only what their tests need is built);
#   3. dev: the development build (warnings as errors, the benchmarks built too) and its
#      whole suite;
#   4. asan: the whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer
#      (clang), but for the Debian package's check, which runs nothing of ours;
#   5. fuzz: each fuzz target for TQV_FUZZ_SECONDS (20) from its seed corpus, all at
#      once, built by the asan stage.
# What each stage runs is its test preset's label filter (CMakePresets.json); before the
# tests run, tests/check_stages.py checks that the stage's list holds every suite the
# filter is meant to take. Each stage's time is printed as it ends, and all of them at
# the end.
#
# Environment: TQV_FUZZ_SECONDS (default 20), TQV_TEST_JOBS (tests run at once, default
# twice the processors: most of them wait on the simulated card's clock).
set -euo pipefail
cd "$(dirname "$0")/.."

jobs="$(nproc)"
test_jobs=${TQV_TEST_JOBS:-$((2 * jobs))}
fuzz_seconds=${TQV_FUZZ_SECONDS:-20}
started=$SECONDS
stage_started=$SECONDS
stage_name=""
times=()

clock() { printf '%d min %02d s' $(($1 / 60)) $(($1 % 60)); }
stage() {
  end_stage
  stage_name=$1
  stage_started=$SECONDS
  echo "=== $stage_name (at $(clock $((SECONDS - started))))"
}
end_stage() {
  [[ -n $stage_name ]] || return 0
  times+=("$(printf '%-8s %s' "$stage_name" "$(clock $((SECONDS - stage_started)))")")
  echo "=== $stage_name took $(clock $((SECONDS - stage_started)))"
  stage_name=""
}
summary() {
  local status=$?
  end_stage
  echo "=== stage times"
  printf '%s\n' "${times[@]}"
  printf '%-8s %s\n' total "$(clock $((SECONDS - started)))"
  [[ $status -eq 0 ]] && echo "=== all tests passed" || echo "=== FAILED (status $status)"
}
trap summary EXIT

# check_stage PRESET BUILD: the stage's test list against its preset's filter.
check_stage() {
  python3 tests/check_stages.py --presets CMakePresets.json --build "$2" \
    --suites "$2/test-suites.tsv" --preset "$1"
}

# In CI, where every build starts afresh, each target's files are compiled together
# (a unity build: the headers parsed once per target, not once per file, a third less
# to compile), and the debug builds carry line tables only (-g1: enough for every
# sanitizer's report and a backtrace). A developer's build keeps its files apart, for
# quick rebuilds, and full -g.
ci_flags=()
if [[ ${CI:-} == true ]]; then
  ci_flags=(-DCMAKE_UNITY_BUILD=ON -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1)
fi

# build_and_test PRESET [CONFIGURE OPTIONS...]
build_and_test() {
  local preset=$1
  shift
  cmake --preset "$preset" "${ci_flags[@]}" "$@" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  check_stage "$preset" "build/$preset"
  ctest --preset "$preset" -j"$test_jobs"
}

stage setup
scripts/setup.sh

stage windows
scripts/windows-abi.sh

stage tsan
build_and_test tsan

stage dev
build_and_test dev

stage asan
build_and_test asan -DTQV_FUZZ_TEST_SECONDS="$fuzz_seconds"

stage fuzz
check_stage fuzz build/asan
ctest --preset fuzz -j"$jobs"
# libFuzzer's last line per target: executions, coverage, corpus, executions per second.
for log in build/asan/fuzz-artifacts/*.log; do
  printf '%-22s %s\n' "$(basename "$log" .log)" "$(grep -E '^#[0-9]+' "$log" | tail -n 1)"
done
