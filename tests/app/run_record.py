#!/usr/bin/env python3
"""usage: run_record.py SCENARIO PROGRAM WORK_DIR
Runs tqv-record (or tqv-multibuf --record) on the simulated card, mostly twenty times
fast, and reads what it wrote with readers nobody here wrote: sox, Python's wave and
sigrok-cli for the WAV, numpy for the samples, json for the metadata. The counter channel
(channel 3, the scan index since the start, modulo 65536) is the witness of every lost
scan; the programs never read it."""
import json
import os
import resource
import shutil
import signal
import subprocess
import sys
import time
import wave

import numpy

CHANNELS = 4
SCANS_PER_BLOCK = 300
# Twenty times the card's pace: 1.6 MB/s, while the card's queue of 1000 blocks still lasts
# 1.5 s and the recorder's own queue a second, so a busy machine's late thread loses
# nothing and the counter channel stays continuous.
FAST = {"ADCARD_SIM_SPEED": "20"}


def expect(condition, message, details=""):
    if not condition:
        sys.exit(f"{message}\n{details}")


def environment(**extra):
    return {**os.environ, **FAST, **extra}


def sox_samples(path):
    """The WAV's samples as sox decodes them, one row per scan."""
    header = subprocess.run(["soxi", "-s", path], capture_output=True, text=True, timeout=60)
    expect(header.returncode == 0, f"soxi cannot read {path}", header.stderr)
    raw = subprocess.run(["sox", path, "-t", "raw", "-e", "signed-integer", "-b", "16", "-L", "-"],
                         capture_output=True, timeout=120)
    expect(raw.returncode == 0, f"sox cannot read {path}", raw.stderr.decode(errors="replace"))
    samples = numpy.frombuffer(raw.stdout, dtype="<i2").reshape(-1, CHANNELS)
    expect(len(samples) == int(header.stdout), "sox's length differs from the samples it reads")
    return samples


class Running(subprocess.Popen):
    """A program the scenario drives, never left running when the scenario ends early: a
    child still holding the test's output would keep CTest waiting to its timeout."""

    def __exit__(self, *exception):
        if self.poll() is None:
            self.kill()
        return super().__exit__(*exception)


def wait_until(condition, what, timeout=30):
    deadline = time.monotonic() + timeout
    while not condition():
        expect(time.monotonic() < deadline, f"timed out waiting until {what}")
        time.sleep(0.05)


def scans_on_disk(path):
    """Scans in a 16-bit, 4-channel WAV as it grows (its header of 80 bytes apart)."""
    return max(os.path.getsize(path) - 80, 0) // (2 * CHANNELS) if os.path.exists(path) else 0


def counter_jumps(samples):
    """File scans where the counter does not go on from the scan before (0: it does not
    start at 0), each with the scans it skipped."""
    counter = samples[:, 3].astype(numpy.uint16)
    jumps = [(0, int(counter[0]))] if len(counter) and counter[0] != 0 else []
    steps = (numpy.diff(counter) - 1).astype(numpy.uint16)  # modulo 2**16, like the counter
    jumps += [(int(at) + 1, int(steps[at])) for at in numpy.nonzero(steps)[0]]
    return jumps


def expect_every_loss_a_gap(path, samples, lossy):
    """Every jump of the counter sits at a gap's file scan, with the scan index the counter
    gives where everything before it was counted; a recording without a jump has no gap."""
    metadata = json.load(open(f"{path}.json", encoding="utf-8"))
    gaps = metadata["gaps"]
    jumps = counter_jumps(samples)
    details = f"jumps (file scan, scans skipped) {jumps[:20]}\ngaps {gaps[:20]}"
    expect(not lossy or jumps, "the scenario lost nothing, so it proves nothing", details)
    expect(jumps or not gaps, "gaps where the counter shows no loss", details)
    at_gaps = {gap["file_scan"] for gap in gaps}
    unseen = [jump for jump in jumps if jump[0] not in at_gaps]
    expect(not unseen, f"{len(unseen)} of {len(jumps)} jumps of the counter have no gap", details)
    counter = samples[:, 3].astype(numpy.int64)
    for gap in gaps:
        expect(0 <= gap["file_scan"] <= len(samples) and gap["scan_index"] >= gap["file_scan"],
               "a gap outside the file, or before its own file scan", details)
    first = gaps[0] if gaps else None
    if first and 0 < first["file_scan"] < len(samples):
        expect(first["scan_index"] % 65536 == (counter[first["file_scan"] - 1] + 1) % 65536,
               "the first gap's scan index is not the first scan lost", details)
    expect(len(samples) == metadata["scans_written"],
           f"{len(samples)} scans readable, the metadata says {metadata['scans_written']}")
    return metadata


