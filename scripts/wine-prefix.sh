#!/usr/bin/env bash
# Creates the project's Wine prefix once. Without a window manager every hide of a managed window
# costs Wine about 2 s, so windows are made unmanaged. An optional dpi makes a second prefix for
# high-density layout tests.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix=$1
dpi=${2:-96}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
if [ ! -f "$prefix/.pathmr-ready" ]; then
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w
  touch "$prefix/.pathmr-ready"
fi
