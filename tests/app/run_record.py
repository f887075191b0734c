#!/usr/bin/env python3
"""usage: run_record.py kill|file_limit|refused|readers|panel PROGRAM WORK_DIR
Runs tqv-record on the simulated card, twenty times fast, and reads what it wrote with
readers nobody here wrote: sox, Python's wave and sigrok-cli for the WAV, numpy for the
samples, json for the metadata."""
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


def expect_counter_continuous(samples):
    counter = samples[:, 3].astype(numpy.uint16)
    expect(len(counter) > 0, "no samples")
    steps = numpy.diff(counter)  # wraps modulo 2**16 like the counter
    expect(bool(numpy.all(steps == 1)), "the counter channel jumps",
           f"first jump after scan {int(numpy.argmax(steps != 1))}")


def kill(program, work):
    path = f"{work}/run.wav"
    log = open(f"{work}/stderr.txt", "w+", encoding="utf-8")
    process = subprocess.Popen([program, path], env=environment(), stderr=log)
    sizes = []  # (time, bytes on disk then)
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

    done = subprocess.run([program, "--seconds", "20", path], env=environment(ADCARD_SIM_TRACE=trace),
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
    ]
    for arguments in cases:
        done = subprocess.run([program, *arguments], env=environment(), capture_output=True,
                              text=True, timeout=60)
        expect(done.returncode == 2, f"{arguments}: expected exit 2, got {done.returncode}",
               done.stderr)
        expect(done.stderr.strip() != "", f"{arguments}: no reason given")
    expect(open(existing, encoding="utf-8").read() == "keep", "the existing file was changed")
    expect(not os.path.exists(f"{work}/a.wav"), "a refused run left a file")


def readers(program, work):
    """Below 4 GiB a plain PCM WAV: Python's wave and sigrok-cli open it unchanged and read
    the very codes sox reads, the counter channel through its whole range."""
    path = f"{work}/run.wav"
    done = subprocess.run([program, "--seconds", "1", path],
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
    env = environment(QT_QPA_PLATFORM="offscreen", TQV_NO_MESSAGE_BOX="1")
    process = subprocess.Popen([program, "--record", path], env=env, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline and not os.path.exists(f"{path}.json"):
        time.sleep(0.05)
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
    expect(done.returncode == 2 and "exists" in done.stderr,
           f"an existing file: exit {done.returncode}", done.stderr)


def main():
    scenario, program, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    {"kill": kill, "file_limit": file_limit, "refused": refused, "readers": readers,
     "panel": panel}[scenario](program, work)


if __name__ == "__main__":
    main()
