#!/usr/bin/env bash
# scripts/reproducible.sh   builds the release twice from these sources, in two folders of
# different names and at different times, each from scratch (libjpeg-turbo included), and
# compares the two DLLs and the zips byte for byte. Exits 0 when they are the same, 1 when not
# (both folders are then kept, for a look at the difference). The zips are made as dist makes
# them, but without its demand for a test run of those bytes: they are compared, never shipped.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${BUILD_DIR:-$here/build}/third_party/src
work=$(mktemp -d "${TMPDIR:-/tmp}/pathmr-reproducible.XXXXXX")
folders=("$work/first" "$work/the-second-build-of-the-same-sources")

for dir in "${folders[@]}"; do
  # Debian's source package as downloaded before, if it was: it is unpacked and built again here.
  mkdir -p "$dir/third_party/src"
  cp "$cache"/libjpeg-turbo_*.dsc "$cache"/libjpeg-turbo_*.tar.* "$dir/third_party/src/" 2>/dev/null || true
  echo "reproducible: building in $dir ($(date -u '+%H:%M:%S UTC'))"
  log=$work/$(basename "$dir").log
  { BUILD_DIR=$dir bash "$here/build.sh" build libraries && python3 "$here/scripts/package.py" "$dir" "$dir/dist"; } \
    >"$log" 2>&1 || { tail -n 30 "$log" >&2; echo "reproducible: the build in $dir failed" >&2; exit 1; }
done

same=1
for file in cross32/bin/Pathmr.dll cross64/bin/Pathmr64.dll dist/Pathmr-*.zip; do
  a=$(cd "${folders[0]}" && echo $file) b=$(cd "${folders[1]}" && echo $file)
  if cmp -s "${folders[0]}/$a" "${folders[1]}/$b"; then
    echo "reproducible: same bytes: $a ($(stat -c %s "${folders[0]}/$a") bytes, sha256 $(sha256sum <"${folders[0]}/$a" | cut -c1-64))"
  else
    same=0
    echo "reproducible: DIFFERENT: $a; the first differing bytes (offset, octal values):" >&2
    cmp -l "${folders[0]}/$a" "${folders[1]}/$b" | head -n 10 >&2 || true
  fi
done
if [ "$same" = 1 ]; then
  rm -rf "$work"
  echo "reproducible: both builds gave the same files"
else
  echo "reproducible: the builds differ; both are kept in $work" >&2
  exit 1
fi
