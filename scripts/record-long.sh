#!/usr/bin/env bash
# A long recording from the simulated card at a hundred times the card's rate, outside
# CI: scripts/record-long.sh [SECONDS, default 600] [FOLDER, default /var/tmp].
# Checks: exit 0 and no gap, sox's length equal to the scans written, the counter channel
# continuous through the whole file; reports the CPU share of the program's own threads
# (the simulated card's adcard-acquire thread apart) and the RSS at 10 s, 1 min and the end.
# Needs a release build (build/release/bin/tqv-record), sox and python3-numpy.
set -euo pipefail

seconds=${1:-600}
folder=${2:-/var/tmp}
here=$(cd "$(dirname "$0")/.." && pwd)
program=${TQV_RECORD:-$here/build/release/bin/tqv-record}
file=$folder/tqv-record-long-$$.wav
trap 'rm -f "$file" "$file.json"' EXIT

"${PYTHON:-/usr/bin/python3}" - "$program" "$file" "$seconds" <<'PYTHON'
import json, os, subprocess, sys, time
import numpy

program, path, seconds = sys.argv[1], sys.argv[2], int(sys.argv[3])
ticks = os.sysconf("SC_CLK_TCK")

def threads(pid):
    """(own CPU seconds, card thread CPU seconds) of the process's threads so far."""
    own = card = 0.0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            comm = open(f"/proc/{pid}/task/{task}/comm").read().strip()
            fields = open(f"/proc/{pid}/task/{task}/stat").read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        used = (int(fields[11]) + int(fields[12])) / ticks
        if comm.startswith("adcard"):
            card += used
        else:
            own += used
    return own, card

def rss_mb(pid):
    for line in open(f"/proc/{pid}/status"):
        if line.startswith("VmRSS:"):
            return int(line.split()[1]) / 1024
    return 0.0

started = time.monotonic()
# --seconds counts the card's own time, which runs a hundred times the wall clock's here.
process = subprocess.Popen([program, "--seconds", str(seconds * 100), path],
                           env={**os.environ, "ADCARD_SIM_SPEED": "100"})
samples = {}
while process.poll() is None:
    elapsed = time.monotonic() - started
    try:
        own, card = threads(process.pid)
        samples["end"] = (elapsed, own, card, rss_mb(process.pid))
        if elapsed >= 10 and "10 s" not in samples:
            samples["10 s"] = samples["end"]
        if elapsed >= 60 and "1 min" not in samples:
            samples["1 min"] = samples["end"]
    except OSError:
        pass
    time.sleep(1)
status = process.wait()
print(f"tqv-record exit status {status}")
for name in ("10 s", "1 min", "end"):
    if name not in samples:
        continue
    elapsed, own, card, rss = samples[name]
    print(f"at {name} ({elapsed:.0f} s): own threads {100 * own / elapsed:.1f} % of one core, "
          f"card thread {100 * card / elapsed:.1f} %, RSS {rss:.1f} MB")

metadata = json.load(open(f"{path}.json"))
print(f"metadata: {metadata['scans_written']} scans, {len(metadata['gaps'])} gaps, "
      f"stopped: {metadata['stopped']['reason']}")
with open(path, "rb") as head:
    print(f"container: {head.read(4).decode()}, {os.path.getsize(path)} bytes")
length = int(subprocess.run(["soxi", "-s", path], capture_output=True, text=True,
                            check=True).stdout)
print(f"sox length: {length} scans")

decode = subprocess.Popen(["sox", path, "-t", "raw", "-e", "signed-integer", "-b", "16", "-L", "-"],
                          stdout=subprocess.PIPE)
scans = 0
last = None
continuous = True
chunk_scans = 1 << 20
while True:
    data = decode.stdout.read(chunk_scans * 8)
    if not data:
        break
    counter = numpy.frombuffer(data, dtype="<i2").reshape(-1, 4)[:, 3].astype(numpy.uint16)
    if last is not None and (int(last) + 1) & 0xFFFF != int(counter[0]):
        continuous = False
    if numpy.any(numpy.diff(counter) != 1):
        continuous = False
    last = counter[-1]
    scans += len(counter)
decode.wait()
print(f"decoded: {scans} scans, counter continuous: {continuous}")

failures = []
if status != 0:
    failures.append(f"exit status {status}")
if metadata["gaps"]:
    failures.append(f"gaps {metadata['gaps']}")
if not (length == scans == metadata["scans_written"]):
    failures.append("sox's length, the decoded scans and the metadata differ")
if not continuous:
    failures.append("the counter channel jumps")
print("PASS" if not failures else "FAIL: " + "; ".join(failures))
sys.exit(1 if failures else 0)
PYTHON
