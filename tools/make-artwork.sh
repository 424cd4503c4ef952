#!/usr/bin/env bash
# Draws every picture Glassmere ships, from scratch, with ImageMagick:
#   resources/images/  compiled into the resource collection (logo, banner,
#                      zoom buttons, checkerboard, busy spinner, icon)
#   resources/style/   the window-frame skin installed beside the program
#   resources/icons/   the desktop icon at each size of the hicolor theme
# The outputs are committed; re-run this after changing a colour or a shape.
# The sizes are fixed by the form and the skin stylesheet, so keep them.
#
# Needs: imagemagick, fonts-dejavu-core, python3 (only to flag the spinner's
# transparent palette entry, which ImageMagick always puts last).
set -euo pipefail

# The real ImageMagick; a different "convert" may come first on PATH.
IM=/usr/bin/convert
IDENTIFY=/usr/bin/identify
# Single-threaded and without time stamps, so a re-run gives the same bytes.
export MAGICK_THREAD_LIMIT=1
PNG_OPTS=(-strip -define 'png:exclude-chunks=date,time')

FONT_DIR=/usr/share/fonts/truetype/dejavu
FONT=$FONT_DIR/DejaVuSans.ttf
FONT_BOLD=$FONT_DIR/DejaVuSans-Bold.ttf

for tool in "$IM" "$IDENTIFY"; do [[ -x $tool ]] || { echo "missing $tool: apt-get install imagemagick" >&2; exit 1; }; done
for f in "$FONT" "$FONT_BOLD"; do [[ -f $f ]] || { echo "missing $f: apt-get install fonts-dejavu-core" >&2; exit 1; }; done
command -v python3 >/dev/null || { echo "missing python3" >&2; exit 1; }

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
IMAGES=$ROOT/resources/images
STYLE=$ROOT/resources/style
mkdir -p "$IMAGES" "$STYLE"
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

# ---------------------------------------------------------------- palette
# A lake at dusk: teal sky, deeper water, a warm sun as the one accent.
SKY_TOP='#2f7a94'
SKY_LOW='#225e74'
WATER_TOP='#1a4a5c'
WATER_LOW='#153d4d'
HORIZON='rgba(120,205,224,0.55)'
EDGE='#0f2e3b'          # the 1-pixel outline around the whole window
BODY='#edf2f4'          # window background behind the panels
INK='#23607a'           # glyphs on light ground
GLYPH='#d3e9ef'         # glyphs on the title band
SNOW='#f4fafc'
SNOW_SHADE='#cfe6ee'
RIDGE='#afd8e3'
RIDGE_SHADE='#92c6d4'
SUN='#f8d98f'

# The title band is 100 px high; the logo button sits at y 20 with its
# 50-px image, whose baseline is at 33, so the band's horizon is at y 54
# and the logo's reflection falls into the band's water.
BAND_H=100
BAND_HORIZON=54

