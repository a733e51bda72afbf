#!/usr/bin/env bash
# ./build.sh demo   build, then run the stand-in host with the real history dialog
# ./build.sh test   build both libraries and run every test under Wine on a private virtual display
#                    (two monitors)
# ./build.sh bench  build, then print the benchmarks (ratios against baselines of the same run)
# ./build.sh build [libraries]  build only (with "libraries": only Pathmr.dll and Pathmr64.dll)
# ./build.sh dist   build both libraries, then write the release: dist/Pathmr-<version>.zip and,
#                   beside it, the maps of their symbols ($DIST_DIR instead of dist/ when set);
#                   only when both are, to the byte, the ones the last ./build.sh test passed with
# ./build.sh check REGEX [32|64]  build, then run only the tests whose names match REGEX, in both
#                    builds or only the one named (no fuzzing)
# ./build.sh fuzz [seconds]  fuzz the JPEG reader natively (default 1800 s); no cross build, no Wine
#
# test and check run every test under two Wines: this machine's and the other Debian release's
# (scripts/other-wine.sh). PATHMR_WINE=own or PATHMR_WINE=other runs under one of them only.
#
# Two builds from the same sources: the 32-bit Pathmr.dll (build/cross32) and the 64-bit
# Pathmr64.dll (build/cross64). Tests, demo and benchmarks run every build that this machine can
# run: 64-bit Wine runs everywhere, 32-bit Wine only where the kernel runs 32-bit programs.
# PATHMR_NO_32BIT=1 acts as if it did not.
set -eEuo pipefail
# From a bare environment (env -i) bash still has its default PATH, but only as a shell variable:
# exported, the tools it starts find theirs too (CMake looks for its own files through it).
export PATH
here=$(cd "$(dirname "$0")" && pwd)
export BUILD_DIR=${BUILD_DIR:-$here/build}
cmd=${1:-test}

# The fuzzer is a native build of its own: it needs neither the cross build nor Wine.
case "$cmd" in
  fuzz) exec bash "$here/scripts/fuzz.sh" "${2:-1800}" ;;
  demo | test | bench | dist) ;;
  build) [ $# -lt 2 ] || [ "$2" = libraries ] || { echo "usage: ./build.sh build [libraries]" >&2; exit 2; } ;;
  check) [ $# -ge 2 ] && [[ "${3:-32}" =~ ^(32|64)$ ]] || { echo "usage: ./build.sh check REGEX [32|64]" >&2; exit 2; } ;;
  *) echo "usage: ./build.sh demo|test|bench|build|dist|check REGEX [32|64]|fuzz [seconds]" >&2; exit 2 ;;
esac

# No step fails silently: whatever stops the script names the step it was in.
step="starting"
trap 'rc=$?; echo "build.sh: $cmd stopped in step \"$step\" (exit $rc; the command: $BASH_COMMAND)" >&2' ERR
mkdir -p "$BUILD_DIR/logs"

# How long each phase took, printed at the end of a test run.
timings=()
phase_start=$SECONDS
phase_done() {
  timings+=("$1 $((SECONDS - phase_start)) s")
  phase_start=$SECONDS
}

step="set-up (installing what is missing, building libjpeg-turbo)"
bash "$here/scripts/setup.sh"
phase_done "set-up"

no32=
if bash "$here/scripts/ia32-probe.sh"; then
  runnable=(32 64)
else
  runnable=(64)
  why="kernel without IA-32 emulation"
  [ "${PATHMR_NO_32BIT:-0}" = 1 ] && why="PATHMR_NO_32BIT=1"
  no32="this machine runs no 32-bit programs ($why)"
fi

dll_name() { if [ "$1" = 32 ]; then echo Pathmr.dll; else echo Pathmr64.dll; fi; }
# The checksums of the libraries that a ./build.sh test in which every test passed ran; dist packs
# no other bytes.
tested_record=$BUILD_DIR/tested-libraries

