#!/usr/bin/env bash
# scripts/wine-prefix.sh 32|64 PREFIX [DPI [ICON_FONT_HEIGHT]]
#   Makes one of the project's Wine prefixes: a 32-bit one for the 32-bit build, a 64-bit one for
#   the 64-bit build, each at the screen density given (96 unless told). A prefix is made again
#   whenever what it should be differs from what it was made as.
# scripts/wine-prefix.sh clone SOURCE DEST
#   Makes DEST a private copy of the prefix SOURCE for one test lane (made anew every time).
#
# Only one prefix per Wine and architecture is booted: the template, wine<ARCH>-template beside
# PREFIX. wineboot fills it with about a gigabyte of Wine's own programs and libraries, copies of
# the files Wine installed, which Wine reads but never writes: the template keeps them as hard
# links to those files, and every other prefix as hard links to the template's, with copies of
# the rest (the registry, the ini files, the users' folders) and the registry values that make it
# what it is. So twenty prefixes take a few megabytes each. A template made by another Wine build
# is made again (its recipe names Wine's wine.inf), and with it every prefix.
#
# The template is set up as a user's system: Wine's own fonts (Tahoma, Marlett...) are copied in, as
# Debian's Wine does not find them where the fonts-wine package puts them; without them "Tahoma"
# falls back to another face with a "0" 12 pixels high and the title bars draw their buttons as
# letters. Without a window manager every hide of a managed window costs Wine about 2 s, so
# windows are made unmanaged. ICON_FONT_HEIGHT gives the icon-title font (Tahoma) another height,
# as a user who chose larger icon text has.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

fail() { echo "wine-prefix: $1" >&2; exit 1; }

# What Wine reads and never writes: shared between prefixes as hard links. Everything else is
# copied, so that a prefix's registry or ini file written in place reaches no other prefix.
shared_files=(-iname '*.dll' -o -iname '*.exe' -o -iname '*.nls' -o -iname '*.drv' -o -iname '*.sys'
  -o -iname '*.vxd' -o -iname '*.ocx' -o -iname '*.cpl' -o -iname '*.acm' -o -iname '*.tlb' -o -iname '*.ds'
  -o -iname '*.com' -o -iname '*.ax' -o -iname '*.msstyles' -o -iname '*.icm' -o -iname '*.ttf'
  -o -iname '*.fon' -o -iname '*.manifest')

# clone SOURCE DEST: DEST as a copy of SOURCE whose read-only files are SOURCE's own.
clone() {
  local src=$1 dest=$2
  [ -f "$src/.pathmr-ready" ] || fail "$src is no finished prefix"
  rm -rf "$dest"
  mkdir -p "$(dirname "$dest")"
  cp -a --link "$src" "$dest"
  # Undo the links of everything Wine may write.
  find "$dest" -type f ! \( "${shared_files[@]}" \) -print0 |
    xargs -0 -r sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh
}

if [ "${1:-}" = clone ]; then
  [ $# -eq 3 ] || fail "usage: scripts/wine-prefix.sh clone SOURCE DEST"
  clone "$2" "$3"
  exit 0
fi

arch=${1:-}
prefix=${2:-}
dpi=${3:-96}
icon_height=${4:-}
case $arch in
  32) export WINEARCH=win32 ;;
  64) export WINEARCH=win64 ;;
  *) echo "usage: scripts/wine-prefix.sh 32|64 PREFIX [DPI [ICON_FONT_HEIGHT]] | clone SOURCE DEST" >&2; exit 2 ;;