# ---------------------------------------------------------------- the emblem
# Two peaks and a sun above a still lake, mirrored below the horizon and
# fading out: the program's own job, as a picture.  Drawn once at 1024 px.
emblem_master() {
    local out=$1
    local H=600          # horizon
    # Sky and water.
    "$IM" -size 1024x$H gradient:'#58b2ca'-'#2e7b94' \
          -size 1024x$((1024 - H)) gradient:'#1c5569'-'#123746' \
          -append "$TMP/em_ground.png"
    # What stands above the water: sun and mountains.
    "$IM" -size 1024x$H xc:none \
          -fill "$SUN" -draw 'circle 716,262 716,188' \
          -fill "$RIDGE" -draw 'polygon 470,600 704,366 938,600' \
          -fill "$RIDGE_SHADE" -draw 'polygon 704,366 938,600 764,600' \
          -fill "$SNOW" -draw 'polygon 120,600 414,246 708,600' \
          -fill "$SNOW_SHADE" -draw 'polygon 414,246 708,600 480,600' \
          "$TMP/em_top.png"
    # Its reflection: flipped, dimmed towards the bottom, with a few ripples.
    "$IM" "$TMP/em_top.png" -flip -crop 1024x$((1024 - H))+0+0 +repage \
          \( -size 1024x270 gradient:'gray(60%)'-black \
             -background black -extent 1024x$((1024 - H)) \
             -fill 'gray(20%)' -draw 'rectangle 0,70 1024,74' \
             -draw 'rectangle 0,150 1024,156' -draw 'rectangle 0,236 1024,244' \
             -blur 0x1.5 -alpha copy \) \
          -compose DstIn -composite \
          "$TMP/em_reflection.png"
    "$IM" "$TMP/em_ground.png" \
          "$TMP/em_top.png" -compose Over -composite \
          "$TMP/em_reflection.png" -geometry +0+$H -compose Over -composite \
          -fill "$HORIZON" -draw "rectangle 0,$((H - 3)) 1024,$((H + 3))" \
          "$TMP/em_scene.png"
    # Cut to a rounded tile.
    "$IM" -size 1024x1024 xc:black -fill white \
          -draw 'roundrectangle 56,56 967,967 196,196' "$TMP/em_mask.png"
    "$IM" "$TMP/em_scene.png" "$TMP/em_mask.png" -alpha off \
          -compose CopyOpacity -composite "$out"
}

emblem_master "$TMP/emblem.png"

# Application icon, 256 x 256, with a soft shadow under the tile.
"$IM" "$TMP/emblem.png" \
      \( "$TMP/em_mask.png" -background black -alpha shape \
         -channel A -evaluate multiply 0.35 +channel -blur 0x18 \
         -geometry +0+14 \) \
      -compose DstOver -composite \
      -filter Box -resize 256x256 "${PNG_OPTS[@]}" PNG32:"$IMAGES/ico.png"

# The desktop icon in the hicolor theme. From 48 px up, the same tile with
# its shadow; below, the shadow and the margin would only blur it, so the
# tile alone fills the square.
ICONS=$ROOT/resources/icons/hicolor
for s in 16 24 32 48 64 128 256; do
    mkdir -p "$ICONS/${s}x$s/apps"
    out=$ICONS/${s}x$s/apps/glassmere.png
    if ((s == 256)); then
        cp "$IMAGES/ico.png" "$out"
    elif ((s >= 48)); then
        "$IM" "$IMAGES/ico.png" -filter Lanczos -resize "${s}x$s" "${PNG_OPTS[@]}" PNG32:"$out"
    else
        "$IM" "$TMP/emblem.png" -crop 912x912+56+56 +repage -filter Lanczos -resize "${s}x$s" \
              "${PNG_OPTS[@]}" PNG32:"$out"
    fi
done

# Small emblems for the logo and the banner (no shadow).
"$IM" "$TMP/emblem.png" -resize 30x30 "$TMP/emblem30.png"
"$IM" "$TMP/emblem.png" -resize 40x40 "$TMP/emblem40.png"

# ---------------------------------------------------------------- reflections
# reflect IN BASELINE HEIGHT OPACITY OUT: put IN (a transparent layer whose
# content stands on row BASELINE) on a canvas of HEIGHT rows and mirror the
# part above BASELINE below it, fading from OPACITY to nothing.
reflect() {
    local in=$1 base=$2 height=$3 opacity=$4 out=$5
    local w below
    w=$("$IDENTIFY" -format %w "$in")
    below=$((height - base))
    "$IM" "$in" -crop "${w}x${base}+0+0" +repage "$TMP/r_top.png"
    "$IM" "$TMP/r_top.png" -flip -crop "${w}x${below}+0+0" +repage \
          \( -size "${w}x${below}" gradient:"gray($opacity%)"-black -alpha copy \) \
          -compose DstIn -composite "$TMP/r_low.png"
    "$IM" "$TMP/r_top.png" "$TMP/r_low.png" -background none -append "$out"
}

