#!/usr/bin/env python3
"""usage: run_serve.py SCENARIO TQV_SERVE WORK_DIR
tqv-serve on the simulated card, driven by PyVISA with its pyvisa-py backend (a client
nobody here wrote) and by hostile clients over plain sockets."""
import os
import random
import signal
import socket
import struct
import sys
import time

import pyvisa

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from served import Line, Served, expect, fresh_folder, wait_for  # noqa: E402


def visa(port, timeout_ms=10000):
    manager = pyvisa.ResourceManager("@py")
    instrument = manager.open_resource(f"TCPIP::127.0.0.1::{port}::SOCKET",
                                       read_termination="\n", write_termination="\n")
    instrument.timeout = timeout_ms
    return manager, instrument


def counter_continuous(first, second):
    """Channel 3 is the simulated card's scan counter: every scan follows the one before."""
    counter = [value & 0xFFFF for value in (first + second)[3::4]]
    steps = {(b - a) & 0xFFFF for a, b in zip(counter, counter[1:])}
    return steps == {1}, steps


def check_pyvisa(instrument, stage=lambda name: None):
    """The session a bench user runs first: identity, two fetches, a measurement, the
    outputs read back through the loopback, an error, the self-test, the end. `stage` is
    told where it got to, for a test that looks at the window meanwhile."""
    identity = instrument.query("*IDN?").split(",")
    expect(len(identity) == 4 and identity[0] == "TQV" and identity[1] == "TQV5200-1" and
           identity[2] == "0", f"*IDN? gave {identity}")
    instrument.write("INIT")
    wait_for(lambda: int(instrument.query("ACQ:COUN?")) >= 3, 10, "three blocks")
    stage("acquiring")
    first = instrument.query_binary_values("FETC:SCAN?", datatype="h")
    stored = int(instrument.query("ACQ:COUN?"))
    wait_for(lambda: int(instrument.query("ACQ:COUN?")) > stored, 10, "more blocks")
    second = instrument.query_binary_values("FETC:SCAN?", datatype="h")
    expect(len(first) % 4 == 0 and len(first) >= 3 * 1200 and len(second) >= 1200,
           f"fetched {len(first)} and {len(second)} codes")
    continuous, steps = counter_continuous(first, second)
    expect(continuous, f"the counter channel jumps across the fetches: steps {sorted(steps)[:5]}")
    expect(instrument.query("FETC:LOST?") == "0", "a fetch missed scans")

    frequency = instrument.query_ascii_values("MEAS:FREQ? (@0)")[0]
    expect(abs(frequency - 50) < 0.25, f"channel 0 measured {frequency} Hz, not 50")

    instrument.write("DIG:OUTP:BYTE 1,165")
    instrument.write("DIG:OUTP:BIT 3,1")
    words = instrument.query_ascii_values("DIG:INP?", converter="d")
    expect(len(words) == 6 and words[1] == 165 and words[0] & 0x08,
           f"outputs not read back through the loopback: {words}")
    stage("outputs")
    instrument.write("DIG:OUTP:BYTE 0,0;BYTE 1,0")

    instrument.write("MEAS:VOLT? (@0)")
    error = instrument.query("SYST:ERR?")
    expect(error.startswith('-113,"Undefined header'), f"SYST:ERR? gave {error}")
    expect(instrument.query("SYST:ERR?") == '0,"No error"', "the error queue did not empty")

    result = instrument.query("*TST?")
    expect(result == "0", f"*TST? on the running acquisition gave {result}")
    expect(instrument.query("ACQ:STAT?") == "1", "*TST? stopped the acquisition")
    instrument.write("ABOR")
    expect(instrument.query("ACQ:STAT?") == "0", "ABORt left it running")
    stage("stopped")


