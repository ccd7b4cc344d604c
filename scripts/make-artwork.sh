#!/usr/bin/env bash
# Draws the window's pictures (icon, About banner, Help and About button pictures) with
# ImageMagick. The PNGs are committed; run this again only to change the artwork.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/frontend/resources"
mkdir -p "$out"
ink='#1f4e79'
paper='#fdf6e3'
gold='#e0a526'

# Product icon, 48 x 48: an open book with a quill on a rounded blue tile.
convert -size 48x48 xc:none \
  -fill "$ink" -draw 'roundrectangle 1,1 46,46 9,9' \
  -fill "$paper" -stroke "$paper" -strokewidth 1 \
  -draw 'polygon 8,16 23,19 23,38 8,35' \
  -draw 'polygon 25,19 40,16 40,35 25,38' \
  -stroke "$ink" -strokewidth 1 \
  -draw 'line 11,22 20,24' -draw 'line 11,26 20,28' -draw 'line 11,30 20,32' \
  -draw 'line 28,24 37,22' -draw 'line 28,28 37,26' \
  -stroke none -fill "$gold" \
  -draw 'polygon 42,4 44,6 30,31 28,33 29,30' \
  -stroke "$gold" -strokewidth 1 -draw 'line 28,33 26,36' \
  -depth 8 -define png:color-type=6 "$out/icon.png"

# About banner, 600 x 375: a dark-blue gradient with pale page shapes and a gold rule.
convert -size 375x600 gradient:'#2b6aa3'-'#0f2a44' -rotate -90 \
  -fill 'rgba(253,246,227,0.10)' -stroke none \
  -draw 'polygon 360,375 470,110 600,150 600,375' \
  -draw 'polygon 420,375 520,190 600,215 600,375' \
  -fill 'rgba(253,246,227,0.06)' -draw 'circle 520,60 520,190' \
  -fill "$gold" -draw 'rectangle 142,244 400,248' \
  -fill 'rgba(255,255,255,0.18)' -draw 'rectangle 0,330 600,332' \
  -depth 8 -define png:color-type=2 "$out/banner.png"

# Help button picture, 24 x 24: a question mark in a circle.
convert -size 24x24 xc:none -fill "$ink" -draw 'circle 12,12 12,1' \
  -fill white -font DejaVu-Sans-Bold -pointsize 16 -gravity center -annotate +0+1 '?' \
  -depth 8 -define png:color-type=6 "$out/help.png"

# About button picture, 24 x 24: an "i" in a circle.
convert -size 24x24 xc:none -fill "$gold" -draw 'circle 12,12 12,1' \
  -fill white -font DejaVu-Serif-Bold -pointsize 16 -gravity center -annotate +0+1 'i' \
  -depth 8 -define png:color-type=6 "$out/about.png"

echo "artwork written to $out"
