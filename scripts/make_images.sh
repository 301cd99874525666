#!/usr/bin/env bash
# Regenerates the compiled-in images of images/ (icons, logo, header indicators).
#
# Needs ImageMagick 6 (`convert`), the DejaVu fonts and fonts-wqy-zenhei.
# Usage: scripts/make_images.sh [output-dir]   (default: images/ of this repository)
#
# Every glyph is drawn at four times its size on a 64-unit grid and averaged down, which
# gives clean anti-aliased edges. Glyphs are first drawn as a white-on-black coverage mask
# and then filled with the colour of the theme, so a dark and a light variant always have
# the same shape. The .ico files hold PNG-compressed entries (read by Qt's ico plugin and
# by Windows since Vista); BMP entries would make every icon about 17 KB.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:-"$here/../images"}
mkdir -p "$out"
out=$(cd "$out" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

font_latin=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
font_cjk=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
for f in "$font_latin" "$font_cjk"; do
    [[ -r $f ]] || { echo "missing font $f" >&2; exit 1; }
done

# Glyph colours: light glyphs for the dark theme (#353535 background), dark glyphs for the
# light theme (#E6E6E6 background). Neither may be #00aaff: that is the hover and selected
# background of the buttons that carry these icons.
light='#f2f2f2'
dark='#2b2b2b'
accent='#00aaff'

# PNG without time stamps, so regenerating gives byte-identical files.
png_opts=(-strip -define 'png:exclude-chunks=date,time' -define png:color-type=6 -define png:bit-depth=8)

# mask NAME MVG [MVG...]: 64x64 coverage mask from MVG drawn on the 64-unit grid.
mask() {
    local name=$1; shift
    local args=()
    local mvg
    for mvg in "$@"; do
        args+=(-draw "scale 4,4 $mvg")
    done
    convert -size 256x256 xc:black -fill white -stroke none "${args[@]}" \
        -filter box -resize 64x64 -colorspace gray "$work/$name.mask.png"
}

# mask_text NAME FONT POINTSIZE TEXT [Y-OFFSET [OUTLINE]]: mask of a text centred on the grid
# (sizes in grid units); an outline width emboldens a thin font.
mask_text() {
    local name=$1 font=$2 size=$3 text=$4 dy=${5:-0} outline=${6:-0}
    local stroke=(-stroke none)
    if [[ $outline != 0 ]]; then
        stroke=(-stroke white -strokewidth "$(awk -v w="$outline" 'BEGIN { print 4 * w }')")
    fi
    convert -size 256x256 xc:black -fill white "${stroke[@]}" -font "$font" \
        -pointsize $((size * 4)) -gravity center -annotate "+0+$((dy * 4))" "$text" \
        -filter box -resize 64x64 -colorspace gray "$work/$name.mask.png"
}

# merge NAME A B: union of two masks.
merge() {
    convert "$work/$2.mask.png" "$work/$3.mask.png" -compose lighten -composite \
        "$work/$1.mask.png"
}

# paint NAME COLOUR FILE: RGBA 64x64 PNG of mask NAME filled with COLOUR.
paint() {
    local name=$1 colour=$2 file=$3
    convert -size 64x64 "xc:$colour" "$work/$name.mask.png" -alpha off \
        -compose CopyOpacity -composite "${png_opts[@]}" "$file"
}

# byte N: the byte N & 255 (as an octal escape, which printf %b expands).
byte() { printf '%b' "\\$(printf %03o $(($1 & 255)))"; }
le16() { byte "$1"; byte $(($1 >> 8)); }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16)); }

# make_ico OUT PNG [PNG...]: ICO file whose entries are the given square RGBA PNGs.
make_ico() {
    local target=$1; shift
    local count=$# offset=$((6 + 16 * $#)) png size bytes
    {
        le16 0; le16 1; le16 "$count"
        for png in "$@"; do
            size=$(identify -format '%w' "$png")
            bytes=$(stat -c %s "$png")
            byte "$size"; byte "$size"; byte 0; byte 0  # width, height (256 is 0), colours
            le16 1; le16 32; le32 "$bytes"; le32 "$offset"
            offset=$((offset + bytes))
        done
        cat "$@"
    } > "$target"
}

