#!/usr/bin/env python3
"""scripts/test-summary.py LISTED.json JUNIT.xml [--reruns FILTERS]

Counts one test pass from its own results: LISTED.json is what ctest registered
(`ctest -N --show-only=json-v1`), JUNIT.xml what it ran (`ctest --output-junit`). Prints
"RUN PASSED SKIPPED FAILED" on the first line, then one line per reason a test was skipped
(with how many and which), one per planted fault (caught or not) and one per problem found. Exits 1 when the pass ran fewer or other tests
than were registered, or when a rerun filter (FILTERS: "PREFIX GTEST_FILTER" lines that
tests.cmake writes) selects no test at all, as after a renamed suite: either would let a run
pass on less than it holds.
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
    if len(argv) not in (3, 5) or (len(argv) == 5 and argv[3] != "--reruns"):
        print(__doc__.strip().splitlines()[0], file=sys.stderr)
        return 2
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

    if len(argv) == 5:
        with open(argv[4]) as f:
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
    # The planted faults (tests.cmake): each test passes only when its leak check caught the fault.
    for name in sorted(n for n in ran if n.startswith("planted.")):
        _, fault, test = name.split(".", 2)
        print(f"planted fault {fault}: {'caught' if name in passed else 'NOT CAUGHT'} by {test}")
    for p in problems:
        print(f"FAILED: {p}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