def pyvisa_session(program, work):
    served = Served([program, "--listen", "127.0.0.1:0"])
    manager, instrument = visa(served.port)
    try:
        check_pyvisa(instrument)
        instrument.encoding = "utf-8"
        card = instrument.query("SYST:CARD?")
        expect(card == '"卡名: 5200 类型: 1"', f"SYST:CARD? gave {card}")
        # On an idle card *TST? acquires a run of its own, and stops it again.
        expect(instrument.query("*TST?;:ACQ:STAT?") == "0;0", "*TST? on the idle card")
    finally:
        instrument.close()
        manager.close()
    status, said = served.stop()
    expect(status == 0, f"exit {status} after SIGTERM\n{said}")


def acquiring_server(program, **env):
    served = Served([program, "--listen", "127.0.0.1:0", "--verbose"], env=env)
    watcher = Line(served.port)
    watcher.send("INIT")
    wait_for(lambda: int(watcher.ask("ACQ:COUN?")) >= 2, 10, "acquisition")
    return served, watcher


def still_acquiring(served, watcher, since_blocks):
    """The others go on: acquisition runs, nothing lost, answers still come."""
    blocks = max(int(watcher.ask("ACQ:COUN?")), since_blocks)
    wait_for(lambda: int(watcher.ask("ACQ:COUN?")) > blocks, 10, "blocks still coming")
    state = watcher.ask("ACQ:STAT?;LOST?")
    expect(state == "1;0", f"acquisition stopped or lost blocks: {state}")
    expect(watcher.ask("*IDN?").startswith("TQV,"), "the watching client got no answer")
    expect(served.rss_kib() < 200 * 1024, f"the server grew to {served.rss_kib()} KiB")


def finish(served, watcher):
    watcher.close()
    status, said = served.stop()
    expect(status == 0, f"exit {status} after SIGTERM\n{said}")
    return said


def many_clients(program, work):
    served, watcher = acquiring_server(program)
    blocks = int(watcher.ask("ACQ:COUN?"))
    clients = [Line(served.port) for _ in range(15)]
    for client in clients:
        expect(client.ask("*IDN?").startswith("TQV,"), "one of 16 clients got no answer")
    extra = [Line(served.port) for _ in range(4)]
    for client in extra:
        expect(client.closed_by_server(), "a 17th client was not dropped")
    clients[3].send("*OPC?;" * 1000)
    expect(clients[3].read_line() == ";".join(["1"] * 1000), "a long line of queries")
    still_acquiring(served, watcher, blocks)
    said = finish(served, watcher)
    expect("dropped: more than 16 clients" in said, f"no word of the dropped clients\n{said}")


def long_line(program, work):
    served, watcher = acquiring_server(program)
    blocks = int(watcher.ask("ACQ:COUN?"))
    client = Line(served.port)
    try:
        client.socket.sendall(b"*IDN?" + b" " * (70 * 1024))
    except (ConnectionResetError, BrokenPipeError):
        pass
    expect(client.closed_by_server(), "a line over 64 KiB did not drop the client")
    still_acquiring(served, watcher, blocks)
    said = finish(served, watcher)
    expect("dropped: a line longer than 64 KiB" in said, said)


def garbage(program, work):
    served, watcher = acquiring_server(program)
    blocks = int(watcher.ask("ACQ:COUN?"))
    rng = random.Random(5025)
    client = Line(served.port)
    try:
        for _ in range(200):
            client.socket.sendall(bytes(rng.randrange(256) for _ in range(4096)))
    except (ConnectionResetError, BrokenPipeError):
        pass
    # Lines of control bytes are refused one by one; too long a run without a line's end
    # drops the client. Either way the others go on.
    still_acquiring(served, watcher, blocks)
    finish(served, watcher)


def never_reads(program, work):
    served, watcher = acquiring_server(program, ADCARD_SIM_SPEED="100")
    blocks = int(watcher.ask("ACQ:COUN?"))
    client = Line(served.port)
    client.socket.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    client.socket.settimeout(0.2)
    started = time.monotonic()
    try:
        while time.monotonic() - started < 3:
            client.socket.sendall(b"FETC:SCAN?\n")
            time.sleep(0.01)
    except (socket.timeout, ConnectionResetError, BrokenPipeError):
        pass  # its own socket filled up: the server reads no more of it
    still_acquiring(served, watcher, blocks)
    # Reading would make it a client that reads: the server's own word tells the drop.
    wait_for(lambda: "dropped: its answers were left unread for 10 s" in served.said(), 30,
             "the client that never reads to be dropped")
    still_acquiring(served, watcher, blocks)
    client.close()
    finish(served, watcher)


