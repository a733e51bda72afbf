#!/usr/bin/env python3
"""Checks the relative links of the project's Markdown files.

scripts/check_links.py ROOT
scripts/check_links.py --self-test

Reads ROOT/README.md, ROOT/CHANGELOG.md and every ROOT/docs/**/*.md. Each link and image,
[text](target), ![alt](target) or a reference definition [name]: target, whose target is
relative (no scheme such as https: or mailto:) must name a file or folder that exists, relative
to the file that links; a target beginning with "/" is taken from ROOT. A #fragment on a Markdown
file, or a link that is only a #fragment (the same file), must match one of that file's headings
as the repository's web view names them: lower case, punctuation other than hyphens and
underscores removed, each space a hyphen, and "-1", "-2" ... after the second, third ... heading
of the same name. Links inside fenced code blocks and inline code are not links.

Prints one line per broken link, "FILE:LINE: TARGET -> what is missing", and exits 1; otherwise
prints how many links it checked and exits 0. --self-test writes a small tree with one good link,
one to a missing file, one to a missing heading and one broken image, and exits 1 unless exactly
the three broken ones are reported.
"""
import pathlib
import re
import sys
import tempfile
import urllib.parse

SCHEME = re.compile(r"^[A-Za-z][A-Za-z0-9+.-]*:")
FENCE = re.compile(r"^ {0,3}(`{3,}|~{3,})")
ATX_HEADING = re.compile(r"^ {0,3}(#{1,6})(?:[ \t]+(.*?))?(?:[ \t]+#+)?[ \t]*$")
SETEXT_UNDERLINE = re.compile(r"^ {0,3}(=+|-+)[ \t]*$")
REFERENCE = re.compile(r"^ {0,3}\[([^\]]+)\]:[ \t]*(<[^>]*>|\S+)")
HTML_ANCHOR = re.compile(r"<a\s[^>]*?\b(?:name|id)\s*=\s*[\"']([^\"']+)[\"']", re.I)
INLINE_CODE = re.compile(r"(`+)(.+?)\1")


def markdown_lines(text):
    """(line number, line) for each line outside fenced code blocks."""
    fence = None
    for number, line in enumerate(text.splitlines(), 1):
        opened = FENCE.match(line)
        if fence:
            if opened and opened.group(1)[0] == fence[0] and len(opened.group(1)) >= len(fence) \
                    and not line.strip().lstrip(fence[0]):
                fence = None
            continue
        if opened:
            fence = opened.group(1)
            continue
        yield number, line


def without_inline_code(line, keep_text=False):
    """The line with its code spans blanked out (or, with keep_text, with their backticks dropped)."""
    return INLINE_CODE.sub(lambda m: m.group(2) if keep_text else " " * len(m.group(0)), line)


def slug(heading):
    """The anchor the web view gives a heading of this text."""
    text = without_inline_code(heading, keep_text=True)
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", text)  # a link in a heading counts by its text
    text = re.sub(r"<[^>]+>", "", text)  # and HTML tags not at all
    text = re.sub(r"[^\w\- ]", "", text.strip().lower())
    return text.replace(" ", "-")


def anchors(text):
    """Every anchor a Markdown file offers: its headings' slugs, numbered where they repeat, and
    the names of its HTML anchors."""
    found, seen = set(), {}
    previous = None
    for _, line in markdown_lines(text):
        heading = None
        atx = ATX_HEADING.match(line)
        if atx:
            heading = atx.group(2) or ""
        elif previous is not None and SETEXT_UNDERLINE.match(line) and previous.strip() \
                and not previous.lstrip().startswith(("|", "-", "*", "+", ">")) and "|" not in line:
            heading = previous.strip()
        if heading is not None:
            base = slug(heading)
            count = seen.get(base, 0)
            seen[base] = count + 1
            found.add(base if count == 0 else f"{base}-{count}")
            previous = None
        else:
            previous = line
        found.update(HTML_ANCHOR.findall(line))
    return found


def link_targets(line):
    """(target, is an image) for each inline link or image on a line without code spans."""
    found = []
    for m in re.finditer(r"\]\(", line):
        at = m.end()
        if at >= 2 and line[m.start() - 1] == "\\":
            continue
        # The link text's "[" (for the image's "!" before it).
        depth, start = 0, None
        for i in range(m.start(), -1, -1):
            if line[i] == "]" and (i == 0 or line[i - 1] != "\\"):
                depth += 1
            elif line[i] == "[" and (i == 0 or line[i - 1] != "\\"):
                depth -= 1
                if depth == 0:
                    start = i
                    break
        if start is None:
            continue
        rest = line[at:].lstrip()
        if rest.startswith("<"):
            end = rest.find(">")
            if end < 0:
                continue
            target = rest[1:end]
        else:
            depth, end = 0, len(rest)
            for i, c in enumerate(rest):
                if c == "(":
                    depth += 1
                elif c == ")":
                    if depth == 0:
                        end = i
                        break
                    depth -= 1
                elif c.isspace():
                    end = i
                    break
            target = rest[:end]
        found.append((target, start > 0 and line[start - 1] == "!"))
    return found


