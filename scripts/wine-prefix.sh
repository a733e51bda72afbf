#!/usr/bin/env bash
# scripts/wine-prefix.sh 32|64 PREFIX [DPI]
# Creates one of the project's Wine prefixes once: a 32-bit one for the 32-bit build, a 64-bit one
# for the 64-bit build, each at the screen density given (96 unless told). Without a window manager
# every hide of a managed window costs Wine about 2 s, so windows are made unmanaged.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
arch=$1
prefix=$2
dpi=${3:-96}
case $arch in
  32) export WINEARCH=win32 ;;
  64) export WINEARCH=win64 ;;
  *) echo "usage: scripts/wine-prefix.sh 32|64 PREFIX [DPI]" >&2; exit 2 ;;
esac
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
run() { "$here/scripts/wine-run.sh" "$arch" "$@"; }
if [ ! -f "$prefix/.pathmr-ready" ]; then
  rm -rf "$prefix"
  mkdir -p "$prefix"
  run wineboot -i >/dev/null 2>&1 || true
  run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 ||
    { echo "wine-prefix: cannot set unmanaged windows in $prefix" >&2; exit 1; }
  run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 ||
    { echo "wine-prefix: cannot set $dpi dpi in $prefix" >&2; exit 1; }
  wineserver -w  # the registry reaches its files when the server ends
  grep -qi logpixels "$prefix/user.reg" 2>/dev/null ||
    { echo "wine-prefix: wineboot made no usable $arch-bit prefix in $prefix" >&2; exit 1; }
  touch "$prefix/.pathmr-ready"
fi