def expect_counter_continuous(samples):
    counter = samples[:, 3].astype(numpy.uint16)
    expect(len(counter) > 0, "no samples")
    steps = numpy.diff(counter)  # wraps modulo 2**16 like the counter
    expect(bool(numpy.all(steps == 1)), "the counter channel jumps",
           f"first jump after scan {int(numpy.argmax(steps != 1))}")


def kill(program, work):
    path = f"{work}/run.wav"
    log = open(f"{work}/stderr.txt", "w+", encoding="utf-8")
    sizes = []  # (time, bytes on disk then)
    with Running([program, path], env=environment(), stderr=log) as process:
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline and (not sizes or sizes[-1][1] < 4_000_000):
            time.sleep(0.05)
            if os.path.exists(path):
                sizes.append((time.monotonic(), os.path.getsize(path)))
        expect(process.poll() is None, "tqv-record ended before the kill",
               open(f"{work}/stderr.txt", encoding="utf-8").read())
        process.send_signal(signal.SIGKILL)
        killed = time.monotonic()
        process.wait(timeout=30)
    # Everything written at least a second (and a margin for the sampling) before the kill
    # is in the header's length.
    written_before = max((size for at, size in sizes if at <= killed - 1.1), default=0)
    expect(written_before > 1_000_000, f"too little written before the kill: {sizes}")
    samples = sox_samples(path)
    expect(samples.size * 2 >= written_before - 4096,
           f"{samples.size * 2} bytes of samples readable, {written_before} were written "
           "more than a second before the kill")
    expect(len(samples) % SCANS_PER_BLOCK == 0, "a part of a block is readable")
    expect_counter_continuous(samples)


def file_limit(program, work):
    path = f"{work}/full.wav"
    trace = f"{work}/trace.txt"

    def limit_file_size():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (2_000_000, resource.RLIM_INFINITY))

    done = subprocess.run([program, "--seconds", "60", path], env=environment(ADCARD_SIM_TRACE=trace),
                          preexec_fn=limit_file_size, capture_output=True, text=True, timeout=60)
    details = f"exit {done.returncode}\nstderr:\n{done.stderr}"
    expect(done.returncode == 1, "expected exit 1 for a write error", details)
    expect("too large" in done.stderr, "the reason is not shown", details)
    metadata = json.load(open(f"{path}.json", encoding="utf-8"))
    expect(metadata["stopped"]["reason"] == "write error" and
           "too large" in metadata["stopped"]["error"], f"metadata: {metadata['stopped']}")
    samples = sox_samples(path)
    expect(len(samples) == metadata["scans_written"] and len(samples) > 0,
           f"{len(samples)} scans readable, the metadata says {metadata['scans_written']}")
    expect(len(samples) % SCANS_PER_BLOCK == 0, "a part of a block is readable")
    expect_counter_continuous(samples)
    calls = [line.strip() for line in open(trace, encoding="utf-8")]
    started = [i for i, call in enumerate(calls) if call.startswith("StartIntr ")]
    expect(started and any(c.startswith("StopIntr") for c in calls[started[-1]:]),
           "the card was not stopped after the write error")


