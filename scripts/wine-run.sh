#!/usr/bin/env bash
# scripts/wine-run.sh 32|64 PROGRAM [ARGS...]
# scripts/wine-run.sh 32|64 wineserver [ARGS...]
# Runs a Windows program under Wine in the project's own prefix for that architecture (never
# ~/.wine): 32-bit programs with Wine's 32-bit loader, 64-bit ones with wine64 directly, since
# Debian's wine front end tries the 32-bit loader first and that fails where no 32-bit program
# runs. With "wineserver", runs that Wine's server for the prefix instead. Used by ctest as the
# cross-compiling emulator and by build.sh.
#
# With PATHMR_WINE_ROOT set (scripts/other-wine.sh root), the Wine is the other Debian release's,
# inside that root, and each prefix is the one of the same name in PATHMR_WINE_ROOT-prefixes: the
# two Wines never share a prefix, and a test reads the same prefix name under both.
#
# In a test lane (ctest hands the test one instance of the "lanes" resource that build.sh lists in
# build/lanes/resources.json), the lane's own display and its own copy of the prefix, lanes/N/NAME
# beside it: each lane has a server and a desktop of its own, so activation and focus never cross
# lanes.
#
# Wine spells Unix file names in the locale's character set: under the C locale (a bare
# environment, a minimal container) a folder named in Cyrillic or Japanese becomes "???????". So
# Wine gets a UTF-8 locale of its own, whatever the caller's (C.UTF-8 is on every Debian).
set -euo pipefail
lane=
here=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-}
case $arch in
  32) program=/usr/lib/wine/wine ;;
  64) program=/usr/lib/wine/wine64 ;;
  *) echo "usage: scripts/wine-run.sh 32|64 PROGRAM [ARGS...]" >&2; exit 2 ;;
esac
shift
if [ "${1:-}" = wineserver ]; then
  program=wineserver
  shift
fi
export WINEPREFIX=${WINEPREFIX:-${BUILD_DIR:-$here/build}/wine$arch-96}
if [[ ${CTEST_RESOURCE_GROUP_0_LANES:-} =~ ^id:([0-9]+), ]]; then
  lane=${BASH_REMATCH[1]}
  lanes=${BUILD_DIR:-$here/build}/lanes
  DISPLAY=$(cat "$lanes/$lane/display") || { echo "wine-run: lane $lane has no display" >&2; exit 1; }
  export DISPLAY
  WINEPREFIX=${WINEPREFIX%/*}/lanes/$lane/${WINEPREFIX##*/}
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LC_ALL=C.UTF-8
unset LANGUAGE
if [ -n "${PATHMR_WINE_ROOT:-}" ]; then
  WINEPREFIX=$PATHMR_WINE_ROOT-prefixes/${lane:+lanes/$lane/}${WINEPREFIX##*/}
  exec bash "$here/scripts/other-wine.sh" exec "$PWD" "$program" "$@"
fi
exec "$program" "$@"
