#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Compares the engine with its peers on this machine, in one run: the cut with `split -b` of the
# same block size, the restore with `cat` of the same pieces, each until its data is on disk.
# Prints the median time ratios (below 1.0: Fendrax is faster) and the engine's peak memory, also
# with pieces of 1 GiB.
#   bench/compare.sh [BENCH_BINARY] [MIB] [RUNS]
set -euo pipefail
bench=${1:-build/default/bench/fendrax-bench}
mib=${2:-1024}
runs=${3:-5}
size_kb=2800
block=$((size_kb * 1024))
# What the comparison needs beyond the build: /usr/bin/time for peak memory, bc for the ratios.
missing=()
[ -x /usr/bin/time ] || missing+=(time)
command -v bc > /dev/null || missing+=(bc)
if [ ${#missing[@]} -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] || { echo "needs the Debian packages: sudo apt-get install ${missing[*]}" >&2; exit 1; }
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" > /dev/null
fi

dir=$(mktemp -d "${TMPDIR:-/var/tmp}/fendrax-compare.XXXXXX")
trap 'rm -rf "$dir"' EXIT
head -c $((mib * 1024 * 1024)) /dev/urandom > "$dir/source.bin"
mkdir "$dir/split"

seconds() { # runs a command and a sync, prints their wall time in seconds: data that only
  # reached the page cache is not yet written, so both sides pay for their write-back
  local start end
  start=$(date +%s.%N); "$@" > /dev/null; sync; end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
clean_pieces() { find "$dir" -maxdepth 1 -name 'source.[0-9][0-9][0-9]' -delete; }

# Each timed command starts after a sync, so that it does not pay for the other's write-back,
# and the order of the two alternates from one run to the next.
cut_ours() { clean_pieces; sync; seconds "$bench" cut "$dir/source.bin" $size_kb; }
cut_peer() { rm -f "$dir"/split/*; sync; seconds split -b $block -a 3 -d "$dir/source.bin" "$dir/split/source."; }
restore_ours() {
  mv "$dir/source.bin" "$dir/keep.bin"; sync
  seconds "$bench" restore "$dir/source.001"
  cmp -s "$dir/keep.bin" "$dir/source.bin" || { echo "restored bytes differ" >&2; exit 1; }
  rm -f "$dir/source.bin"; mv "$dir/keep.bin" "$dir/source.bin"
}
restore_peer() { rm -f "$dir/cat.bin"; sync; seconds sh -c "cat '$dir'/source.[0-9][0-9][0-9] > '$dir/cat.bin'"; }

cut_ratios=() restore_ratios=()
for ((i = 1; i <= runs; i++)); do
  if ((i % 2)); then ours=$(cut_ours); peer=$(cut_peer); else peer=$(cut_peer); ours=$(cut_ours); fi
  cut_ratios+=("$(echo "$ours / $peer" | bc -l)")
  if ((i % 2)); then ours=$(restore_ours); peer=$(restore_peer); else peer=$(restore_peer); ours=$(restore_ours); fi
  restore_ratios+=("$(echo "$ours / $peer" | bc -l)")
done
rm -f "$dir/cat.bin" "$dir"/split/*

peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
clean_pieces
cut_peak=$(peak_kb "$bench" cut "$dir/source.bin" $size_kb)
mv "$dir/source.bin" "$dir/keep.bin"
restore_peak=$(peak_kb "$bench" restore "$dir/source.001")

# Pieces of 1 GiB, from a sparse source of 1.5 GiB: the memory must not follow the piece size.
rm -f "$dir"/keep.bin "$dir"/source.*
truncate -s 1536M "$dir/sparse.bin"
big_cut_peak=$(peak_kb "$bench" cut "$dir/sparse.bin" 1048576)
mv "$dir/sparse.bin" "$dir/sparse-keep.bin"
big_restore_peak=$(peak_kb "$bench" restore "$dir/sparse.001")
cmp -s "$dir/sparse-keep.bin" "$dir/sparse.bin" || { echo "restored bytes differ (1 GiB pieces)" >&2; exit 1; }

printf 'source %d MiB, pieces of %d KB, %d runs\n' "$mib" "$size_kb" "$runs"
printf 'cut / split   (median time ratio): %.3f  (runs: %s)\n' \
  "$(printf '%s\n' "${cut_ratios[@]}" | median)" "$(printf '%.2f ' "${cut_ratios[@]}")"
printf 'restore / cat (median time ratio): %.3f  (runs: %s)\n' \
  "$(printf '%s\n' "${restore_ratios[@]}" | median)" "$(printf '%.2f ' "${restore_ratios[@]}")"
printf 'peak memory: cut %.1f MiB, restore %.1f MiB\n' "$(echo "$cut_peak / 1024" | bc -l)" \
  "$(echo "$restore_peak / 1024" | bc -l)"
printf 'peak memory, pieces of 1 GiB: cut %.1f MiB, restore %.1f MiB\n' \
  "$(echo "$big_cut_peak / 1024" | bc -l)" "$(echo "$big_restore_peak / 1024" | bc -l)"