def refused(program, work):
    existing = f"{work}/existing.wav"
    with open(existing, "w", encoding="utf-8") as file:
        file.write("keep")
    cases = [
        ["--seconds", "0", f"{work}/a.wav"],
        ["--seconds", "1.5", f"{work}/a.wav"],
        ["--seconds", "9999999999", f"{work}/a.wav"],
        [],
        [f"{work}/a.wav", f"{work}/b.wav"],
        ["--no-such-option", f"{work}/a.wav"],
        ["--seconds", "1", existing],
        ["--seconds", "1", f"{work}/a.mp3"],
        ["--force", "--seconds", "1", "/dev/null"],
    ]
    for arguments in cases:
        done = subprocess.run([program, *arguments], env=environment(), capture_output=True,
                              text=True, timeout=60)
        expect(done.returncode == 2, f"{arguments}: expected exit 2, got {done.returncode}",
               done.stderr)
        expect(done.stderr.strip() != "", f"{arguments}: no reason given")
    expect(open(existing, encoding="utf-8").read() == "keep", "the existing file was changed")
    expect(os.listdir(work) == ["existing.wav"], f"a refused run left a file: {os.listdir(work)}")


def panel_environment(**extra):
    return {**os.environ, "QT_QPA_PLATFORM": "offscreen", "TQV_NO_MESSAGE_BOX": "1", **extra}


def readers(program, work):
    """Below 4 GiB a plain PCM WAV: Python's wave and sigrok-cli open it unchanged and read
    the very codes sox reads, the counter channel through its whole range."""
    path = f"{work}/run.wav"
    done = subprocess.run([program, "--seconds", "7", path],
                          env=environment(ADCARD_SIM_SPEED="10"), capture_output=True,
                          text=True, timeout=60)
    expect(done.returncode == 0, f"tqv-record: exit {done.returncode}", done.stderr)
    scans = json.load(open(f"{path}.json", encoding="utf-8"))["scans_written"]
    codes = sox_samples(path)
    expect(len(codes) == scans and scans > 65536, f"sox reads {len(codes)} scans of {scans}")
    expect_counter_continuous(codes)

    try:
        with wave.open(path) as file:
            params = (file.getnchannels(), file.getsampwidth(), file.getframerate(),
                      file.getnframes())
            read = numpy.frombuffer(file.readframes(scans), dtype="<i2").reshape(-1, CHANNELS)
    except wave.Error as error:
        sys.exit(f"Python's wave cannot open {path}: {error}")
    expect(params == (CHANNELS, 2, 10000, scans), f"Python's wave sees {params}")
    expect(numpy.array_equal(read, codes), "Python's wave reads other codes than sox")

    shown = subprocess.run(["sigrok-cli", "-I", "wav", "-i", path, "--show"],
                           capture_output=True, text=True, timeout=60)
    said = shown.stdout + shown.stderr
    expect(shown.returncode == 0 and "Channels: 4" in said and
           f"Analog sample count: {scans}" in said and "unprocessed" not in said,
           "sigrok-cli does not see four channels of every scan", said)
    dumped = subprocess.run(["sigrok-cli", "-I", "wav", "-i", path, "-O", "csv"],
                            capture_output=True, text=True, timeout=120)
    expect(dumped.returncode == 0, "sigrok-cli cannot convert it", dumped.stderr)
    # Comments, the sample rate and an empty header row, then one row per scan; sigrok's
    # WAV input gives a code c as c / 32767, to six digits.
    rows = [line for line in dumped.stdout.splitlines() if line[:1] not in ("", ";", "M", ",")]
    values = numpy.loadtxt(rows, delimiter=",", ndmin=2)
    expect(numpy.array_equal(numpy.rint(values * 32767), codes),
           "sigrok-cli reads other codes than sox")


def panel(program, work):
    """tqv-multibuf --record: the file opened at launch, ended complete by SIGTERM; an
    existing file refused before any window."""
    path = f"{work}/panel.wav"
    env = panel_environment(**FAST)
    with Running([program, "--record", path, "--start"], env=env,
                 stderr=subprocess.DEVNULL) as process:
        wait_until(lambda: os.path.exists(f"{path}.json") or process.poll() is not None,
                   "the recording has begun")
        expect(process.poll() is None, "tqv-multibuf ended before the request")
        process.send_signal(signal.SIGTERM)
        expect(process.wait(timeout=30) == 0, "tqv-multibuf did not end cleanly on SIGTERM")
    metadata = json.load(open(f"{path}.json", encoding="utf-8"))
    expect(metadata["stopped"] is not None and metadata["stopped"]["reason"] == "panel closed",
           f"metadata: {metadata['stopped']}")
    expect(metadata["program"]["name"] == "tqv-multibuf", f"metadata: {metadata['program']}")
    expect(len(sox_samples(path)) == metadata["scans_written"], "sox reads another length")
    done = subprocess.run([program, "--record", path], env=env, capture_output=True, text=True,
                          timeout=60)
    expect(done.returncode == 2 and f"{path} exists (--force replaces it)" in done.stderr,
           f"an existing file: exit {done.returncode}", done.stderr)


