#!/usr/bin/env bash
# Exits 0 when this machine runs 32-bit x86 programs, 1 when it does not. It runs one: a 93-byte
# static ELF that only calls exit(7) through the 32-bit system call gate, so no 32-bit library has
# to be installed for the answer (a kernel without IA-32 emulation refuses it: "Exec format
# error"). PATHMR_NO_32BIT=1 answers "no" without asking, so that path is tested on every machine.
set -uo pipefail
[ "${PATHMR_NO_32BIT:-0}" = 1 ] && exit 1
# setup.sh leaves this when 32-bit Wine could not be installed: no 32-bit program runs here then.
[ -f "${BUILD_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build}/32-bit-wine-unavailable" ] && exit 1
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
{
  # ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054, one program header.
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
  # One loadable segment: the whole file at 0x08048000, readable and executable.
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
  printf '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
  # xor ebx,ebx; mov bl,7; xor eax,eax; inc eax; int 0x80
  printf '\x31\xdb\xb3\x07\x31\xc0\x40\xcd\x80'
} > "$probe"
chmod +x "$probe"
"$probe" 2>/dev/null
[ $? -eq 7 ]
