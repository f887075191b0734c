#!/usr/bin/env python3
"""usage: run_selftest.py all_pass|initial_fails|startintr_fails|expect_signals|no_library
       PROGRAM WORK_DIR
Runs tqv-selftest against the simulated card and checks what a test server sees: the exit
status, the table, the JUnit file (with an XML parser) and, in the trace, the card stopped."""
import os
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ElementTree


def run(program, *arguments, **env):
    done = subprocess.run([program, *arguments], capture_output=True, text=True,
                          env={**os.environ, **env}, timeout=60)
    done.details = f"exit {done.returncode}\nstdout:\n{done.stdout}\nstderr:\n{done.stderr}"
    done.row = lambda check: next(
        (line for line in done.stdout.splitlines() if line.split()[:1] == [check]), "")
    return done


def expect(condition, message, details=""):
    if not condition:
        sys.exit(f"{message}\n{details}")


def junit_cases(path, counts):
    suite = ElementTree.parse(path).getroot().find("testsuite")
    expect((suite.get("tests"), suite.get("failures"), suite.get("skipped")) == counts,
           f"JUnit counts {suite.attrib}")
    return {case.get("name"): case for case in suite.findall("testcase")}


def all_pass(program, work):
    done = run(program, "--seconds", "1", "--loopback", "--junit", f"{work}/report.xml")
    expect(done.returncode == 0, "expected exit 0", done.details)
    for check in ("identity", "acquisition", "loopback"):
        expect(" PASS " in done.row(check), f"{check} did not pass", done.details)
    expect("卡名: 5200 类型: 1" in done.row("identity"), "identity is not 5200 type 1", done.details)
    cases = junit_cases(f"{work}/report.xml", ("3", "0", "0"))
    expect(sorted(cases) == ["acquisition", "identity", "loopback"], f"JUnit cases {sorted(cases)}")


def start_fails(program, work, function, code):
    trace = f"{work}/trace.txt"
    done = run(program, "--seconds", "1", "--junit", f"{work}/report.xml",
               ADCARD_SIM_FAIL=f"{function}:{code}", ADCARD_SIM_TRACE=trace)
    reason = f"{function} failed, error code {code}"
    expect(done.returncode == 1 and " FAIL " in done.row("acquisition") and
           reason in done.row("acquisition"), f"expected exit 1 and '{reason}'", done.details)
    failure = junit_cases(f"{work}/report.xml", ("3", "1", "1"))["acquisition"].find("failure")
    expect(failure is not None and reason in failure.get("message", ""),
           "the JUnit acquisition case carries no failure with the code")
    calls = [line.strip() for line in open(trace, encoding="utf-8")]
    refused = [i for i, call in enumerate(calls) if call.startswith(f"{function} ") and
               call.endswith("-> 0")]
    expect(refused and "StopIntr -> 1" in calls[refused[0] + 1:],
           f"no StopIntr after the refused {function}", "\n".join(calls))


def expect_signals(program, work):
    done = run(program, "--seconds", "2", "--expect", "0:50:3200", "--expect", "1:20:3200",
               "--expect", "2:12", "--junit", f"{work}/report.xml")
    expect(done.returncode == 1, "expected exit 1 for the wrong frequency", done.details)
    rows = {line.split()[1]: line for line in done.stdout.splitlines()
            if line.startswith("channel ") and len(line.split()) > 2}
    expect(" PASS " in rows.get("0", "") and " PASS " in rows.get("1", ""),
           "channels 0 and 1 did not pass", done.details)
    reason = "channel 2: 12.00 Hz expected, 10.00 Hz measured"
    expect(" FAIL " in rows.get("2", "") and reason in rows["2"], f"no '{reason}'", done.details)
    cases = junit_cases(f"{work}/report.xml", ("6", "1", "1"))
    failure = cases["channel 2"].find("failure")
    expect(failure is not None and reason in failure.get("message", ""),
           "the JUnit case of channel 2 carries no failure with the figures")
    for bad in ("0:fifty", "4:50", "0:50:3200:1"):
        done = run(program, "--seconds", "1", "--expect", bad)
        expect(done.returncode == 2 and not done.stdout and "--expect" in done.stderr,
               f"--expect {bad}: expected exit 2 before any check", done.details)


def no_library(program, work):
    lonely = f"{work}/lonely"
    os.makedirs(lonely)
    done = run(shutil.copy(program, lonely), "--seconds", "1")
    expect(done.returncode == 2 and not done.stdout and "Tried:" in done.stderr and
           lonely in done.stderr, "expected exit 2, no check and the places tried", done.details)


if __name__ == "__main__":
    scenario, program, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    {"all_pass": lambda: all_pass(program, work),
     "initial_fails": lambda: start_fails(program, work, "Initial", -3),
     "startintr_fails": lambda: start_fails(program, work, "StartIntr", -7),
     "expect_signals": lambda: expect_signals(program, work),
     "no_library": lambda: no_library(program, work)}[scenario]()