def record_in_panel(program, path, speed, meanwhile):
    """tqv-multibuf --record PATH --start with the card SPEED times fast; `meanwhile(process)`
    while it records, then SIGTERM; every loss the counter shows must be a gap."""
    with Running([program, "--record", path, "--start"],
                 env=panel_environment(ADCARD_SIM_SPEED=speed),
                 stderr=subprocess.DEVNULL) as process:
        meanwhile(process)
        process.send_signal(signal.SIGTERM)
        expect(process.wait(timeout=30) == 0, "tqv-multibuf did not end cleanly on SIGTERM")
    expect_every_loss_a_gap(path, sox_samples(path), lossy=True)


def panel_paused(program, work):
    """The whole panel stopped (SIGSTOP) for longer than the card's queue lasts: the card
    drops blocks meanwhile, and the recording says where."""
    path = f"{work}/paused.wav"

    def scans_past_first_gap():
        try:
            gaps = json.load(open(f"{path}.json", encoding="utf-8"))["gaps"]
        except (OSError, ValueError):
            return -1
        return scans_on_disk(path) - gaps[0]["file_scan"] if gaps else -1

    def pause(process):
        wait_until(lambda: scans_on_disk(path) >= 30_000, "a second and a half is recorded")
        process.send_signal(signal.SIGSTOP)
        # The pause itself: the card's queue of 50 blocks lasts 0.75 s at twice its rate.
        time.sleep(2.5)
        process.send_signal(signal.SIGCONT)
        # Past the loss, so that the counter shows it in the file.
        wait_until(lambda: scans_past_first_gap() >= 15_000,
                   "the recording goes on past its first gap")

    # The simulated card stops with the program and then completes every block due at
    # once, racing the panel's first tick: at twice the card's rate the pause is more than
    # three queues long, so blocks are dropped however the race goes.
    record_in_panel(program, path, "2", pause)


def panel_fast(program, work):
    """The card ten times too fast for the panel's 200 ms tick: its queue overruns at
    nearly every tick, and every overrun is a gap."""
    path = f"{work}/fast.wav"
    record_in_panel(program, path, "10", lambda process: wait_until(
        lambda: scans_on_disk(path) >= 300_000, "several ticks are recorded"))


SKIPPED = 77


def record_delayed(program, work):
    """tqv-record's drain held up for a second (strace delays one of its waits) while the
    card goes on a hundred times fast: the card's queue of 1000 blocks lasts 0.3 s, so
    blocks are lost, and the recording says where, and goes on to the end (no card error:
    the card never stopped)."""
    if shutil.which("strace") is None:
        print("strace is not installed (scripts/setup.sh installs it): skipped")
        sys.exit(SKIPPED)
    path = f"{work}/delayed.wav"
    # Each thread's 50th clock_nanosleep, a second late: the drain's wait between polls
    # (and the writer's, whose queue holds two seconds).
    done = subprocess.run(["strace", "-f", "--seccomp-bpf", "-o", "/dev/null", "-e",
                           "trace=clock_nanosleep", "-e",
                           "inject=clock_nanosleep:delay_enter=1000000:when=50",
                           program, "--seconds", "300", path],
                          env=environment(ADCARD_SIM_SPEED="100"), capture_output=True, text=True,
                          timeout=120)
    if "Operation not permitted" in done.stderr and not os.path.exists(f"{path}.json"):
        print(f"strace may not trace here: skipped\n{done.stderr}")
        sys.exit(SKIPPED)
    details = f"exit {done.returncode}\nstderr:\n{done.stderr}"
    expect(done.returncode == 1, "expected exit 1 for a recording with a gap", details)
    samples = sox_samples(path)
    metadata = expect_every_loss_a_gap(path, samples, lossy=True)
    expect(metadata["stopped"]["reason"] == "duration reached", f"stopped: {metadata['stopped']}")
    expect(len(samples) == 3_000_000, f"{len(samples)} scans, not 300 s of them")


