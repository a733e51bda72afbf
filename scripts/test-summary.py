#!/usr/bin/env python3
"""scripts/test-summary.py LISTED.json JUNIT.xml [--reruns FILTERS] [--planted CONTROLS]

Counts one test pass from its own results: LISTED.json is what ctest registered
(`ctest -N --show-only=json-v1`), JUNIT.xml what it ran (`ctest --output-junit`). Prints
"RUN PASSED SKIPPED FAILED" on the first line, then one line per reason a test was skipped
(with how many and which), one per planted fault (caught or not) and one per problem found. Exits 1 when the pass ran fewer or other tests
than were registered, or when a rerun filter (FILTERS: "PREFIX GTEST_FILTER" lines that
tests.cmake writes) selects no test at all, as after a renamed suite: either would let a run
pass on less than it holds.

CONTROLS ("planted.FAULT PREFIX" lines that tests.cmake writes) pairs each run with a planted fault,
planted.FAULT.NAME, with its control, PREFIX.NAME: the same test on the product. Each pair gets a
line: caught with the planted library (the planted run passed: its checks failed with the fault's
report and nothing else), and not caught with the product (the control passed, so nothing failed).
Exits 1 too when a planted run was skipped, did not run or was not caught, or when its control
failed or was skipped (or, in a whole pass, given --reruns, did not run).
"""
import fnmatch
import json
import re
import sys
import xml.etree.ElementTree as ET
from collections import defaultdict


def skip_reason(output):
    # gtest: "file.cpp:305: Skipped\nthe message\n[  SKIPPED ] Suite.Name"
    m = re.search(r"Skipped\n(.*?)\n?\[  SKIPPED \]", output or "", re.S)
    return " ".join(m.group(1).split()) if m and m.group(1).strip() else "no reason given"


def main(argv):
    options = dict(zip(argv[3::2], argv[4::2]))
    if len(argv) % 2 == 0 or not set(options) <= {"--reruns", "--planted"}:
        print(__doc__.strip().splitlines()[0], file=sys.stderr)
        return 2
    reruns, planted_controls = options.get("--reruns"), options.get("--planted")
    problems = []
    try:
        with open(argv[1]) as f:
            registered = [t["name"] for t in json.load(f).get("tests", [])]
    except (OSError, ValueError) as e:
        registered = []
        problems.append(f"no list of registered tests ({e})")
    try:
        cases = ET.parse(argv[2]).getroot().iter("testcase")
    except (OSError, ET.ParseError) as e:
        cases = []
        problems.append(f"no results ({e})")

    ran, passed, failed = set(), [], []
    skipped = defaultdict(list)
    for case in cases:
        name = case.get("name")
        ran.add(name)
        out = case.findtext("system-out") or ""
        if case.find("failure") is not None or case.get("status") == "fail":
            failed.append(name)
        elif case.find("skipped") is not None or case.get("status") in ("notrun", "disabled"):
            skipped[skip_reason(out)].append(name)
        else:
            passed.append(name)

    missing = sorted(set(registered) - ran)
    if missing:
        problems.append(f"{len(missing)} of {len(registered)} registered tests did not run: " + ", ".join(missing[:10]))
    if not registered:
        problems.append("no tests registered")

    if reruns:
        with open(reruns) as f:
            for line in f:
                if not line.strip():
                    continue
                prefix, filt = line.split(None, 1)
                for pattern in filt.strip().split(":"):
                    if not any(fnmatch.fnmatchcase(n, f"{prefix}.{pattern}") for n in registered):
                        problems.append(f'the reruns "{prefix}" of "{pattern}" select no test (a renamed test?): '
                                        "tests.cmake and the test's name disagree")

    skipped_count = sum(len(v) for v in skipped.values())
    print(len(ran), len(passed), skipped_count, len(failed))
    for reason, names in sorted(skipped.items()):
        shown = ", ".join(names[:4]) + (", ..." if len(names) > 4 else "")
        print(f"skipped {len(names)}: {reason} ({shown})")
    # The planted faults (tests.cmake), each beside its control.
    controls = defaultdict(set)
    if planted_controls:
        with open(planted_controls) as f:
            for line in f:
                if line.strip():
                    planted, prefix = line.split()
                    controls[planted].add(prefix)
    skipped_names = {n for names in skipped.values() for n in names}
    for name in sorted(n for n in registered if n.startswith("planted.")):
        _, fault, test = name.split(".", 2)
        verdict = ("caught" if name in passed else "skipped" if name in skipped_names
                   else "NOT CAUGHT" if name in ran else "did not run")
        candidates = [f"{p}.{test}" for p in sorted(controls.get(f"planted.{fault}", ())) if f"{p}.{test}" in registered]
        control = candidates[0] if candidates else None
        product = ("no control registered" if not control else "not caught" if control in passed
                   else "skipped" if control in skipped_names else "did not run" if control not in ran
                   else "FAILED (see its output)")
        print(f"planted fault {fault} in {test}: {verdict} with the planted library, {product} with the product")
        if verdict != "caught":
            problems.append(f"planted fault {fault} in {test}: {verdict} with the planted library")
        # A whole pass (--reruns) runs every control; a selection (build.sh check) may leave one out.
        if controls and product != "not caught" and (reruns or product not in ("did not run", "no control registered")):
            problems.append(f"planted fault {fault} in {test}: the control {control or '(none)'}: {product}")
    for p in problems:
        print(f"FAILED: {p}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
