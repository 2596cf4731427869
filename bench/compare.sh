#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Compares the engine with its peers on this machine, in one run: the cut with the same work done
# by the standard tools (`split -b` of the same block size, `sha256sum` of the pieces and the file,
# `par2 create` of as many recovery slices, a slice per piece), the restore with `cat` of the same
# pieces, each until its data is on disk.
# Prints the median time ratios (below 1.0: Fendrax is faster), also with 999 pieces (the cut,
# the restore and the repair) and, as root,
# on XFS and btrfs, where the restore is compared with what a careful user does by hand: check
# the pieces with `sha256sum -c`, then `cat` them; and the engine's peak memory, also with pieces
# of 1 GiB.
#   bench/compare.sh [BENCH_BINARY] [MIB] [RUNS]
# The large case instead, at the size users cut today: a file of 8 GiB of random bytes cut at
# 16 MiB (512 pieces, 26 recovery slices), its restore, the repair of a lost piece, and the
# engine's peak memory in each; it needs 40 GB free where the temporary folder is.
#   bench/compare.sh --large [BENCH_BINARY] [RUNS]
set -euo pipefail
large=
[ "${1:-}" = --large ] && { large=1; shift; }
bench=${1:-build/default/bench/fendrax-bench}
if [ -n "$large" ]; then mib=8192 runs=${2:-1}; else mib=${2:-512} runs=${3:-5}; fi
size_kb=1400
block=$((size_kb * 1024))
# What the comparison needs beyond the build: /usr/bin/time for peak memory, bc for the ratios.
missing=()
[ -x /usr/bin/time ] || missing+=(time)
command -v bc > /dev/null || missing+=(bc)
command -v par2 > /dev/null || missing+=(par2)
if [ ${#missing[@]} -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] || { echo "needs the Debian packages: sudo apt-get install ${missing[*]}" >&2; exit 1; }
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" > /dev/null
fi

# The source, a set of each side and a restored file: 33 GB at 8 GiB, with room to spare.
if [ -n "$large" ]; then
  free_gb=$(($(df -P -k "${TMPDIR:-/var/tmp}" | awk 'NR == 2 { print $4 }') / 1000000))
  if [ "$free_gb" -lt 40 ]; then
    echo "the large case needs 40 GB free in ${TMPDIR:-/var/tmp}; there are $free_gb GB" >&2
    exit 1
  fi
fi
dir=$(mktemp -d "${TMPDIR:-/var/tmp}/fendrax-compare.XXXXXX")
mounts=()
trap 'for m in "${mounts[@]}"; do umount "$m"; done; rm -rf "$dir"' EXIT

seconds() { # runs a command and a sync, prints their wall time in seconds: data that only
  # reached the page cache is not yet written, so both sides pay for their write-back
  local start end
  start=$(date +%s.%N); "$@" > /dev/null; sync; end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
# The engine under /usr/bin/time: the peak memory of each timed run goes to $dir/peak-WHAT.
ours() { local what=$1; shift; /usr/bin/time -a -o "$dir/peak-$what" -f %M "$bench" "$@"; }
peak_of() { printf '%.1f' "$(echo "$(sort -n "$dir/peak-$1" | tail -1) / 1024" | bc -l)"; }
median() { sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# compare WORK SIZE_KB [checked]: times `runs` cuts of WORK/source.bin into pieces of SIZE_KB
# against the standard tools, and restores against cat (with "checked", sha256sum -c of the
# pieces then cat), alternating the order; prints the median ratios and seconds.
compare() {
  local work=$1 kb=$2 checked=${3:-} ours peer
  local cut_ratios=() restore_ratios=() cut_ours=() cut_peer=() restore_ours=() restore_peer=()
  # As many recovery slices as the cut makes: one for every 20 pieces or part of 20.
  local pieces=$((($(stat -c %s "$work/source.bin") + kb * 1024 - 1) / (kb * 1024)))
  local slices=$(((pieces + 19) / 20))
  mkdir -p "$work/split"
  clean_pieces() { find "$work" -maxdepth 1 \( -name 'source.[0-9][0-9][0-9]' -o -name source.sha256 -o -name 'source*.par2' \) -delete; }
  # Each timed command starts after a sync, so that it does not pay for the other's write-back.
  our_cut() { clean_pieces; sync; seconds ours cut cut "$work/source.bin" "$kb"; }
  peer_cut() {
    rm -f "$work"/split/*; sync
    seconds sh -c "cd '$work/split' && split -b $((kb * 1024)) -a 3 -d ../source.bin source. \
      && sha256sum source.[0-9][0-9][0-9] ../source.bin > source.sha256 \
      && par2 create -q -q -s$((kb * 1024)) -c$slices -u -n$slices source.par2 source.[0-9][0-9][0-9]"
  }
  our_restore() {
    mv "$work/source.bin" "$work/keep.bin"; sync
    seconds ours restore restore "$work/source.001"
    cmp -s "$work/keep.bin" "$work/source.bin" \
      || { echo "restored bytes differ:" >&2; "$bench" restore "$work/source.001" >&2; exit 1; }
    rm -f "$work/source.bin"; mv "$work/keep.bin" "$work/source.bin"
  }
  # Each side deletes what it wrote after it is timed: on a virtual machine, memory that was
  # just freed is quicker to fill again than memory the host took back meanwhile, so that a side
  # that deleted its last output right before its run would be favoured.
  peer_restore() {
    sync
    if [ -n "$checked" ]; then
      # The restored file is not there yet when a user checks the pieces.
      mv "$work/source.bin" "$work/keep.bin"
      seconds sh -c "cd '$work' && sha256sum --quiet -c --ignore-missing source.sha256 && cat source.[0-9][0-9][0-9] > cat.bin"
      mv "$work/keep.bin" "$work/source.bin"
    else
      seconds sh -c "cat '$work'/source.[0-9][0-9][0-9] > '$work/cat.bin'"
    fi
    rm -f "$work/cat.bin"
  }
  for ((i = 1; i <= runs; i++)); do
    if ((i % 2)); then ours=$(our_cut); peer=$(peer_cut); else peer=$(peer_cut); ours=$(our_cut); fi
    cut_ours+=("$ours") cut_peer+=("$peer") cut_ratios+=("$(echo "$ours / $peer" | bc -l)")
    if ((i % 2)); then ours=$(our_restore); peer=$(peer_restore); else peer=$(peer_restore); ours=$(our_restore); fi
    restore_ours+=("$ours") restore_peer+=("$peer") restore_ratios+=("$(echo "$ours / $peer" | bc -l)")
  done
  rm -f "$work/cat.bin" "$work"/split/*
  clean_pieces
  printf 'cut / split + sha256sum + par2 create -c%d (median time ratio): %.3f  (median %.2f s against %.2f s; runs: %s)\n' "$slices" \
    "$(printf '%s\n' "${cut_ratios[@]}" | median)" "$(printf '%s\n' "${cut_ours[@]}" | median)" \
    "$(printf '%s\n' "${cut_peer[@]}" | median)" "$(printf '%.2f ' "${cut_ratios[@]}")"
  printf 'restore / %s (median time ratio): %.3f  (median %.2f s against %.2f s; runs: %s)\n' \
    "${checked:+sha256sum -c + }cat" \
    "$(printf '%s\n' "${restore_ratios[@]}" | median)" "$(printf '%s\n' "${restore_ours[@]}" | median)" \
    "$(printf '%s\n' "${restore_peer[@]}" | median)" "$(printf '%.2f ' "${restore_ratios[@]}")"
}

# compare_repair WORK SIZE_KB: times `runs` restores of a set of WORK/source.bin whose piece 100 is
# lost, against `par2 repair` and `cat` of the set that the standard tools made of the same file
# (split, then par2 create of as many recovery slices), alternating the order.
compare_repair() {
  local work=$1 kb=$2 ours peer ratios=() all_ours=() all_peer=()
  local pieces=$((($(stat -c %s "$work/source.bin") + kb * 1024 - 1) / (kb * 1024)))
  local slices=$(((pieces + 19) / 20))
  "$bench" cut "$work/source.bin" "$kb" > /dev/null
  mv "$work/source.bin" "$work/keep.bin"
  mkdir -p "$work/split" && rm -f "$work"/split/*
  (cd "$work/split" && split -b $((kb * 1024)) -a 3 -d ../keep.bin source. \
    && par2 create -q -q -s$((kb * 1024)) -c$slices -u -n$slices source.par2 source.[0-9][0-9][0-9] > /dev/null)
  mv "$work/source.100" "$work/lost.100"; mv "$work/split/source.099" "$work/split-lost.099"
  our_repair() {
    sync; seconds ours repair restore "$work/source.001"
    cmp -s "$work/keep.bin" "$work/source.bin" \
      || { echo "rebuilt bytes differ:" >&2; "$bench" restore "$work/source.001" >&2; exit 1; }
    rm -f "$work/source.bin"
  }
  peer_repair() {
    sync; seconds sh -c "cd '$work/split' && par2 repair -q source.par2 > /dev/null && cat source.[0-9][0-9][0-9] > ../cat.bin"
    rm -f "$work/cat.bin" "$work/split/source.099"
  }
  for ((i = 1; i <= runs; i++)); do
    if ((i % 2)); then ours=$(our_repair); peer=$(peer_repair); else peer=$(peer_repair); ours=$(our_repair); fi
    all_ours+=("$ours") all_peer+=("$peer") ratios+=("$(echo "$ours / $peer" | bc -l)")
  done
  mv "$work/lost.100" "$work/source.100"; mv "$work/keep.bin" "$work/source.bin"; rm -rf "$work/split" "$work/split-lost.099"
  find "$work" -maxdepth 1 \( -name 'source.[0-9][0-9][0-9]' -o -name source.sha256 -o -name 'source*.par2' \) -delete
  printf 'repair of a lost piece / par2 repair + cat (median time ratio): %.3f  (median %.2f s against %.2f s; runs: %s)\n' \
    "$(printf '%s\n' "${ratios[@]}" | median)" "$(printf '%s\n' "${all_ours[@]}" | median)" \
    "$(printf '%s\n' "${all_peer[@]}" | median)" "$(printf '%.2f ' "${ratios[@]}")"
}

head -c $((mib * 1024 * 1024)) /dev/urandom > "$dir/source.bin"
if [ -n "$large" ]; then
  printf 'source %d GiB of random bytes, pieces of 16 MiB, %d runs\n' $((mib / 1024)) "$runs"
  compare "$dir" 16384
  compare_repair "$dir" 16384
  printf 'peak memory: cut %s MiB, restore %s MiB, repair of a lost piece %s MiB\n' \
    "$(peak_of cut)" "$(peak_of restore)" "$(peak_of repair)"
  exit 0
fi
printf 'source %d MiB, pieces of %d KB, %d runs\n' "$mib" "$size_kb" "$runs"
compare "$dir" $size_kb
compare_repair "$dir" $size_kb
# The restore checks every piece's length before it writes: with the most pieces a set may have.
echo "999 pieces of $(((mib * 1024 + 998) / 999)) KB:"
compare "$dir" $(((mib * 1024 + 998) / 999))
compare_repair "$dir" $(((mib * 1024 + 998) / 999))

# On file systems that share blocks between files, the kernel's copy makes a piece out of the
# source's own blocks: as root, the same comparison on a loop-mounted XFS and btrfs image.
if [ "$(id -u)" -eq 0 ]; then
  for fs in xfs btrfs; do
    package=xfsprogs; [ "$fs" = btrfs ] && package=btrfs-progs
    command -v "mkfs.$fs" > /dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$package" > /dev/null
    # The source, the pieces of split and cat's copy, and a restore that writes its data: it reads
    # the pieces to check them, and shares no block with them.
    truncate -s $((mib * 5 + 1024))M "$dir/$fs.img"
    "mkfs.$fs" -q "$dir/$fs.img" > /dev/null
    mkdir "$dir/$fs" && mount -o loop "$dir/$fs.img" "$dir/$fs" && mounts+=("$dir/$fs")
    cp "$dir/source.bin" "$dir/$fs/source.bin" && sync
    echo "on $fs (loop-mounted image), pieces of 1400 KB:"
    compare "$dir/$fs" 1400 checked
    umount "$dir/$fs" && mounts=() && rm -f "$dir/$fs.img"
  done
fi

peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
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

# The most recovery a set may carry in memory: 999 pieces of 1400 KB, whose 50 recovery slices
# (70 MB) are summed in windows.
# Piece 1 of 1 GiB lost: rebuilt from the other and the recovery slice, a window at a time.
rm -f "$dir/sparse.001" "$dir/sparse.bin"
big_repair_peak=$(peak_kb "$bench" restore "$dir/sparse.par2")
cmp -s "$dir/sparse-keep.bin" "$dir/sparse.bin" || { echo "rebuilt bytes differ (1 GiB pieces)" >&2; exit 1; }

rm -f "$dir"/sparse*
truncate -s $((999 * 1400))K "$dir/sparse.bin"
most_cut_peak=$(peak_kb "$bench" cut "$dir/sparse.bin" 1400)
rm -f "$dir"/sparse*

printf 'peak memory: cut %.1f MiB, restore %.1f MiB\n' "$(echo "$cut_peak / 1024" | bc -l)" \
  "$(echo "$restore_peak / 1024" | bc -l)"
printf 'peak memory, pieces of 1 GiB: cut %.1f MiB, restore %.1f MiB\n' \
  "$(echo "$big_cut_peak / 1024" | bc -l)" "$(echo "$big_restore_peak / 1024" | bc -l)"
printf 'peak memory, 999 pieces of 1400 KB (50 recovery slices, in windows): cut %.1f MiB\n' \
  "$(echo "$most_cut_peak / 1024" | bc -l)"
printf 'peak memory, rebuilding a lost piece of 1 GiB: %.1f MiB\n' "$(echo "$big_repair_peak / 1024" | bc -l)"
