"""The programs that serve the card, run as a user runs them: started on a free port
(port 0, read back from the line they print), asked through sockets or PyVISA, ended by
SIGTERM. Shared by the network and MQTT tests."""
import atexit
import os
import re
import select
import signal
import socket
import subprocess
import sys
import time


# Whatever a failing test leaves running is ended with it.
_started = []


@atexit.register
def _end_everything_started():
    for process in _started:
        if process.poll() is None:
            process.kill()
            process.wait()


def start(command, **options):
    """subprocess.Popen, ended when the test ends however it ends."""
    process = subprocess.Popen(command, **options)
    _started.append(process)
    return process


def fresh_folder(path):
    """An empty folder at `path`: nothing of an earlier run remains."""
    import shutil
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def expect(condition, message):
    if not condition:
        sys.exit(message)


def wait_for(condition, seconds, what):
    """Waits until condition() is true; fails naming `what` after `seconds`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.02)
    sys.exit(f"gave up after {seconds} s waiting for {what}")


class Served:
    """A serving program started with --listen ...:0; `port` is the one it took."""

    def __init__(self, command, env=None, listen_line=rb"listening on [\d.:\[\]a-f]*:(\d+)"):
        self.process = start(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             env={**os.environ, **(env or {})})
        self.stderr = b""
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            found = re.search(listen_line, self.stderr)
            if found:
                self.port = int(found.group(1))
                return
            if self.process.poll() is not None:
                break
            ready, _, _ = select.select([self.process.stderr], [], [], 0.2)
            if ready:
                self.stderr += os.read(self.process.stderr.fileno(), 4096)
        self.process.kill()
        sys.exit(f"{command[0]} did not say where it listens:\n{self.stderr.decode(errors='replace')}")

    def said(self):
        """What it wrote on standard error so far."""
        while select.select([self.process.stderr], [], [], 0)[0]:
            chunk = os.read(self.process.stderr.fileno(), 4096)
            if not chunk:
                break
            self.stderr += chunk
        return self.stderr.decode(errors="replace")

    def rss_kib(self):
        with open(f"/proc/{self.process.pid}/status") as status:
            return int(re.search(r"VmRSS:\s+(\d+)", status.read()).group(1))

    def alive(self):
        return self.process.poll() is None

    def stop(self, sig=signal.SIGTERM):
        """Ends it the way the user would; returns the exit status and what it said."""
        if self.alive():
            self.process.send_signal(sig)
        try:
            out, err = self.process.communicate(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            out, err = self.process.communicate()
        self.stderr += err
        return self.process.returncode, self.stderr.decode(errors="replace")


class Line:
    """A plain socket client speaking SCPI line by line."""

    def __init__(self, port, timeout=10):
        self.socket = socket.create_connection(("127.0.0.1", port), timeout=timeout)
        self.buffer = b""

    def send(self, text):
        self.socket.sendall(text.encode() + b"\n")

    def read_line(self):
        while b"\n" not in self.buffer:
            chunk = self.socket.recv(65536)
            if not chunk:
                raise ConnectionError("closed by the server")
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.decode(errors="replace")

    def ask(self, text):
        self.send(text)
        return self.read_line()

    def closed_by_server(self, seconds=15):
        """True once the server closed this connection."""
        self.socket.settimeout(seconds)
        try:
            while True:
                if not self.socket.recv(1 << 20):
                    return True
        except (ConnectionResetError, BrokenPipeError):
            return True
        except socket.timeout:
            return False

    def close(self):
        self.socket.close()
