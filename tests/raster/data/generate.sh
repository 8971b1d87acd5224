#!/usr/bin/env bash
# Makes the PNG files the decoder tests read, with ImageMagick's convert.
# The pixel values are those the tests expect; run from this folder.
set -euo pipefail

# Raw bytes from a list of decimal values.
bytes() { for value in "$@"; do printf "\\$(printf '%03o' "$value")"; done; }

# 4 × 2 RGBA: opaque red, green, blue, half-transparent black;
# transparent black, transparent white, opaque (64,128,192), opaque white.
rgba=(255 0 0 255  0 255 0 255  0 0 255 255  0 0 0 128
      0 0 0 0  255 255 255 0  64 128 192 255  255 255 255 255)
bytes "${rgba[@]}" > rgba.raw
convert -define png:exclude-chunks=date,time,gAMA,cHRM,bKGD -size 4x2 -depth 8 rgba:rgba.raw PNG32:rgba8.png
convert -define png:exclude-chunks=date,time,gAMA,cHRM,bKGD -size 4x2 -depth 8 rgba:rgba.raw -depth 16 PNG64:rgba16.png
rm rgba.raw

# 4 × 2 palette with one transparent entry: red, green, blue, transparent;
# transparent, white, black, (64,128,192).
palette=(255 0 0 255  0 255 0 255  0 0 255 255  0 0 0 0
         0 0 0 0  255 255 255 255  0 0 0 255  64 128 192 255)
bytes "${palette[@]}" > palette.raw
convert -define png:exclude-chunks=date,time,gAMA,cHRM,bKGD -size 4x2 -depth 8 rgba:palette.raw PNG8:palette.png
rm palette.raw

# 4 × 1 grey levels 0, 64, 128, 255.
bytes 0 64 128 255 > grey.raw
convert -define png:exclude-chunks=date,time,gAMA,cHRM,bKGD -size 4x1 -depth 8 gray:grey.raw -define png:color-type=0 -define png:bit-depth=8 grey.png
rm grey.raw

# 16 × 16 opaque, Adam7-interlaced: R = 16x, G = 16y, B = 8(x + y).
gradient=()
for y in $(seq 0 15); do
    for x in $(seq 0 15); do gradient+=($((16 * x)) $((16 * y)) $((8 * (x + y)))); done
done
bytes "${gradient[@]}" > gradient.raw
convert -define png:exclude-chunks=date,time,gAMA,cHRM,bKGD -size 16x16 -depth 8 rgb:gradient.raw -interlace PNG PNG24:interlaced.png
rm gradient.raw

# 100 × 100, the same pixels stored once without and once with the strongest
# compression.
convert -define png:exclude-chunks=date,time,gAMA,cHRM,bKGD -size 100x100 plasma:fractal -seed 7 -depth 8 PNG24:pattern.png
convert -define png:exclude-chunks=date,time,gAMA,cHRM,bKGD pattern.png -define png:compression-level=0 PNG24:stored.png
convert -define png:exclude-chunks=date,time,gAMA,cHRM,bKGD pattern.png -define png:compression-level=9 PNG24:deflated.png
rm pattern.png