# ---------------------------------------------------------------- logo
# blog.png / blog_hover.png, 168 x 50: emblem and name on an invisible
# horizon at row 33, reflected below; drawn over the dark title band.
logo() {             # logo SCALE TEXT GLOW OUT: the 168 x 50 logo at SCALE times the pixels
    local k=$1 text=$2 glow=$3 out=$4
    "$IM" -size $((168 * k))x$((50 * k)) xc:none \
          "$TMP/emblem$((30 * k)).png" -geometry +$((2 * k))+$((3 * k)) -compose Over -composite \
          -font "$FONT_BOLD" -pointsize $((22 * k)) -fill "$text" \
          -annotate +$((38 * k))+$((32 * k)) 'Glass' \
          -font "$FONT" -pointsize $((22 * k)) -annotate +$((106 * k))+$((32 * k)) 'mere' \
          "$TMP/logo_fg.png"
    if [[ $glow != none ]]; then
        # A soft aqua halo for the hover state.
        "$IM" "$TMP/logo_fg.png" \
              \( +clone -fill "$glow" -colorize 100 -channel A \
                 -evaluate multiply 0.55 +channel -blur 0x$((3 * k)) \) \
              +swap -compose Over -composite "$TMP/logo_fg.png"
    fi
    reflect "$TMP/logo_fg.png" $((33 * k)) $((50 * k)) 34 "$TMP/logo.png"
    "$IM" "$TMP/logo.png" "${PNG_OPTS[@]}" PNG32:"$out"
}
logo 1 '#e4f3f7' none "$IMAGES/blog.png"
logo 1 '#ffffff' '#6fd3e6' "$IMAGES/blog_hover.png"

# ---------------------------------------------------------------- banner
# aboutf.png, 372 x 67, palette: the About dialog's header.  The dialog is
# 369 px wide, so nothing of note goes into the last columns.
"$IM" -size 372x46 gradient:"$SKY_TOP"-"$SKY_LOW" \
      -size 372x21 gradient:"$WATER_TOP"-"$WATER_LOW" -append \
      "$TMP/banner_bg.png"
"$IM" -size 372x46 xc:none \
      "$TMP/emblem40.png" -geometry +16+5 -compose Over -composite \
      -font "$FONT_BOLD" -pointsize 26 -fill '#f2fafc' -annotate +66+44 'Glass' \
      -font "$FONT" -pointsize 26 -annotate +146+44 'mere' \
      -font "$FONT" -pointsize 11 -fill '#a9dbe6' \
      -gravity SouthEast -annotate +16+4 'photo reflection tool' \
      "$TMP/banner_fg.png"
reflect "$TMP/banner_fg.png" 46 67 36 "$TMP/banner_text.png"
"$IM" "$TMP/banner_bg.png" "$TMP/banner_text.png" -compose Over -composite \
      -fill "$HORIZON" -draw 'line 0,46 371,46' \
      -dither None -colors 256 "${PNG_OPTS[@]}" PNG8:"$IMAGES/aboutf.png"

# ---------------------------------------------------------------- checkerboard
# bg.png: 16 x 16 tile of four 8 x 8 squares, white at top left and bottom
# right, light grey elsewhere; the preview shows transparency on it.
"$IM" -size 16x16 xc:'#ffffff' -fill '#cccccc' \
      -draw 'rectangle 8,0 15,7' -draw 'rectangle 0,8 7,15' \
      "${PNG_OPTS[@]}" PNG8:"$IMAGES/bg.png"

