#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Draws the program's artwork into resources/: the five 32 x 32 button icons (the cut icon is
# also the window's and the program's icon, drawn again at the larger sizes of a desktop) and the 100 x 44 donation picture, a GIF with one transparent colour.
# Needs ImageMagick 6 (Debian package imagemagick) and the DejaVu fonts. The pictures are
# committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")/../resources"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

sheet() { # a page with a folded corner, at x offset $1
  local x=$1
  echo "fill white stroke '#30406a' stroke-width 1.2 path 'M $((x+4)),3 L $((x+17)),3 L $((x+23)),9 L $((x+23)),29 L $((x+4)),29 Z'" \
       "fill '#c8d4ee' path 'M $((x+17)),3 L $((x+17)),9 L $((x+23)),9 Z'"
}

# Cut: a page crossed by a dashed cut line and a pair of blades. Drawn on a 32-unit grid and
# scaled, so that the program's icon is the same picture at every size a desktop asks for.
cut_icon() { # SIZE FILE
  local scale
  scale=$(echo "$1 / 32" | bc -l)
  convert -size "$1x$1" xc:none -affine "$scale,0,0,$scale,0,0" -draw "$(sheet 2)" \
    -stroke '#d02020' -strokewidth 2 -draw "stroke-dasharray 3 2 line 1,17 31,17" \
    -stroke none -fill '#1d5fbf' -draw "polygon 20,10 31,15 20,15" -draw "polygon 20,24 31,19 20,19" \
    -fill '#1d5fbf' -draw "circle 18,12 18,14.5" -draw "circle 18,22 18,24.5" \
    "$2"
}
cut_icon 32 cut.png
for size in 48 64 128 256; do
  mkdir -p "icons/${size}x${size}"
  cut_icon "$size" "icons/${size}x${size}/fendrax.png"
done

# Restore: two halves of a page brought together by arrows.
convert -size 32x32 xc:none \
  -fill white -stroke '#30406a' -strokewidth 1.2 -draw "rectangle 8,3 23,14" -draw "rectangle 8,18 23,29" \
  -stroke none -fill '#1f9d3a' -draw "polygon 1,9 6,13 6,10 7,10 7,8 6,8 6,5" \
  -draw "polygon 28,16 24,12 24,14.5 20,14.5 20,17.5 24,17.5 24,20" \
  -fill '#1f9d3a' -draw "rectangle 11,15 20,17" \
  restore.png

# Quit: an open door and an arrow leaving through it.
convert -size 32x32 xc:none \
  -fill '#8a5a2b' -stroke '#4a2e12' -strokewidth 1 -draw "rectangle 6,3 20,29" \
  -fill '#f6e7c8' -stroke none -draw "polygon 6,3 14,6 14,29 6,29" \
  -fill '#d02020' -draw "polygon 31,16 24,10 24,13.5 16,13.5 16,18.5 24,18.5 24,22" \
  quit.png

# Help: a question mark in a blue disc.
convert -size 32x32 xc:none -fill '#1d5fbf' -stroke '#123e80' -draw "circle 16,16 16,2" \
  -stroke none -fill white -font "$font" -pointsize 22 -gravity center -annotate +0+1 '?' \
  help.png

# About: an "i" in a green disc.
convert -size 32x32 xc:none -fill '#1f8a70' -stroke '#12574a' -draw "circle 16,16 16,2" \
  -stroke none -fill white -font "$font" -pointsize 21 -gravity center -annotate +0+1 'i' \
  about.png

# Donation: a rounded golden button on a transparent background. The alpha is cut to all or
# nothing, so that the edges keep the button's colours and the GIF needs one transparent colour.
convert -size 100x44 xc:none \
  -fill '#ffc439' -stroke '#b07a00' -strokewidth 1 -draw "roundrectangle 1,4 98,39 16,16" \
  -stroke none -fill '#003087' -font "$font" -pointsize 11 -gravity center \
  -annotate +0-5 'Faire un don' -fill '#0070e0' -pointsize 9 -annotate +0+8 'PayPal' \
  -channel A -threshold 50% +channel -colors 32 donation.gif
