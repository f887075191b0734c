#!/usr/bin/env bash
# tqv-selftest against the simulated card a hundred times faster than the card (a
# million scans a second, a block every 0.3 ms, 50 blocks of queue = 15 ms): the CPU
# time of each thread, read from /proc while it runs, so that the program's own
# thread is measured apart from the simulator's acquisition thread (adcard-acquire).
# The acquisition check fails on the block rate at this speed, as it must; what
# matters here is the CPU share and whether the card reported an overrun (-5).
# usage: bench/selftest_cpu.sh [BIN_DIR (build/release/bin)] [SECONDS (10)]
set -euo pipefail
bin=${1:-build/release/bin}
seconds=${2:-10}
ticks=$(getconf CLK_TCK)
table=$(mktemp)
ADCARD_SIM_SPEED=100 "$bin/tqv-selftest" --seconds "$seconds" > "$table" 2>&1 &
pid=$!
declare -A cpu name
while kill -0 "$pid" 2>/dev/null; do
  for task in /proc/"$pid"/task/*; do
    line=$(cat "$task/stat" 2>/dev/null) || continue
    fields=(${line##*) })
    cpu[${task##*/}]=$((fields[11] + fields[12]))  # utime + stime
    name[${task##*/}]=$(cat "$task/comm" 2>/dev/null || echo "?")
  done
  sleep 0.2
done
wait "$pid" || true
for id in "${!cpu[@]}"; do
  awk -v n="${name[$id]}" -v t="${cpu[$id]}" -v hz="$ticks" -v s="$seconds" \
    'BEGIN { printf "%-16s %6.2f s CPU, %5.1f %% of one core\n", n, t / hz, 100 * t / hz / s }'
done
grep -E '^acquisition  |largest queue' "$table"
rm -f "$table"
