#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# A cut across media against the media's own write speed. Makes three USB sticks of its own (ext4
# images on loop devices, each one's writes throttled to 10 MB/s), then writes a file of 1 GiB
# across them twice: by dd, a third on each stick, flushed (the sticks' own speed, the bound),
# and by fendrax-cli, which cuts it at 32 MiB with --to three times, hashes it first, writes each
# stick's pieces and recovery volumes and reads each stick back past the cache. Prints both times
# and their ratio, and fendrax-cli's peak memory. Then the same cut through the window under Xvfb,
# driven through AT-SPI (media_window.py), from a nearly full medium, while a probe asks the window
# for its position 20 times a second: the window's longest wait. Removes the throttle, the sticks
# and the files when it ends, also when it fails. Run as root:
#   bench/media.sh [FENDRAX_CLI [FENDRAX]]
set -euo pipefail
cd "$(dirname "$0")/.."
cli=$(realpath "${1:-build/default/cli/fendrax-cli}")
window=$(realpath "${2:-build/default/app/fendrax}")
[ -x "$cli" ] && [ -x "$window" ] || { echo "build first: cmake --build --preset default" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "run as root: it makes loop devices and throttles them" >&2; exit 1; }
throttle_file=/sys/fs/cgroup/blkio/blkio.throttle.write_bps_device
[ -f "$throttle_file" ] || { echo "no cgroup v1 blkio controller to throttle the sticks with" >&2; exit 1; }

dir=$(mktemp -d "${TMPDIR:-/var/tmp}/fendrax-media.XXXXXX")
loops=() devices=()
cleanup() {
  for device in "${devices[@]}"; do echo "$device 0" > "$throttle_file"; done
  for n in 0 1 2; do mountpoint -q "$dir/stick$n" && umount "$dir/stick$n"; done
  mountpoint -q "$dir/full" && umount "$dir/full"
  for loop in "${loops[@]}"; do losetup -d "$loop"; done
  rm -rf "$dir"
}
trap cleanup EXIT

head -c 1G /dev/urandom > "$dir/film.mkv"
rate=$((10 * 1000 * 1000))
for n in 0 1 2; do
  truncate -s 480M "$dir/stick$n.img"
  mkfs.ext4 -q "$dir/stick$n.img"
  loops+=("$(losetup -f --show "$dir/stick$n.img")")
  mkdir "$dir/stick$n"
  mount "${loops[$n]}" "$dir/stick$n"
  devices+=("$(lsblk -dno MAJ:MIN "${loops[$n]}" | tr -d ' ')")
  echo "${devices[$n]} $rate" > "$throttle_file"
done
sync

third=$(( (1 << 30) / 3 / (1 << 20) + 1 ))
start=$(date +%s.%N)
for n in 0 1 2; do
  dd if="$dir/film.mkv" of="$dir/stick$n/part" bs=1M skip=$((n * third)) count=$third conv=fsync status=none
done
bound=$(echo "$(date +%s.%N) - $start" | bc)
rm "$dir"/stick*/part
sync

start=$(date +%s.%N)
/usr/bin/time -f '%M' -o "$dir/memory" "$cli" cut "$dir/film.mkv" --size 32M --quiet \
  --to "$dir/stick0" --to "$dir/stick1" --to "$dir/stick2" < /dev/null > "$dir/said"
took=$(echo "$(date +%s.%N) - $start" | bc)
tail -n 3 "$dir/said"

printf 'dd, flushed, 1 GiB over three sticks at 10 MB/s: %.1f s\n' "$bound"
printf 'fendrax-cli cut onto them, read back:             %.1f s\n' "$took"
printf 'ratio: %.3f (the bound: 1.2); peak memory %d MiB\n' "$(echo "$took / $bound" | bc -l)" \
  "$(( $(cat "$dir/memory") / 1024 ))"

# The window: the file on a medium with 16 MiB free, which takes no piece of 32 MiB.
packages=(xvfb xauth xdotool dbus-daemon at-spi2-core python3-pyatspi)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" > /dev/null
fi
rm -f "$dir"/stick*/film.*
mkdir "$dir/full"
mount -t tmpfs -o size=$(( (1 << 30) + (16 << 20) )) tmpfs "$dir/full"
mv "$dir/film.mkv" "$dir/full/"
sync
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" dbus-run-session -- sh -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately > /dev/null 2>&1 &
  sleep 1
  /usr/bin/python3 "$0" "$@"' bench/media_window.py "$window" "$dir/full/film.mkv" 32768 "$dir/window.log" \
  "$dir/stick0" "$dir/stick1" "$dir/stick2" \
  2> >(grep -v -e 'fd limit' -e 'Activating service' -e 'Successfully activated' -e XDG_RUNTIME_DIR >&2)
