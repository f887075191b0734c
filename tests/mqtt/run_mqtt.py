#!/usr/bin/env python3
"""usage: run_mqtt.py SCENARIO BIN_DIR WORK_DIR
The programs that report to a fleet, against a real mosquitto broker started here on a
free port, read by paho-mqtt (a subscriber nobody here wrote)."""
import json
import os
import queue
import shutil
import signal
import socket
import subprocess
import sys
import time

import paho.mqtt.client as paho

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "network"))
from served import Line, Served, expect, fresh_folder, start, wait_for  # noqa: E402

BENCH = "bench-7"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Broker:
    """mosquitto on loopback, no persistence: a restart forgets every retained message."""

    def __init__(self, work, port=None):
        self.work = work
        self.port = port or free_port()
        self.start()

    def start(self):
        config = os.path.join(self.work, "mosquitto.conf")
        with open(config, "w") as out:
            out.write(f"listener {self.port} 127.0.0.1\nallow_anonymous true\npersistence false\n")
        self.process = start([shutil.which("mosquitto") or "/usr/sbin/mosquitto", "-c", config],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def accepting():
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return True
            except OSError:
                return False
        wait_for(accepting, 20, "mosquitto to listen")

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=20)


class Subscriber:
    """Everything published under tqv/<bench>/, as (topic leaf, payload, retained)."""

    def __init__(self, broker):
        self.messages = queue.Queue()
        self.seen = []
        self.client = paho.Client()
        self.client.on_message = lambda client, userdata, message: self.messages.put(
            (message.topic.rsplit("/", 1)[1], json.loads(message.payload), bool(message.retain)))
        self.client.on_connect = lambda client, userdata, flags, rc: client.subscribe(f"tqv/{BENCH}/#", qos=1)
        self.client.reconnect_delay_set(min_delay=1, max_delay=2)
        self.client.connect("127.0.0.1", broker.port)
        self.client.loop_start()

    def next(self, leaf, seconds=15, where=lambda payload: True):
        """The oldest message not taken yet on `leaf` whose payload satisfies `where`;
        the others stay for later questions."""
        deadline = time.monotonic() + seconds
        while True:
            for index, (topic, payload, retained) in enumerate(self.seen):
                if topic == leaf and where(payload):
                    del self.seen[index]
                    return payload, retained
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                sys.exit(f"no {leaf} message as wanted within {seconds} s; got {[m for m in self.seen if m[0] != 'readout'][-6:]}")
            try:
                self.seen.append(self.messages.get(timeout=remaining))
            except queue.Empty:
                pass

    def close(self):
        self.client.loop_stop()
        self.client.disconnect()


def serve(bin_dir, broker, *extra, env=None):
    return Served([os.path.join(bin_dir, "tqv-serve"), "--listen", "127.0.0.1:0", "--mqtt",
                   f"mqtt://127.0.0.1:{broker.port}", "--bench-id", BENCH, *extra], env=env)


def serve_topics(bin_dir, work):
    broker = Broker(work)
    records = os.path.join(work, "records")
    os.makedirs(records, exist_ok=True)
    served = serve(bin_dir, broker, "--record-dir", records)
    watching = Subscriber(broker)
    status, _ = watching.next("status", where=lambda s: s["online"])
    expect(status["program"] == "tqv-serve" and not status["acquiring"], f"first status {status}")
    late = Subscriber(broker)
    status, retained = late.next("status")
    expect(retained and status["online"], f"the status is not retained: {status}")
    late.close()

    client = Line(served.port)
    client.send('REC:STAR "run.wav";:INIT')
    watching.next("event", where=lambda e: e["event"] == "recording started" and e["file"] == "run.wav")
    watching.next("event", where=lambda e: e["event"] == "start")
    watching.next("status", where=lambda s: s["acquiring"] and s["recording"] == {"file": "run.wav", "gaps": 0})
    readout, _ = watching.next("readout", where=lambda r: r["channels"][0]["frequency"] is not None)
    channels = readout["channels"]
    expect(len(channels) == 4 and abs(channels[0]["frequency"] - 50) < 0.25 and
           channels[0]["unit"] == "code" and channels[1]["minimum"] >= 448 and
           channels[1]["maximum"] <= 3648, f"readout {readout}")
    expect(client.ask("*TST?") == "0", "*TST? failed")
    selftest, _ = watching.next("selftest")
    expect(selftest["passed"] and [c["name"] for c in selftest["checks"]] == ["identity", "acquisition"] and
           all(c["outcome"] == "PASS" for c in selftest["checks"]), f"selftest {selftest}")
    client.send("ABOR")
    watching.next("event", where=lambda e: e["event"] == "stop")
    watching.next("event", where=lambda e: e["event"] == "recording ended" and e["gaps"] == 0)
    watching.next("status", where=lambda s: not s["acquiring"] and s["recording"] is None)
    client.close()

    code, said = served.stop()
    expect(code == 0, f"exit {code}\n{said}")
    watching.next("status", where=lambda s: not s["online"])
    watching.close()
    # A subscriber that comes later still learns it: the status is retained.
    late = Subscriber(broker)
    status, retained = late.next("status")
    expect(retained and not status["online"], f"retained status {status}")
    late.close()
    broker.stop()


