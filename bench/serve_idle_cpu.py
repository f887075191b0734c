#!/usr/bin/env python3
"""usage: bench/serve_idle_cpu.py [BIN_DIR (build/release/bin)] [SECONDS (10)]
What serving costs while nothing happens: tqv-multibuf --listen (offscreen, not
acquiring: its 200 ms tick runs all the same) and tqv-serve, each with one client
connected that asks nothing, and the panel without --listen for comparison. Prints each
process's CPU share over the time, every thread counted."""
import os
import re
import socket
import subprocess
import sys
import time

bin_dir = sys.argv[1] if len(sys.argv) > 1 else "build/release/bin"
seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10
ticks = os.sysconf("SC_CLK_TCK")
offscreen = {**os.environ, "QT_QPA_PLATFORM": "offscreen", "TQV_NO_MESSAGE_BOX": "1"}


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / ticks


def measure(name, command, env, listens):
    program = subprocess.Popen(command, stderr=subprocess.PIPE, env=env)
    client = None
    if listens:
        said = b""
        while not re.search(rb"listening on 127.0.0.1:(\d+)", said):
            said += program.stderr.read1(4096)
        client = socket.create_connection(("127.0.0.1", int(re.search(rb":(\d+)", said).group(1))))
    else:
        time.sleep(2)  # the window opened, the card identified
    time.sleep(1)
    before = cpu_seconds(program.pid)
    time.sleep(seconds)
    used = cpu_seconds(program.pid) - before
    if client:
        client.close()
    program.terminate()
    program.wait()
    print(f"{name:<42} {100 * used / seconds:5.2f} % of one core")


measure("tqv-multibuf (no --listen)", [f"{bin_dir}/tqv-multibuf"], offscreen, False)
measure("tqv-multibuf --listen, one client idle", [f"{bin_dir}/tqv-multibuf", "--listen", "0"],
        offscreen, True)
measure("tqv-serve, one client idle", [f"{bin_dir}/tqv-serve", "--listen", "127.0.0.1:0"],
        os.environ, True)
