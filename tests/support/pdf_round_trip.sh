#!/usr/bin/env bash
# Prints through the real spooler into the cups-pdf queue, rasterises the
# PDFs and compares them with what was sent (see win32/pdf_capture.h).
# Ghostscript rasterises: it maps an image drawn 1:1 onto whole dots, while
# pdftoppm (poppler 22.12) resamples it and smears one-dot detail.
# Usage: pdf_round_trip.sh <test exe> <scratch folder> <printing tests> <comparing tests>
# (the last two are GoogleTest filters).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exe=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
cd "$work"
"$root/scripts/wine-exec" "$exe" --gtest_brief=1 --gtest_filter="$3"
for pdf in *.pdf; do
    name=${pdf%.pdf}
    gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pgmraw -r"$(cat "$name.dpi")" -sOutputFile="$name-%d.pgm" "$pdf"
done
"$root/scripts/wine-exec" "$exe" --gtest_brief=1 --gtest_filter="$4"
