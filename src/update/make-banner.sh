#!/usr/bin/env bash
# Draws the update wizard's banner (405 x 67, 24 bits per pixel) with
# ImageMagick. Run it by hand after changing the picture; the build uses
# the committed file.
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
palette=('#f83800' '#f8b800' '#58d854' '#3cbcfc' '#0058f8' '#d800cc')
draw=()
for i in "${!palette[@]}"; do
  x=$((300 + (i % 3) * 30)); y=$((10 + (i / 3) * 26))
  draw+=(-fill "${palette[$i]}" -stroke '#101018' -draw "rectangle $x,$y $((x + 22)),$((y + 20))")
done
convert -size 405x67 gradient:'#1d2b53'-'#2a0f3a' -rotate 0 \
  -font "$font" -pointsize 24 -fill '#f4f4f8' -annotate +14+32 'Live Update' \
  -font "$font" -pointsize 12 -fill '#c8d0ff' -annotate +15+54 'Cindral Palette Editor' \
  "${draw[@]}" \
  -fill '#f4f4f8' -stroke none -draw 'polygon 262,22 282,22 272,36' -draw 'rectangle 268,10 276,22' \
  -draw 'rectangle 260,40 284,43' \
  -alpha off -define png:color-type=2 -depth 8 PNG24:images/banner.png
