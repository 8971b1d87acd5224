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

# Small sizes are resampled from the master; below 32 px the mist line would
# blur into the hull, so those sizes come from a simpler drawing.
for size in 64 48 32; do
    convert "$work/256.png" -filter Lanczos -resize "${size}x${size}" "$work/$size.png"
done
convert -size 256x256 xc:none \
    -fill '#CF2435' -draw 'roundrectangle 0,0 255,255 40,40' \
    -fill white -draw 'polygon 120,28 120,168 40,168' \
    -fill '#FBE3E5' -draw 'polygon 140,60 140,168 204,168' \
    -fill white -draw 'polygon 24,184 232,184 196,228 60,228' \
    "$work/simple.png"
for size in 24 20 16; do
    convert "$work/simple.png" -filter Lanczos -resize "${size}x${size}" "$work/$size.png"
done

convert "$work"/{16,20,24,32,48,64,256}.png -depth 8 kestrune.ico
echo "wrote $(pwd)/kestrune.ico"