# ---------------------------------------------------------------- zoom sprite
# Zoom buttons fit, 1:1, zoom in, zoom out, and the button that shows the
# original photo, each normal, pressed and hover:
# 52 x 52 cells that the buttons show at 24..32 px, so the glyphs are bold.
# Cells are drawn at 4x.
zoom_glyph() {       # zoom_glyph NAME COLOUR DY -> MVG on stdout
    local name=$1 c=$2 dy=$3
    local lc="stroke $c stroke-width 16 stroke-linecap round fill none"
    case $name in
        fit)   # four corners opening outwards
            echo "$lc path 'M 62,$((80+dy)) L 62,$((62+dy)) L 80,$((62+dy))'"
            echo "$lc path 'M 128,$((62+dy)) L 146,$((62+dy)) L 146,$((80+dy))'"
            echo "$lc path 'M 146,$((128+dy)) L 146,$((146+dy)) L 128,$((146+dy))'"
            echo "$lc path 'M 80,$((146+dy)) L 62,$((146+dy)) L 62,$((128+dy))'"
            echo "stroke none fill $c roundrectangle 88,$((88+dy)) 120,$((120+dy)) 6,6" ;;
        raw)   # "1:1"
            echo "stroke none fill $c font '$FONT_BOLD' font-size 74 text-anchor middle text 104,$((131+dy)) '1:1'" ;;
        in|out)
            echo "$lc stroke-width 14 circle 92,$((92+dy)) 92,$((128+dy))"
            echo "$lc stroke-width 22 line 120,$((120+dy)) 146,$((146+dy))"
            echo "$lc stroke-width 14 line 74,$((92+dy)) 110,$((92+dy))"
            [[ $name == in ]] && echo "$lc stroke-width 14 line 92,$((74+dy)) 92,$((110+dy))"
            ;;
        orig)  # before and after: one half of a frame filled, the other open
            echo "$lc stroke-width 12 roundrectangle 62,$((66+dy)) 146,$((142+dy)) 8,8"
            echo "stroke none fill $c roundrectangle 62,$((66+dy)) 104,$((142+dy)) 8,8"
            echo "stroke none fill $c rectangle 96,$((66+dy)) 104,$((142+dy))"
            echo "$lc stroke-width 8 line 104,$((54+dy)) 104,$((154+dy))" ;;
    esac
}
zoom_cell() {        # zoom_cell NAME STATE OUT [SIZE]
    local name=$1 state=$2 out=$3 size=${4:-52} fill1 fill2 ring ringw glyph dy=0 shadow=1
    case $state in
        normal)  fill1='#ffffff'; fill2='#e9f2f5'; ring='#9bbcc8'; ringw=6; glyph=$INK ;;
        hover)   fill1='#f2fbfd'; fill2='#d2edf4'; ring='#3f98b1'; ringw=8; glyph='#174558' ;;
        pressed) fill1='#2a6d84'; fill2='#1f5669'; ring='#163f4f'; ringw=6; glyph='#ffffff'; dy=4; shadow=0 ;;
    esac
    "$IM" -size 208x208 xc:none \
          \( -size 208x208 xc:none -fill "rgba(15,46,59,$([[ $shadow == 1 ]] && echo 0.28 || echo 0))" \
             -draw 'circle 104,110 104,202' -blur 0x5 \) -compose Over -composite \
          \( -size 208x208 radial-gradient:"$fill1"-"$fill2" \
             \( -size 208x208 xc:black -fill white -draw 'circle 104,104 104,196' \) \
             -alpha off -compose CopyOpacity -composite \) -compose Over -composite \
          -fill none -stroke "$ring" -strokewidth "$ringw" \
          -draw "circle 104,104 104,$((196 - ringw / 2))" \
          -draw "$(zoom_glyph "$name" "$glyph" "$dy")" \
          -filter Box -resize "${size}x$size" "$out"
}
# One picture per button and state (zoom_fit.png, zoom_fit_hover.png, ...):
# a style sheet cuts a sprite in pixels of the picture, so a sprite could
# not have a 2x twin.
zoom_suffix() { case $1 in normal) ;; *) echo "_$1" ;; esac; }
for state in normal pressed hover; do
    for name in fit raw in out orig; do
        zoom_cell "$name" "$state" "$TMP/zoom.png"
        "$IM" "$TMP/zoom.png" "${PNG_OPTS[@]}" PNG32:"$IMAGES/zoom_$name$(zoom_suffix $state).png"
        zoom_cell "$name" "$state" "$TMP/zoom.png" 104
        "$IM" "$TMP/zoom.png" "${PNG_OPTS[@]}" PNG32:"$IMAGES/zoom_$name$(zoom_suffix $state)@2x.png"
    done
done

