#!/bin/sh
# Draws the program's icon: eight by eight dots of the module, a red "V" lit on
# dark ones, as dist/icons/hicolor/scalable/apps/vexelapp.svg and as PNGs of
# 48, 64, 128 and 256 pixels beside it in the hicolor tree. The PNGs are kept
# in the repository so that building needs no image tools; this script needs
# rsvg-convert (librsvg2-bin).
# Usage: scripts/draw-icon.sh [icon folder, default dist/icons]
set -eu

out=${1:-$(dirname "$0")/../dist/icons}

# One row of the pattern per line, top first; # is a lit dot.
pattern='#......#
#......#
.#....#.
.#....#.
..#..#..
..#..#..
...##...
...##...'

# 128 units square: a rounded dark board with a 12-unit margin, dots on a
# 13-unit pitch.
svg="$out/hicolor/scalable/apps/vexelapp.svg"
mkdir -p "$(dirname "$svg")"
{
    echo '<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 128 128">'
    echo '  <rect x="4" y="4" width="120" height="120" rx="16" fill="#262626" stroke="#0d0d0d" stroke-width="2"/>'
    row=0
    echo "$pattern" | while IFS= read -r line; do
        column=0
        while [ "$column" -lt 8 ]; do
            dot=$(printf '%s' "$line" | cut -c $((column + 1)))
            if [ "$dot" = '#' ]; then fill='#ff2a1a'; else fill='#4a1410'; fi
            echo "  <circle cx=\"$((18 + 13 * column)).5\" cy=\"$((18 + 13 * row)).5\" r=\"5.2\" fill=\"$fill\"/>"
            column=$((column + 1))
        done
        row=$((row + 1))
    done
    echo '</svg>'
} >"$svg"

for size in 48 64 128 256; do
    png="$out/hicolor/${size}x$size/apps/vexelapp.png"
    mkdir -p "$(dirname "$png")"
    rsvg-convert --width "$size" --height "$size" --output "$png" "$svg"
done

# Windows' icon for vexelapp.exe and its Start-menu entry, every size Explorer asks for.
convert "$out/hicolor/256x256/apps/vexelapp.png" -define icon:auto-resize=256,128,64,48,32,16 \
    "$out/../windows/vexelapp.ico"