# build_arch 32|64 [TARGET]: everything, or only the target named.
build_arch() {
  local arch=$1 toolchain=mingw-i686 log=$BUILD_DIR/logs/configure$1.log
  [ "$arch" = 64 ] && toolchain=mingw-x86_64
  step="configuring the $arch-bit build"
  if ! cmake -S "$here" -B "$BUILD_DIR/cross$arch" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/$toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DPATHMR_LIBJPEG="$BUILD_DIR/third_party/libjpeg$arch" \
    -DPATHMR_BUILD_DIR="$BUILD_DIR" -Wno-dev >"$log" 2>&1; then
    echo "build.sh: configuring the $arch-bit build failed; the end of $log:" >&2
    tail -n 25 "$log" >&2
    exit 1
  fi
  if [ $# -ge 2 ]; then
    step="compiling $(dll_name "$arch")"
    echo "== building $(dll_name "$arch") =="
    cmake --build "$BUILD_DIR/cross$arch" -j"$(nproc)" --target "$2"
  else
    step="compiling the $arch-bit build ($(dll_name "$arch"), host, tests, benchmarks)"
    echo "== building $(dll_name "$arch") and its tests =="
    cmake --build "$BUILD_DIR/cross$arch" -j"$(nproc)"
  fi
  phase_done "$arch-bit build"
}

display_pid=
servers=()  # "ARCH PREFIX" of every Wine server started, under the Wine of PATHMR_WINE_ROOT then
stop_servers() {
  local s
  for s in ${servers[@]+"${servers[@]}"}; do
    WINEPREFIX=${s#* } "$here/scripts/wine-run.sh" "${s%% *}" wineserver -k 2>/dev/null || true
  done
  servers=()
}
cleanup() {
  stop_servers
  [ -z "$display_pid" ] || kill "$display_pid" 2>/dev/null || true
}
trap cleanup EXIT

# A private display with two monitors side by side, as a presenter's laptop and projector look:
# a 1920 x 1080 primary and a 1024 x 768 one to its right. Xvfb cannot place screens side by side;
# the X server's dummy driver with RandR can.
start_display() {
  step="starting a virtual display with two monitors (Xorg, dummy driver)"
  local n conf=$BUILD_DIR/xorg-dummy.conf
  cat >"$conf" <<'CONF'
Section "Device"
  Identifier "card"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "card"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 4096 2160
  EndSubSection
EndSection
CONF
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xorg ":$n" -config "$conf" -noreset -logfile "$BUILD_DIR/logs/xorg.log" -nolisten tcp -sharevts -novtswitch \
      </dev/null >/dev/null 2>&1 &
    display_pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$display_pid" 2>/dev/null; then
      export DISPLAY=":$n"
      xrandr --output DUMMY0 --mode 1920x1080 &&
        xrandr --addmode DUMMY1 1024x768 &&
        xrandr --output DUMMY1 --mode 1024x768 --right-of DUMMY0 &&
        xrandr --query >/dev/null || { echo "build.sh: xrandr could not set up two monitors on :$n" >&2; exit 1; }
      return
    fi
  done
  echo "build.sh: no free display number for Xorg (tried :90 to :140; its log: $BUILD_DIR/logs/xorg.log)" >&2
  exit 1
}

# The prefixes the tests run in (tests.cmake names them too): a name, its screen density and the
# height of its icon-title font (Wine's own choice unless given). "96-largefont" is a user who
# chose larger icon text: the dialogs' own text is then taller than their layout's.
test_prefixes=("96 96" "120 120" "144 144" "192 192" "96-largefont 96 -13")

# One persistent server per prefix: every test process then starts in about half a second. Wine's
# own service processes are started here too, with their output going nowhere: started by the
# first test instead, they would inherit its output pipe and ctest would wait for them forever.
start_prefix() {
  local arch=$1 name=$2 dpi=$3 prefix=$BUILD_DIR/wine$1-$2
  step="preparing the $arch-bit Wine prefix $name ($dpi dpi)"
  bash "$here/scripts/wine-prefix.sh" "$arch" "$prefix" "$dpi" ${4:-}
  # A server left from an earlier run would keep its processes on an old display: replace it.
  local server=("$here/scripts/wine-run.sh" "$arch" wineserver)
  WINEPREFIX=$prefix "${server[@]}" -k 2>/dev/null || true
  WINEPREFIX=$prefix "${server[@]}" -w
  WINEPREFIX=$prefix "${server[@]}" -p
  servers+=("$arch $prefix")
  WINEPREFIX=$prefix "$here/scripts/wine-run.sh" "$arch" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

case "$cmd" in
  build)
    for arch in 32 64; do build_arch "$arch" ${2:+Pathmr}; done
    ;;
  dist)
    for arch in 32 64; do build_arch "$arch" Pathmr; done
    step="writing the release (scripts/package.py)"
    python3 "$here/scripts/package.py" "$BUILD_DIR" "${DIST_DIR:-$here/dist}" --readme --tested "$tested_record"
    ;;
  demo)
    arch=${runnable[0]}  # the 32-bit host and library where they can run
    build_arch "$arch"
    [ -z "$no32" ] || echo "$no32: the demo runs the 64-bit host and Pathmr64.dll"
    args=()
    if [ -z "${DISPLAY:-}" ]; then
      start_display
      args=(--auto "$BUILD_DIR/demo")
    fi
    start_prefix "$arch" 96 96
    mkdir -p "$BUILD_DIR/demo"
    step="running the $arch-bit stand-in host"
    "$here/scripts/wine-run.sh" "$arch" "$BUILD_DIR/cross$arch/bin/host.exe" ${args[@]+"${args[@]}"}
    step="converting the screenshots"
    for f in "$BUILD_DIR"/demo/*.bmp; do
      [ -e "$f" ] || continue
      convert "$f" "${f%.bmp}.png" && rm -f "$f" && echo "screenshot: ${f%.bmp}.png"
    done
    ;;
  bench)
    for arch in "${runnable[@]}"; do build_arch "$arch"; done
    [ -z "$no32" ] || echo "$no32: only the 64-bit build is measured"
    start_display
    for arch in "${runnable[@]}"; do
      start_prefix "$arch" 96 96
      step="running the $arch-bit benchmarks"
      echo "== $(dll_name "$arch"), $arch-bit =="
      "$here/scripts/wine-run.sh" "$arch" "$BUILD_DIR/cross$arch/bin/preview_benchmark.exe"
      "$here/scripts/wine-run.sh" "$arch" "$BUILD_DIR/cross$arch/bin/history_benchmark.exe"
    done
    ;;
  test | check)
    selection=()
    if [ "$cmd" = check ]; then
      selection=(-R "$2")
      if [ $# -ge 3 ]; then
        [[ " ${runnable[*]} " == *" $3 "* ]] || { echo "build.sh: this machine cannot run the $3-bit build" >&2; exit 1; }
        runnable=("$3")
      fi
      for arch in "${runnable[@]}"; do build_arch "$arch"; done
    else
      # An older record stands for nothing once this run starts: only its own success writes one.
      rm -f "$tested_record"
      for arch in 32 64; do build_arch "$arch"; done
      # The release as a zip of its own, checked as an add-in author would meet it (no Wine).
      step="checking the release (scripts/package.py)"
      python3 "$here/scripts/package.py" "$BUILD_DIR" "$BUILD_DIR/release-check"
      # Its refusal of bytes the tests did not run: a record giving Pathmr64.dll the checksum of
      # Pathmr.dll passes the one and must stop at the other.
      sum32=$(sha256sum <"$BUILD_DIR/cross32/bin/Pathmr.dll" | cut -c1-64)
      printf '%s  %s\n' "$sum32" cross32/bin/Pathmr.dll "$sum32" cross64/bin/Pathmr64.dll >"$BUILD_DIR/release-check/wrong-record"
      if refusal=$(python3 "$here/scripts/package.py" "$BUILD_DIR" "$BUILD_DIR/release-check" \
        --tested "$BUILD_DIR/release-check/wrong-record" 2>&1) || [[ $refusal != "package: Pathmr64.dll is not "* ]]; then
        echo "build.sh: scripts/package.py --tested did not refuse Pathmr64.dll alone; it said: $refusal" >&2
        exit 1
      fi
      phase_done "release check"
      # A minute of fuzzing the JPEG reader natively, under the address and undefined behaviour
      # sanitizers; before the tests, so that the test runner's summary closes the output.
      step="fuzzing the JPEG reader (scripts/fuzz.sh)"
      bash "$here/scripts/fuzz.sh" 60
      phase_done "fuzzing"
    fi
    # The second Wine: the other Debian release's, in a root of its own kept under the build tree.
    # It runs first, so that the screenshots the tests leave in the build tree are this machine's.
    wines=(other own)
    case ${PATHMR_WINE:-both} in
      own | other) wines=("$PATHMR_WINE") ;;
      both) ;;
      *) echo "build.sh: PATHMR_WINE is own, other or both" >&2; exit 2 ;;
    esac
    if [[ " ${wines[*]} " == *" other "* ]]; then
      step="making the other Debian release's Wine (scripts/other-wine.sh)"
      bash "$here/scripts/other-wine.sh" prepare
      phase_done "other Wine"
    fi
    start_display
    if [ -n "$no32" ] && [ "$cmd" = test ]; then
      no32="$no32: the 32-bit Pathmr.dll was built but not tested; the 64-bit build was tested"
    elif [ -n "$no32" ]; then
      no32="$no32: only the 64-bit build was tested"
    fi
    [ -z "$no32" ] || echo "$no32"
    failed=()
    summary=()
    wine_names=()
    passed_all=0 failed_all=0
    # What the tests run, for the record of a run in which all of them pass.
    tested_sums=$(cd "$BUILD_DIR" && for arch in "${runnable[@]}"; do sha256sum "cross$arch/bin/$(dll_name "$arch")"; done)
    for wine in "${wines[@]}"; do
      if [ "$wine" = own ]; then
        unset PATHMR_WINE_ROOT
        v=$(/usr/lib/wine/wine64 --version 2>/dev/null || echo wine-?)
        v=${v#wine-}
        wine_name="Wine ${v%% *} ($(. /etc/os-release && echo "Debian $VERSION_ID"), this machine's)"
      else
        PATHMR_WINE_ROOT=$(bash "$here/scripts/other-wine.sh" root)
        export PATHMR_WINE_ROOT
        wine_name=$(bash "$here/scripts/other-wine.sh" describe)
      fi
      wine_names+=("$wine_name")
      for arch in "${runnable[@]}"; do
        for p in "${test_prefixes[@]}"; do start_prefix "$arch" $p; done
        step="testing the $arch-bit build under $wine_name"
        echo "== testing $(dll_name "$arch") (the $arch-bit build) under $arch-bit $wine_name =="
        log=$BUILD_DIR/logs/ctest$arch-$wine.log
        # One at a time: test processes share the display, and activation is a per-display affair.
        if (cd "$BUILD_DIR/cross$arch" && ctest --output-on-failure -j1 --timeout 300 ${selection[@]+"${selection[@]}"}) 2>&1 | tee "$log"; then :; else
          failed+=("$arch-bit build under $wine_name")
        fi
        stop_servers
        phase_done "$arch-bit tests under ${wine_name%% (*}"
        line=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -n 1 || echo 'no summary')
        summary+=("$arch-bit, $wine_name: $line")
        if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
          failed_all=$((failed_all + BASH_REMATCH[1]))
          passed_all=$((passed_all + BASH_REMATCH[2] - BASH_REMATCH[1]))
        fi
      done
    done
    echo "== summary =="
    printf '%s\n' "${summary[@]}"
    echo "time: $(printf '%s, ' "${timings[@]}" | sed 's/, $//')"
    [ -z "$no32" ] || echo "$no32"
    if [ ${#failed[@]} -gt 0 ]; then
      printf 'build.sh: tests failed in the %s\n' "${failed[@]}" >&2
      failed_all=$((failed_all > 0 ? failed_all : ${#failed[@]}))
    fi
    if [ "$cmd" = test ] && [ ${#failed[@]} -eq 0 ] && [ ${#wines[@]} -eq 2 ] && [ "$passed_all" -gt 0 ]; then
      {
        echo "# Every test of ./build.sh test passed with these libraries under $(printf '%s and ' "${wine_names[@]}" | sed 's/ and $//'), $(date -u '+%Y-%m-%d %H:%M UTC')"
        echo "# ./build.sh dist packs these bytes and no others (by hand, in the build folder: sha256sum -c tested-libraries)"
        echo "$tested_sums"
        [ -z "$no32" ] || echo "# not tested: cross32/bin/Pathmr.dll: the test run could run no 32-bit programs ($why)"
      } >"$tested_record"
      echo "tested libraries recorded for ./build.sh dist: $tested_record"
    elif [ "$cmd" = test ]; then
      echo "no record of tested libraries: ./build.sh dist needs a run in which every test passes under both Wines"
    fi
    echo "tests: $passed_all passed, $failed_all failed"
    [ ${#failed[@]} -eq 0 ] || exit 1
    ;;
esac