# ---------------------------------------------------------------- spinner
# Loading.gif: 32 x 32, twelve dots going round, 12 frames of 50 ms, endless.
# GIF transparency is on or off per pixel, so soft edges are flattened onto
# a pale halo first; that reads well on the checkerboard and on photos.
spin_mvg=""
for frame in $(seq 0 11); do
    spin_mvg+=$(awk -v f="$frame" 'BEGIN {
        pi = atan2(0, -1)
        # lead dot dark teal, the trail fading to pale aqua
        split("31 95 117", a); split("200 228 235", b)
        for (i = 0; i < 12; i++) {
            t = (f - i + 12) % 12
            k = (t / 11) ^ 0.6
            r = int(a[1] + (b[1] - a[1]) * k); g = int(a[2] + (b[2] - a[2]) * k)
            bl = int(a[3] + (b[3] - a[3]) * k)
            ang = i * pi / 6 - pi / 2
            cx = 8 * (32 * f + 16 + 11.5 * cos(ang)); cy = 8 * (16 + 11.5 * sin(ang))
            rad = 8 * (2.7 - 1.0 * k)
            printf "fill rgb(%d,%d,%d) circle %.1f,%.1f %.1f,%.1f ", r, g, bl, cx, cy, cx + rad, cy
        }
    }')
done
spinner() {          # spinner SIZE OUT: the 12 frames at SIZE x SIZE
    local size=$1 out=$2
    "$IM" -size 3072x256 xc:none -draw "$spin_mvg" -filter Box -resize $((12 * size))x$size "$TMP/spin_rgba.png"
    # Colours: at most 15 shades (soft edges blended onto the halo) plus black
    # as the key for "transparent"; black is ImageMagick's first palette entry.
    "$IM" "$TMP/spin_rgba.png" -background '#eef5f7' -alpha remove -alpha off \
          +dither -colors 15 "$TMP/spin_rgb.png"
    "$IM" "$TMP/spin_rgba.png" -alpha extract -threshold 40% "$TMP/spin_mask.png"
    "$IM" "$TMP/spin_rgb.png" "$TMP/spin_mask.png" -alpha off \
          -compose CopyOpacity -composite -background black -alpha remove -alpha off \
          "$TMP/spin_keyed.png"
    "$IM" "$TMP/spin_keyed.png" -unique-colors "$TMP/spin_palette.png"
    "$IM" "$TMP/spin_keyed.png" -crop ${size}x$size +repage +dither -remap "$TMP/spin_palette.png" \
          -set delay 5 -set dispose Background -loop 0 -strip "$TMP/spin.gif"
    # Mark palette entry 0 (black) transparent in every frame's control block.
    python3 - "$TMP/spin.gif" "$out" <<'EOF'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
assert data[:6] == b'GIF89a'
flags = data[10]
pos = 13
if flags & 0x80:
    if data[13:16] != b'\0\0\0':
        sys.exit('palette entry 0 is not the black key colour')
    pos += 3 * (2 << (flags & 7))
def skip_blocks(p):
    while data[p]:
        p += data[p] + 1
    return p + 1
controls = 0
while data[pos] != 0x3B:
    if data[pos] == 0x21:                      # extension
        if data[pos + 1] == 0xF9:              # graphic control
            data[pos + 3] |= 1                 # transparent colour flag
            data[pos + 6] = 0                  # ... is palette entry 0
            controls += 1
        pos = skip_blocks(pos + 2)
    elif data[pos] == 0x2C:                    # image
        if data[pos + 9] & 0x80:
            sys.exit('frame has its own palette')
        pos = skip_blocks(pos + 11)
    else:
        sys.exit('unexpected GIF block %#x' % data[pos])
if controls != 12:
    sys.exit('expected 12 frames, found %d' % controls)
open(sys.argv[2], 'wb').write(data)
EOF
}
spinner 32 "$IMAGES/Loading.gif"

# ---------------------------------------------------------------- frame skin
# The form: the title band frame_Top is 100 px high with 3-px corner frames
# at both ends; the side labels are 14 px wide, the bottom row 14 px high.
# Only a faint line inside the outline is drawn on the sides and bottom; the
# rest is left transparent so the window background shows through.

