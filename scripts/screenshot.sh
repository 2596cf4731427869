#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Starts Fendrax under Xvfb on a folder as a user has one, and writes pictures of its window to
# OUT_DIR (default build/screenshots): selected.png, a document selected (the README's picture),
# question.png, the question about an earlier set, and working.png, the cut of a film of 1.5 GiB
# under way (docs/window.md's picture), which it then stops. The folder is /home/claire/Documents/Rapports
# of a root of the script's own, in a mount namespace of its own: the top-level folders of a
# Debian system, this machine's programs and libraries bound in, and nothing of its other
# folders. With WM=openbox, under that window manager.
# Needs xvfb, xdotool and imagemagick (and openbox), and a build of the default preset.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshots}")
binary=$PWD/build/default/app/fendrax
bench=$PWD/build/default/bench/fendrax-bench
[ -x "$binary" ] && [ -x "$bench" ] || { echo "build first: cmake --build --preset default" >&2; exit 1; }
if [ -z "${SCREENSHOT_INNER:-}" ]; then
  mkdir -p "$out"
  own=(); [ "$(id -u)" -eq 0 ] || own=(--map-root-user)
  exec env SCREENSHOT_INNER=1 unshare "${own[@]}" --mount --propagation private \
    xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" "$0" "$out"
fi
[ -n "${WM:-}" ] && { "$WM" > /dev/null 2>&1 & sleep 1; }

root=$(mktemp -d)
mount -t tmpfs tmpfs "$root"
mkdir -p "$root"/{boot,dev,etc,home,media,mnt,opt/fendrax,proc,root,run,srv,sys,tmp,usr,var}
for link in bin lib lib32 lib64 sbin; do [ -L "/$link" ] && ln -s "usr/$link" "$root/$link"; done
for folder in dev etc proc sys tmp usr var; do mount --bind "/$folder" "$root/$folder"; done
cp "$binary" "$root/opt/fendrax/"
documents=/home/claire/Documents
demo=$documents/Rapports
mkdir -p "$root$demo" "$root$documents/Factures" "$root$documents/Photos"
demo=$root$demo
head -c 3000000 /dev/urandom > "$demo/bilan-annuel-2026.pdf"
head -c 184320 /dev/urandom > "$demo/compte-rendu-réunion.odt"
head -c 2100 /dev/urandom > "$demo/notes.txt"
head -c 4718592 /dev/urandom > "$demo/photos-salon.zip"
# The pieces of one of them, cut by the program's own engine.
"$bench" cut "$demo/photos-salon.zip" 1400 > /dev/null

# Starts the window in the root on $1, and waits until it shows: its id in $win, its process in
# $pid.
open_window() {
  chroot "$root" env HOME=/home/claire /opt/fendrax/fendrax "$1" & pid=$!
  win=""
  for _ in $(seq 50); do
    win=$(xdotool search --name '^Découper / Restituer un fichier$' 2>/dev/null | head -1) && [ -n "$win" ] && break
    sleep 0.2
  done
  [ -n "$win" ] || { echo "the window did not appear" >&2; exit 1; }
  sleep 1.5
}
trap 'kill "$pid" 2>/dev/null || true' EXIT
open_window "${demo#"$root"}/bilan-annuel-2026.pdf"
shot() { import -window "$1" "$out/$2"; echo "$out/$2"; }
shot "$win" selected.png

# photos-salon.zip, the last entry, then Découper at (16, 336) in the window: its earlier set
# brings the question.
entries=$(find "$demo" -maxdepth 1 -type f | wc -l)
xdotool mousemove --window "$win" 260 $((64 + 13 * entries - 6)) click 1; sleep 0.5
xdotool mousemove --window "$win" 56 364 click 1
sleep 1
shot root question.png
xdotool key Escape
sleep 0.3

# A film in Vidéos, cut into pieces of 700 MiB: the window at work, then Escape stops it.
kill "$pid"; wait "$pid" 2>/dev/null || true
films=/home/claire/Vidéos
mkdir -p "$root$films"
truncate -s 1536M "$root$films/vacances-2026.mkv"
open_window "$films/vacances-2026.mkv"
# The size box at (400, 50) in the window, then Découper.
xdotool mousemove --window "$win" 400 50 click 1 key ctrl+a type 716800
xdotool mousemove --window "$win" 56 364 click 1
sleep 2.5
shot "$win" working.png
xdotool key Escape
sleep 1
