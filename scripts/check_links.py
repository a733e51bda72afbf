#!/usr/bin/env python3
"""Checks the relative links of the project's Markdown files.

scripts/check_links.py ROOT
scripts/check_links.py --self-test

Reads ROOT/README.md, ROOT/CHANGELOG.md and ROOT/docs/**/*.md. Every link or image whose target
has no scheme must name a file or folder that exists beside the linking file, and a #fragment on a
Markdown file (or alone: the same file) must match one of its "#" headings as the repository's web
view names them (lower case, punctuation but hyphens dropped, spaces as hyphens, "-1", "-2" after
repeats). Code spans and fenced blocks hold no links. Prints "FILE:LINE: TARGET -> what is
missing" for each broken one and exits 1. --self-test plants three broken links among good ones
and exits 1 unless exactly those three are reported.
"""
import pathlib
import re
import sys
import tempfile
import urllib.parse

LINK = re.compile(r"(!?)\[[^\]]*\]\(<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\)")
HEADING = re.compile(r"^#{1,6}\s+(.*?)\s*#*\s*$")


def lines_outside_code(text, code_spans=""):
    """Each line outside fenced blocks, its code spans replaced (by default, with nothing)."""
    fenced = False
    for number, line in enumerate(text.splitlines(), 1):
        if line.lstrip().startswith(("```", "~~~")):
            fenced = not fenced
        elif not fenced:
            yield number, re.sub(r"`([^`]*)`", code_spans, line)


def anchors(text):
    found, seen = set(), {}
    for _, line in lines_outside_code(text, r"\1"):  # a heading's code counts by its text
        heading = HEADING.match(line)
        if heading:
            title = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", heading.group(1))
            base = re.sub(r"[^\w\- ]", "", title.lower()).replace(" ", "-")
            found.add(base if base not in seen else f"{base}-{seen[base]}")
            seen[base] = seen.get(base, 0) + 1
    return found


def check(root):
    """The broken links under ROOT, and how many relative links there were."""
    files = [root / name for name in ("README.md", "CHANGELOG.md") if (root / name).is_file()]
    files += sorted((root / "docs").rglob("*.md")) if (root / "docs").is_dir() else []
    problems, checked = [], 0
    for path in files:
        text = path.read_text(encoding="utf-8")
        for number, line in lines_outside_code(text):
            for image, target in LINK.findall(line):
                if not target or re.match(r"^[A-Za-z][\w+.-]*:", target):
                    continue
                checked += 1
                address, _, fragment = urllib.parse.unquote(target).partition("#")
                linked = path.parent / address if address else path
                where = f"{path.relative_to(root)}:{number}: {target} ->"
                if not linked.exists():
                    problems.append(f"{where} no file {address} ({'image' if image else 'link'})")
                elif fragment and linked.suffix == ".md" and fragment not in anchors(linked.read_text(encoding="utf-8")):
                    problems.append(f'{where} no heading "#{fragment}"')
    return problems, checked


def self_test():
    with tempfile.TemporaryDirectory() as folder:
        root = pathlib.Path(folder)
        (root / "docs").mkdir()
        (root / "docs" / "guide.md").write_text("# Guide\n\n## The release: `dist`\n\n## Notes\n\n## Notes\n")
        (root / "README.md").write_text(
            "# Front page\n"
            "[good](docs/guide.md#the-release-dist), [second notes](docs/guide.md#notes-1), [here](#front-page)\n"
            "[gone](docs/gone.md) [where](docs/guide.md#no-such-heading)\n"  # line 3
            "![broken image](docs/none.png) [outside](https://example.invalid/x.md)\n"  # line 4
            "`[in code](docs/gone.md)`\n```\n[in a block](docs/gone.md)\n```\n")
        problems, checked = check(root)
    expected = ["README.md:3: docs/gone.md -> no file docs/gone.md (link)",
                'README.md:3: docs/guide.md#no-such-heading -> no heading "#no-such-heading"',
                "README.md:4: docs/none.png -> no file docs/none.png (image)"]
    if problems != expected or checked != 6:
        print("check_links: SELF-TEST FAILED: expected", expected, "of 6 links, got", problems, "of", checked)
        return 1
    print("check_links: self-test passed: the three broken links of six were reported, and only they")
    return 0


def main(argv):
    if argv == ["--self-test"]:
        return self_test()
    if len(argv) != 1 or not (pathlib.Path(argv[0]) / "README.md").is_file():
        print("usage: scripts/check_links.py ROOT (holding README.md) | --self-test", file=sys.stderr)
        return 2
    problems, checked = check(pathlib.Path(argv[0]))
    for problem in problems:
        print(problem)
    print(f"check_links: {checked} relative links, {len(problems)} leading nowhere")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
