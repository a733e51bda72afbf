#!/usr/bin/env bash
# Installs everything the build and the tests need on a bare Debian 12 or 13 machine, then cross-builds
# libjpeg-turbo for both Windows targets. Quick when nothing is missing: every step checks before
# it acts. 32-bit Wine is installed only where this machine runs 32-bit programs at all.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
log=$build/logs
mkdir -p "$log"

fail() { echo "setup: $1" >&2; exit 1; }
# Runs a quiet step into a log of its own; a failure names the step and shows the log's end.
quiet() {
  local what=$1 file=$log/$2
  shift 2
  "$@" >"$file" 2>&1 || {
    local rc=$?
    echo "setup: $what failed (exit $rc); the end of $file:" >&2
    tail -n 25 "$file" >&2
    exit 1
  }
}

need_apt=()
have() { command -v "$1" >/dev/null 2>&1; }
have cmake || need_apt+=(cmake)
have i686-w64-mingw32-g++-posix || need_apt+=(g++-mingw-w64-i686)
have x86_64-w64-mingw32-g++-posix || need_apt+=(g++-mingw-w64-x86-64)
have nasm || need_apt+=(nasm)
have Xorg || need_apt+=(xserver-xorg-core)
[ -f /usr/lib/xorg/modules/drivers/dummy_drv.so ] || need_apt+=(xserver-xorg-video-dummy)
have xrandr || need_apt+=(x11-xserver-utils)
have import || need_apt+=(imagemagick)
have dpkg-source || need_apt+=(dpkg-dev)
[ -f /usr/src/googletest/CMakeLists.txt ] || need_apt+=(googletest)
[ -x /usr/lib/wine/wine64 ] || need_apt+=(wine64)
# Wine's own fonts (Tahoma, Marlett...): wine-prefix.sh copies them into every prefix.
[ -f /usr/share/wine/fonts/tahoma.ttf ] || need_apt+=(fonts-wine)
have python3 || need_apt+=(python3)  # the release's zip and its check, the tests' summary
# The fuzzer (clang with its sanitizers) and the other release's root (debootstrap, unshare): here,
# so that the jobs build.sh runs side by side never wait for each other's package installs.
have clang || need_apt+=(clang)
have debootstrap || need_apt+=(debootstrap)
have unshare || need_apt+=(util-linux)
# 32-bit Wine is asked for again on every run until it is there: ia32-probe.sh answers "no" while
# this marker says that its install failed (an archive without matching 32-bit packages).
no32wine=$build/32-bit-wine-unavailable
rm -f "$no32wine"
ia32=0
need_i386=()
if bash "$here/scripts/ia32-probe.sh"; then
  ia32=1
  [ -x /usr/lib/wine/wine ] || need_i386=(wine wine32:i386)
fi

if [ $((${#need_apt[@]} + ${#need_i386[@]})) -gt 0 ]; then
  echo "setup: installing ${need_apt[*]} ${need_i386[*]}"
  if [ "$ia32" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  # A mirror caught mid-sync fails an index for a while: asked once more, then the install goes
  # on with the indexes that did come (it fails on its own if a package is missing from them).
  # Only 32-bit Wine missing, as on every run where its install failed before: asked once, with
  # no wait, since nothing else depends on it.
  attempts=(1 2)
  [ ${#need_apt[@]} -gt 0 ] || attempts=(2)
  for attempt in "${attempts[@]}"; do
    apt-get update -q >"$log/apt-update.log" 2>&1 && break
    if [ "$attempt" = 2 ]; then
      echo "setup: apt-get update failed twice, going on with the indexes that came:" >&2
      grep -E '^(E|Err):' "$log/apt-update.log" | head -n 4 >&2 || true
      break
    fi
    echo "setup: apt-get update failed, asking again in 15 s"
    sleep 15
  done
  [ ${#need_apt[@]} -eq 0 ] || quiet "installing ${need_apt[*]}" apt-install.log \
    env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need_apt[@]}"
  # Without 32-bit Wine the 32-bit build is still built, and its tests are left out, as on a
  # machine that runs no 32-bit programs: said here, and in every run's summary.
  if [ ${#need_i386[@]} -gt 0 ] &&
    ! env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need_i386[@]}" >"$log/apt-install-i386.log" 2>&1; then
    echo "setup: 32-bit Wine could not be installed (the end of $log/apt-install-i386.log below);" \
      "the 32-bit build's tests are left out" >&2
    tail -n 6 "$log/apt-install-i386.log" >&2
    echo "32-bit Wine could not be installed from this machine's archive" >"$no32wine"
  fi
fi

# The sanitizer and fuzzer runtimes of this clang come in a package of their own.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$probe/p.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" 2>/dev/null; then
  runtime=libclang-rt-$(clang -dumpversion | cut -d. -f1)-dev
  echo "setup: installing $runtime"
  quiet "installing $runtime" apt-install-clang-rt.log env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$runtime"
fi

# libjpeg-turbo from Debian's own source package, cross-built once per target into the build tree
# and linked statically.
for arch in 32 64; do
  case $arch in
    32) toolchain=mingw-i686 ;;
    64) toolchain=mingw-x86_64 ;;
  esac
  jpeg_prefix=$build/third_party/libjpeg$arch
  [ -f "$jpeg_prefix/lib/libjpeg.a" ] && continue
  src=$build/third_party/src
  [ -f "$src/libjpeg-turbo/CMakeLists.txt" ] || quiet "fetching the libjpeg-turbo source" libjpeg-source.log \
    bash "$here/scripts/libjpeg-source.sh" "$src/libjpeg-turbo"
  rm -rf "$src/libjpeg-build$arch"
  quiet "configuring libjpeg-turbo ($arch-bit)" libjpeg$arch.log \
    cmake -S "$src/libjpeg-turbo" -B "$src/libjpeg-build$arch" \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/$toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF -DCMAKE_INSTALL_PREFIX="$jpeg_prefix"
  # The static library alone: its tools and tests are a quarter of the build and nothing uses them.
  quiet "building libjpeg-turbo ($arch-bit)" libjpeg$arch.log \
    cmake --build "$src/libjpeg-build$arch" -j"$(nproc)" --target jpeg-static
  mkdir -p "$jpeg_prefix/lib" "$jpeg_prefix/include"
  cp "$src/libjpeg-build$arch/jconfig.h" "$src/libjpeg-turbo/"{jerror.h,jmorecfg.h,jpeglib.h} "$jpeg_prefix/include/"
  cp "$src/libjpeg-build$arch/libjpeg.a" "$jpeg_prefix/lib/"
  [ -f "$jpeg_prefix/lib/libjpeg.a" ] || fail "libjpeg-turbo ($arch-bit) built, but $jpeg_prefix/lib/libjpeg.a is missing"
  echo "setup: libjpeg-turbo ($arch-bit) built into $jpeg_prefix"
done
