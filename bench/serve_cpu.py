#!/usr/bin/env python3
"""usage: bench/serve_cpu.py [BIN_DIR (build/release/bin)] [SECONDS (60)]
tqv-serve with the simulated card a hundred times faster than the card (a million scans
a second, 8 MB/s) and a PyVISA client (pyvisa-py) fetching every 100 ms, as a logger
would: every fetch must continue the one before (the card's counter channel), no scan
and no block lost. Prints the CPU share of the server's own threads over the run, apart
from the simulator's acquisition thread (which stands for the card), and PyVISA's *IDN?
round trip for comparison with bench_serve's. Exit status 1 when anything was lost."""
import os
import re
import statistics
import subprocess
import sys
import time

import numpy
import pyvisa

bin_dir = sys.argv[1] if len(sys.argv) > 1 else "build/release/bin"
seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 60
ticks = os.sysconf("SC_CLK_TCK")

server = subprocess.Popen([os.path.join(bin_dir, "tqv-serve"), "--listen", "127.0.0.1:0"],
                          stderr=subprocess.PIPE, env={**os.environ, "ADCARD_SIM_SPEED": "100"})
said = b""
while not re.search(rb"listening on 127.0.0.1:(\d+)", said):
    said += server.stderr.read1(4096)
port = int(re.search(rb"listening on 127.0.0.1:(\d+)", said).group(1))


def thread_cpu():
    """CPU seconds of the server's threads, by name."""
    cpu = {}
    for task in os.listdir(f"/proc/{server.pid}/task"):
        try:
            with open(f"/proc/{server.pid}/task/{task}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            with open(f"/proc/{server.pid}/task/{task}/comm") as comm:
                name = comm.read().strip()
        except FileNotFoundError:
            continue
        cpu[name] = cpu.get(name, 0) + (int(fields[11]) + int(fields[12])) / ticks
    return cpu


manager = pyvisa.ResourceManager("@py")
card = manager.open_resource(f"TCPIP::127.0.0.1::{port}::SOCKET", read_termination="\n",
                             write_termination="\n")
card.timeout = 10000
round_trips = []
for _ in range(2000):
    start = time.perf_counter()
    card.query("*IDN?")
    round_trips.append((time.perf_counter() - start) * 1e6)
round_trips.sort()


def fetch():
    # The block read by its header with the read termination off: pyvisa-py otherwise
    # ends a read at every byte 0x0A of the codes, and query_binary_values falls behind
    # 8 MB/s (docs/examples/serve_client.py does the same).
    card.write("FETC:SCAN?")
    card.read_termination = None
    try:
        digits = int(card.read_bytes(2)[1:2])
        length = int(card.read_bytes(digits))
        data = card.read_bytes(length + 1)
    finally:
        card.read_termination = "\n"
    return numpy.frombuffer(bytes(data[:length]), dtype="<i2")


card.write("INIT")
fetch()
before = thread_cpu()
started = time.monotonic()
fetches = scans = missed = 0
last = None
continuous = True
while time.monotonic() - started < seconds:
    time.sleep(0.1)
    codes = fetch()
    missed += int(card.query("FETC:LOST?"))
    counter = codes[3::4].astype(numpy.int64)
    if len(counter):
        steps = numpy.diff(counter) % 65536
        if (last is not None and (counter[0] - last) % 65536 != 1) or numpy.any(steps != 1):
            continuous = False
        last = counter[-1]
    fetches += 1
    scans += len(counter)
elapsed = time.monotonic() - started
after = thread_cpu()
lost_blocks = card.query("ACQ:LOST?")
card.write("ABOR")
card.close()
manager.close()
server.terminate()
server.wait()

print(f"PyVISA *IDN? round trip: median {statistics.median(round_trips):.0f} us, "
      f"99th percentile {round_trips[len(round_trips) * 99 // 100]:.0f} us")
print(f"{fetches} fetches in {elapsed:.1f} s, {scans} scans ({scans / elapsed / 1e6:.3f} M/s), "
      f"missed {missed}, blocks lost {lost_blocks}, counter continuous: {continuous}")
for name in sorted(after):
    used = after[name] - before.get(name, 0)
    print(f"  {name:<16} {used:6.2f} s CPU, {100 * used / elapsed:5.1f} % of one core")
own = sum(after[n] - before.get(n, 0) for n in after if n != "adcard-acquire")
print(f"server without the card's thread: {100 * own / elapsed:.1f} % of one core")
sys.exit(0 if continuous and missed == 0 and lost_blocks == "0" else 1)
