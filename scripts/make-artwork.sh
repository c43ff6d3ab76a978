#!/usr/bin/env bash
# Draws the banner and the icons into src/resources/. The files it makes are
# kept in the repository; run this again only to change them.
# Needs ImageMagick 6 (convert) and the DejaVu fonts (fonts-dejavu-core).
set -euo pipefail
cd "$(dirname "$0")/../src/resources"

dark=#0b2350
mid=#1b4a8c
light=#eef3fb
font=DejaVu-Sans-Bold

# Banner: 600 x 30, a dark blue band lighter in the middle, the name centred
# (the window shows only the middle 522 pixels), a faint rule at the foot.
# A baseline JPEG with three components, as libjpeg decodes it at start-up.
convert -size 30x300 gradient:"$dark"-"$mid" -rotate -90 \
    \( +clone -flop \) +append +repage \
    -fill '#3f6fb0' -draw 'rectangle 0,29 599,29' \
    -font "$font" -pointsize 19 -kerning 3 \
    -fill '#06152f' -gravity center -annotate +1+1 'Orvalla' \
    -fill "$light" -annotate +0+0 'Orvalla' \
    -strip -type TrueColor -colorspace sRGB -interlace none -sampling-factor 2x2 -quality 92 \
    banner.jpg

# Icon: a dark blue rounded square holding a light ring. Drawn large and
# scaled down, then cut to 16 colours.
icon_master() {
    convert -size 256x256 xc:none \
        -fill "$mid" -stroke "$dark" -strokewidth 12 -draw 'roundrectangle 8,8 247,247 48,48' \
        -fill none -stroke "$light" -strokewidth 36 -draw 'ellipse 128,128 62,72 0,360' \
        png:-
}
for size in 16 32; do
    icon_master | convert png:- -resize "${size}x${size}" -colors 16 -strip \
        -define png:exclude-chunks=date,time "png8:orvalla${size}.png"
done
