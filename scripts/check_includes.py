#!/usr/bin/env python3
"""Checks that the library's includes run one way and that its headers speak of Win32 one way.

scripts/check_includes.py ROOT
scripts/check_includes.py --self-test

The library's folders are floors, from the top: library, history, about, dialogs, shared, ui,
platform. A file may include its own floor's headers and those of floors below, never above
(the test kit, the host and the benchmarks stand beside, above them all). A header that
speaks of Win32 types as forward-declared (HWND__, HFONT__, tagRECT) must not pull <windows.h>
in, directly or through the project's headers it includes: with it, the types have their names. Prints "FILE:LINE: what"
for each offence and exits 1. --self-test plants one offence of each kind among sound files and
exits 1 unless exactly those are reported.
"""
import pathlib
import re
import sys
import tempfile

FLOORS = ["library", "history", "about", "dialogs", "shared", "ui", "platform"]
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.M)
FORWARDED = re.compile(r"\b(H[A-Z]+__|tagRECT)\b")
WINDOWS = {"windows.h", "oleauto.h", "objbase.h", "ole2.h"}


def floor(relative):
    top = relative.split("/", 1)[0]
    return FLOORS.index(top) if top in FLOORS else None


def check(root):
    sources = sorted(p for p in root.rglob("*") if p.suffix in (".h", ".cpp") and p.is_file()
                     and floor(p.relative_to(root).as_posix()) is not None)
    includes = {}
    for path in sources:
        text = path.read_text(encoding="utf-8")
        includes[path.relative_to(root).as_posix()] = [
            (text.count("\n", 0, m.start()) + 1, m.group(1) == "<", m.group(2)) for m in INCLUDE.finditer(text)]
    problems = []
    for name, found in includes.items():
        for line, system, target in found:
            if system or floor(target) is None:
                continue
            if floor(target) < floor(name):
                problems.append(f"{name}:{line}: includes {target}, a floor above its own")

    pulls = {}

    def pulls_windows(name, seen=()):
        if name not in pulls:
            found = includes.get(name, [])
            pulls[name] = any(t in WINDOWS for _, system, t in found if system) or any(
                pulls_windows(t, seen + (name,)) for _, system, t in found
                if not system and t in includes and t not in seen)
        return pulls[name]

    for path in sources:
        name = path.relative_to(root).as_posix()
        if path.suffix != ".h":
            continue
        spelled = sorted(set(FORWARDED.findall(path.read_text(encoding="utf-8"))))
        if spelled and pulls_windows(name):
            problems.append(f"{name}:1: spells {', '.join(spelled)} as forward-declared yet pulls <windows.h> in")
    return problems, len(sources)


def self_test():
    with tempfile.TemporaryDirectory() as folder:
        root = pathlib.Path(folder)
        files = {
            "platform/Owners.h": "#include <windows.h>\n",
            "ui/Owners.h": '#include <windows.h>\n#include "platform/Owners.h"\n',
            "ui/Control.h": "struct HWND__;\n#include <string>\nvoid Show(HWND__* w);\n",
            "ui/Font.h": '#include "ui/Owners.h"\nvoid Use(HFONT__* f);\n',  # offence: both ways
            "shared/Hold.cpp": '#include "ui/Owners.h"\n#include "history/Form.h"\n',  # line 2: upward
            "history/Form.h": '#include "ui/Control.h"\n#include "shared/Hold.h"\n',
        }
        for name, text in files.items():
            (root / name).parent.mkdir(parents=True, exist_ok=True)
            (root / name).write_text(text)
        problems, checked = check(root)
    expected = ["shared/Hold.cpp:2: includes history/Form.h, a floor above its own",
                "ui/Font.h:1: spells HFONT__ as forward-declared yet pulls <windows.h> in"]
    if problems != expected or checked != len(files):
        print("check_includes: SELF-TEST FAILED: expected", expected, "in", len(files), "files, got", problems,
              "in", checked)
        return 1
    print("check_includes: self-test passed: the upward include and the header of both ways were reported, and only they")
    return 0


def main(argv):
    if argv == ["--self-test"]:
        return self_test()
    if len(argv) != 1 or not (pathlib.Path(argv[0]) / "library").is_dir():
        print("usage: scripts/check_includes.py ROOT (holding library/) | --self-test", file=sys.stderr)
        return 2
    problems, checked = check(pathlib.Path(argv[0]))
    for problem in problems:
        print(problem)
    print(f"check_includes: {checked} files of the library's folders, {len(problems)} offences")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
