#!/usr/bin/env python3
"""usage: accessibility_test.py PROGRAM WORK_DIR  (run by accessibility_test.sh)

The real tqv-multibuf, found and driven through AT-SPI: the scope's Cursors and the Δt of
its readout for cursors a known distance apart, every state of the trigger's label, Ctrl+R
before and during a recording, the Channels… dialog, and a restart that finds the span,
the trigger and the Fit it was left with. Keys go in through xdotool, as a user's would.
Every wait is for a condition, with a generous bound."""
import os
import subprocess
import sys
import time

import pyatspi

PROGRAM, WORK = sys.argv[1:3]
failures = []


def fail(message):
    failures.append(message)
    print(f"FAIL: {message}", flush=True)


def wait_for(what, condition, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            value = condition()
            if value:
                return value
        except Exception:  # an object that went away while it was read: look again
            pass
        time.sleep(0.1)
    return None


def programs_on_the_bus():
    # The desktop's list of programs is cached and kept by events that this script, which
    # runs no main loop, may never read: a program started after the first look would
    # stay unseen. The registry is asked afresh each time.
    desktop = pyatspi.Registry.getDesktop(0)
    desktop.clearCache()
    return desktop


def nodes(root, depth=0):
    yield root
    if depth < 12:
        for child in root:
            if child is not None:
                yield from nodes(child, depth + 1)


def find(root, name=None, role=None):
    for node in nodes(root):
        if (name is None or node.name == name) and (role is None or node.getRoleName() == role):
            return node
    return None


def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True, timeout=20)


class Panel:
    def __init__(self, *arguments):
        self.log = open(f"{WORK}/program.log", "a")
        env = {**os.environ, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "QT_QPA_PLATFORM": "xcb"}
        # --verbose: Qt's own messages go to the log too, for a failure's reason.
        self.process = subprocess.Popen([PROGRAM, "--verbose", *arguments], env=env, stdout=self.log,
                                        stderr=self.log)
        self.app = wait_for("the program on the bus", lambda: next(
            (app for app in programs_on_the_bus()
             if app is not None and app.name == "tqv-multibuf"), None))
        if self.app is None:
            sys.exit("FAIL: tqv-multibuf never showed on the accessibility bus")
        self.scope = wait_for("the scope", lambda: find(self.app, "TQV5200-1 scope"))
        if self.scope is None:
            sys.exit("FAIL: no scope window on the accessibility bus")

    def control(self, name, role=None):
        found = wait_for(name, lambda: find(self.scope, name, role))
        if found is None:
            sys.exit(f"FAIL: no '{name}' in the scope")
        return found

    def press(self, name, root=None):
        node = wait_for(name, lambda: find(root or self.app, name))
        if node is None:
            sys.exit(f"FAIL: nothing named '{name}'")
        node.queryAction().doAction(0)

    def described(self, name):
        return self.control(name).description

    def focus_scope(self):
        window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "TQV5200-1 scope"],
                                capture_output=True, text=True, timeout=20).stdout.split()
        xdotool("windowfocus", "--sync", window[0])

    def focus(self, name, key=None):
        """Focuses a control through the bus, or by its label's access key (a combo box
        offers no focus action on the bus)."""
        self.focus_scope()
        if key:
            self.keys(key)
        else:
            self.control(name).queryComponent().grabFocus()
        if not wait_for(f"{name} focused", lambda: self.control(name).getState().contains(
                pyatspi.STATE_FOCUSED), 10):
            fail(f"'{name}' could not be focused")

    def keys(self, *keys):
        xdotool("key", "--clearmodifiers", "--delay", "60", *keys)

    def expect_state(self, state):
        if not wait_for(state, lambda: self.described("Trigger state") == state):
            fail(f"the trigger state says '{self.described('Trigger state')}', not '{state}'")

    def close(self):
        self.press("退出")
        try:
            status = self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            status = "still running"
        if status != 0:
            fail(f"the panel ended with {status}")


