#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Which sets' recovery volumes fit a floppy of their preset: for each preset, the most pieces a
# set may have for one of its volumes (all are as long) to be copied alone onto a freshly
# formatted FAT floppy image, found by cutting such sets and copying with mtools.
#   bench/floppies.sh [BENCH_BINARY]
set -euo pipefail
bench=$(realpath "${1:-build/default/bench/fendrax-bench}")
missing=()
command -v mkfs.fat > /dev/null || missing+=(dosfstools)
command -v mcopy > /dev/null || missing+=(mtools)
if [ ${#missing[@]} -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] || { echo "needs the Debian packages: sudo apt-get install ${missing[*]}" >&2; exit 1; }
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" > /dev/null
fi
dir=$(mktemp -d "${TMPDIR:-/var/tmp}/fendrax-floppies.XXXXXX")
trap 'rm -rf "$dir"' EXIT

# volume KB PIECES: cuts a sparse file into PIECES pieces of KB and prints the path of a volume.
volume() {
  rm -f "$dir"/rapport.*
  truncate -s $(($1 * 1024 * $2)) "$dir/rapport.bin"
  "$bench" cut "$dir/rapport.bin" "$1" > /dev/null
  ls "$dir"/rapport.vol*.par2 | head -1
}
# fits FLOPPY_KB FILE: whether FILE alone fits on a new floppy of FLOPPY_KB.
fits() {
  rm -f "$dir/floppy.img"
  mkfs.fat -C "$dir/floppy.img" "$1" > /dev/null
  mcopy -i "$dir/floppy.img" "$2" ::v.par2 2> /dev/null
}

printf '| preset (KB) | floppy | one volume | sets whose volumes fit |\n|---|---|---|---|\n'
for preset in 2800:2880 1400:1440 1200:1200 1180:1200 700:720 300:360; do
  kb=${preset%:*} floppy=${preset#*:}
  one=$(volume "$kb" 1)
  size=$(stat -c %s "$one")
  if ! fits "$floppy" "$one"; then
    printf '| %s | %s KB | %s bytes | none: it does not fit |\n' "$kb" "$floppy" "$size"
    continue
  fi
  # The volume grows with the pieces it describes: by doubling, then halving, the most that fit.
  low=1 high=2
  while [ $high -le 999 ] && fits "$floppy" "$(volume "$kb" $high)"; do low=$high high=$((high * 2)); done
  [ $high -gt 999 ] && high=1000
  while [ $((high - low)) -gt 1 ]; do
    mid=$(((low + high) / 2))
    if fits "$floppy" "$(volume "$kb" $mid)"; then low=$mid; else high=$mid; fi
  done
  printf '| %s | %s KB | %s bytes (1 piece) | up to %d pieces |\n' "$kb" "$floppy" "$size" "$low"
done
