#!/usr/bin/env python3
"""The release of the two libraries that build.sh has built.

scripts/package.py BUILD_DIR OUT_DIR [--readme] [--tested RECORD]

Writes OUT_DIR/Pathmr-<version>.zip (Pathmr.dll, Pathmr64.dll, Pathmr.h, Pathmr.bas, ReadMe.txt,
CHANGELOG.md, SHA256SUMS) and, beside it rather than in it, the maps of both libraries' symbols for reading a
crash address; then checks the zip (scripts/package_check.py). The version is the header's,
which CMake made from the version resource's source. The zip holds the same bytes for the same
files: fixed dates and modes, a fixed order. --readme also writes the Declare block of
library/Pathmr.bas into README.md, so that the two never differ. --tested first makes sure that
both libraries are, to the byte, those that RECORD lists: the record ./build.sh test writes after a
run in which every test passed; without it, or for a library it does not list, nothing is written.
"""
import hashlib
import pathlib
import re
import shutil
import sys
import zipfile

import package_check
from release_sources import BAS, HERE, README, declare_block, fail, header_version, readme_block

USAGE = "usage: scripts/package.py BUILD_DIR OUT_DIR [--readme] [--tested RECORD]"
# Each library of the release and where the build tree has it (as a record of a test run names it).
LIBRARIES = {"Pathmr.dll": "cross32/bin/Pathmr.dll", "Pathmr64.dll": "cross64/bin/Pathmr64.dll"}
# Debian's record of the MinGW-w64 runtime's licences, installed with the cross compilers.
MINGW_COPYRIGHT = pathlib.Path("/usr/share/doc/mingw-w64-common/copyright")


def crlf(text, encoding="cp1252"):
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode(encoding)


def jpeg_licence(build):
    """libjpeg-turbo's LICENSE.md and the legal section of its README.ijg, from the source built."""
    src = build / "third_party" / "src" / "libjpeg-turbo"
    licence = (src / "LICENSE.md").read_text(encoding="utf-8")
    ijg = (src / "README.ijg").read_text(encoding="utf-8")
    legal = re.search(r"^LEGAL ISSUES\n=+\n.*?(?=^[A-Z][A-Z ]+\n=+\n)", ijg, re.M | re.S)
    if not legal:
        fail(f"no LEGAL ISSUES section in {src / 'README.ijg'}")
    return f"{licence.strip()}\n\n\n{legal.group(0).strip()}"


def winpthreads_licence():
    """The copyright of winpthreads, which the static runtime links in, and its expat licence."""
    paragraphs = MINGW_COPYRIGHT.read_text(encoding="utf-8").split("\n\n")
    files = [p for p in paragraphs if p.startswith("Files: mingw-w64-libraries/winpthreads/*\n")]
    texts = [p for p in paragraphs if p.startswith("License: expat\n ")]
    holder = re.search(r"^Copyright: (.*)$", files[0], re.M) if files else None
    if not holder or not texts:
        fail(f"no winpthreads copyright and expat licence in {MINGW_COPYRIGHT}")
    body = "\n".join("" if line == " ." else line[1:] for line in texts[0].splitlines()[1:])
    return f"Copyright (c) {holder.group(1)}\n\n{body}"


def jpeg_version(build):
    config = (build / "third_party" / "libjpeg32" / "include" / "jconfig.h").read_text()
    found = re.search(r"^#define LIBJPEG_TURBO_VERSION\s+(\S+)$", config, re.M)
    if not found:
        fail("jconfig.h names no libjpeg-turbo version")
    return found.group(1)


def write_readme_block():
    text = README.read_text(encoding="utf-8")
    found = readme_block(text)
    block = declare_block(BAS.read_text(encoding="utf-8"))
    if found.group(1) != block:
        README.write_text(text[: found.start(1)] + block + text[found.end(1) :], encoding="utf-8")
        print("package: README.md now shows the Declare block of library/Pathmr.bas")


