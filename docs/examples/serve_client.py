#!/usr/bin/env python3
"""A bench client of tqv-serve through PyVISA (pyvisa-py): who is there, one second of
acquisition fetched as it comes, the channels measured, the digital outputs written and
read back, the errors read, the card stopped.

    tqv-serve &
    python3 serve_client.py                       # TCPIP::127.0.0.1::5025::SOCKET
    python3 serve_client.py TCPIP::bench7::5025::SOCKET

Debian: apt install python3-pyvisa python3-pyvisa-py python3-numpy
"""
import sys
import time

import numpy
import pyvisa

resource = sys.argv[1] if len(sys.argv) > 1 else "TCPIP::127.0.0.1::5025::SOCKET"
manager = pyvisa.ResourceManager("@py")
card = manager.open_resource(resource, read_termination="\n", write_termination="\n")
card.timeout = 10000  # ms: *TST? acquires for a second when nothing is acquiring



def fetch_scans(card):
    """FETC:SCAN? as an array of scans (one row each, channels 0..3). The block is read by
    its header with the read termination off: pyvisa-py would otherwise end a read at
    every byte 0x0A among the codes, which is slow for the megabytes a second of a fast
    card. For a few blocks, card.query_binary_values("FETC:SCAN?", datatype="h") does."""
    card.write("FETC:SCAN?")
    card.read_termination = None
    try:
        digits = int(card.read_bytes(2)[1:2])  # "#" and the count of length digits
        length = int(card.read_bytes(digits))
        data = card.read_bytes(length + 1)     # the codes and the line's end
    finally:
        card.read_termination = "\n"
    return numpy.frombuffer(bytes(data[:length]), dtype="<i2").reshape(-1, 4)


print("instrument:", card.query("*IDN?"))
card.encoding = "utf-8"  # the panel's identity line is Chinese
print("card:", card.query("SYST:CARD?"))

card.write("*RST;*CLS")
card.write("INIT")
# Fetch ten times a second, as a logger would; nothing is lost as long as the fetches
# come at least once a second. Each fetch gives the scans stored since the one before.
pieces = []
started = time.monotonic()
while time.monotonic() - started < 1.0:
    time.sleep(0.1)
    pieces.append(fetch_scans(card))
    lost = int(card.query("FETC:LOST?"))
    if lost:
        print("lost", lost, "scans before this fetch")
scans = numpy.concatenate(pieces)
print(f"{len(scans)} scans in {len(pieces)} fetches, rate",
      card.query("ACQ:SRAT?"), "scans/s, blocks lost:", card.query("ACQ:LOST?"))
# Channel 3 of the simulated card counts scans: every fetch continues the one before.
steps = numpy.diff(scans[:, 3].astype(numpy.int64)) % 65536
print("counter continuous across the fetches:", bool(numpy.all(steps == 1)))

for name, query in (("frequency/Hz", "FREQ"), ("peak-to-peak", "PTP"), ("mean", "MEAN"),
                    ("RMS", "RMS"), ("duty/%", "DCYC")):
    values = card.query_ascii_values(f"MEAS:{query}? (@0:3)")
    # 9.91E37 is SCPI's "none": fewer than two whole periods, or a flat line.
    print(f"{name:>13}:", ", ".join("none" if v > 9e37 else f"{v:.4g}" for v in values))

card.write("DIG:OUTP:BYTE 1,165")  # port 1 = outputs 8..15
card.write("DIG:OUTP:BIT 0,1")     # the panel's channel 1
words = card.query_ascii_values("DIG:INP?", converter="d")
print("input words:", words, "(the simulated card loops the outputs back: 1 and 165)")
card.write("DIG:OUTP:BYTE 0,0;BYTE 1,0")

card.write("MEAS:VOLT? (@0)")  # no such command
print("error queue:", card.query("SYST:ERR?"), "then", card.query("SYST:ERR?"))
print("self-test:", "passed" if card.query("*TST?") == "0" else "failed")
card.write("ABOR")
print("acquiring:", card.query("ACQ:STAT?"))
card.close()
manager.close()
