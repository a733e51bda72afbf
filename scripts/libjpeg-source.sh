#!/usr/bin/env bash
# Unpacks a fresh copy of Debian's libjpeg-turbo source package into the folder given. The package
# is fetched once (a deb-src entry is added for it) into $BUILD_DIR/third_party/src, from the
# archive the machine's apt uses: the machine's own release's source first, else the other
# supported release's (Debian 12 and 13 both carry libjpeg-turbo 2.1.5), as an archive may serve
# one release's sources and not the other's.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
dest=$1

download=$build/third_party/src
mkdir -p "$download"
sources=/etc/apt/sources.list.d/pathmr-src.sources
fetch() {
  if [ "$(sed -n 's/^Suites: //p' "$sources" 2>/dev/null)" != "$1" ]; then
    cat >"$sources" <<SRC
Types: deb-src
URIs: $(bash "$here/scripts/apt-archive.sh")
Suites: $1
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    apt-get update -q
  fi
  (cd "$download" && apt-get source --download-only libjpeg-turbo)
}
if ! ls "$download"/libjpeg-turbo_*.dsc >/dev/null 2>&1; then
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  case $release in bookworm) other=trixie ;; *) other=bookworm ;; esac
  fetch "$release" || { echo "libjpeg-source: no source from $release; trying $other" >&2 && fetch "$other"; }
fi
dsc=$(ls "$download"/libjpeg-turbo_*.dsc | head -n 1)
rm -rf "$dest"
mkdir -p "$(dirname "$dest")"
dpkg-source --no-check -x "$dsc" "$dest" >/dev/null
