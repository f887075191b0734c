#!/usr/bin/env bash
# scripts/soak.sh MINUTES [SPEED]: a long run outside CI. The real panel with its scope
# open records from the simulated card (run SPEED times faster, default 2: well within
# what the 200 ms tick keeps up with) for MINUTES, off screen. Every minute it prints the
# panel's resident memory; at the end it checks that the recording's scan-counter channel
# (channel 3) is continuous through the whole file, that no gap was recorded, and that
# the card never dropped a block (no overrun in the card's trace, so its error code
# stayed 0). Exit 0 when all holds.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:?usage: scripts/soak.sh MINUTES [SPEED]}
speed=${2:-2}

cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target tqv-multibuf adcard >/dev/null
command -v sox >/dev/null || { echo "soak: needs sox (scripts/setup.sh installs it)"; exit 2; }
work=$(mktemp -d /tmp/tqv-soak.XXXXXX)
recording="$work/soak.wav"
echo "soak: ${minutes} min at speed ${speed}; files in $work"

ADCARD_SIM_SPEED=$speed ADCARD_SIM_TRACE="$work/trace.txt" QT_QPA_PLATFORM=offscreen \
  build/release/bin/tqv-multibuf --scope --record "$recording" --start 2>"$work/stderr.txt" &
panel=$!
trap 'kill "$panel" 2>/dev/null || true' EXIT

for minute in $(seq 1 "$minutes"); do
  sleep 60
  kill -0 "$panel" 2>/dev/null || { echo "soak: the panel ended early"; cat "$work/stderr.txt"; exit 1; }
  rss=$(awk '/^VmRSS/ { print $2 " " $3 }' "/proc/$panel/status")
  echo "minute $minute: RSS $rss"
done
kill -TERM "$panel"
wait "$panel" || true
trap - EXIT

overruns=$(grep -c '^Overrun' "$work/trace.txt" || true)
# Read back by sox, a reader nobody here wrote: its own count of scans, and the samples.
scans=$(soxi -s "$recording")
sox "$recording" -t raw -e signed -b 16 -L "$work/samples.raw"
/usr/bin/python3 - "$recording" "$overruns" "$scans" "$work/samples.raw" <<'PY'
import json, sys
import numpy as np
path, overruns, frames, raw = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
data = np.fromfile(raw, dtype="<i2").reshape(-1, 4)
counter = data[:, 3].astype(np.int64)
steps = np.diff(counter) % 65536
jumps = np.count_nonzero(steps != 1)
meta = json.load(open(path + ".json"))
gaps = len(meta.get("gaps", []))
seconds = frames / 10000
print(f"recorded {frames} scans ({seconds:.0f} s), counter jumps {jumps}, gaps {gaps}, "
      f"card overruns {overruns}")
sys.exit(0 if jumps == 0 and gaps == 0 and overruns == 0 and frames == len(data) > 0 else 1)
PY