# icon NAME COLOUR BASENAME: single-size 64x64 icon BASENAME.ico from mask NAME.
icon() {
    paint "$1" "$2" "$work/$3.png"
    make_ico "$out/$3.ico" "$work/$3.png"
}

# Title row -------------------------------------------------------------------------------
mask max "fill none stroke white stroke-width 5 stroke-linejoin round roundrectangle 15,15 49,49 3,3"
mask min "stroke white stroke-width 5 stroke-linecap round line 14,32 50,32"
mask close "stroke white stroke-width 5 stroke-linecap round line 17,17 47,47 line 47,17 17,47"
# Contrast disc: a ring with its left half filled.
mask colour "fill none stroke white stroke-width 5 circle 32,32 32,11" \
    "fill white stroke none path 'M 32,11 A 21,21 0 0,0 32,53 Z'"

mask lang_frame "fill none stroke white stroke-width 4 roundrectangle 6,9 58,55 8,8"
mask_text lang_ch "$font_cjk" 31 "中" 1 1.4
mask_text lang_en "$font_latin" 22 "EN"
merge ch lang_frame lang_ch
merge en lang_frame lang_en

icon max "$light" MAX;          icon max "$dark" MAX_b
icon min "$light" MIN1;         icon min "$dark" MIN1_b
icon close "$light" CLOSE1;     icon close "$dark" CLOSE_b
icon colour "$light" ChangeColor; icon colour "$dark" ChangeColor2
icon ch "$light" CH;            icon ch "$dark" CH_b
icon en "$light" EN;            icon en "$dark" EN_b

# Navigation bar --------------------------------------------------------------------------
# Main Interface: axes with a live curve.
mask maininter \
    "fill none stroke white stroke-width 5 stroke-linecap round stroke-linejoin round polyline 9,8 9,55 57,55" \
    "fill none stroke white stroke-width 5 stroke-linecap round stroke-linejoin round polyline 16,44 26,28 36,38 46,17 56,25"

# Basic Config: an eight-tooth gear with a hole.
gear=$(awk 'BEGIN {
    pi = atan2(0, -1); n = 8; ro = 28; ri = 20.5; pts = "";
    for (i = 0; i < n; i++) {
        a = 2 * pi * i / n;
        # tooth: root, tip, tip, root (angles in fractions of one tooth pitch)
        split("-0.30 -0.17 0.17 0.30", f, " ");
        split("0 1 1 0", t, " ");
        for (k = 1; k <= 4; k++) {
            b = a + f[k] * 2 * pi / n; r = t[k] ? ro : ri;
            pts = pts sprintf("%.2f,%.2f ", 32 + r * cos(b), 32 + r * sin(b));
        }
    }
    print pts;
}')
mask basicconfig "fill white stroke none polygon $gear" "fill black stroke none circle 32,32 32,23"

# Weight & CAL: a balance.
mask weightcal \
    "fill none stroke white stroke-width 4 stroke-linecap round line 32,12 32,52 line 20,55 44,55 line 10,18 54,18" \
    "fill white stroke none circle 32,11 32,6" \
    "fill none stroke white stroke-width 2.5 stroke-linecap round line 12,18 5,38 line 12,18 19,38 line 52,18 45,38 line 52,18 59,38" \
    "fill white stroke none path 'M 2,37 L 22,37 A 10,8 0 0,1 2,37 Z' path 'M 42,37 L 62,37 A 10,8 0 0,1 42,37 Z'"

# Application: function blocks (three filled, one open).
mask application \
    "fill white stroke none roundrectangle 8,8 29,29 4,4 roundrectangle 35,8 56,29 4,4 roundrectangle 8,35 29,56 4,4" \
    "fill none stroke white stroke-width 4.5 roundrectangle 37.25,37.25 53.75,53.75 3,3"

# Data-Trans: exchange arrows (drawn thick: the button shows it at 20 x 20).
mask datatrans \
    "stroke white stroke-width 6.5 stroke-linecap round line 8,21 42,21 line 56,43 22,43" \
    "fill white stroke none polygon 58,21 42,9 42,33 polygon 6,43 22,31 22,55"

