#!/usr/bin/env bash
# Unpacks a fresh copy of Debian's libjpeg-turbo source package into the folder given. The package
# is fetched once (a deb-src entry is added for it) into $BUILD_DIR/third_party/src.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
dest=$1

sources=/etc/apt/sources.list.d/pathmr-src.sources
if [ ! -f "$sources" ]; then
  # The same archive and release as the machine's own binary packages.
  archive=$(bash "$here/scripts/apt-archive.sh")
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  cat > "$sources" <<SRC
Types: deb-src
URIs: $archive
Suites: $release
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt-get update -q
fi
download=$build/third_party/src
mkdir -p "$download"
(cd "$download" && { ls libjpeg-turbo_*.dsc >/dev/null 2>&1 || apt-get source --download-only libjpeg-turbo; })
dsc=$(ls "$download"/libjpeg-turbo_*.dsc | head -n 1)
rm -rf "$dest"
mkdir -p "$(dirname "$dest")"
dpkg-source --no-check -x "$dsc" "$dest" >/dev/null