def cursors_and_trigger_states(panel):
    panel.expect_state("Stopped")
    panel.press("开始采集")
    panel.expect_state("Auto")

    panel.press("Cursors")
    # The whole ring of 600 ms, once blocks are stored: the time cursors at a quarter and
    # three quarters.
    if not wait_for("the readout", lambda: panel.described("Cursor readout").startswith(
            "t1 150.0 ms   t2 450.0 ms   Δt 300.0 ms")):
        fail(f"the cursor readout is '{panel.described('Cursor readout')}'")
    panel.focus("Waveforms of the ring")
    panel.keys("c", *["Right"] * 5)  # t2, five scans later
    if not wait_for("Δt 300.5 ms", lambda: "Δt 300.5 ms   1/Δt 3.328 Hz" in
                    panel.described("Cursor readout")):
        fail(f"after moving t2 five scans: '{panel.described('Cursor readout')}'")

    panel.focus("Off", "alt+t")  # the trigger mode, named by its choice
    panel.keys("n")
    panel.expect_state("Trig'd")
    panel.focus("Trigger level in the source's unit")
    panel.keys("ctrl+a", "5", "0", "Return")  # 50 V: the Supply stays within ±5 V
    panel.expect_state("Armed")
    if not wait_for("the note", lambda: panel.described("Trigger level note").startswith(
            "Level outside Supply's samples")):
        fail(f"the level note says '{panel.described('Trigger level note')}'")
    panel.focus("Normal", "alt+t")
    panel.keys("a")
    panel.expect_state("Auto")
    panel.focus("Trigger level in the source's unit")
    panel.keys("ctrl+a", "BackSpace", "Return")  # the middle of the samples again
    panel.expect_state("Trig'd")
    panel.focus("Auto", "alt+t")
    panel.keys("s")
    panel.expect_state("Held")
    panel.press("Pause the scope")
    panel.expect_state("Paused")
    panel.press("Resume the scope")
    panel.expect_state("Held")
    panel.press("停止采集")
    panel.expect_state("Stopped")


def record_key(panel):
    recording = f"{WORK}/run.wav"
    panel.press("开始采集")
    panel.focus_scope()
    panel.keys("ctrl+r")
    dialog = wait_for("Record to", lambda: find(panel.app, "Record to"))
    if dialog is None:
        fail("Ctrl+R opened no dialog")
        return
    xdotool("type", "--delay", "30", recording)
    panel.keys("Return")
    if not wait_for("recording", lambda: find(panel.scope, "Stop recording")):
        fail("no recording after the dialog")
        return
    wait_for("blocks recorded", lambda: os.path.getsize(recording) > 100000)
    panel.focus_scope()
    panel.keys("ctrl+r")
    if not wait_for("stopped", lambda: find(panel.scope, "Record to a file")):
        fail("Ctrl+R did not stop the recording")
    if not wait_for("the end", lambda: panel.described("Recording status").startswith("Recorded run.wav")):
        fail(f"the recording line says '{panel.described('Recording status')}'")
    panel.press("停止采集")


def channels_dialog(panel):
    panel.press("Channels…")
    dialog = wait_for("Channels", lambda: find(panel.app, "Channel setup"))
    if dialog is None:
        fail("Channels… opened no dialog")
        return
    name = find(dialog, "Channel 0 name")
    unit = find(dialog, "Channel 0 unit")
    texts = [node.queryText().getText(0, -1) if node else None for node in (name, unit)]
    if texts != ["Supply", "V"]:
        fail(f"the dialog shows channel 0 as {texts}")
    if find(dialog, "Take channel 0's mean code for point 1") is None:
        fail("no Take button for channel 0's first point")
    panel.press("Cancel", dialog)
    wait_for("closed", lambda: find(panel.app, "Channel setup") is None)


def set_up_for_the_restart(panel):
    panel.focus("Whole ring", "alt+s")  # the span
    panel.keys(*["Down"] * 5)  # 20 ms
    wait_for("20 ms", lambda: find(panel.scope, "20 ms", "combo box"))
    panel.focus("Single", "alt+t")
    panel.keys("n")
    panel.press("Fit channel 2 to its samples")
    wait_for("unfitted", lambda: not panel.control("Fit channel 2 to its samples").getState()
             .contains(pyatspi.STATE_CHECKED))


def restored(panel, span, mode, fitted, level):
    found = [wait_for(span, lambda: find(panel.scope, span, "combo box"), 10) is not None,
             wait_for(mode, lambda: find(panel.scope, mode, "combo box"), 10) is not None,
             panel.control("Fit channel 2 to its samples").getState().contains(
                 pyatspi.STATE_CHECKED) == fitted,
             panel.control("Trigger level in the source's unit").queryText().getText(0, -1) == level]
    return all(found)


def main():
    setup = f"{WORK}/channels.json"
    with open(setup, "w") as file:
        file.write('{"channels": [{"channel": 0, "name": "Supply", "unit": "V", '
                   '"points": [[448, -5.0], [3648, 5.0]]}]}\n')
    panel = Panel("--scope", "--channel-setup", setup)
    cursors_and_trigger_states(panel)
    record_key(panel)
    channels_dialog(panel)
    set_up_for_the_restart(panel)
    panel.close()

    again = Panel("--scope")
    if not restored(again, "20 ms", "Normal", False, ""):
        fail("the restart did not find the 20 ms span, the Normal trigger and channel 2 unfitted")
    # The setup file in use is remembered too.
    if not wait_for("Supply", lambda: find(again.scope, "Supply", "combo box")):
        fail("the restart did not find the channel setup in use")
    again.close()

    fresh = Panel("--scope", "--reset-settings")
    if not restored(fresh, "Whole ring", "Off", True, ""):
        fail("--reset-settings did not start from the defaults")
    fresh.close()

    print(f"accessibility: {len(failures)} check(s) failed", flush=True)
    sys.exit(1 if failures else 0)


main()
