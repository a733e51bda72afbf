#!/usr/bin/env bash
# Installs everything the build and the tests need on a bare Debian 12 machine.
# Quick when nothing is missing: every step checks before it acts.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}

need_apt=()
have() { command -v "$1" >/dev/null 2>&1; }
have cmake || need_apt+=(cmake)
have i686-w64-mingw32-g++-posix || need_apt+=(g++-mingw-w64-i686)
have nasm || need_apt+=(nasm)
have Xvfb || need_apt+=(xvfb)
have import || need_apt+=(imagemagick)
have dpkg-source || need_apt+=(dpkg-dev)
[ -f /usr/src/googletest/CMakeLists.txt ] || need_apt+=(googletest)
dpkg -s wine32:i386 >/dev/null 2>&1 || need_apt+=(wine wine32:i386)

sources=/etc/apt/sources.list.d/pathmr-src.sources
if [ ${#need_apt[@]} -gt 0 ] || [ ! -f "$sources" ]; then
  echo "setup: installing ${need_apt[*]:-nothing, adding source index}"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  # libjpeg-turbo for the Windows target is built from Debian's own source package.
  cat > "$sources" <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt-get update -q
  [ ${#need_apt[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need_apt[@]}"
fi

# libjpeg-turbo, cross-built once into the build tree and linked statically.
jpeg_prefix=$build/third_party/libjpeg
if [ ! -f "$jpeg_prefix/lib/libjpeg.a" ]; then
  src=$build/third_party/src
  mkdir -p "$src"
  (cd "$src" && { ls libjpeg-turbo_*.dsc >/dev/null 2>&1 || apt-get source --download-only libjpeg-turbo; })
  dsc=$(ls "$src"/libjpeg-turbo_*.dsc | head -n 1)
  rm -rf "$src/libjpeg-turbo"
  dpkg-source --no-check -x "$dsc" "$src/libjpeg-turbo" >/dev/null
  cmake -S "$src/libjpeg-turbo" -B "$src/libjpeg-build" \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF -DCMAKE_INSTALL_PREFIX="$jpeg_prefix" >/dev/null
  cmake --build "$src/libjpeg-build" -j"$(nproc)" >/dev/null
  cmake --install "$src/libjpeg-build" >/dev/null
  echo "setup: libjpeg built into $jpeg_prefix"
fi
