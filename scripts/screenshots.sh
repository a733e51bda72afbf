#!/usr/bin/env bash
# scripts/screenshots.sh   copies the screenshots that the last test run took of both dialogs, at
# every density and in both builds, into docs/screenshots as the README shows them: the 32-bit
# build's as history-96dpi.png and so on, the 64-bit build's with "-x64" added. Metadata such as
# the time of conversion is left out, so that the same pixels give the same files.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
out=$here/docs/screenshots
for arch in 32 64; do
  suffix=
  [ "$arch" = 64 ] && suffix=-x64
  for dialog in history about; do
    for dpi in 96 120 144 192; do
      shot=$build/cross$arch/$dialog-${dpi}dpi.bmp
      [ -f "$shot" ] || { echo "screenshots: $shot is missing: run ./build.sh test first" >&2; exit 1; }
      convert "$shot" -strip "$out/$dialog-${dpi}dpi$suffix.png"
    done
  done
done
echo "screenshots: 16 files written to $out"
