#!/usr/bin/env bash
# Regenerates the committed pictures in resources/ (banner, menu icons,
# program icon) with ImageMagick. Run it by hand after changing a picture;
# the build uses the committed files and does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/../resources"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
palette=('#000000' '#ffffff' '#f83800' '#f8b800' '#58d854' '#00a800' '#3cbcfc' '#0058f8'
         '#6844fc' '#d800cc' '#f878f8' '#a81000' '#7c7c7c' '#bcbcbc' '#fca044' '#503000')

# Banner 425 x 158: a dark gradient, the program's name and one palette row.
draw=()
for i in "${!palette[@]}"; do
  x=$((20 + i * 24))
  draw+=(-fill "${palette[$i]}" -stroke '#101018' -draw "rectangle $x,104 $((x + 19)),132")
done
convert -size 425x158 gradient:'#1d2b53'-'#2a0f3a' \
  -font "$font" -pointsize 30 -fill '#f4f4f8' -annotate +20+52 'Cindral' \
  -font "$font" -pointsize 17 -fill '#c8d0ff' -annotate +20+80 'Palette Editor for DS and GBA ROMs' \
  "${draw[@]}" images/banner.png

# The program icon: a 4 x 4 palette grid on a rounded tile.
tile=()
for i in "${!palette[@]}"; do
  x=$((40 + (i % 4) * 46)); y=$((40 + (i / 4) * 46))
  tile+=(-fill "${palette[$i]}" -draw "roundrectangle $x,$y $((x + 38)),$((y + 38)) 6,6")
done
convert -size 256x256 xc:none -fill '#1d2b53' -draw 'roundrectangle 8,8 247,247 36,36' \
  -stroke '#0b0f1e' -strokewidth 2 "${tile[@]}" icons/cindral-256.png
for size in 16 32 48 64 128; do
  convert icons/cindral-256.png -resize ${size}x${size} icons/cindral-$size.png
done

# Menu icons, drawn at the sizes the menus use.
convert -size 13x11 xc:none -fill '#e8b84a' -stroke '#7a5a10' -draw 'rectangle 0,2 12,10' \
  -draw 'rectangle 0,0 5,2' icons/open.png                                   # Open ROM
convert -size 15x15 xc:none -stroke '#b02020' -strokewidth 2 \
  -draw 'line 3,3 11,11' -draw 'line 11,3 3,11' icons/exit.png               # Exit
convert -size 12x12 xc:none -fill '#ffffff' -stroke '#404040' -draw 'rectangle 1,0 10,11' \
  -fill '#404040' -draw 'rectangle 3,3 8,3' -draw 'rectangle 3,6 8,6' icons/info.png  # Info
convert -size 16x15 xc:none -fill '#3c8cf0' -stroke '#103a80' -draw 'circle 7,7 7,1' \
  -stroke '#ffffff' -strokewidth 2 -draw 'line 7,3 7,10' -draw 'line 4,7 7,10' \
  -draw 'line 10,7 7,10' icons/update.png                                    # Live Update
convert -size 12x12 xc:none -fill '#40a040' -stroke '#1a501a' -draw 'rectangle 1,1 10,10' \
  -stroke '#ffffff' -draw 'line 3,6 5,8' -draw 'line 5,8 9,3' icons/write.png         # Sostituisci
convert -size 12x12 xc:none -fill none -stroke '#303030' -strokewidth 2 \
  -draw 'circle 5,5 5,1' -draw 'line 8,8 11,11' icons/find.png                 # Find
convert -size 12x12 xc:none -fill '#f83800' -draw 'rectangle 0,0 5,5' -fill '#58d854' \
  -draw 'rectangle 6,0 11,5' -fill '#0058f8' -draw 'rectangle 0,6 5,11' \
  -fill '#f8b800' -draw 'rectangle 6,6 11,11' icons/colorpicker.png          # Color Picker
