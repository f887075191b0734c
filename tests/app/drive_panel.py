#!/usr/bin/env python3
"""usage: drive_panel.py PORT
The PyVISA session of the tqv-serve test, against tqv-multibuf --listen: at each stage
it says "stage NAME" and waits for "go" on standard input, while the test looks at the
window."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "network"))
from run_serve import check_pyvisa, visa  # noqa: E402
from served import expect  # noqa: E402


def stage(name):
    print("stage", name, flush=True)
    expect(sys.stdin.readline().strip() == "go", f"no go after stage {name}")


manager, instrument = visa(int(sys.argv[1]))
check_pyvisa(instrument, stage)
instrument.close()
manager.close()
print("done", flush=True)