def disconnect_mid_block(program, work):
    served, watcher = acquiring_server(program, ADCARD_SIM_SPEED="100")
    blocks = int(watcher.ask("ACQ:COUN?"))
    for _ in range(5):
        client = Line(served.port)
        time.sleep(0.3)
        client.send("FETC:SCAN?")
        client.socket.recv(1000)
        # A reset, not a polite close: the rest of the block has nowhere to go.
        client.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        client.close()
    still_acquiring(served, watcher, blocks)
    finish(served, watcher)


def example(program, work):
    """docs/examples/serve_client.py as a user runs it, against tqv-serve."""
    import subprocess
    served = Served([program, "--listen", "127.0.0.1:0"])
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "examples",
                          "serve_client.py")
    done = subprocess.run([sys.executable, script, f"TCPIP::127.0.0.1::{served.port}::SOCKET"],
                          capture_output=True, text=True, timeout=60)
    expect(done.returncode == 0, f"the example ended with {done.returncode}\n{done.stdout}\n{done.stderr}")
    for line in ("instrument: TQV,TQV5200-1,0,", "counter continuous across the fetches: True",
                 "input words: [1, 165,", 'error queue: -113,"Undefined header;MEAS:VOLT?"',
                 "self-test: passed", "acquiring: 0"):
        expect(line in done.stdout, f"the example did not say '{line}':\n{done.stdout}")
    status, said = served.stop()
    expect(status == 0, f"exit {status}\n{said}")


def full_rate_second(program, work):
    """At a hundred times the card's rate a client that fetches once a second loses
    nothing: the ring keeps two seconds of a million scans a second."""
    served = Served([program, "--listen", "127.0.0.1:0"], env={"ADCARD_SIM_SPEED": "100"})
    manager, instrument = visa(served.port)
    instrument.write("INIT")
    first = instrument.query_binary_values("FETC:SCAN?", datatype="h")
    started = time.monotonic()
    wait_for(lambda: time.monotonic() - started >= 1.0, 5, "a second")
    second = instrument.query_binary_values("FETC:SCAN?", datatype="h")
    expect(len(second) // 4 >= 800_000, f"{len(second) // 4} scans in a second at 1 M scans/s")
    expect(instrument.query("FETC:LOST?;:ACQ:LOST?") == "0;0", "scans or blocks lost")
    continuous, steps = counter_continuous(first, second)
    expect(continuous, f"the counter jumps: {sorted(steps)[:5]}")
    instrument.close()
    manager.close()
    status, said = served.stop()
    expect(status == 0, f"exit {status}\n{said}")


def refused_port(program, work):
    holder = socket.socket()
    holder.bind(("127.0.0.1", 0))
    holder.listen()
    port = holder.getsockname()[1]
    import subprocess
    done = subprocess.run([program, "--listen", f"127.0.0.1:{port}"], capture_output=True,
                          text=True, timeout=30)
    expect(done.returncode == 2 and f"cannot listen on 127.0.0.1:{port}" in done.stderr,
           f"exit {done.returncode}: {done.stderr}")
    done = subprocess.run([program, "--listen", "nowhere:5025"], capture_output=True, text=True,
                          timeout=30)
    expect(done.returncode == 2 and "--listen" in done.stderr, f"exit {done.returncode}: {done.stderr}")
    holder.close()


SCENARIOS = {name: globals()[name] for name in (
    "pyvisa_session", "many_clients", "long_line", "garbage", "never_reads",
    "disconnect_mid_block", "refused_port", "example", "full_rate_second")}

if __name__ == "__main__":
    scenario, program, work = sys.argv[1:4]
    SCENARIOS[scenario](program, fresh_folder(work))