def links(text):
    """(line number, target, is an image) for every link and image of a Markdown file."""
    for number, line in markdown_lines(text):
        plain = without_inline_code(line)
        reference = REFERENCE.match(plain)
        if reference:
            yield number, reference.group(2).strip("<>"), False
            continue
        for target, image in link_targets(plain):
            yield number, target, image


def check_file(path, root, anchor_cache):
    """The problems of one file's links, and how many relative links it has."""
    problems, checked = [], 0
    shown = path.relative_to(root)
    for number, target, image in links(path.read_text(encoding="utf-8")):
        if not target or SCHEME.match(target) or target.startswith("//"):
            continue
        checked += 1
        address, _, fragment = target.partition("#")
        address = urllib.parse.unquote(address)
        if not address:
            linked = path
        elif address.startswith("/"):
            linked = root / address.lstrip("/")
        else:
            linked = path.parent / address
        what = "image" if image else "link"
        if not linked.exists():
            problems.append(f"{shown}:{number}: {target} -> no file {display(linked, root)} ({what})")
            continue
        if not fragment or linked.is_dir() or linked.suffix.lower() != ".md":
            continue
        key = linked.resolve()
        if key not in anchor_cache:
            anchor_cache[key] = anchors(linked.read_text(encoding="utf-8"))
        if urllib.parse.unquote(fragment) not in anchor_cache[key]:
            problems.append(f"{shown}:{number}: {target} -> no heading \"#{fragment}\" in {display(linked, root)}")
    return problems, checked


def display(path, root):
    try:
        return str(path.resolve().relative_to(root.resolve()))
    except ValueError:
        return str(path)


def markdown_files(root):
    files = [root / name for name in ("README.md", "CHANGELOG.md") if (root / name).is_file()]
    docs = root / "docs"
    if docs.is_dir():
        files += sorted(p for p in docs.rglob("*.md") if p.is_file())
    return files


def check(root):
    """The problems of every file under ROOT that is read, and how many links and files were checked."""
    problems, checked, cache = [], 0, {}
    files = markdown_files(root)
    for path in files:
        found, count = check_file(path, root, cache)
        problems += found
        checked += count
    return problems, checked, len(files)


def self_test():
    """A tree with one good link, a missing file, a missing heading and a broken image (and
    broken links in code, which are not links): exactly the three broken ones must be reported."""
    with tempfile.TemporaryDirectory() as folder:
        root = pathlib.Path(folder)
        (root / "docs").mkdir()
        (root / "docs" / "guide.md").write_text(
            "# Guide\n\n## The release: `dist`, and more\n\nText.\n\n## Notes\n\n## Notes\n", encoding="utf-8")
        (root / "README.md").write_text(
            "# Front page\n"
            "\n"
            "A good one: [the release](docs/guide.md#the-release-dist-and-more).\n"  # line 3
            "A missing file: [gone](docs/gone.md).\n"  # line 4
            "A missing heading: [where](docs/guide.md#no-such-heading).\n"  # line 5
            "![a broken image](docs/screenshots/none.png)\n"  # line 6
            "Good too: [second notes](docs/guide.md#notes-1), [here](#front-page), "
            "[outside](https://example.invalid/x.md).\n"
            "`[in code](docs/gone.md)`\n"
            "```\n"
            "[in a block](docs/gone.md)\n"
            "```\n", encoding="utf-8")
        problems, checked, _ = check(root)
    expected = ["README.md:4: docs/gone.md -> no file docs/gone.md (link)",
                'README.md:5: docs/guide.md#no-such-heading -> no heading "#no-such-heading" in docs/guide.md',
                "README.md:6: docs/screenshots/none.png -> no file docs/screenshots/none.png (image)"]
    if problems != expected or checked != 6:
        print("check_links: SELF-TEST FAILED: expected, for 6 links:", *expected, sep="\n  ")
        print(f"but got, for {checked} links:", *problems, sep="\n  ")
        return 1
    print("check_links: self-test passed: of 6 links, the missing file, the missing heading and the "
          "broken image were reported, the good ones and those in code were not")
    return 0


def main(argv):
    if argv == ["--self-test"]:
        return self_test()
    if len(argv) != 1 or argv[0].startswith("-"):
        print("usage: scripts/check_links.py ROOT | --self-test", file=sys.stderr)
        return 2
    root = pathlib.Path(argv[0])
    if not (root / "README.md").is_file():
        print(f"check_links: no README.md in {root}", file=sys.stderr)
        return 2
    problems, checked, files = check(root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"check_links: {len(problems)} of {checked} relative links in {files} files lead nowhere")
        return 1
    print(f"check_links: {checked} relative links in {files} files checked, every one leads to its file and heading")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