esac
[ -n "$prefix" ] || fail "no prefix named"
# Under the other release's Wine (PATHMR_WINE_ROOT), its own prefix of that name, and its own fonts.
[ -z "${PATHMR_WINE_ROOT:-}" ] || prefix=$PATHMR_WINE_ROOT-prefixes/${prefix##*/}
template=$(dirname "$prefix")/wine$arch-template
export WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
fonts=${PATHMR_WINE_ROOT:-}/usr/share/wine/fonts
# wineboot brings a prefix up to date when Wine's wine.inf is newer than the prefix, writing over
# its libraries: a template made by another Wine build is made again instead.
wine_inf=${PATHMR_WINE_ROOT:-}/usr/share/wine/wine.inf
[ -f "$wine_inf" ] || fail "Wine is not installed ($wine_inf is missing)"
template_recipe="$arch-bit, Wine of $(stat -c %Y "$wine_inf"), Wine's fonts, unmanaged windows, Wine's own libraries linked"
recipe="$template_recipe; $dpi dpi, icon-title font ${icon_height:-as Wine chooses}"
[ "$(cat "$prefix/.pathmr-ready" 2>/dev/null)" = "$recipe" ] && exit 0

run() { WINEPREFIX=$1 "$here/scripts/wine-run.sh" "$arch" "${@:2}"; }

# share_with_install DIR KIND: each file of DIR that is the same as Wine's installed one of that
# name (in its folder KIND, "x86_64-windows" or "i386-windows") becomes a hard link to it.
share_with_install() {
  local dir=$1 install= d f own
  # Debian's multiarch folders may both have one of that name: Wine's own is the one with kernel32.
  for d in "${PATHMR_WINE_ROOT:-}"/usr/lib/wine/"$2" "${PATHMR_WINE_ROOT:-}"/usr/lib/*/wine/"$2"; do
    [ -f "$d/kernel32.dll" ] && install=$d && break
  done
  [ -n "$install" ] && [ -d "$dir" ] || return 0
  for f in "$dir"/*; do
    own=$install/${f##*/}
    if [ -f "$f" ] && [ -f "$own" ] && cmp -s "$f" "$own"; then ln -f "$own" "$f" 2>/dev/null || return 0; fi
  done
}

if [ "$(cat "$template/.pathmr-ready" 2>/dev/null)" != "$template_recipe" ]; then
  [ -f "$fonts/tahoma.ttf" ] && [ -f "$fonts/marlett.ttf" ] || fail "Wine's fonts are missing ($fonts; package fonts-wine)"
  run "$template" wineserver -k 2>/dev/null || true
  rm -rf "$template"
  mkdir -p "$template"
  run "$template" wineboot -i >/dev/null 2>&1 || true
  [ -d "$template/drive_c/windows/Fonts" ] || fail "wineboot made no $arch-bit prefix in $template"
  cp "$fonts"/* "$template/drive_c/windows/Fonts/"
  # wineboot copied Wine's own libraries in, byte for byte: they become hard links to the files Wine
  # installed, where both are on one file system.
  if [ "$arch" = 64 ]; then
    share_with_install "$template/drive_c/windows/system32" x86_64-windows
    share_with_install "$template/drive_c/windows/syswow64" i386-windows
  else
    share_with_install "$template/drive_c/windows/system32" i386-windows
  fi
  run "$template" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 ||
    fail "cannot set unmanaged windows in $template"
  run "$template" wineserver -w  # the registry reaches its files when the server ends
  grep -q '"Managed"="N"' "$template/user.reg" 2>/dev/null || fail "wineboot made no usable $arch-bit prefix in $template"
  echo "$template_recipe" >"$template/.pathmr-ready"
fi

# A LOGFONTW (regular weight, the given height and face) as the hex text of a registry file.
logfont_hex() {
  local n=$(($1 & 0xFFFFFFFF)) face=$2 hex i
  hex=$(printf '%02x,%02x,%02x,%02x' $((n & 255)) $((n >> 8 & 255)) $((n >> 16 & 255)) $((n >> 24 & 255)))
  for ((i = 0; i < 12; i++)); do hex+=,00; done  # width, escapement, orientation
  hex+=,90,01,00,00                              # weight 400
  hex+=,00,00,00,00,00,00,00,22                  # italic ... quality: none; variable pitch, Swiss, as Wine's own
  for ((i = 0; i < 32; i++)); do
    if [ $i -lt ${#face} ]; then hex+=$(printf ',%02x,00' "'${face:i:1}"); else hex+=,00,00; fi
  done
  echo "$hex"
}

run "$prefix" wineserver -k 2>/dev/null || true
clone "$template" "$prefix"
# The prefix's own values, as keys of the user's registry that the server reads when it starts
# (a key given twice takes the values of both).
{
  printf '\n[Control Panel\\\\Desktop] %s\n"LogPixels"=dword:%08x\n' "$(date +%s)" "$dpi"
  [ -z "$icon_height" ] ||
    printf '\n[Control Panel\\\\Desktop\\\\WindowMetrics] %s\n"IconFont"=hex:%s\n' "$(date +%s)" "$(logfont_hex "$icon_height" Tahoma)"
} >>"$prefix/user.reg"
echo "$recipe" >"$prefix/.pathmr-ready"
