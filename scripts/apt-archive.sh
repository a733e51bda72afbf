#!/usr/bin/env bash
# Prints the Debian archive this machine's apt uses: the first URIs of its deb822 sources, else the
# first archive of a deb line in the classic list. Nothing else names it: every fetch of the
# project's scripts (libjpeg-turbo's source, the other release's Wine) goes where apt goes.
set -euo pipefail
a=$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
[ -n "$a" ] || a=$(awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; exit } }' \
  /etc/apt/sources.list 2>/dev/null || true)
[ -n "$a" ] || { echo "apt-archive: no Debian archive in /etc/apt/sources.list.d or /etc/apt/sources.list" >&2; exit 1; }
echo "$a"
