#!/usr/bin/env python3
"""Runs tqv-selftest against the simulated card and checks what a test server sees:
the exit status, the table, the JUnit file (read back with an XML parser) and, through
the simulator's trace, that the card was stopped.

usage: run_selftest.py SCENARIO PROGRAM WORK_DIR
  all_pass         --loopback: every check passes, identity 5200/1, exit 0
  initial_fails    ADCARD_SIM_FAIL=Initial:-3 set by CTest
  startintr_fails  ADCARD_SIM_FAIL=StartIntr:-7 set by CTest
  no_library       the program copied where no card library lies: exit 2, places named
"""
import os
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ElementTree


def fail(message, run=None):
    if run is not None:
        message += f"\nexit {run.returncode}\nstdout:\n{run.stdout}\nstderr:\n{run.stderr}"
    sys.exit(message)


def run_program(program, arguments, trace=None):
    env = dict(os.environ)
    if trace:
        env["ADCARD_SIM_TRACE"] = trace
    return subprocess.run([program, *arguments], capture_output=True, text=True, env=env,
                          timeout=60)


def junit_counts(path):
    suite = ElementTree.parse(path).getroot().find("testsuite")
    cases = {case.get("name"): case for case in suite.findall("testcase")}
    return suite, cases


def table_row(run, check):
    for line in run.stdout.splitlines():
        if line.split()[:1] == [check]:
            return line
    fail(f"no table row for {check}", run)


def all_pass(program, work):
    junit = os.path.join(work, "report.xml")
    run = run_program(program, ["--seconds", "1", "--loopback", "--junit", junit])
    if run.returncode != 0:
        fail("expected exit 0", run)
    for check in ("identity", "acquisition", "loopback"):
        if " PASS " not in table_row(run, check):
            fail(f"{check} did not pass", run)
    if "卡名: 5200 类型: 1" not in table_row(run, "identity"):
        fail("identity is not 5200 type 1", run)
    suite, cases = junit_counts(junit)
    if (suite.get("tests"), suite.get("failures"), suite.get("skipped")) != ("3", "0", "0"):
        fail(f"JUnit counts {suite.attrib}")
    if sorted(cases) != ["acquisition", "identity", "loopback"]:
        fail(f"JUnit cases {sorted(cases)}")


def start_fails(program, work, function, code):
    junit = os.path.join(work, "report.xml")
    trace = os.path.join(work, "trace.txt")
    if os.path.exists(trace):
        os.remove(trace)
    run = run_program(program, ["--seconds", "1", "--junit", junit], trace)
    if run.returncode != 1:
        fail("expected exit 1", run)
    row = table_row(run, "acquisition")
    if " FAIL " not in row or f"{function} failed, error code {code}" not in row:
        fail(f"acquisition row does not report {function} {code}", run)
    suite, cases = junit_counts(junit)
    if (suite.get("tests"), suite.get("failures"), suite.get("skipped")) != ("3", "1", "1"):
        fail(f"JUnit counts {suite.attrib}")
    failure = cases["acquisition"].find("failure")
    if failure is None or f"error code {code}" not in failure.get("message", ""):
        fail("JUnit acquisition case carries no failure with the code")
    with open(trace, encoding="utf-8") as lines:
        calls = [line.strip() for line in lines]
    refused = next((i for i, call in enumerate(calls)
                    if call.startswith(function + " ") and call.endswith("-> 0")), None)
    if refused is None:
        fail(f"trace shows no refused {function}:\n" + "\n".join(calls))
    if "StopIntr -> 1" not in calls[refused + 1:]:
        fail(f"StopIntr not called after the refused {function}:\n" + "\n".join(calls))


def no_library(program, work):
    lonely = os.path.join(work, "lonely")
    shutil.rmtree(lonely, ignore_errors=True)
    os.makedirs(lonely)
    copy = shutil.copy(program, lonely)
    run = run_program(copy, ["--seconds", "1"])
    if run.returncode != 2:
        fail("expected exit 2", run)
    if "Tried:" not in run.stderr or lonely not in run.stderr:
        fail("the places tried are not named", run)
    if run.stdout:
        fail("no check may run without a library", run)


def main():
    scenario, program, work = sys.argv[1:4]
    os.makedirs(work, exist_ok=True)
    if scenario == "all_pass":
        all_pass(program, work)
    elif scenario == "initial_fails":
        start_fails(program, work, "Initial", -3)
    elif scenario == "startintr_fails":
        start_fails(program, work, "StartIntr", -7)
    elif scenario == "no_library":
        no_library(program, work)
    else:
        fail(f"unknown scenario {scenario}")


if __name__ == "__main__":
    main()
