#!/usr/bin/env bash
# Runs one fuzz target for a while on a throw-away copy of its seed corpus and prints
# one summary line. Used by CTest (label "fuzz") and by scripts/fuzz.sh.
#
#   run_fuzzer.sh BINARY SEED_CORPUS SECONDS ARTIFACT_DIR [libFuzzer options...]
#
# Exit status: 0 when the run ended without a finding, otherwise libFuzzer's status.
# A finding is kept as ARTIFACT_DIR/<target>-crash-<sha1> (or leak-, timeout-, oom-)
# together with the full log ARTIFACT_DIR/<target>.log.
set -uo pipefail

if [[ $# -lt 4 ]]; then
  echo "usage: $0 BINARY SEED_CORPUS SECONDS ARTIFACT_DIR [libFuzzer options...]" >&2
  exit 2
fi
binary=$1 seeds=$2 seconds=$3 artifacts=$4
shift 4
name=$(basename "$binary")

mkdir -p "$artifacts"
work=$(mktemp -d "${TMPDIR:-/tmp}/${name}.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus"
if [[ -d "$seeds" ]]; then
  cp -R "$seeds/." "$work/corpus/"
fi
log="$artifacts/$name.log"

start=$(date +%s)
"$binary" "$work/corpus" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$artifacts/$name-" "$@" >"$log" 2>&1
status=$?
elapsed=$(( $(date +%s) - start ))

stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -n 1; }
execs=$(stat number_of_executed_units)
rate=$(stat average_exec_per_sec)
last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
corp=$(sed -n 's/.* corp: \([0-9]*\/[0-9A-Za-z]*\).*/\1/p' <<<"$last")

if [[ $status -eq 0 ]]; then
  verdict=ok
else
  verdict="FAILED (status $status)"
fi
printf '%-22s %s: %s executions, %s exec/s, cov %s, ft %s, corpus %s, %ss\n' \
  "$name" "$verdict" "${execs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$elapsed"

if [[ $status -ne 0 ]]; then
  if grep -q '^==== broken rule' "$log"; then
    echo "--- from $log:"
    sed -n '/^==== broken rule/,$p' "$log" | head -n 40
  else
    echo "--- last lines of $log:"
    tail -n 60 "$log"
  fi
  ls "$artifacts/$name"-* 2>/dev/null | sed 's/^/--- kept: /'
fi
exit "$status"