# Test Maintain: a wrench.
mask testmain \
    "stroke white stroke-width 10 stroke-linecap round line 13,51 36,28" \
    "fill white stroke none circle 41,23 41,9" \
    "fill black stroke none polygon 39.5,17.5 46.5,24.5 60,11 53,4 circle 13,51 13,48.5"

icon maininter "$light" MainInter;       icon maininter "$dark" MainInter_black
icon basicconfig "$light" BasicConfig;   icon basicconfig "$dark" BasicConfig_black
icon weightcal "$light" WeightCAL;       icon weightcal "$dark" WeightCAL_black
icon application "$light" Application;   icon application "$dark" Application_black
icon datatrans "$light" DataTrans;       icon datatrans "$dark" DataTrans_black
icon testmain "$light" TestMain;         icon testmain "$dark" TestMain_black

# Import button of the Test Maintain page (both themes): arrow into a tray.
mask download \
    "stroke white stroke-width 6 stroke-linecap round line 32,8 32,34" \
    "fill white stroke none polygon 17,27 47,27 32,44" \
    "fill none stroke white stroke-width 6 stroke-linecap round stroke-linejoin round polyline 10,40 10,55 54,55 54,40"
icon download "$accent" icon_download

# Arrows of the combo and spin boxes in the style sheets (32 x 32: the sheets scale them down).
mask arrow_down "fill white stroke white stroke-width 4 stroke-linejoin round polygon 12,22 52,22 32,44"
mask arrow_up "fill white stroke white stroke-width 4 stroke-linejoin round polygon 12,42 52,42 32,20"
for a in arrow_down arrow_up; do
    paint "$a" "$light" "$work/$a.png"
    paint "$a" "$dark" "$work/${a}_b.png"
    for f in "$a" "${a}_b"; do
        convert "$work/$f.png" -filter box -resize 32x32 "${png_opts[@]}" "$out/$f.png"
    done
done

# Header indicators (always on a dark background) -----------------------------------------
# Stable: a green lamp with a check mark.
convert -size 256x256 xc:none \
    -draw "scale 4,4 fill '#1fbf4f' stroke '#0f7a30' stroke-width 3 circle 32,32 32,6" \
    -draw "scale 4,4 fill none stroke white stroke-width 6 stroke-linecap round stroke-linejoin round polyline 19,33 28,42 45,23" \
    -filter box -resize 64x64 "${png_opts[@]}" "$out/Stable.png"

# Zero: an arrow from each side pointing at a zero.
mask zero_arrows \
    "stroke white stroke-width 4 stroke-linecap round line 3,32 12,32 line 61,32 52,32" \
    "fill white stroke none polygon 19,32 10,24 10,40 polygon 45,32 54,24 54,40"
mask_text zero_digit "$font_latin" 30 "0"
merge zero zero_arrows zero_digit
paint zero '#3ddc84' "$out/Zero1.png"

# Application icon and logo ---------------------------------------------------------------
# Drawn once at 256 px: blue tile, "R7" and the platform of a scale.
convert -size 1024x1024 xc:none \
    -draw "scale 4,4 fill '$accent' stroke none roundrectangle 8,8 248,248 48,48" \
    -draw "scale 4,4 fill white stroke none roundrectangle 44,186 212,206 10,10" \
    -draw "scale 4,4 fill white stroke none roundrectangle 70,206 86,222 4,4 roundrectangle 170,206 186,222 4,4" \
    -fill white -font "$font_latin" -pointsize 560 -gravity center -annotate +0-80 "R7" \
    -filter box -resize 256x256 "${png_opts[@]}" "$work/app256.png"
app_sizes=()
for s in 16 24 32 48 64 128; do
    convert "$work/app256.png" -filter Lanczos -resize ${s}x${s} "${png_opts[@]}" "$work/app$s.png"
    app_sizes+=("$work/app$s.png")
done
make_ico "$out/KDIcon.ico" "${app_sizes[@]}" "$work/app256.png"
cp "$work/app64.png" "$out/KDIcon1.png"

echo "images written to $out"
