#!/usr/bin/env bash
# Draws the product photo the README's screenshots show: a tile on a warm
# backdrop, our own artwork, so no outside picture is needed.
#
#   tools/make-demo-photo.sh OUT.jpg
set -euo pipefail
out=${1:?usage: $0 OUT.jpg}
convert -size 1600x1100 gradient:'#f4efe6-#d9cfc0' \
    \( -size 700x520 xc:none -fill '#2d6f8f' -draw "roundrectangle 0,0 699,519 40,40" \
       -fill '#e8b04a' -draw "circle 350,260 350,90" \
       -fill white -font DejaVu-Sans-Bold -pointsize 90 -gravity center -annotate +0+0 "Glassmere" \) \
    -gravity center -geometry +0+200 -composite "$out"
