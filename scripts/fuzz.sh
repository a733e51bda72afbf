#!/usr/bin/env bash
# scripts/fuzz.sh [seconds]   fuzz the JPEG reader natively for that long (default 60)
#
# Builds libjpeg-turbo from Debian's source package with clang and the address and undefined
# behaviour sanitizers, so that they watch inside libjpeg as well as inside ui/jpeg/JpegDecoder.cpp,
# then the libFuzzer target and the seed generator. Every file in ui/jpeg/fuzz/regressions is run
# once first, then the fuzzer runs on a working corpus under $BUILD_DIR/fuzz that starts from the
# committed seeds. Exits non-zero on any finding: a crash, a sanitizer report, a leak, an escaped
# exception, a timeout or running out of memory. Inputs that fail land in $BUILD_DIR/fuzz/findings.
# Nothing here touches the cross build or Wine.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
seconds=${1:-60}
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "usage: scripts/fuzz.sh [seconds]" >&2; exit 2; }
fuzz=$build/fuzz
started=$(date +%s)

# --- tools -------------------------------------------------------------------------------------
have() { command -v "$1" >/dev/null 2>&1; }
updated=
apt_install() {
  local want=("$@") missing=() p
  for p in "${want[@]}"; do
    [ -n "$(apt-cache search --names-only "^${p//+/\\+}\$" 2>/dev/null)" ] || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ] && [ -z "$updated" ]; then apt-get update -q; updated=1; fi
  echo "fuzz: installing ${want[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${want[@]}"
}
need=()
have clang || need+=(clang)
have cmake || need+=(cmake)
have nasm || need+=(nasm)
have dpkg-source || need+=(dpkg-dev)
[ ${#need[@]} -eq 0 ] || apt_install "${need[@]}"
clang_major=$(clang -dumpversion | cut -d. -f1)

# The fuzzer and sanitizer runtimes come in a package of their own.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$probe/p.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" 2>/dev/null; then
  apt_install "libclang-rt-$clang_major-dev"
fi

# --- libjpeg-turbo from Debian's source package, sanitized and instrumented for coverage ---------
san=(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)
jpeg_flags="-O1 ${san[*]} -fsanitize=fuzzer-no-link"
jpeg_prefix=$fuzz/libjpeg
stamp=$jpeg_prefix/.flags
if [ ! -f "$jpeg_prefix/lib/libjpeg.a" ] || [ "$(cat "$stamp" 2>/dev/null)" != "clang-$clang_major $jpeg_flags" ]; then
  # A tree of our own: setup.sh deletes and unpacks its copy whenever it rebuilds.
  src=$fuzz/src/libjpeg-turbo
  rm -rf "$fuzz/src/libjpeg-build" "$jpeg_prefix"
  bash "$here/scripts/libjpeg-source.sh" "$src"
  echo "fuzz: building libjpeg-turbo with the sanitizers"
  CC=clang cmake -S "$src" -B "$fuzz/src/libjpeg-build" -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_C_FLAGS="$jpeg_flags" -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF \
    -DCMAKE_INSTALL_PREFIX="$jpeg_prefix" -DCMAKE_INSTALL_LIBDIR="$jpeg_prefix/lib" >/dev/null
  # The static library alone, as in setup.sh.
  cmake --build "$fuzz/src/libjpeg-build" -j"$(nproc)" --target jpeg-static >/dev/null
  mkdir -p "$jpeg_prefix/lib" "$jpeg_prefix/include"
  cp "$fuzz/src/libjpeg-build/jconfig.h" "$src/"{jerror.h,jmorecfg.h,jpeglib.h} "$jpeg_prefix/include/"
  cp "$fuzz/src/libjpeg-build/libjpeg.a" "$jpeg_prefix/lib/"
  echo "clang-$clang_major $jpeg_flags" >"$stamp"
fi

# --- the fuzz target and the seed generator ----------------------------------------------------
mkdir -p "$fuzz/bin"
cxx=(clang++ -std=c++17 -O1 "${san[@]}" -I"$here" -I"$jpeg_prefix/include")
"${cxx[@]}" -fsanitize=fuzzer "$here/ui/jpeg/fuzz/JpegDecoderFuzz.cpp" "$here/ui/jpeg/JpegDecoder.cpp" \
  "$jpeg_prefix/lib/libjpeg.a" -o "$fuzz/bin/jpeg_decoder_fuzz" &
fuzz_build=$!
"${cxx[@]}" -fsanitize=fuzzer-no-link "$here/ui/jpeg/fuzz/MakeSeeds.cpp" "$jpeg_prefix/lib/libjpeg.a" \
  -o "$fuzz/bin/make_seeds"
wait "$fuzz_build"

# The generator must still make exactly the committed seeds: they are its output, nothing else.
rm -rf "$fuzz/seeds-made"
mkdir -p "$fuzz/seeds-made"
"$fuzz/bin/make_seeds" "$fuzz/seeds-made" >/dev/null
if ! diff -r -q "$here/ui/jpeg/fuzz/seeds" "$fuzz/seeds-made" >/dev/null; then
  echo "fuzz: note: the committed seeds differ from what make_seeds writes now;" \
    "refresh them with $fuzz/bin/make_seeds ui/jpeg/fuzz/seeds" >&2
fi

# --- run ---------------------------------------------------------------------------------------
mkdir -p "$fuzz/corpus" "$fuzz/findings" "$fuzz/logs"
cp "$here"/ui/jpeg/fuzz/seeds/* "$fuzz/corpus/"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:allocator_may_return_null=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
opts=(-rss_limit_mb=2048 -timeout=10 -detect_leaks=1 -artifact_prefix="$fuzz/findings/")
bin=$fuzz/bin/jpeg_decoder_fuzz

regressions=()
for f in "$here"/ui/jpeg/fuzz/regressions/*; do [ -f "$f" ] && regressions+=("$f"); done
if [ ${#regressions[@]} -gt 0 ]; then
  if ! "$bin" "${opts[@]}" "${regressions[@]}" >"$fuzz/logs/regressions.log" 2>&1; then
    tail -n 60 "$fuzz/logs/regressions.log" >&2
    echo "fuzz: FAILED: a regression input fails again (log: $fuzz/logs/regressions.log)" >&2
    exit 1
  fi
fi

# Inputs may be as long as -max_len from the start: with libFuzzer's default the limit grows only
# while nothing new turns up, and in a 30-minute run it never passed the largest seed (2.7 KB),
# while many scans, long tables or markers need longer files.
log=$fuzz/logs/fuzz-$(date +%Y%m%d-%H%M%S).log
status=0
"$bin" "${opts[@]}" -max_len=65536 -len_control=0 -max_total_time="$seconds" -print_final_stats=1 \
  "$fuzz/corpus" >"$log" 2>&1 || status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1 || true)
files=$(find "$fuzz/corpus" -type f | wc -l)
took=$(($(date +%s) - started))
if [ "$status" -ne 0 ]; then
  tail -n 80 "$log" >&2
  echo "fuzz: FAILED after ${runs:-?} runs (exit $status); inputs: $(ls -t "$fuzz"/findings/ | head -n 3 | tr '\n' ' ')" \
    "in $fuzz/findings, log: $log" >&2
  exit "$status"
fi
echo "fuzz: no findings: ${runs:-?} runs in ${seconds} s of fuzzing (${rate:-?} a second; ${took} s in all)," \
  "${#regressions[@]} regression inputs passed, corpus ${files} files, ${cov:-cov: ?}; log: $log"
