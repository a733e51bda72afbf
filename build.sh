#!/usr/bin/env bash
# ./build.sh demo   build, then run the stand-in host with the real history dialog
# ./build.sh test   build both libraries and run every test under Wine on a private virtual display
#                    (two monitors)
# ./build.sh bench [preview|history]  build, then print the benchmarks (ratios against baselines of
#                    the same run), or only those of one
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
  demo | test | dist) ;;
  bench) [ $# -lt 2 ] || [[ $2 =~ ^(preview|history)$ ]] || { echo "usage: ./build.sh bench [preview|history]" >&2; exit 2; } ;;
  build) [ $# -lt 2 ] || [ "$2" = libraries ] || { echo "usage: ./build.sh build [libraries]" >&2; exit 2; } ;;
  check) [ $# -ge 2 ] && [[ "${3:-32}" =~ ^(32|64)$ ]] || { echo "usage: ./build.sh check REGEX [32|64]" >&2; exit 2; } ;;
  *) echo "usage: ./build.sh demo|test|bench [preview|history]|build|dist|check REGEX [32|64]|fuzz [seconds]" >&2; exit 2 ;;
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

# The checksums of the libraries that a ./build.sh test in which every test passed ran; dist packs
# no other bytes.
tested_record=$BUILD_DIR/tested-libraries
# An older record stands for nothing once a test run starts, even one that fails in its set-up:
# only this run's own success writes one.
[ "$cmd" != test ] || rm -f "$tested_record"

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
  [ -f "$BUILD_DIR/32-bit-wine-unavailable" ] && why=$(cat "$BUILD_DIR/32-bit-wine-unavailable")
  no32="this machine runs no 32-bit programs ($why)"
fi

dll_name() { if [ "$1" = 32 ]; then echo Pathmr.dll; else echo Pathmr64.dll; fi; }

# build_arch 32|64 [TARGET...]: everything that a test run uses, or only the targets named.
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
    step="compiling ${*:2} ($arch-bit)"
    echo "== building ${*:2} ($arch-bit) =="
    cmake --build "$BUILD_DIR/cross$arch" -j"$(nproc)" --target "${@:2}"
  else
    step="compiling the $arch-bit build ($(dll_name "$arch"), host, tests)"
    echo "== building $(dll_name "$arch") and its tests =="
    cmake --build "$BUILD_DIR/cross$arch" -j"$(nproc)"
  fi
  phase_done "$arch-bit build"
}

