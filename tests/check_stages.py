#!/usr/bin/env python3
"""usage: check_stages.py --presets CMakePresets.json --build DIR --suites DIR/test-suites.tsv
                         [--ctest CTEST] [--preset NAME]...

Checks a build's test list against the CI stages. Each test preset's label filter in
CMakePresets.json is the one statement of what that stage runs; test-suites.tsv, written at
configure time by cmake/TestRegistration.cmake, holds each registered suite with the labels
it was registered with. Fails, naming each problem, when
  - a test was not registered through tqv_test_program/tqv_add_test/tqv_widget_test,
  - a test's labels differ from those it was registered with (a label lost on the way),
  - a stage's list, as CTest selects it with the preset's filter, lacks a suite whose labels
    the filter takes (a suite it is meant to run: lost labels, or no test discovered),
  - the filter of a stage run on this build names a label that no suite of it carries (a
    preset given with --preset, or one whose configure preset is this build's folder name).
Only the presets given with --preset are checked (all test presets otherwise)."""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile


def test_presets(path):
    presets = json.load(open(path, encoding="utf-8"))
    return {preset["name"]: preset for preset in presets.get("testPresets", [])}


def label_filter(preset):
    """(include, exclude) label regular expressions; any other kind of filter is refused."""
    rules = {"include": "", "exclude": ""}
    for kind, rule in preset.get("filter", {}).items():
        for key, value in rule.items():
            if kind not in rules or key != "label":
                sys.exit(f"test preset {preset['name']}: filter {kind}.{key}: "
                         "the stages are defined by labels only")
            rules[kind] = value
    return rules["include"], rules["exclude"]


def taken(labels, include, exclude):
    """CTest's label filter: any label matching include, none matching exclude."""
    if include and not any(re.search(include, label) for label in labels):
        return False
    return not (exclude and any(re.search(exclude, label) for label in labels))


def test_files(build, copy):
    """The build's CTest files copied to `copy`: CTest writes its log into the folder it
    lists, and this check may run while CTest runs tests in the build itself."""
    for folder, subfolders, files in os.walk(build):
        subfolders[:] = [name for name in subfolders if name not in ("Testing", "CMakeFiles")]
        if "CTestTestfile.cmake" in files:
            target = os.path.join(copy, os.path.relpath(folder, build))
            os.makedirs(target, exist_ok=True)
            shutil.copy(os.path.join(folder, "CTestTestfile.cmake"), target)
    return copy


def listed(ctest, build, include="", exclude=""):
    """The tests CTest lists in the build with this filter: name -> (command, labels)."""
    command = [ctest, "--test-dir", build, "--show-only=json-v1"]
    if include:
        command += ["--label-regex", include]
    if exclude:
        command += ["--label-exclude", exclude]
    done = subprocess.run(command, capture_output=True, text=True, timeout=120)
    if done.returncode != 0:
        sys.exit(f"{' '.join(command)}: exit {done.returncode}\n{done.stderr}")
    tests = {}
    for test in json.loads(done.stdout)["tests"]:
        labels = next((p["value"] for p in test.get("properties", []) if p["name"] == "LABELS"), [])
        tests[test["name"]] = (test.get("command", []), sorted(labels))
    return tests


def read_suites(path):
    suites = []
    for line in open(path, encoding="utf-8"):
        if line.strip():
            name, labels, kind, key = line.rstrip("\n").split("\t")
            suites.append({"name": name, "labels": sorted(labels.split(";")), "kind": kind,
                           "key": key})
    return suites


def suite_of(name, command, suites):
    for suite in suites:
        if suite["kind"] == "test" and suite["key"] == name:
            return suite
    for suite in suites:
        if suite["kind"] == "program" and command and os.path.realpath(command[0]) == \
                os.path.realpath(suite["key"]):
            return suite
    return None


def named_labels(pattern):
    """The plain label names an anchored alternation such as ^(a|b/c)$ spells out."""
    body = re.fullmatch(r"\^\(?([\w/|.-]+?)\)?\$", pattern or "")
    return body.group(1).split("|") if body else []


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--presets", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--suites", required=True)
    parser.add_argument("--ctest", default="ctest")
    parser.add_argument("--preset", action="append", default=[])
    arguments = parser.parse_args()

    presets = test_presets(arguments.presets)
    unknown = [name for name in arguments.preset if name not in presets]
    if unknown:
        sys.exit(f"no test preset {', '.join(unknown)} in {arguments.presets}")
    suites = read_suites(arguments.suites)
    scratch = tempfile.TemporaryDirectory()
    build = test_files(arguments.build, scratch.name)
    everything = listed(arguments.ctest, build)
    problems = []

    # gtest_discover_tests stands <program>_NOT_BUILT in for the tests of a program that is
    # not built (a stage's build builds only what it runs).
    programs = {suite["name"] for suite in suites if suite["kind"] == "program"}
    unbuilt = {name[:-len("_NOT_BUILT")] for name in everything
               if name.endswith("_NOT_BUILT") and name[:-len("_NOT_BUILT")] in programs}
    for name, (command, labels) in sorted(everything.items()):
        suite = suite_of(name, command, suites)
        if name[:-len("_NOT_BUILT")] in unbuilt:
            continue
        if suite is None:
            problems.append(f"{name}: not registered through tqv_test_program, tqv_add_test or "
                            "tqv_widget_test, so no stage knows it")
        elif labels != suite["labels"]:
            problems.append(f"{name}: labels {';'.join(labels) or '(none)'}, registered with "
                            f"{';'.join(suite['labels'])}")

    for preset_name in arguments.preset or sorted(presets):
        include, exclude = label_filter(presets[preset_name])
        stage = listed(arguments.ctest, build, include, exclude)
        meant = [suite for suite in suites if taken(suite["labels"], include, exclude)]
        for suite in meant:
            if not any(suite_of(name, command, [suite]) for name, (command, _) in stage.items()):
                why = "is not built" if suite["name"] in unbuilt else "has no test in its list"
                problems.append(f"stage {preset_name}: {suite['name']} (labels "
                                f"{';'.join(suite['labels'])}) is meant to run but {why}")
        own = arguments.preset or presets[preset_name].get("configurePreset") == \
            os.path.basename(os.path.realpath(arguments.build))
        carried = {label for suite in suites for label in suite["labels"]}
        for label in named_labels(include) if own else []:
            if label not in carried:
                problems.append(f"stage {preset_name}: its filter names the label {label}, "
                                "which no suite of this build carries")
        print(f"stage {preset_name}: {len(stage)} tests from {len(meant)} suites")

    if problems:
        print("\n".join(problems), file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
