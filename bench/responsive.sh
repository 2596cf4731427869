#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# How long the window makes a screen reader wait while it works on a slow medium. Makes a USB
# stick of its own (an ext4 image on a loop device, its writes throttled to 10 MB/s), then, through
# the real window under Xvfb, driven through AT-SPI: cuts a file of 200 MiB there at 1400 K,
# restores it, restores it again with a piece lost (rebuilt from the recovery files), quits
# during a cut, types a filter in a folder of 100,000 files and adds and removes a file there as
# another program does, while a probe asks the window for its position about 20 times a second. Prints the longest, 99th-percentile
# and median wait of each. Removes the throttle, the stick and its files when it ends, also when
# it fails. Run as root:
#   bench/responsive.sh [BINARY]
set -euo pipefail
cd "$(dirname "$0")/.."
binary=$(realpath "${1:-build/default/app/fendrax}")
[ -x "$binary" ] || { echo "build first: cmake --build --preset default" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "run as root: it makes a loop device and throttles it" >&2; exit 1; }

packages=(xvfb xauth xdotool dbus-daemon at-spi2-core python3-pyatspi e2fsprogs)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" > /dev/null
fi

dir=$(mktemp -d "${TMPDIR:-/var/tmp}/fendrax-responsive.XXXXXX")
loop="" throttled="" group=""
cleanup() {
  [ -n "$throttled" ] && echo "$throttled" > "$throttle_file"
  [ -n "$group" ] && rmdir "$group"
  # A program that was killed may still be finishing its last write.
  for _ in $(seq 40); do mountpoint -q "$dir/stick" && ! umount "$dir/stick" 2> /dev/null || break; sleep 0.5; done
  [ -n "$loop" ] && losetup -d "$loop"
  rm -rf "$dir"
}
trap cleanup EXIT

truncate -s 1G "$dir/stick.img"
mkfs.ext4 -q "$dir/stick.img"
loop=$(losetup -f --show "$dir/stick.img")
mkdir "$dir/stick" "$dir/logs" "$dir/crowded"
mount "$loop" "$dir/stick"
head -c 200M /dev/urandom > "$dir/stick/sauvegarde.tar"
# An older cut of the same file: the cut asks before it replaces it.
printf 'tar  002old' > "$dir/stick/sauvegarde.001"
printf 'old' > "$dir/stick/sauvegarde.002"
(cd "$dir/crowded" && seq -f 'IMG_%06g.JPG' 0 99999 | xargs touch)
sync

device=$(lsblk -dno MAJ:MIN "$loop" | tr -d ' ')
rate=$((10 * 1024 * 1024))
run=()
if [ -f /sys/fs/cgroup/blkio/blkio.throttle.write_bps_device ]; then
  # cgroup v1: the root group holds the program and the kernel's write-back threads alike.
  throttle_file=/sys/fs/cgroup/blkio/blkio.throttle.write_bps_device
  echo "$device $rate" > "$throttle_file"
  throttled="$device 0"
elif [ -f /sys/fs/cgroup/cgroup.subtree_control ]; then
  # cgroup v2: io.max holds in a group of its own, write-back included, for what runs in it.
  echo +io > /sys/fs/cgroup/cgroup.subtree_control
  group=/sys/fs/cgroup/fendrax-responsive
  mkdir "$group"
  echo "$device wbps=$rate" > "$group/io.max"
  run=(sh -c 'echo $$ > "$0/cgroup.procs" && exec "$@"' "$group")
else
  echo "no blkio or io controller to throttle the stick with" >&2
  exit 1
fi

echo "Fendrax: $binary"
echo "stick: ext4 on $loop, writes throttled to 10 MB/s"
"${run[@]}" xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" dbus-run-session -- sh -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately > /dev/null 2>&1 &
  sleep 1
  /usr/bin/python3 "$0" "$@"' bench/responsive.py "$binary" "$dir/stick" "$dir/crowded" "$dir/logs" \
  2> >(grep -v -e 'fd limit' -e 'Activating service' -e 'Successfully activated' -e XDG_RUNTIME_DIR >&2)
