#!/usr/bin/env python3
"""Checks a release zip as an add-in author would meet it.

scripts/package_check.py ZIP BUILD_DIR

The zip holds exactly the seven files; the checksums match; each library is of its architecture,
exports the six functions of the header and carries no link time stamp, symbol table, debug
section or path of the build; every Declare of Pathmr.bas names an export of the file its branch
binds, with the header's argument count and, in 32-bit hosts, the bytes of arguments the export
removes; the README shows the same Declare block; ReadMe.txt carries libjpeg-turbo's licence;
CHANGELOG.md is the repository's, with Windows line ends, and has a section for this version.
"""
import hashlib
import pathlib
import re
import struct
import sys
import zipfile

from release_sources import HERE, README, declare_block, header_version, readme_block

JPEG_STATEMENT = "This software is based in part on the work of the Independent JPEG Group."
EXPECTED = {"Pathmr.dll", "Pathmr64.dll", "Pathmr.h", "Pathmr.bas", "ReadMe.txt", "CHANGELOG.md", "SHA256SUMS"}
# What each release brought, for add-in authors; the release carries it.
CHANGELOG = HERE / "CHANGELOG.md"
MACHINE = {"Pathmr.dll": 0x14C, "Pathmr64.dll": 0x8664}
# Bytes on a 32-bit stack of each argument type a Declare uses (all passed by value).
STACK_BYTES = {"Long": 4, "LongPtr": 4, "String": 4, "Variant": 16}

problems = []


def expect(condition, message):
    if not condition:
        problems.append(message)