# Title band, tiled across: sky above the horizon, water below.
"$IM" -size 16x$BAND_HORIZON gradient:"$SKY_TOP"-"$SKY_LOW" \
      -size 16x$((BAND_H - BAND_HORIZON)) gradient:"$WATER_TOP"-"$WATER_LOW" -append \
      -fill "$HORIZON" -draw "line 0,$BAND_HORIZON 15,$BAND_HORIZON" \
      -fill 'rgba(255,255,255,0.14)' -draw 'line 0,1 15,1' \
      -fill "$EDGE" -draw 'line 0,0 15,0' \
      "$TMP/band.png"
"$IM" "$TMP/band.png" "${PNG_OPTS[@]}" PNG32:"$STYLE/frameTop.png"
# Corner pieces: the band's first columns with the outline and a faint bevel.
"$IM" "$TMP/band.png" -crop 3x$BAND_H+0+0 +repage \
      -fill 'rgba(255,255,255,0.10)' -draw "line 1,1 1,$((BAND_H - 1))" \
      -fill "$EDGE" -draw "line 0,0 0,$((BAND_H - 1))" \
      "${PNG_OPTS[@]}" PNG32:"$STYLE/conver_topLeft.png"
"$IM" "$TMP/band.png" -crop 3x$BAND_H+0+0 +repage \
      -fill 'rgba(0,0,0,0.10)' -draw "line 1,1 1,$((BAND_H - 1))" \
      -fill "$EDGE" -draw "line 2,0 2,$((BAND_H - 1))" \
      "${PNG_OPTS[@]}" PNG32:"$STYLE/conver_rightLeft.png"

# Sides and bottom: the skin draws their dark outline as a 1-px border, so
# these hold only the faint white line just inside it, and fill the rest of
# the 14-px band (13 px beside the border) with nothing.
"$IM" -size 13x16 xc:none -fill 'rgba(255,255,255,0.7)' -draw 'line 0,0 0,15' \
      "${PNG_OPTS[@]}" PNG32:"$STYLE/left.png"
"$IM" -size 13x16 xc:none -fill 'rgba(255,255,255,0.7)' -draw 'line 12,0 12,15' \
      "${PNG_OPTS[@]}" PNG32:"$STYLE/right.png"
# Bottom edge, tiled across, and its two corners (13 x 13 inside the border).
"$IM" -size 16x13 xc:none -fill 'rgba(255,255,255,0.7)' -draw 'line 0,12 15,12' \
      "${PNG_OPTS[@]}" PNG32:"$STYLE/frameBottom.png"
"$IM" -size 13x13 xc:none -fill 'rgba(255,255,255,0.7)' -draw 'line 0,0 0,12' -draw 'line 1,12 12,12' \
      "${PNG_OPTS[@]}" PNG32:"$STYLE/bottomL.png"
"$IM" -size 13x13 xc:none -fill 'rgba(255,255,255,0.7)' -draw 'line 12,0 12,12' -draw 'line 0,12 11,12' \
      "${PNG_OPTS[@]}" PNG32:"$STYLE/bottomR.png"

# Window background (tiled).
"$IM" -size 32x32 xc:"$BODY" "${PNG_OPTS[@]}" PNG32:"$STYLE/mainbg.png"

# Help button, 64 x 24 at the top of the band: a pill with "? Help"; also
# at twice the size for high-density screens.
help_button() {      # help_button SCALE OUT
    "$IM" -size 256x96 xc:none \
          -fill 'rgba(255,255,255,0.12)' -stroke 'rgba(255,255,255,0.28)' -strokewidth 4 \
          -draw 'roundrectangle 6,10 249,85 38,38' \
          -fill none -stroke "$GLYPH" -strokewidth 6 -draw 'circle 56,48 56,74' \
          -stroke none -fill "$GLYPH" -font "$FONT_BOLD" -pointsize 38 \
          -annotate +45+62 '?' \
          -font "$FONT" -pointsize 44 -annotate +100+64 'Help' \
          -filter Box -resize $((64 * $1))x$((24 * $1)) "${PNG_OPTS[@]}" PNG32:"$2"
}
help_button 1 "$STYLE/help.png"

