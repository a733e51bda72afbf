#!/usr/bin/env bash
# scripts/wine-prefix.sh 32|64 PREFIX [DPI [ICON_FONT_HEIGHT]]
# Creates one of the project's Wine prefixes: a 32-bit one for the 32-bit build, a 64-bit one for
# the 64-bit build, each at the screen density given (96 unless told). A prefix is made again
# whenever what it should be differs from what it was made as.
#
# It is set up as a user's system: Wine's own fonts (Tahoma, Marlett...) are copied in, as
# Debian's Wine does not find them where the fonts-wine package puts them; without them "Tahoma"
# falls back to another face with a "0" 12 pixels high and the title bars draw their buttons as
# letters. ICON_FONT_HEIGHT gives the icon-title font (Tahoma) another height, as a user who chose
# larger icon text has. Without a window manager every hide of a managed window costs Wine about
# 2 s, so windows are made unmanaged.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
arch=$1
prefix=$2
dpi=${3:-96}
icon_height=${4:-}
case $arch in
  32) export WINEARCH=win32 ;;
  64) export WINEARCH=win64 ;;
  *) echo "usage: scripts/wine-prefix.sh 32|64 PREFIX [DPI [ICON_FONT_HEIGHT]]" >&2; exit 2 ;;
esac
# Under the other release's Wine (PATHMR_WINE_ROOT), its own prefix of that name, and its own fonts.
[ -z "${PATHMR_WINE_ROOT:-}" ] || prefix=$PATHMR_WINE_ROOT-prefixes/${prefix##*/}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
fonts=${PATHMR_WINE_ROOT:-}/usr/share/wine/fonts
recipe="$arch-bit, $dpi dpi, Wine's fonts, icon-title font ${icon_height:-as Wine chooses}"
[ "$(cat "$prefix/.pathmr-ready" 2>/dev/null)" = "$recipe" ] && exit 0

run() { "$here/scripts/wine-run.sh" "$arch" "$@"; }
fail() { echo "wine-prefix: $1 in $prefix" >&2; exit 1; }

# A LOGFONTW (regular weight, the given height and face) as the hex text that `reg add` takes.
logfont_hex() {
  local n=$(($1 & 0xFFFFFFFF)) face=$2 hex i
  hex=$(printf '%02x%02x%02x%02x' $((n & 255)) $((n >> 8 & 255)) $((n >> 16 & 255)) $((n >> 24 & 255)))
  hex+=$(printf '%024d' 0)  # width, escapement, orientation
  hex+=90010000             # weight 400
  hex+=0000000000000022     # italic ... quality: none; variable pitch, Swiss, as Wine's own
  for ((i = 0; i < 32; i++)); do
    if [ $i -lt ${#face} ]; then hex+=$(printf '%02x00' "'${face:i:1}"); else hex+=0000; fi
  done
  echo "$hex"
}

[ -f "$fonts/tahoma.ttf" ] && [ -f "$fonts/marlett.ttf" ] || fail "Wine's fonts are missing ($fonts; package fonts-wine)"
run wineserver -k 2>/dev/null || true
rm -rf "$prefix"
mkdir -p "$prefix"
run wineboot -i >/dev/null 2>&1 || true
[ -d "$prefix/drive_c/windows/Fonts" ] || fail "wineboot made no $arch-bit prefix"
cp "$fonts"/* "$prefix/drive_c/windows/Fonts/"
run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 ||
  fail "cannot set unmanaged windows"
run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 ||
  fail "cannot set $dpi dpi"
if [ -n "$icon_height" ]; then
  run reg add 'HKCU\Control Panel\Desktop\WindowMetrics' /v IconFont /t REG_BINARY \
    /d "$(logfont_hex "$icon_height" Tahoma)" /f >/dev/null 2>&1 || fail "cannot set the icon-title font"
fi
run wineserver -w  # the registry reaches its files when the server ends
grep -qi logpixels "$prefix/user.reg" 2>/dev/null || fail "wineboot made no usable $arch-bit prefix"
echo "$recipe" >"$prefix/.pathmr-ready"
