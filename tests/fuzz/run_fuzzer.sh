#!/usr/bin/env bash
# Fuzzes one target for SECONDS on a throw-away copy of its seed corpus (CTest label
# "fuzz", scripts/fuzz.sh). Prints one summary line; on a finding also the broken rule
# and the kept input, ARTIFACT_DIR/<target>-crash-<sha1> (log: ARTIFACT_DIR/<target>.log).
set -uo pipefail
[[ $# -ge 4 ]] || { echo "usage: $0 BINARY SEED_CORPUS SECONDS ARTIFACT_DIR [options...]" >&2; exit 2; }
binary=$1 seeds=$2 seconds=$3 artifacts=$4
shift 4
name=$(basename "$binary")
log="$artifacts/$name.log"
work=$(mktemp -d "${TMPDIR:-/tmp}/$name.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$artifacts" "$work/corpus" && cp -R "$seeds/." "$work/corpus/"

start=$SECONDS
"$binary" "$work/corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$artifacts/$name-" "$@" >"$log" 2>&1
status=$?
verdict=$([[ $status -eq 0 ]] && echo ok || echo "FAILED (status $status)")
# libFuzzer's last progress line: executions, coverage, features, corpus, exec/s.
printf '%-22s %s in %ss: %s\n' "$name" "$verdict" "$((SECONDS - start))" \
  "$(grep -E '^#[0-9]+' "$log" | tail -n 1 | tr -s ' \t' ' ')"
if [[ $status -ne 0 ]]; then
  echo "--- from $log:"
  if grep -q '^==== broken rule' "$log"; then sed -n '/^==== broken rule/,$p' "$log" | head -n 40; else tail -n 60 "$log"; fi
  ls "$artifacts/$name"-* 2>/dev/null | sed 's/^/--- kept: /'
fi
exit "$status"