def seconds(program, work):
    """--seconds N: whole blocks lasting at least N seconds of the card's time."""
    for wanted, scans in ((60, 600_000), (1, 10_200)):
        path = f"{work}/s{wanted}.wav"
        done = subprocess.run([program, "--seconds", str(wanted), path], env=environment(),
                              capture_output=True, text=True, timeout=60)
        expect(done.returncode == 0, f"--seconds {wanted}: exit {done.returncode}", done.stderr)
        samples = sox_samples(path)
        expect(len(samples) == scans, f"--seconds {wanted}: {len(samples)} scans, not {scans}")
        expect_every_loss_a_gap(path, samples, lossy=False)


def card_fails(program, work):
    """A card that refuses to start, or delivers nothing (the simulated card a thousand
    times slow: a block every 30 s, so none for 2 s), cannot be recorded from: the program
    says so with the card's code, and an earlier recording it was to replace is as it was."""
    path = f"{work}/keep.wav"
    done = subprocess.run([program, "--seconds", "2", path], env=environment(),
                          capture_output=True, text=True, timeout=60)
    expect(done.returncode == 0, "the first recording failed", done.stderr)
    before = {name: open(f"{work}/{name}", "rb").read() for name in os.listdir(work)}
    for extra, message in (({"ADCARD_SIM_FAIL": "StartIntr:-7"}, "StartIntr failed, error code -7"),
                           ({"ADCARD_SIM_SPEED": "0.001"}, "no block for 2 s, card error code 0")):
        done = subprocess.run([program, "--force", "--seconds", "1", path],
                              env=environment(**extra), capture_output=True, text=True,
                              timeout=30)
        details = f"{extra}: exit {done.returncode}\nstderr:\n{done.stderr}"
        expect(done.returncode == 1 and f"card error: {message}" in done.stderr,
               "expected exit 1 and the card's code", details)
        after = {name: open(f"{work}/{name}", "rb").read() for name in os.listdir(work)}
        expect(after == before, f"the earlier recording was changed: {sorted(after)}", details)


def hangup(program, work):
    """SIGHUP (a closed terminal or SSH session) ends a recording as an interrupt does: the
    card stopped, the file and its metadata complete."""
    path = f"{work}/hup.wav"
    trace = f"{work}/trace.txt"
    with Running([program, path], env=environment(ADCARD_SIM_TRACE=trace),
                 stderr=subprocess.PIPE, text=True) as process:
        wait_until(lambda: scans_on_disk(path) >= 30_000 or process.poll() is not None,
                   "the recording has begun")
        process.send_signal(signal.SIGHUP)
        stderr = process.communicate(timeout=30)[1]
    expect(process.returncode == 0, f"exit {process.returncode} after SIGHUP", stderr)
    calls = [line.strip() for line in open(trace, encoding="utf-8")]
    started = [i for i, call in enumerate(calls) if call.startswith("StartIntr ")]
    expect(started and any(c.startswith("StopIntr") for c in calls[started[-1]:]),
           "the card was not stopped after SIGHUP")
    metadata = expect_every_loss_a_gap(path, sox_samples(path), lossy=False)
    expect(metadata["stopped"] == {"reason": "interrupted", "error": ""},
           f"stopped: {metadata['stopped']}")


def main():
    scenario, program, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    {"kill": kill, "file_limit": file_limit, "refused": refused, "readers": readers,
     "panel": panel,
     "panel_paused": panel_paused, "panel_fast": panel_fast, "record_delayed": record_delayed,
     "seconds": seconds, "hangup": hangup, "card_fails": card_fails}[scenario](program, work)


if __name__ == "__main__":
    main()