def contents(build):
    """The files of the release, by name."""
    headers = [(build / f"cross{arch}" / "include" / "library" / "Pathmr.h").read_text() for arch in (32, 64)]
    if headers[0] != headers[1]:
        fail("the 32-bit and the 64-bit build made different headers")
    version = header_version(headers[0])
    readme = (HERE / "library" / "ReadMe.txt").read_text(encoding="utf-8")
    for mark, text in (("@VERSION@", version), ("@JPEG_VERSION@", jpeg_version(build)),
                       ("@JPEG_LICENCE@", jpeg_licence(build)), ("@WINPTHREADS_LICENCE@", winpthreads_licence())):
        readme = readme.replace(mark, text)
    files = {name: (build / path).read_bytes() for name, path in LIBRARIES.items()}
    files.update({
        "Pathmr.h": crlf(headers[0]),
        "Pathmr.bas": crlf(BAS.read_text(encoding="utf-8")),
        "ReadMe.txt": crlf(readme),
        # What each release brought, as the repository has it (Markdown stays UTF-8), with Windows line ends.
        "CHANGELOG.md": crlf(package_check.CHANGELOG.read_text(encoding="utf-8"), "utf-8"),
    })
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in sorted(files.items()))
    files["SHA256SUMS"] = sums.encode()
    return version, files


def check_tested(record, files):
    """Stops unless the record lists each library with the checksum of the bytes about to be packed.
    The record is a checksum and a path a line, as sha256sum writes them; lines that begin with "#"
    say what ran, and "# not tested: PATH: why" names a library the run could not test."""
    if not record.is_file():
        fail(f"no record of a test run in which every test passed ({record}): run ./build.sh test first")
    lines = record.read_text(encoding="utf-8").splitlines()
    tested = {m.group(2): m.group(1) for m in map(re.compile(r"([0-9a-f]{64})  (.+)").fullmatch, lines) if m}
    for name, path in LIBRARIES.items():
        if path not in tested:
            said = f"# not tested: {path}: "
            why = next((line[len(said):] for line in lines if line.startswith(said)), f"{record} does not list it")
            fail(f"{name} was not tested ({why}); the release holds only libraries the tests ran: "
                 "run ./build.sh test on a machine that can test both, then ./build.sh dist")
        if hashlib.sha256(files[name]).hexdigest() != tested[path]:
            fail(f"{name} is not the library the last passing test run tested: its checksum differs from the one "
                 f"in {record}; run ./build.sh test first")
    ran = next((line.lstrip("# ") for line in lines if line.startswith("#")), None)
    print("package: both libraries are the ones the tests ran" + (f" ({ran})" if ran else ""))


def write_zip(path, files):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name in sorted(files):
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.external_attr = 0o644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, files[name])


def main(argv):
    args, record = list(argv), None
    readme = "--readme" in args
    if readme:
        args.remove("--readme")
    if "--tested" in args:
        at = args.index("--tested")
        if at + 1 >= len(args):
            sys.exit(USAGE)
        record = pathlib.Path(args.pop(at + 1)).resolve()
        args.pop(at)
    if len(args) != 2 or any(arg.startswith("-") for arg in args):
        sys.exit(USAGE)
    build, out = pathlib.Path(args[0]).resolve(), pathlib.Path(args[1]).resolve()
    version, files = contents(build)
    if record:
        check_tested(record, files)
    if readme:
        write_readme_block()
    out.mkdir(parents=True, exist_ok=True)
    archive = out / f"Pathmr-{version}.zip"
    write_zip(archive, files)
    for arch, dll in ((32, "Pathmr"), (64, "Pathmr64")):
        shutil.copyfile(build / f"cross{arch}" / f"{dll}.map", out / f"{dll}-{version}.map")
    package_check.check(archive, build)
    print(f"package: {archive} ({archive.stat().st_size} bytes, sha256 {hashlib.sha256(archive.read_bytes()).hexdigest()})")
    print(f"package: symbol maps beside it: Pathmr-{version}.map, Pathmr64-{version}.map")


if __name__ == "__main__":
    main(sys.argv[1:])
