#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Starts Fendrax under Xvfb and writes pictures of its window to OUT_DIR (default
# build/screenshots): just after start, after a file was selected, and with the question
# about an earlier piece set open. With WM=openbox, under that window manager. Needs xvfb,
# xdotool and imagemagick (and openbox).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshots}")
mkdir -p "$out"
binary=build/default/app/fendrax
[ -x "$binary" ] || { echo "build first: scripts/run.sh or cmake --build --preset default" >&2; exit 1; }
if [ -z "${SCREENSHOT_INNER:-}" ]; then
  exec env SCREENSHOT_INNER=1 xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" "$0" "$out"
fi
[ -n "${WM:-}" ] && { "$WM" > /dev/null 2>&1 & sleep 1; }

# A folder that holds a file and an earlier set, given to the program as a user would.
demo=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$demo"' EXIT
head -c 3000000 /dev/urandom > "$demo/rapport.doc"
printf 'doc  002' > "$demo/rapport.001"; : > "$demo/rapport.002"
head -c 500 /dev/urandom > "$demo/notes.txt"

"$binary" "$demo" & pid=$!
win=""
for _ in $(seq 50); do
  win=$(xdotool search --name '^Découper / Restituer un fichier$' 2>/dev/null | head -1) && [ -n "$win" ] && break
  sleep 0.2
done
[ -n "$win" ] || { echo "the window did not appear" >&2; exit 1; }
sleep 1
shot() { import -window "$1" "$out/$2"; echo "$out/$2"; }
shot "$win" start.png

# File1 lies at (224, 64) in the window; its fourth entry (rapport.doc, after notes.txt,
# rapport.001 and rapport.002) is clicked.
xdotool mousemove --window "$win" 260 110 click 1; sleep 0.5
shot "$win" selected.png

# Découper, at (16, 336) in the window: the earlier set brings the question.
xdotool mousemove --window "$win" 56 364 click 1
sleep 1
shot root question.png
xdotool key Escape
sleep 0.3
