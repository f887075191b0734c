#!/usr/bin/env bash
# Builds the fuzz targets (preset "asan": clang, libFuzzer, ASan + UBSan) and runs
# each one for SECONDS (default 60) on a temporary copy of its checked-in seed
# corpus, so the seeds never grow. One summary line per target; the exit status is
# non-zero when any target found something or could not run. (CI runs the same
# targets for 20 s each as CTest tests: ctest --preset fuzz.)
#
#   scripts/fuzz.sh [SECONDS]
#
# Findings and full logs: build/asan/fuzz-artifacts/<target>-crash-* and <target>.log.
# Reproduce a finding: build/asan/bin/<target> build/asan/fuzz-artifacts/<target>-crash-...
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [[ $seconds -eq 0 ]]; then
  echo "usage: $0 [SECONDS]   (a whole number above 0)" >&2
  exit 2
fi

build=build/asan
artifacts=$build/fuzz-artifacts

echo "=== configure and build (preset asan)"
cmake --preset asan >/dev/null
# One line per target, written at configure time: name, binary, seeds, options.
manifest=$build/fuzzers.tsv
if [[ ! -s $manifest ]]; then
  echo "no fuzz targets listed in $manifest" >&2
  exit 1
fi
# Only the fuzz targets: the rest of this build is for ctest --preset asan.
mapfile -t targets < <(cut -f 1 "$manifest")
cmake --build --preset asan -j"$(nproc)" --target "${targets[@]}"

echo "=== fuzzing, ${seconds}s per target"
failed=0
summary=()
while IFS=$'\t' read -r name binary seeds options; do
  [[ -n $name ]] || continue
  # shellcheck disable=SC2086  # the options are separate words
  if line=$(tests/fuzz/run_fuzzer.sh "$binary" "$seeds" "$seconds" "$artifacts" $options); then
    :
  else
    failed=1
  fi
  echo "$line"
  summary+=("$(head -n 1 <<<"$line")")
done <"$manifest"

echo "=== summary"
printf '%s\n' "${summary[@]}"
if [[ $failed -ne 0 ]]; then
  echo "fuzzing found a problem: see $artifacts" >&2
  exit 1
fi