def last_will(bin_dir, work):
    broker = Broker(work)
    served = serve(bin_dir, broker)
    watching = Subscriber(broker)
    watching.next("status", where=lambda s: s["online"])
    served.stop(signal.SIGKILL)
    status, _ = watching.next("status", where=lambda s: not s["online"])
    expect(status["program"] == "tqv-serve", f"the will {status}")
    watching.close()
    broker.stop()


def broker_restart(bin_dir, work):
    broker = Broker(work)
    served = serve(bin_dir, broker)
    client = Line(served.port)
    client.send("INIT")
    watching = Subscriber(broker)
    watching.next("readout")
    watching.close()
    broker.stop()
    blocks = int(client.ask("ACQ:COUN?"))
    wait_for(lambda: int(client.ask("ACQ:COUN?")) > blocks + 30, 20, "acquisition with the broker gone")
    expect(client.ask("ACQ:STAT?;LOST?") == "1;0", "the broker's end disturbed acquisition")
    broker.start()
    back = Subscriber(broker)
    # The broker forgot everything; the program connects again and says it all anew.
    status, retained = back.next("status", seconds=30, where=lambda s: s["online"] and s["acquiring"])
    back.next("readout", seconds=15)
    expect(client.ask("ACQ:STAT?;LOST?") == "1;0", "acquisition after the broker came back")
    client.close()
    code, said = served.stop()
    expect(code == 0, f"exit {code}\n{said}")
    back.close()
    broker.stop()


def selftest(bin_dir, work):
    broker = Broker(work)
    watching = Subscriber(broker)
    program = os.path.join(bin_dir, "tqv-selftest")
    done = subprocess.run([program, "--seconds", "1", "--loopback", "--mqtt",
                           f"mqtt://127.0.0.1:{broker.port}", "--bench-id", BENCH],
                          capture_output=True, text=True, timeout=60)
    expect(done.returncode == 0 and "not published" not in done.stderr, f"exit {done.returncode}\n{done.stderr}")
    result, _ = watching.next("selftest")
    names = [check["name"] for check in result["checks"]]
    expect(result["passed"] and result["program"] == "tqv-selftest" and
           names == ["identity", "acquisition", "loopback"], f"selftest {result}")
    acquisition = result["checks"][1]
    expect(acquisition["outcome"] == "PASS" and any("channel 0" in f for f in acquisition["figures"]),
           f"the acquisition check without its figures: {acquisition}")
    watching.next("status", where=lambda s: not s["online"] and s["program"] == "tqv-selftest")
    watching.close()
    broker.stop()

    # No broker at all: the same result and status, and a warning.
    done = subprocess.run([program, "--seconds", "1", "--mqtt", f"mqtt://127.0.0.1:{free_port()}",
                           "--bench-id", BENCH], capture_output=True, text=True, timeout=60)
    expect(done.returncode == 0, f"exit {done.returncode} with the broker down\n{done.stderr}")
    expect("warning: the result was not published to mqtt://127.0.0.1:" in done.stderr, done.stderr)


def panel(bin_dir, work):
    broker = Broker(work)
    watching = Subscriber(broker)
    program = Served([os.path.join(bin_dir, "tqv-multibuf"), "--start", "--listen", "0", "--mqtt",
                      f"mqtt://127.0.0.1:{broker.port}", "--bench-id", BENCH],
                     env={"QT_QPA_PLATFORM": "offscreen", "TQV_NO_MESSAGE_BOX": "1"})
    status, _ = watching.next("status", where=lambda s: s["online"] and s["acquiring"])
    expect(status["program"] == "tqv-multibuf", f"status {status}")
    readout, _ = watching.next("readout", where=lambda r: r["channels"][0]["frequency"] is not None)
    expect(abs(readout["channels"][0]["frequency"] - 50) < 0.25, f"readout {readout}")
    code, said = program.stop()
    expect(code == 0, f"exit {code}\n{said}")
    watching.next("event", where=lambda e: e["event"] == "stop")
    watching.next("status", where=lambda s: not s["online"])
    watching.close()
    broker.stop()


if __name__ == "__main__":
    scenario, bin_dir, work = sys.argv[1:4]
    globals()[scenario](bin_dir, fresh_folder(work))