def pe_facts(data):
    """Machine, time stamps (the file's and its export table's, ORed), symbol table offset, section
    names and export names of a PE file."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe : pe + 4] != b"PE\0\0":
        return None
    machine, sections, stamp, symbols, _, optional_size = struct.unpack_from("<HHIIIH", data, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    export_rva = struct.unpack_from("<I", data, directories)[0]
    table = optional + optional_size
    spans, names = [], []
    for i in range(sections):
        raw_name, vsize, rva, raw_size, raw_at = struct.unpack_from("<8sIIII", data, table + 40 * i)
        names.append(raw_name.rstrip(b"\0").decode())
        spans.append((rva, max(vsize, raw_size), raw_at))

    def at(r):
        return next(raw + r - start for start, size, raw in spans if start <= r < start + size)

    exports = []
    if export_rva:
        stamp |= struct.unpack_from("<I", data, at(export_rva) + 4)[0]  # the export table's own
        count, _, name_table = struct.unpack_from("<III", data, at(export_rva) + 24)
        for i in range(count):
            name_at = at(struct.unpack_from("<I", data, at(name_table) + 4 * i)[0])
            exports.append(data[name_at : data.index(b"\0", name_at)].decode())
    return machine, stamp, symbols, names, exports


def header_functions(header):
    """Each function the header declares: its argument count and whether it returns a value."""
    found = {}
    for result, name, args in re.findall(r"^(\w+) __stdcall (\w+)\(([^)]*)\);", header, re.M):
        count = 0 if args.strip() == "void" else len(args.split(","))
        found[name] = (count, result != "void")
    return found


def declares(bas):
    """(branch condition, Declare) pairs of Pathmr.bas, with continued lines joined."""
    joined = re.sub(r" _\r?\n\s*", " ", bas)
    branch, found = None, []
    for line in joined.splitlines():
        condition = re.match(r"#(?:Else)?If (.*) Then$", line)
        if condition or line == "#Else":
            branch = condition.group(1) if condition else "Else"
        elif line.startswith("Public Declare") or line.startswith("Private Declare"):
            found.append((branch, line))
    return found


def check_declares(bas, header, exports, stack_bytes):
    functions = header_functions(header)
    expect(len(functions) == 6, f"the header declares {len(functions)} functions, not six")
    pattern = re.compile(r'Public Declare (PtrSafe )?(Sub|Function) (\w+) Lib "([^"]+)" \((.*)\)(?: As (\w+))?$')
    seen = {}
    for branch, line in declares(bas):
        m = pattern.match(line)
        expect(m, f"Pathmr.bas: not a public Declare of the expected form: {line}")
        if not m:
            continue
        ptrsafe, kind, name, lib, args, result = m.groups()
        seen.setdefault(branch, []).append(name)
        want_lib = "Pathmr64.dll" if "Win64" in branch else "Pathmr.dll"
        expect(lib == want_lib, f"Pathmr.bas, branch {branch}: {name} binds {lib}, not {want_lib}")
        expect(bool(ptrsafe) == ("VBA7" in branch), f"Pathmr.bas, branch {branch}: {name} has PtrSafe wrong")
        expect(name in exports.get(lib, []), f"Pathmr.bas, branch {branch}: {lib} does not export {name}")
        if name not in functions:
            problems.append(f"Pathmr.bas, branch {branch}: the header declares no {name}")
            continue
        params = [a for a in args.split(",") if a.strip()]
        count, returns = functions[name]
        expect(len(params) == count, f"Pathmr.bas, branch {branch}: {name} takes {len(params)} arguments, the header {count}")
        expect((kind == "Function") == returns and (result == "Long") == returns,
               f"Pathmr.bas, branch {branch}: {name} is a {kind}, the header's returns {'a value' if returns else 'nothing'}")
        if lib == "Pathmr.dll":
            types = [re.fullmatch(r"\s*ByVal \w+ As (\w+)\s*", a) for a in params]
            size = sum(STACK_BYTES.get(t.group(1), -1000) if t else -1000 for t in types)
            expect(size == stack_bytes.get(name), f"Pathmr.bas, branch {branch}: {name} passes {size} bytes, "
                   f"the export removes {stack_bytes.get(name)}")
    expect(list(seen) == ["VBA7 And Win64", "VBA7", "Else"], f"Pathmr.bas: branches {list(seen)}")
    for branch, names in seen.items():
        expect(sorted(names) == sorted(functions), f"Pathmr.bas, branch {branch}: declares {sorted(names)}")


def check(archive, build):
    archive, build = pathlib.Path(archive), pathlib.Path(build).resolve()
    problems.clear()
    with zipfile.ZipFile(archive) as z:
        files = {name: z.read(name) for name in z.namelist()}
    expect(set(files) == EXPECTED and len(files) == len(EXPECTED), f"the zip holds {sorted(files)}")
    if not EXPECTED <= set(files):
        sys.exit("package_check: " + "; ".join(problems))
    header = files["Pathmr.h"].decode().replace("\r\n", "\n")
    version = header_version(header)
    expect(archive.name == f"Pathmr-{version}.zip", f"{archive.name} is not named after version {version}")

    listed = dict(reversed(line.split("  ", 1)) for line in files["SHA256SUMS"].decode().splitlines())
    expect(set(listed) == EXPECTED - {"SHA256SUMS"}, f"SHA256SUMS lists {sorted(listed)}")
    for name, digest in listed.items():
        expect(hashlib.sha256(files.get(name, b"")).hexdigest() == digest, f"{name} does not match its checksum")

    exports = {}
    for dll, machine in MACHINE.items():
        facts = pe_facts(files[dll])
        expect(facts, f"{dll} is not a PE file")
        if not facts:
            continue
        seen_machine, stamp, symbols, sections, exports[dll] = facts
        expect(seen_machine == machine, f"{dll} is built for machine {seen_machine:#x}")
        expect(stamp == 0, f"{dll} carries a link time stamp ({stamp:#x})")
        expect(symbols == 0, f"{dll} carries a symbol table")
        expect(not [s for s in sections if s.startswith((".debug", "/"))], f"{dll} has debug sections: {sections}")
        expect(sorted(exports[dll]) == sorted(header_functions(header)), f"{dll} exports {exports[dll]}")
        for path in {str(build), str(HERE)}:
            for text in (path.encode(), path.encode("utf-16-le")):
                expect(text not in files[dll], f"{dll} holds the path {path}")

    stack_bytes = {n: int(b) for n, b in re.findall(r"^\s+(\w+) = \w+@(\d+)$", (HERE / "library" / "Pathmr.def").read_text(), re.M)}
    bas = files["Pathmr.bas"].decode("cp1252")
    expect("\n" not in bas.replace("\r\n", ""), "Pathmr.bas has lines that do not end in CR LF")
    check_declares(bas.replace("\r\n", "\n"), header, exports, stack_bytes)
    readme = README.read_text(encoding="utf-8")
    expect(readme_block(readme).group(1) == declare_block(bas.replace("\r\n", "\n")),
           "README.md's Declare block differs from library/Pathmr.bas (./build.sh dist writes it there)")

    text = files["ReadMe.txt"].decode("cp1252")
    expect(JPEG_STATEMENT in text, "ReadMe.txt lacks the statement the IJG licence asks for")
    licence = (build / "third_party" / "src" / "libjpeg-turbo" / "LICENSE.md").read_text(encoding="utf-8")
    expect(licence.strip().replace("\n", "\r\n") in text, "ReadMe.txt lacks libjpeg-turbo's LICENSE.md")
    expect("LEGAL ISSUES" in text and "mingw-w64 project" in text and not re.search(r"@[A-Z_]+@", text),
           "ReadMe.txt is incomplete")

    changes = files["CHANGELOG.md"].decode("utf-8", "replace")
    expect("\n" not in changes.replace("\r\n", ""), "CHANGELOG.md has lines that do not end in CR LF")
    changes = changes.replace("\r\n", "\n")
    expect(changes == CHANGELOG.read_text(encoding="utf-8").replace("\r\n", "\n"),
           "CHANGELOG.md differs from the repository's")
    expect(re.search(rf"^## \[{re.escape(version)}\] - \d{{4}}-\d\d-\d\d$", changes, re.M),
           f"CHANGELOG.md has no section \"## [{version}] - YYYY-MM-DD\" for this release")
    if problems:
        sys.exit("package_check: " + "\npackage_check: ".join(problems))
    print(f"package_check: {archive.name}: the seven files, their checksums, both export tables, "
          f"{len(declares(bas.replace(chr(13), '')))} Declares, the licence and the change log are right")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: scripts/package_check.py ZIP BUILD_DIR")
    check(sys.argv[1], sys.argv[2])
