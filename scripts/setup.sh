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

if [ ${#need_apt[@]} -gt 0 ]; then
  echo "setup: installing ${need_apt[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need_apt[@]}"
fi

# libjpeg-turbo from Debian's own source package, cross-built once into the build tree and linked
# statically.
jpeg_prefix=$build/third_party/libjpeg
if [ ! -f "$jpeg_prefix/lib/libjpeg.a" ]; then
  src=$build/third_party/src
  bash "$here/scripts/libjpeg-source.sh" "$src/libjpeg-turbo"
  cmake -S "$src/libjpeg-turbo" -B "$src/libjpeg-build" \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF -DCMAKE_INSTALL_PREFIX="$jpeg_prefix" >/dev/null
  cmake --build "$src/libjpeg-build" -j"$(nproc)" >/dev/null
  cmake --install "$src/libjpeg-build" >/dev/null
  echo "setup: libjpeg built into $jpeg_prefix"
fi
