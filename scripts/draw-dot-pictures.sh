#!/bin/sh
# Draws the two dot pictures of the program folder into assets/: the lit dot
# "dotf.BMP" and the unlit dot "dotb.JPG", 18 x 19 pixels each (one dot cell),
# on the silver ground of the grid. Needs ImageMagick's convert.
# Usage: scripts/draw-dot-pictures.sh [output folder, default assets]
set -eu

out=${1:-$(dirname "$0")/../assets}
mkdir -p "$out"

ground='rgb(192,192,192)'
# Pixel centres lie on whole coordinates: 8.5,9 is the middle of 18 x 19.
disc='circle 8.5,9 8.5,2'

convert -size 18x19 "xc:$ground" \
    -fill 'rgb(255,0,0)' -stroke 'rgb(96,0,0)' -strokewidth 1.5 -draw "$disc" \
    -alpha off -type TrueColor "BMP3:$out/dotf.BMP"

convert -size 18x19 "xc:$ground" \
    -fill 'rgb(255,255,255)' -stroke 'rgb(0,0,0)' -strokewidth 1.5 -draw "$disc" \
    -alpha off -type TrueColor -strip -sampling-factor 1x1 -quality 95 "JPEG:$out/dotb.JPG"
