#!/usr/bin/env bash
# scripts/other-wine.sh prepare          make (once) the root that holds the other Debian release's Wine
# scripts/other-wine.sh root             print that root's folder
# scripts/other-wine.sh describe         print which Wine the root holds ("Wine 10.0 (Debian 13)")
# scripts/other-wine.sh exec DIR CMD...  run CMD inside the root, in folder DIR
#
# The tests run under two implementations of the platform: the machine's own Wine and the one of
# the other Debian release (Wine 8 from Debian 12, Wine 10 from Debian 13), as a user of either
# release has it. The other one lives in a Debian root that debootstrap makes from the machine's
# own package archive (read from apt's configuration) and that is kept in $BUILD_DIR/debian-SUITE
# for later runs. It holds Wine and its fonts only: the test programs come from the cross build,
# the display is the machine's own.
#
# Nothing stays mounted: every command runs in a mount namespace of its own, in which the project,
# the build tree, /dev, /proc and the X server's sockets are bound into the root. When its last
# process ends, the mounts go with it, so deleting the build tree never reaches through them.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}

fail() { echo "other-wine: $1" >&2; exit 1; }

this_release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
case $this_release in
  bookworm) other=trixie other_name="Debian 13" ;;
  trixie) other=bookworm other_name="Debian 12" ;;
  *) fail "this machine is neither Debian 12 nor Debian 13 (${this_release:-no VERSION_CODENAME})" ;;
esac
root=$build/debian-$other

# Runs CMD inside the root in a private mount namespace (see the top of this file). Inside a chroot
# whose root is no mount point of its own, the propagation cannot be changed: the namespace then
# keeps the one the chroot was entered with.
in_root() {
  local dir=$1 propagation=private
  shift
  unshare --mount --propagation private true 2>/dev/null || propagation=unchanged
  unshare --mount --propagation "$propagation" bash -euc '
    root=$1 here=$2 build=$3 dir=$4
    shift 4
    bind() { mkdir -p "$root$2"; mount --bind "$1" "$root$2"; }
    mount --rbind /dev "$root/dev"
    mount --rbind /proc "$root/proc"
    [ ! -d /tmp/.X11-unix ] || bind /tmp/.X11-unix /tmp/.X11-unix
    bind "$here" "$here"
    case $build/ in "$here"/*) ;; *) bind "$build" "$build" ;; esac
    exec chroot "$root" /bin/sh -c "cd \"\$0\" && exec \"\$@\"" "$dir" "$@"
  ' bash "$root" "$here" "$build" "$dir" "$@"
}

ia32() { bash "$here/scripts/ia32-probe.sh"; }

prepare() {
  # What a user's Wine of that release has beside Wine itself: the X libraries it only recommends
  # (without them it sees one monitor spanning the whole X screen and takes no real input), the
  # fonts its recommends bring, and Wine's own fonts, for each architecture that runs here.
  local archs=(amd64) pkgs=(wine wine64 fonts-wine fonts-liberation) a x
  ia32 && archs+=(i386) && pkgs+=(wine32:i386)
  for a in "${archs[@]}"; do
    for x in libxrandr2 libxinerama1 libxcursor1 libxi6 libxcomposite1 libxrender1 libxext6 libxfixes3 libxxf86vm1; do
      pkgs+=("$x:$a")
    done
  done
  local recipe="$other, without documentation and package caches: ${pkgs[*]}"
  [ "$(cat "$root/.pathmr-ready" 2>/dev/null)" = "$recipe" ] && return 0
  have() { command -v "$1" >/dev/null 2>&1; }
  if ! have debootstrap || [ ! -f "/usr/share/debootstrap/scripts/$other" ] || ! have unshare; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap util-linux >/dev/null ||
      fail "cannot install debootstrap"
  fi
  if [ ! -f "$root/.pathmr-base" ]; then
    a=$(bash "$here/scripts/apt-archive.sh")
    echo "other-wine: making a $other_name root with its Wine in $root (a few minutes, once)"
    rm -rf "$root"
    debootstrap --variant=minbase "$other" "$root" "$a" >"$build/logs/debootstrap.log" 2>&1 ||
      { tail -n 20 "$build/logs/debootstrap.log" >&2; fail "debootstrap of $other from $a failed"; }
    rm -f "$root/etc/apt/sources.list"
    cat >"$root/etc/apt/sources.list.d/debian.sources" <<SRC
Types: deb
URIs: $a
Suites: $other $other-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    # Only what Wine needs: no documentation of the packages.
    printf 'path-exclude=/usr/share/%s/*\n' doc man info >"$root/etc/dpkg/dpkg.cfg.d/pathmr-excludes"
    touch "$root/.pathmr-base"
  fi
  echo "other-wine: installing Wine in the $other_name root"
  in_root / /bin/sh -c '
    { [ "$0" = 0 ] || dpkg --add-architecture i386; } && apt-get update -q &&
      DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"
  ' "$(ia32 && echo 1 || echo 0)" "${pkgs[@]}" >"$build/logs/other-wine-install.log" 2>&1 ||
    { tail -n 20 "$build/logs/other-wine-install.log" >&2; fail "installing Wine in the $other_name root failed"; }
  [ -x "$root/usr/lib/wine/wine64" ] || fail "the $other_name root has no 64-bit Wine"
  # The downloaded packages and the archive's indexes are needed no more (a later install updates).
  in_root / /bin/sh -c "apt-get clean && rm -rf /var/lib/apt/lists/* /usr/share/doc /usr/share/man"
  echo "$recipe" >"$root/.pathmr-ready"
}

case ${1:-} in
  prepare) mkdir -p "$build/logs" && prepare ;;
  root) echo "$root" ;;
  describe)
    v=$(in_root / /usr/lib/wine/wine64 --version 2>/dev/null || echo "wine-?")
    v=${v#wine-}
    echo "Wine ${v%% *} ($other_name)"
    ;;
  exec)
    [ $# -ge 3 ] || fail "usage: scripts/other-wine.sh exec DIR CMD..."
    shift
    in_root "$@"
    ;;
  *) echo "usage: scripts/other-wine.sh prepare|root|describe|exec DIR CMD..." >&2; exit 2 ;;
esac