# Minimise, maximise and close, 21 x 20 each, drawn at 4x on a pixel grid
# (glyph 9 x 9 px, centred on column 10).
window_button() {    # window_button GLYPH STATE OUT [SCALE]
    local glyph=$1 state=$2 out=$3 scale=${4:-1} bg=none fg=$GLYPH
    case $glyph:$state in
        close:hover)   bg='#e0484e'; fg='#ffffff' ;;
        close:pressed) bg='#b3343a'; fg='#f4d6d7' ;;
        *:hover)       bg='rgba(255,255,255,0.18)'; fg='#ffffff' ;;
        *:pressed)     bg='rgba(0,0,0,0.28)' ;;
    esac
    local mvg
    case $glyph in
        min)   mvg="fill $fg rectangle 24,40 59,43" ;;
        max)   mvg="fill none stroke $fg stroke-width 4 rectangle 26,22 58,54 line 26,26 58,26" ;;
        close) mvg="stroke $fg stroke-width 5 stroke-linecap round line 26,22 58,54 line 58,22 26,54" ;;
    esac
    "$IM" -size 84x80 xc:none -fill "$bg" -draw 'roundrectangle 4,2 79,77 10,10' \
          -draw "$mvg" -filter Box -resize $((21 * scale))x$((20 * scale)) "${PNG_OPTS[@]}" PNG32:"$out"
}
for glyph in min max close; do
    window_button "$glyph" normal "$STYLE/$glyph.png"
    window_button "$glyph" hover "$STYLE/${glyph}_hover.png"
    window_button "$glyph" pressed "$STYLE/${glyph}_press.png"
done

# Two more pictures the skin names (without extension) for windows this
# program does not have; drawn so that every reference resolves.
"$IM" "$TMP/band.png" -crop 16x30+0+24 +repage "${PNG_OPTS[@]}" PNG32:"$STYLE/titleTb"
"$IM" -size 120x140 xc:"$BODY" \
      \( "$TMP/band.png" -resize 120x83\! \) -geometry +0+0 -compose Over -composite \
      -fill none -stroke "$EDGE" -strokewidth 1 -draw 'rectangle 0,0 119,139' \
      "${PNG_OPTS[@]}" PNG32:"$STYLE/chat"

# ---------------------------------------------------------------- 2x artwork
# For high-density screens: Qt picks NAME@2x.png beside NAME.png at a scale
# factor above 1 and shows it at the 1x size, so these are the same pictures
# at twice the pixels. Style sheet cuts (zoom.png's cells) stay in 1x units.
# The sides and bottom of the frame need none: their outline is a border.
"$IM" "$TMP/emblem.png" -resize 60x60 "$TMP/emblem60.png"
logo 2 '#e4f3f7' none "$IMAGES/blog@2x.png"
logo 2 '#ffffff' '#6fd3e6' "$IMAGES/blog_hover@2x.png"


spinner 64 "$IMAGES/Loading@2x.gif"

# Title band and its corners with 2-px lines.
"$IM" -size 32x$((2 * BAND_HORIZON)) gradient:"$SKY_TOP"-"$SKY_LOW" \
      -size 32x$((2 * (BAND_H - BAND_HORIZON))) gradient:"$WATER_TOP"-"$WATER_LOW" -append \
      -fill "$HORIZON" -draw "rectangle 0,$((2 * BAND_HORIZON)) 31,$((2 * BAND_HORIZON + 1))" \
      -fill 'rgba(255,255,255,0.14)' -draw 'rectangle 0,2 31,3' \
      -fill "$EDGE" -draw 'rectangle 0,0 31,1' \
      "$TMP/band2.png"
"$IM" "$TMP/band2.png" "${PNG_OPTS[@]}" PNG32:"$STYLE/frameTop@2x.png"
"$IM" "$TMP/band2.png" -crop 6x$((2 * BAND_H))+0+0 +repage \
      -fill 'rgba(255,255,255,0.10)' -draw "rectangle 2,2 3,$((2 * BAND_H - 1))" \
      -fill "$EDGE" -draw "rectangle 0,0 1,$((2 * BAND_H - 1))" \
      "${PNG_OPTS[@]}" PNG32:"$STYLE/conver_topLeft@2x.png"