display_pids=()
servers=()  # "ARCH LANE NAME" of every Wine server started (LANE "-" for none), under the Wine of PATHMR_WINE_ROOT then
# server_env LANE NAME ARCH: the environment in which scripts/wine-run.sh reaches that prefix.
server_env() {
  if [ "$1" = - ]; then echo "WINEPREFIX=$BUILD_DIR/$2"; else echo "WINEPREFIX=$BUILD_DIR/$2 CTEST_RESOURCE_GROUP_0_LANES=id:$1,slots:1"; fi
}
stop_servers() {
  local s arch lane name pids=()
  for s in ${servers[@]+"${servers[@]}"}; do
    read -r arch lane name <<<"$s"
    env $(server_env "$lane" "$name") "$here/scripts/wine-run.sh" "$arch" wineserver -k 2>/dev/null &
    pids+=("$!")
  done
  for s in ${pids[@]+"${pids[@]}"}; do wait "$s" || true; done
  servers=()
}
cleanup() {
  stop_servers
  local p
  for p in ${display_pids[@]+"${display_pids[@]}"}; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

# A private display with two monitors side by side, as a presenter's laptop and projector look:
# a 1920 x 1080 primary and a 1024 x 768 one to its right. Xvfb cannot place screens side by side;
# the X server's dummy driver with RandR can. start_display [LANE]: the display of a test lane
# (its number in lanes/LANE/display, for scripts/wine-run.sh); without a lane, DISPLAY is set.
start_display() {
  local lane=${1:-} n conf=$BUILD_DIR/xorg-dummy.conf pid
  step="starting a virtual display with two monitors (Xorg, dummy driver)${lane:+ for lane $lane}"
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
  for n in $(seq 90 160); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xorg ":$n" -config "$conf" -noreset -logfile "$BUILD_DIR/logs/xorg${lane:+-lane$lane}.log" -nolisten tcp -sharevts -novtswitch \
      </dev/null >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
      display_pids+=("$pid")
      DISPLAY=":$n" xrandr --output DUMMY0 --mode 1920x1080 &&
        DISPLAY=":$n" xrandr --addmode DUMMY1 1024x768 &&
        DISPLAY=":$n" xrandr --output DUMMY1 --mode 1024x768 --right-of DUMMY0 &&
        DISPLAY=":$n" xrandr --query >/dev/null || { echo "build.sh: xrandr could not set up two monitors on :$n" >&2; exit 1; }
      if [ -n "$lane" ]; then
        mkdir -p "$BUILD_DIR/lanes/$lane"
        echo ":$n" >"$BUILD_DIR/lanes/$lane/display"
      else
        export DISPLAY=":$n"
      fi
      return
    fi
  done
  echo "build.sh: no free display number for Xorg (tried :90 to :160; its log: $BUILD_DIR/logs/xorg.log)" >&2
  exit 1
}

# The prefixes the tests run in (tests.cmake names them too): a name, its screen density and the
# height of its icon-title font (Wine's own choice unless given). "96-largefont" is a user who
# chose larger icon text: the dialogs' own text is then taller than their layout's.
test_prefixes=("96 96" "120 120" "144 144" "192 192" "96-largefont 96 -13")

# make_prefixes ARCH: every test prefix of that architecture under the current Wine, made (once)
# from its template.
make_prefixes() {
  local arch=$1 p
  for p in "${test_prefixes[@]}"; do
    set -- $p
    bash "$here/scripts/wine-prefix.sh" "$arch" "$BUILD_DIR/wine$arch-$1" "$2" ${3:-}
  done
}

# One persistent server per prefix: every test process then starts in well under a second. Wine's
# own service processes are started here too, with their output going nowhere: started by the
# first test instead, they would inherit its output pipe and ctest would wait for them forever.
# start_prefix ARCH LANE NAME: LANE "-" is the prefix itself (on DISPLAY), else that lane's fresh
# copy of it (on the lane's display). Runs in the background: await_prefixes waits for all.
starting=()
start_prefix() {
  local arch=$1 lane=$2 name=$3
  servers+=("$arch $lane $name")
  (
    trap - ERR
    export $(server_env "$lane" "$name")
    server=("$here/scripts/wine-run.sh" "$arch" wineserver)
    # A server left from an earlier run would keep its processes on an old display: replace it.
    "${server[@]}" -k 2>/dev/null || true
    "${server[@]}" -w
    if [ "$lane" != - ]; then
      base=${PATHMR_WINE_ROOT:+$PATHMR_WINE_ROOT-prefixes}
      base=${base:-$BUILD_DIR}
      bash "$here/scripts/wine-prefix.sh" clone "$base/$name" "$base/lanes/$lane/$name"
    fi
    "${server[@]}" -p
    "$here/scripts/wine-run.sh" "$arch" cmd /c exit </dev/null >/dev/null 2>&1 || true
    # The desktop stays open for the whole pass (testkit/DesktopKeeper.cpp); the server's end ends it.
    "$here/scripts/wine-run.sh" "$arch" "$BUILD_DIR/cross$arch/bin/desktop_keeper.exe" </dev/null >/dev/null 2>&1 &
  ) &
  starting+=("$!")
}
await_prefixes() {
  local pid bad=0
  for pid in "${starting[@]}"; do wait "$pid" || bad=1; done
  starting=()
  [ "$bad" = 0 ] || { echo "build.sh: a Wine prefix could not be prepared or started ($step)" >&2; exit 1; }
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
    step="preparing the $arch-bit Wine prefix"
    bash "$here/scripts/wine-prefix.sh" "$arch" "$BUILD_DIR/wine$arch-96" 96
    start_prefix "$arch" - "wine$arch-96"
    await_prefixes
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
    for arch in "${runnable[@]}"; do build_arch "$arch" Pathmr preview_benchmark history_benchmark; done
    [ -z "$no32" ] || echo "$no32: only the 64-bit build is measured"
    start_display
    for arch in "${runnable[@]}"; do
      step="preparing the $arch-bit Wine prefix"
      bash "$here/scripts/wine-prefix.sh" "$arch" "$BUILD_DIR/wine$arch-96" 96
      start_prefix "$arch" - "wine$arch-96"
      await_prefixes
      step="running the $arch-bit benchmarks"
      echo "== $(dll_name "$arch"), $arch-bit =="
      for name in preview history; do
        [ -z "${2:-}" ] || [ "$2" = "$name" ] || continue
        "$here/scripts/wine-run.sh" "$arch" "$BUILD_DIR/cross$arch/bin/${name}_benchmark.exe"
      done
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
    fi
    wines=(other own)
    case ${PATHMR_WINE:-both} in
      own | other) wines=("$PATHMR_WINE") ;;
      both) ;;
      *) echo "build.sh: PATHMR_WINE is own, other or both" >&2; exit 2 ;;
    esac
    # Tests run in lanes: each lane has a display and copies of the prefixes of its own, and ctest
    # hands each test a free lane (its resource allocation: RESOURCE_GROUPS in tests.cmake).
    lanes=${PATHMR_LANES:-4}
    [[ $lanes =~ ^[1-9][0-9]?$ ]] || { echo "build.sh: PATHMR_LANES is a number of lanes from 1 to 99" >&2; exit 2; }

    # What does not depend on each other runs side by side, each into a log of its own: the
    # builds (all CPU), the fuzzer (all CPU, and only for test), the other release's root
    # (mostly the network) and the prefixes (mostly waiting for Wine).
    step="preparing the builds, prefixes and the other Wine side by side"
    jobs=()
    # job NAME COMMAND...: COMMAND in the background, its output in logs/job-NAME.log.
    job() {
      local name=$1
      shift
      # errexit stays in force inside (no || here): the job's status is its first failure.
      (
        trap - ERR
        start=$SECONDS
        # The wall time, and the processor time of all its commands (user and system), which
        # the jobs beside it do not stretch: a build's own measure on a busy machine.
        trap 'echo $((SECONDS - start)) >"$BUILD_DIR/logs/job-$name.took"; times >"$BUILD_DIR/logs/job-$name.cpu"' EXIT
        "$@"
      ) >"$BUILD_DIR/logs/job-$name.log" 2>&1 </dev/null &
      jobs+=("$! $name")
    }
    # A build whose tests cannot run here is built for the release only: its library.
    build_all() {
      local arch
      for arch in "$@"; do
        if [[ " ${runnable[*]} " == *" $arch "* ]]; then build_arch "$arch"; else build_arch "$arch" Pathmr; fi
      done
    }
    prefixes_for() {
      local arch
      if [ "$1" = other ]; then
        bash "$here/scripts/other-wine.sh" prepare
        PATHMR_WINE_ROOT=$(bash "$here/scripts/other-wine.sh" root)
        export PATHMR_WINE_ROOT
      fi
      for arch in "${runnable[@]}"; do make_prefixes "$arch"; done
    }
    if [ "$cmd" = test ]; then
      job builds build_all 32 64
      # Under the address and undefined behaviour sanitizers, natively.
      job fuzzing bash "$here/scripts/fuzz.sh" 60
    else
      job builds build_all "${runnable[@]}"
    fi
    for wine in "${wines[@]}"; do job "prefixes-$wine" prefixes_for "$wine"; done
    prepared_at=$SECONDS
    failed_jobs=()
    for j in "${jobs[@]}"; do
      read -r pid name <<<"$j"
      if wait "$pid"; then
        cpu=$(tail -n 1 "$BUILD_DIR/logs/job-$name.cpu" | awk '{ t = 0; for (i = 1; i <= 2; i++) { split($i, p, /[ms]/); t += p[1] * 60 + p[2] } printf "%d", t }')
        timings+=("$name $(cat "$BUILD_DIR/logs/job-$name.took") s (processor $cpu s)")
      else
        failed_jobs+=("$name")
        echo "build.sh: $name failed; the end of $BUILD_DIR/logs/job-$name.log:" >&2
        tail -n 30 "$BUILD_DIR/logs/job-$name.log" >&2
      fi
    done
    [ ${#failed_jobs[@]} -eq 0 ] || exit 1
    [ "$cmd" = check ] || tail -n 1 "$BUILD_DIR/logs/job-fuzzing.log"
    timings+=("(side by side: $((SECONDS - prepared_at)) s)")
    phase_start=$SECONDS

    if [ "$cmd" = test ]; then
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
    fi

    start_display
    rm -rf "$BUILD_DIR/lanes"
    for ((lane = 0; lane < lanes; lane++)); do start_display "$lane"; done
    # The lanes that ctest may hand out in a pass: the first N.
    lane_resources() {
      echo '{"version": {"major": 1, "minor": 0}, "local": [{"lanes": ['
      for ((lane = 0; lane < $1; lane++)); do
        printf '  {"id": "%d", "slots": 1}%s\n' "$lane" "$([ $lane -lt $(($1 - 1)) ] && echo ,)"
      done
      echo ']}]}'
    }
    if [ -n "$no32" ] && [ "$cmd" = test ]; then
      no32="$no32: the 32-bit Pathmr.dll was built but not tested; the 64-bit build was tested"
    elif [ -n "$no32" ]; then
      no32="$no32: only the 64-bit build was tested"
    fi
    [ -z "$no32" ] || echo "$no32"
    failed=()
    summary=()
    wine_names=()
    passed_all=0 skipped_all=0 failed_all=0
    # What the tests run, for the record of a run in which all of them pass.
    tested_sums=$(cd "$BUILD_DIR" && for arch in "${runnable[@]}"; do sha256sum "cross$arch/bin/$(dll_name "$arch")"; done)
    # The other release's Wine runs first, so that the screenshots the tests leave in the build
    # tree are this machine's.
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
        # Unless told, the 32-bit build has a lane fewer: under 32-bit Wine 10 its tests keep both
        # cores busy, and a fourth lane made its passes slower, not faster.
        pass_lanes=$lanes
        [ -n "${PATHMR_LANES:-}" ] || [ "$arch" != 32 ] || pass_lanes=3
        lane_resources "$pass_lanes" >"$BUILD_DIR/lanes/resources.json"
        step="starting the $arch-bit Wine servers of $pass_lanes lanes under $wine_name"
        # The prefix itself serves the test discovery, which runs outside any lane.
        start_prefix "$arch" - "wine$arch-96"
        for ((lane = 0; lane < pass_lanes; lane++)); do
          for p in "${test_prefixes[@]}"; do start_prefix "$arch" "$lane" "wine$arch-${p%% *}"; done
        done
        await_prefixes
        phase_done "$arch-bit servers under ${wine_name%% (*}"
        step="testing the $arch-bit build under $wine_name"
        echo "== testing $(dll_name "$arch") (the $arch-bit build) under $arch-bit $wine_name in $pass_lanes lanes =="
        log=$BUILD_DIR/logs/ctest$arch-$wine.log
        listed=$BUILD_DIR/logs/tests$arch-$wine.json
        junit=$BUILD_DIR/logs/junit$arch-$wine.xml
        rm -f "$junit"
        pass_start=$SECONDS
        (cd "$BUILD_DIR/cross$arch" && ctest -N --show-only=json-v1 ${selection[@]+"${selection[@]}"} >"$listed") || true
        if (cd "$BUILD_DIR/cross$arch" && ctest --output-on-failure --no-tests=error -j"$pass_lanes" \
          --resource-spec-file "$BUILD_DIR/lanes/resources.json" --timeout 300 --output-junit "$junit" \
          --test-output-size-passed 65536 --test-output-size-failed 65536 \
          ${selection[@]+"${selection[@]}"}) 2>&1 | tee "$log"; then :; else
          failed+=("$arch-bit build under $wine_name")
        fi
        stop_servers
        pass_time=$((SECONDS - pass_start))
        phase_done "$arch-bit tests under ${wine_name%% (*}"
        # Counts from the tests' own results: run against registered, skipped apart from passed.
        counts=$(python3 "$here/scripts/test-summary.py" "$listed" "$junit" \
          --planted "$BUILD_DIR/cross$arch/planted-controls.txt" \
          $([ "$cmd" = test ] && echo --reruns "$BUILD_DIR/cross$arch/rerun-filters.txt")) || failed+=("count of the $arch-bit tests under $wine_name")
        read -r run passed skipped failed_n <<<"$(head -n 1 <<<"$counts")"
        summary+=("$arch-bit, $wine_name: $run run, $passed passed, $skipped skipped, $failed_n failed in $pass_time s")
        while IFS= read -r l; do summary+=("  $l"); done < <(tail -n +2 <<<"$counts")
        passed_all=$((passed_all + passed))
        skipped_all=$((skipped_all + skipped))
        failed_all=$((failed_all + failed_n))
      done
    done
    echo "== summary =="
    printf '%s\n' "${summary[@]}"
    echo "time: $(printf '%s, ' "${timings[@]}" | sed 's/, $//'); in all $SECONDS s"
    echo "disk: build/ holds $(du -sh "$BUILD_DIR" 2>/dev/null | cut -f1)"
    [ -z "$no32" ] || echo "$no32"
    if [ ${#failed[@]} -gt 0 ]; then
      printf 'build.sh: failed: the %s\n' "${failed[@]}" >&2
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
    echo "tests: $passed_all passed, $skipped_all skipped, $failed_all failed"
    [ ${#failed[@]} -eq 0 ] || exit 1
    ;;
esac
