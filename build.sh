#!/usr/bin/env bash
# ./build.sh demo   build, then run the stand-in host with the real history dialog
# ./build.sh test   build everything and run every test under Wine on a private virtual display
# ./build.sh bench  build, then print the preview benchmark (ratios against baselines of the same run)
# ./build.sh build  build only
# ./build.sh fuzz [seconds]  fuzz the JPEG reader natively (default 1800 s); no cross build, no Wine
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export BUILD_DIR=${BUILD_DIR:-$here/build}
cmd=${1:-test}

# The fuzzer is a native build of its own: it needs neither the cross build nor Wine.
case "$cmd" in
  fuzz) exec bash "$here/scripts/fuzz.sh" "${2:-1800}" ;;
esac

bash "$here/scripts/setup.sh"
cmake -S "$here" -B "$BUILD_DIR/cross" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DPATHMR_THIRD_PARTY="$BUILD_DIR/third_party" -DPATHMR_BUILD_DIR="$BUILD_DIR" >/dev/null
cmake --build "$BUILD_DIR/cross" -j"$(nproc)"

xvfb_pid=
server_pid=
cleanup() {
  [ -z "$server_pid" ] || { WINEPREFIX=$BUILD_DIR/wineprefix wineserver -k 2>/dev/null || true; }
  for dpi in 120 144 192; do
    [ -z "$server_pid" ] || { WINEPREFIX=$BUILD_DIR/wineprefix-$dpi wineserver -k 2>/dev/null || true; }
  done
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

start_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; return; fi
  done
  echo "no free display number for Xvfb" >&2; exit 1
}

# One persistent server per prefix: every test process then starts in about half a second. Wine's
# own service processes are started here too, with their output going nowhere: started by the
# first test instead, they would inherit its output pipe and ctest would wait for them forever.
start_prefix() {
  bash "$here/scripts/wine-prefix.sh" "$1" "$2"
  # A server left from an earlier run would keep its processes on an old display: replace it.
  WINEPREFIX=$1 wineserver -k 2>/dev/null || true
  WINEPREFIX=$1 wineserver -w
  WINEPREFIX=$1 wineserver -p
  WINEPREFIX=$1 "$here/scripts/wine-run.sh" cmd /c exit </dev/null >/dev/null 2>&1 || true
  server_pid=1
}
start_wine() { start_prefix "$BUILD_DIR/wineprefix" 96; }

case "$cmd" in
  build) ;;
  demo)
    args=()
    if [ -z "${DISPLAY:-}" ]; then
      start_display
      args=(--auto "$BUILD_DIR/demo")
    fi
    start_wine
    mkdir -p "$BUILD_DIR/demo"
    "$here/scripts/wine-run.sh" "$BUILD_DIR/cross/bin/host.exe" "${args[@]}"
    for f in "$BUILD_DIR"/demo/*.bmp; do
      [ -e "$f" ] || continue
      convert "$f" "${f%.bmp}.png" && rm -f "$f" && echo "screenshot: ${f%.bmp}.png"
    done
    ;;
  bench)
    start_display
    start_wine
    "$here/scripts/wine-run.sh" "$BUILD_DIR/cross/bin/preview_benchmark.exe"
    "$here/scripts/wine-run.sh" "$BUILD_DIR/cross/bin/history_benchmark.exe"
    ;;
  test)
    # A minute of fuzzing the JPEG reader natively, under the address and undefined behaviour
    # sanitizers; first, so that the test runner's summary closes the output.
    bash "$here/scripts/fuzz.sh" 60
    start_display
    start_wine
    for dpi in 120 144 192; do start_prefix "$BUILD_DIR/wineprefix-$dpi" "$dpi"; done
    cd "$BUILD_DIR/cross"
    # One at a time: test processes share the display, and activation is a per-display affair.
    ctest --output-on-failure -j1 --timeout 300
    ;;
  *) echo "usage: ./build.sh demo|test|bench|build|fuzz [seconds]" >&2; exit 2 ;;
esac
