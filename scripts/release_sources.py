"""What the release is made of in these sources, read the same way by the script that writes it
(package.py) and the one that checks it (package_check.py)."""
import pathlib
import re
import sys

HERE = pathlib.Path(__file__).resolve().parent.parent
BAS = HERE / "library" / "Pathmr.bas"
README = HERE / "README.md"
# The README's copy of the Declare block is the code block that follows this line.
README_MARK = "<!-- The Declare block of library/Pathmr.bas, written here by ./build.sh dist. -->"


def fail(message):
    sys.exit(f"package: {message}")


def header_version(header_text):
    found = re.search(r'^#define PATHMR_VERSION "([0-9.]+)"$', header_text, re.M)
    if not found:
        fail("the header defines no PATHMR_VERSION")
    return found.group(1)


def declare_block(bas_text):
    """The conditional block of Declare statements, from its #If to its #End If."""
    found = re.search(r"^#If .*?^#End If$", bas_text, re.M | re.S)
    if not found:
        fail(f"no #If ... #End If block in {BAS}")
    return found.group(0)


def readme_block(readme_text):
    """The README's copy of the Declare block, and where it stands."""
    found = re.search(re.escape(README_MARK) + r"\n```vb\n(.*?)\n```", readme_text, re.S)
    if not found:
        fail(f"README.md has no code block after the line {README_MARK}")
    return found
