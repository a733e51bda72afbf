#!/usr/bin/env bash
# scripts/wine-run.sh 32|64 PROGRAM [ARGS...]
# Runs a Windows program under Wine in the project's own prefix for that architecture (never
# ~/.wine): 32-bit programs with Wine's 32-bit loader, 64-bit ones with wine64 directly, since
# Debian's wine front end tries the 32-bit loader first and that fails where no 32-bit program
# runs. Used by ctest as the cross-compiling emulator and by build.sh.
#
# Wine spells Unix file names in the locale's character set: under the C locale (a bare
# environment, a minimal container) a folder named in Cyrillic or Japanese becomes "???????". So
# Wine gets a UTF-8 locale of its own, whatever the caller's (C.UTF-8 is on every Debian 12).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-}
case $arch in
  32) loader=/usr/lib/wine/wine ;;
  64) loader=/usr/lib/wine/wine64 ;;
  *) echo "usage: scripts/wine-run.sh 32|64 PROGRAM [ARGS...]" >&2; exit 2 ;;
esac
shift
export WINEPREFIX=${WINEPREFIX:-${BUILD_DIR:-$here/build}/wine$arch-96}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LC_ALL=C.UTF-8
unset LANGUAGE
exec "$loader" "$@"
