#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz": clang, libFuzzer, ASan + UBSan) and runs
# each one for SECONDS (default 60) on a temporary copy of its checked-in seed
# corpus, so the seeds never grow. One summary line per target; the exit status is
# non-zero when any target found something or could not run.
#
#   scripts/fuzz.sh [SECONDS]
#
# Findings and full logs: build/fuzz/fuzz-artifacts/<target>-crash-* and <target>.log.
# Reproduce a finding: build/fuzz/bin/<target> build/fuzz/fuzz-artifacts/<target>-crash-...
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [[ $seconds -eq 0 ]]; then
  echo "usage: $0 [SECONDS]   (a whole number above 0)" >&2
  exit 2
fi

build=build/fuzz
artifacts=$build/fuzz-artifacts

echo "=== configure and build (preset fuzz)"
cmake --preset fuzz >/dev/null
# Only the fuzz targets: the unit tests of this build are for ctest --preset fuzz.
cmake --build --preset fuzz -j2 --target fuzz_numeric_prefix fuzz_digital_output fuzz_scpi_parser

# One line per target, written at configure time: name, binary, seeds, options.
manifest=$build/fuzzers.tsv
if [[ ! -s $manifest ]]; then
  echo "no fuzz targets listed in $manifest" >&2
  exit 1
fi

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