"$IM" "$TMP/band2.png" -crop 6x$((2 * BAND_H))+0+0 +repage \
      -fill 'rgba(0,0,0,0.10)' -draw "rectangle 2,2 3,$((2 * BAND_H - 1))" \
      -fill "$EDGE" -draw "rectangle 4,0 5,$((2 * BAND_H - 1))" \
      "${PNG_OPTS[@]}" PNG32:"$STYLE/conver_rightLeft@2x.png"

help_button 2 "$STYLE/help@2x.png"
for glyph in min max close; do
    window_button "$glyph" normal "$STYLE/$glyph@2x.png" 2
    window_button "$glyph" hover "$STYLE/${glyph}_hover@2x.png" 2
    window_button "$glyph" pressed "$STYLE/${glyph}_press@2x.png" 2
done

check() {            # check FILE "WxH" (one per frame for an animation)
    local got
    got=$("$IDENTIFY" -format '%wx%h ' "$1")
    got=${got% }
    [[ $got == "$2" ]] || { echo "$1: got $got, expected $2" >&2; exit 1; }
}
check "$IMAGES/blog@2x.png" 336x100
check "$IMAGES/blog_hover@2x.png" 336x100
for f in "$IMAGES"/zoom_*@2x.png; do check "$f" 104x104; done
check "$IMAGES/Loading@2x.gif" "$(printf '64x64 %.0s' {1..12} | sed 's/ $//')"
check "$STYLE/frameTop@2x.png" 32x$((2 * BAND_H))
check "$STYLE/conver_topLeft@2x.png" 6x$((2 * BAND_H))
check "$STYLE/conver_rightLeft@2x.png" 6x$((2 * BAND_H))
check "$STYLE/help@2x.png" 128x48
for f in min max close; do
    for s in "" _hover _press; do check "$STYLE/$f$s@2x.png" 42x40; done
done

# ---------------------------------------------------------------- checks
check() {            # check FILE "WxH" (one per frame for an animation)
    local got
    got=$("$IDENTIFY" -format '%wx%h ' "$1")
    got=${got% }
    [[ $got == "$2" ]] || { echo "$1: got $got, expected $2" >&2; exit 1; }
}
check "$IMAGES/aboutf.png" 372x67
check "$IMAGES/blog.png" 168x50
check "$IMAGES/blog_hover.png" 168x50
for f in "$IMAGES"/zoom_{fit,raw,in,out,orig}{,_hover,_pressed}.png; do check "$f" 52x52; done
check "$IMAGES/bg.png" 16x16
check "$IMAGES/ico.png" 256x256
for s in 16 24 32 48 64 128 256; do check "$ICONS/${s}x$s/apps/glassmere.png" "${s}x$s"; done
check "$IMAGES/Loading.gif" "$(printf '32x32 %.0s' {1..12} | sed 's/ $//')"
[[ $("$IDENTIFY" -format '%T ' "$IMAGES/Loading.gif") == "$(printf '5 %.0s' {1..12})" ]] ||
    { echo "Loading.gif: every frame must last 5/100 s" >&2; exit 1; }
[[ $("$IDENTIFY" -verbose "$IMAGES/Loading.gif") == *'Iterations: 0'* ]] ||
    { echo "Loading.gif: must loop without end" >&2; exit 1; }
check "$STYLE/frameTop.png" 16x$BAND_H
check "$STYLE/conver_topLeft.png" 3x$BAND_H
check "$STYLE/conver_rightLeft.png" 3x$BAND_H
check "$STYLE/bottomL.png" 13x13
check "$STYLE/bottomR.png" 13x13
check "$STYLE/help.png" 64x24
for f in min max close; do
    for s in "" _hover _press; do check "$STYLE/$f$s.png" 21x20; done
done
echo "artwork written to $IMAGES and $STYLE"
