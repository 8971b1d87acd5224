#!/usr/bin/env bash
# Draws the product icon (a white sailing boat over mist on the accent red)
# and packs it as resources/kestrune.ico with the sizes Windows asks for.
# Run it after changing the drawing; the .ico it writes is kept in the repo.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The master drawing at 256 px.
convert -size 256x256 xc:none \
    -fill '#CF2435' -draw 'roundrectangle 8,8 247,247 48,48' \
    -fill white -draw 'polygon 124,36 124,170 56,170' \
    -fill '#FBE3E5' -draw 'polygon 136,64 136,170 192,170' \
    -fill white -draw 'polygon 40,180 216,180 188,212 68,212' \
    -fill none -stroke '#F6B9BF' -strokewidth 8 -draw 'line 52,228 204,228' \
    "$work/256.png"

# 32 px and up are resampled from the master. Smaller sizes get their own
# drawing on a 16-unit grid (no mist line, fuller shapes), drawn at 8x and
# reduced with a box filter so edges land on whole pixels.
for size in 64 48 32; do
    convert "$work/256.png" -filter Lanczos -resize "${size}x${size}" "$work/$size.png"
done
for size in 24 20 16; do
    u=$((size * 8 / 16))  # one grid unit at 8x, in pixels
    big=$((size * 8))
    convert -size "${big}x${big}" xc:none \
        -fill '#CF2435' -draw "roundrectangle 0,0 $((big - 1)),$((big - 1)) $((3 * u)),$((3 * u))" \
        -fill white -draw "polygon $((7 * u)),$((2 * u)) $((7 * u)),$((10 * u)) $((2 * u)),$((10 * u))" \
        -fill '#FBE3E5' -draw "polygon $((8 * u)),$((4 * u)) $((8 * u)),$((10 * u)) $((13 * u)),$((10 * u))" \
        -fill white -draw "polygon $((2 * u)),$((11 * u)) $((14 * u)),$((11 * u)) $((12 * u)),$((14 * u)) $((4 * u)),$((14 * u))" \
        -filter Box -resize "${size}x${size}" "$work/$size.png"
done

convert "$work"/{16,20,24,32,48,64,256}.png -depth 8 kestrune.ico
echo "wrote $(pwd)/kestrune.ico"
